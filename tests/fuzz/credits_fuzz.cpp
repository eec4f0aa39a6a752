// Feeds arbitrary bytes to the credits reader of the about window as the
// content of "system.ssd", then scrolls and paints a few steps of them.
#include "about/jscrolltext.h"

#include "offscreen_app.h"

#include <QApplication>
#include <QImage>
#include <QListWidget>

#include <cstddef>
#include <cstdint>

namespace {
QListWidget *ListBox = nullptr;
TJScrollText *Scroller = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    StartOffscreenApp<QApplication>(argc, argv);
    ListBox = new QListWidget;
    ListBox->resize(200, 120);
    Scroller = new TJScrollText(ListBox);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    Scroller->LoadFromBytes(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    Scroller->Reset();
    QImage image(200, 120, QImage::Format_RGB32);
    for (int i = 0; i < 3; ++i) {
        Scroller->Step();
        ListBox->viewport()->render(&image);
    }
    return 0;
}
