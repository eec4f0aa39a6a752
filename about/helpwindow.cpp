#include "about/helpwindow.h"

#include "platform/widgets/application.h"
#include "platform/widgets/dialogs.h"
#include "platform/widgets/rtfreader.h"

#include <QFrame>
#include <QPointer>
#include <QTextEdit>
#include <QVBoxLayout>
#include <stdexcept>

namespace {
const int kBorderWidth = 4;
const QColor kSkyBlue(0xA6, 0xCA, 0xF0);
} // namespace

TForm3::TForm3(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName("Form3");
    setWindowTitle(QString::fromUtf8(" Yardım"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(QFont("Liberation Sans", 8));
    // The client area of 533 x 288 lies inside a 4-pixel border.
    setFixedSize(533 + 2 * kBorderWidth, 288 + 2 * kBorderWidth);
    move(276, 175);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::NoFrame);
    Panel1->setGeometry(kBorderWidth, kBorderWidth, 533, 288);

    Yazi = new QTextEdit(Panel1);
    Yazi->setObjectName("Yazi");
    Yazi->setGeometry(0, 0, 533, 288);
    Yazi->setReadOnly(true);
    Yazi->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Yazi->setTabChangesFocus(false);
    Yazi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Yazi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Yazi->setLineWrapMode(QTextEdit::WidgetWidth);
    QPalette pal = Yazi->palette();
    pal.setColor(QPalette::Base, kSkyBlue);
    Yazi->setPalette(pal);

    // A failure is shown, and the window still opens, without the text.
    Application().Guard([this] { FormCreate(); });
}

void TForm3::FormCreate() {
    try {
        LoadRtfFile(QStringLiteral("help.rtf"), Yazi->document());
    } catch (const std::exception &) {
        Yazi->clear();
        throw std::runtime_error("Yardım dosyası (help.rtf) yüklenemedi...");
    }
    Yazi->moveCursor(QTextCursor::Start);
}

void ShowHelpWindow(QWidget *owner) {
    QPointer<TForm3> help = new TForm3(owner);
    int result = 0;
    ExecModal(help, result);
    // A closed window has deleted itself; one that never ran (scripted) goes now.
    if (help) help->deleteLater();
}
