#pragma once
// The about window: title, the maker's links, the scrolling credits read from
// "system.ssd" and two memory figures of the machine.
#include <QDialog>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>

class QFrame;
class QLabel;
class QListWidget;
class TJScrollText;

class TAbout : public QDialog {
    Q_OBJECT
  public:
    // meminfoPath: where the memory figures are read (the machine's own by default).
    explicit TAbout(QWidget *owner = nullptr, const std::string &meminfoPath = "/proc/meminfo");
    // Stops the scroller before the list box it draws on goes away.
    ~TAbout() override;

    QFrame *Bevel1;
    QLabel *Image1;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label4;
    QLabel *Label3;
    QLabel *Label9;
    QListWidget *ListBox1;
    QFrame *Bevel3;
    QFrame *Panel1;
    QLabel *Label5;
    QLabel *Label6;
    QLabel *Label7;
    QLabel *Label8;

    TJScrollText *ScrollText() const { return FScrollText.get(); }

    void Label4MouseDown();
    void Label3MouseDown();
    void Label9MouseDown();

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void FormCreate();

    std::unique_ptr<TJScrollText> FScrollText;
    std::string FMeminfoPath;
};

// "16.318.048 KB": kilobytes to the nearest whole number, grouped in threes
// with the locale's thousands separator.
QString FormatMemoryKB(uint64_t bytes, const QLocale &locale = QLocale());
// "37 %"
QString FormatMemoryLoad(unsigned percent);
// What a web label opens: its text, with "http://" in front unless it starts
// with exactly that; nothing for an empty label.
QString WebLinkTarget(const QString &labelText);
// What the e-mail label opens: "mailto:" and its text, even when empty.
QString MailLinkTarget(const QString &labelText);

// Creates a new about window over owner and shows it modally; it is freed when closed.
void ShowAboutWindow(QWidget *owner);
