#pragma once
// Hands a text ("mailto:...", "http://...") to the desktop, as the user's
// shell would open it. The result is ignored: nothing useful can be done when
// no handler exists.
#include <QString>
#include <QUrl>
#include <vector>

void ShellExecute(const QString &target);
// The URL ShellExecute opens for a text: spaces and non-ASCII percent-encoded.
QUrl ShellUrl(const QString &target);

// While alive, ShellExecute records its targets instead of opening them.
class TShellRecorder {
  public:
    TShellRecorder();
    ~TShellRecorder();
    TShellRecorder(const TShellRecorder &) = delete;
    TShellRecorder &operator=(const TShellRecorder &) = delete;
    const std::vector<QString> &Targets() const { return FTargets; }
    const std::vector<QUrl> &Urls() const { return FUrls; }
    void Record(const QString &t, const QUrl &u) {
        FTargets.push_back(t);
        FUrls.push_back(u);
    }

  private:
    std::vector<QString> FTargets;
    std::vector<QUrl> FUrls;
    TShellRecorder *FPrevious;
};
