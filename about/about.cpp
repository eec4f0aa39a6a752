#include "about/about.h"

#include "about/jscrolltext.h"
#include "platform/system/memory.h"
#include "platform/system/shell.h"
#include "platform/widgets/application.h"
#include "platform/widgets/dialogs.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

namespace {

const QColor kGray(0x80, 0x80, 0x80);
const QColor kSilver(0xC0, 0xC0, 0xC0);
const QColor kLime(0x00, 0xFF, 0x00);
const QColor kLinkBlue(0x00, 0x00, 0xFF);

// The program's icon: a card index with a person on its front card.
QPixmap ProgramIcon() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    p.setBrush(QColor(0xE8, 0xD8, 0xA8));
    p.drawRoundedRect(QRectF(6.5, 2.5, 23, 20), 2, 2);
    p.setBrush(QColor(0x30, 0x60, 0xB0));
    p.drawRoundedRect(QRectF(2.5, 8.5, 26, 21), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(8, 12, 7, 7));
    QPainterPath body;
    body.moveTo(5.5, 27);
    body.quadTo(11.5, 16, 17.5, 27);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(QColor(0xD0, 0xE0, 0xF8));
    p.drawRect(QRectF(19, 14, 7, 2));
    p.drawRect(QRectF(19, 18, 7, 2));
    p.drawRect(QRectF(19, 22, 5, 2));
    return pm;
}

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text, int x, int y) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->move(x, y);
    l->adjustSize(); // labels size themselves to their text
    return l;
}

void SetTextColor(QWidget *w, const QColor &c) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, c);
    w->setPalette(pal);
}

} // namespace

QString FormatMemoryKB(uint64_t bytes, const QLocale &locale) {
    // The whole 64-bit figure: machines with more than 4 GiB show what they have.
    uint64_t kb = bytes / 1024 + (bytes % 1024 >= 512 ? 1 : 0);
    QString digits = QString::number(kb);
    QString sep = locale.groupSeparator();
    QString out;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += sep;
        out += digits[i];
    }
    return out + QStringLiteral(" KB");
}

QString FormatMemoryLoad(unsigned percent) {
    return QStringLiteral("%1 %").arg(percent);
}

QString WebLinkTarget(const QString &labelText) {
    if (labelText.isEmpty()) return QString();
    if (labelText.startsWith(QLatin1String("http://"), Qt::CaseSensitive)) return labelText;
    return QStringLiteral("http://") + labelText;
}

QString MailLinkTarget(const QString &labelText) {
    return QStringLiteral("mailto:") + labelText;
}

TAbout::TAbout(QWidget *owner, const std::string &meminfoPath)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      FMeminfoPath(meminfoPath) {
    setObjectName("About");
    setWindowTitle(QString::fromUtf8(" Program Hakkında"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Arial-compatible widths keep the texts within their designed places; the
    // default sans font is too wide for the memory labels.
    setFont(QFont("Liberation Sans", 8));
    setFixedSize(223, 254);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(3, 4, 217, 85);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(16, 16, 33, 33);
    Image1->setPixmap(ProgramIcon());
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    QFont titleFont = font();
    titleFont.setPixelSize(16);
    titleFont.setBold(true);
    const QString title = QStringLiteral("Kadrolin 1.0");
    Label1 = MakeLabel(this, "Label1", title, 59, 17);
    Label1->setFont(titleFont);
    Label1->resize(147, 20);
    SetTextColor(Label1, kGray);
    Label2 = MakeLabel(this, "Label2", title, 57, 15);
    Label2->setFont(titleFont);
    Label2->resize(147, 20);
    SetTextColor(Label2,
                 palette().color(QPalette::WindowText)); // labels draw no background: Label1 shows through

    // The maker's addresses; reserved example domains.
    Label4 = MakeLabel(this, "Label4", QStringLiteral("http://www.example.com"), 72, 39);
    Label3 = MakeLabel(this, "Label3", QStringLiteral("www.example.org"), 81, 53);
    Label9 = MakeLabel(this, "Label9", QStringLiteral("kadrolin@example.com"), 81, 68);
    for (QLabel *l : {Label4, Label3, Label9}) {
        SetTextColor(l, kLinkBlue);
        l->setCursor(Qt::PointingHandCursor);
        l->installEventFilter(this);
    }
    TApplication::SetWidgetHint(Label4, QStringLiteral("Siteye git"), true);
    TApplication::SetWidgetHint(Label3, QStringLiteral("Siteye git"), true);
    TApplication::SetWidgetHint(Label9, QString::fromUtf8("Mail gönder"), true);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setGeometry(3, 94, 217, 69);
    ListBox1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ListBox1->setLineWidth(2);
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListBox1->setFocusPolicy(Qt::NoFocus);

    Bevel3 = new QFrame(this);
    Bevel3->setObjectName("Bevel3");
    Bevel3->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel3->setGeometry(3, 167, 217, 41);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(5, 169, 213, 37);
    Panel1->setAutoFillBackground(true);

    Label5 = MakeLabel(Panel1, "Label5", QString::fromUtf8("Kullanılabilir Bellek :"), 16, 5);
    Label6 = MakeLabel(Panel1, "Label6", QString::fromUtf8("Şu Anda Kullanılan :"), 16, 21);
    Label7 = MakeLabel(Panel1, "Label7", QString(), 120, 5);
    Label8 = MakeLabel(Panel1, "Label8", QString(), 120, 21);
    SetTextColor(Label5, kSilver);
    SetTextColor(Label6, kSilver);
    SetTextColor(Label7, kLime);
    SetTextColor(Label8, kLime);

    // A failure while setting up is shown, and the window still opens.
    Application().Guard([this] { FormCreate(); });
}

TAbout::~TAbout() {
    FScrollText.reset();
}

void TAbout::FormCreate() {
    TMemoryStatus mem = GlobalMemoryStatus(FMeminfoPath);
    Label7->setText(FormatMemoryKB(mem.TotalPhys));
    Label7->adjustSize();
    Label8->setText(FormatMemoryLoad(mem.MemoryLoad));
    Label8->adjustSize();

    FScrollText = std::make_unique<TJScrollText>(ListBox1);
    FScrollText->SetBackColor(Qt::black);
    FScrollText->SetForeColor(kGray);
    // The panel turns black before the credits are read, so a missing credits
    // file does not leave silver and lime text on a light panel.
    QPalette pal = Panel1->palette();
    pal.setColor(QPalette::Window, Qt::black);
    Panel1->setPalette(pal);
    FScrollText->LoadFromFile(QStringLiteral("system.ssd"));
}

void TAbout::Label4MouseDown() {
    QString target = WebLinkTarget(Label4->text());
    if (!target.isEmpty()) ShellExecute(target);
}

void TAbout::Label3MouseDown() {
    QString target = WebLinkTarget(Label3->text());
    if (!target.isEmpty()) ShellExecute(target);
}

void TAbout::Label9MouseDown() {
    ShellExecute(MailLinkTarget(Label9->text()));
}

bool TAbout::eventFilter(QObject *watched, QEvent *event) {
    // Any mouse button opens a link.
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == Label4)
            Application().Guard([this] { Label4MouseDown(); });
        else if (watched == Label3)
            Application().Guard([this] { Label3MouseDown(); });
        else if (watched == Label9)
            Application().Guard([this] { Label9MouseDown(); });
        else
            return QDialog::eventFilter(watched, event);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ShowAboutWindow(QWidget *owner) {
    QPointer<TAbout> about = new TAbout(owner);
    int result = 0;
    ExecModal(about, result);
    // A closed window has deleted itself; one that never ran (scripted) goes now.
    if (about) about->deleteLater();
}
