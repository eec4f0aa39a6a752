#include "security/getpasswdfrm.h"

#include "platform/widgets/application.h"
#include "platform/widgets/dialogs.h"
#include "security/glyphs.h"
#include "security/passwordhash.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <climits>

TGetPassWdFrm::TGetPassWdFrm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("GetPassWdFrm"));
    setWindowTitle(QString::fromUtf8("Şifre Gir"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(DialogFont());
    setFixedSize(259, 104);

    Bevel1 = MakeNamed<QFrame>(this, "Bevel1");
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(7, 8, 244, 57);

    Image1 = MakeNamed<QLabel>(this, "Image1");
    Image1->setGeometry(10, 18, 32, 32);
    Image1->setPixmap(LockPicture());

    Label1 = MakeNamed<QLabel>(this, "Label1");
    Label1->setText(QString::fromUtf8("Şifrenizi girin"));
    Label1->move(56, 14);
    Label1->adjustSize();

    Edit1 = MakeNamed<QLineEdit>(this, "Edit1");
    Edit1->setGeometry(56, 32, 185, 21);
    MaskWithAsterisks(Edit1);
    // No limit of our own: a long password put into the file by hand can still be entered.
    Edit1->setMaxLength(INT_MAX);

    MakeTamamIptal(this, BitBtn1, QRect(80, 72, 81, 27), BitBtn2, QRect(168, 72, 81, 27));

    setTabOrder(Edit1, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);

    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { Application().Guard([this] { BitBtn1Click(); }); });
}

bool TGetPassWdFrm::Execute(const QString &password) {
    FPassword = password;
    setResult(Rejected);
    int result = 0;
    return ExecModal(this, result) && result == Accepted;
}

void TGetPassWdFrm::FormShow() {
    Edit1->setFocus();
}

void TGetPassWdFrm::showEvent(QShowEvent *event) {
    // Centred on the screen: at start-up there is no window to centre on.
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    QDialog::showEvent(event);
    FormShow();
}

void TGetPassWdFrm::BitBtn1Click() {
    // Exact comparison: case-sensitive, blanks count.
    if (PasswordMatches(FPassword, Edit1->text())) {
        accept();
        return;
    }
    MessageDlg(QString::fromUtf8("Geçersiz şifre."), mtError, mbOK);
    Edit1->setFocus();
}
