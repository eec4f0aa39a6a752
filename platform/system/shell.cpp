#include "platform/system/shell.h"

#include <QDesktopServices>

namespace {
TShellRecorder *Recorder = nullptr;
}

QUrl ShellUrl(const QString &target) {
    return QUrl(target.trimmed(), QUrl::TolerantMode);
}

void ShellExecute(const QString &target) {
    QUrl url = ShellUrl(target);
    if (Recorder) {
        Recorder->Record(target, url);
        return;
    }
    if (url.isValid()) QDesktopServices::openUrl(url);
}

TShellRecorder::TShellRecorder() : FPrevious(Recorder) {
    Recorder = this;
}
TShellRecorder::~TShellRecorder() {
    Recorder = FPrevious;
}
