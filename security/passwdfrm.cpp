#include "security/passwdfrm.h"

#include "platform/text/cp1254.h"
#include "platform/widgets/application.h"
#include "platform/widgets/dialogs.h"
#include "security/glyphs.h"
#include "security/passwordhash.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

QString UnstorablePasswordMessage(const QString &password) {
    // The store keeps passwords in the Turkish code page; a character outside
    // it would be stored as "?" and the password could never be typed again.
    for (int i = 0; i < password.size();) {
        const int len = password[i].isHighSurrogate() && i + 1 < password.size() ? 2 : 1;
        const QString ch = password.mid(i, len);
        if (!kadrolin::IsCp1254Encodable(ch.toStdString()))
            return QString::fromUtf8("Şifrede kullanılamayan bir karakter var: \"%1\". Şifre yalnızca Türkçe "
                                     "harflerden, rakamlardan ve klavyedeki işaretlerden oluşabilir.")
                .arg(ch);
        i += len;
    }
    return {};
}

TPassWdFrm::TPassWdFrm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PassWdFrm"));
    setWindowTitle(QString::fromUtf8("Şifre Değiştir"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(DialogFont());
    setFixedSize(268, 119);
    move(212, 140);

    Bevel1 = MakeNamed<QFrame>(this, "Bevel1");
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 249, 73);

    Label1 = MakeNamed<QLabel>(this, "Label1");
    Label1->setText(QString::fromUtf8("Eski Şifre:"));
    Label1->move(16, 24);
    Label1->adjustSize();

    Label2 = MakeNamed<QLabel>(this, "Label2");
    Label2->setText(QString::fromUtf8("Yeni Şifre:"));
    Label2->move(16, 56);
    Label2->adjustSize();

    EdtEskiSifre = MakeNamed<QLineEdit>(this, "EdtEskiSifre");
    EdtEskiSifre->setGeometry(72, 16, 169, 21);
    MaskWithAsterisks(EdtEskiSifre);
    EdtEskiSifre->setMaxLength(MaxPasswordLength);

    EdtYeniSifre = MakeNamed<QLineEdit>(this, "EdtYeniSifre");
    EdtYeniSifre->setGeometry(72, 48, 169, 21);
    MaskWithAsterisks(EdtYeniSifre);
    EdtYeniSifre->setMaxLength(MaxPasswordLength);

    MakeTamamIptal(this, BitBtn1, QRect(104, 88, 72, 27), BitBtn2, QRect(184, 88, 72, 27));

    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, EdtEskiSifre);
    setTabOrder(EdtEskiSifre, EdtYeniSifre);

    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { Application().Guard([this] { BitBtn1Click(); }); });
}

bool TPassWdFrm::Execute(const QString &password) {
    FPassword = password;
    EdtEskiSifre->clear();
    EdtYeniSifre->clear();
    EdtEskiSifre->setEnabled(!FPassword.isEmpty());
    setResult(Rejected);
    int result = 0;
    return ExecModal(this, result) && result == Accepted;
}

QString TPassWdFrm::NewPassword() const {
    return EdtYeniSifre->text();
}

void TPassWdFrm::FormShow() {
    if (!FPassword.isEmpty())
        EdtEskiSifre->setFocus();
    else
        EdtYeniSifre->setFocus();
}

void TPassWdFrm::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    FormShow();
}

void TPassWdFrm::BitBtn1Click() {
    if (!FPassword.isEmpty()) {
        if (!PasswordMatches(FPassword, EdtEskiSifre->text())) {
            MessageDlg(QString::fromUtf8("Geçersiz şifre."), mtError, mbOK);
            EdtEskiSifre->setFocus();
            return;
        }
        if (EdtYeniSifre->text().isEmpty()) {
            MessageDlg(QString::fromUtf8("Şifre olarak boşluk giremezsiniz"), mtError, mbOK);
            EdtYeniSifre->setFocus();
            return;
        }
    }
    // Checked last, so the designed checks keep their order and messages.
    const QString unstorable = UnstorablePasswordMessage(EdtYeniSifre->text());
    if (!unstorable.isEmpty()) {
        MessageDlg(unstorable, mtError, mbOK);
        EdtYeniSifre->setFocus();
        return;
    }
    accept();
}
