#include "security/passwordprotection.h"

#include "platform/ini/inifile.h"
#include "platform/text/cp1254.h"
#include "platform/widgets/application.h"
#include "platform/widgets/dialogs.h"
#include "security/getpasswdfrm.h"
#include "security/passwdfrm.h"
#include "security/passwordhash.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <stdexcept>

namespace {
kadrolin::TIniFile Ini(const QString &fileName) {
    // The password is a secret: the file is readable by its owner only.
    return kadrolin::TIniFile(QFile::encodeName(fileName).toStdString(), kadrolin::TIniFileAccess::OwnerOnly);
}

void MakeParentDirectory(const QString &fileName) {
    // A first run has no configuration directory yet; the write reports any failure.
    QDir().mkpath(QFileInfo(fileName).absolutePath());
}
} // namespace

QString TPasswordProtection::DefaultIniFileName() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/win.ini");
}

TPasswordProtection::TPasswordProtection(QString iniFileName) : FIniFileName(std::move(iniFileName)) {}

TPasswordProtection::~TPasswordProtection() {
    DetachSifreChkClick();
}

bool TPasswordProtection::ReadProtectionActive() const {
    try {
        return Ini(FIniFileName).ReadBool(Section, ActiveKey, false);
    } catch (const std::exception &) {
        return false; // whatever stands in the way of reading means nothing stored
    }
}

void TPasswordProtection::WriteProtectionActive(bool active) {
    MakeParentDirectory(FIniFileName);
    Ini(FIniFileName).WriteBool(Section, ActiveKey, active);
}

QString TPasswordProtection::ReadStoredPassword() const {
    try {
        return QString::fromStdString(Ini(FIniFileName).ReadString(Section, PasswordKey, ""));
    } catch (const std::exception &) {
        return {};
    }
}

void TPasswordProtection::WriteStoredPassword(const QString &password) {
    // Stored as "?" a character would make the password impossible to type.
    if (!kadrolin::IsCp1254Encodable(password.toStdString())) throw std::runtime_error("Şifre yazılamadı");
    try {
        WriteStoredValue(HashPassword(password));
    } catch (const std::exception &) {
        throw std::runtime_error("Şifre yazılamadı");
    }
}

void TPasswordProtection::WriteStoredValue(const QString &value) {
    MakeParentDirectory(FIniFileName);
    Ini(FIniFileName).WriteString(Section, PasswordKey, value.toStdString());
}

void TPasswordProtection::HashClearTextPassword(const QString &stored) {
    if (!PasswordNeedsHashing(stored)) return;
    try {
        WriteStoredValue(HashPassword(stored));
    } catch (const std::exception &) {
        // Access was granted all the same; the next successful check tries again.
    }
}

bool TPasswordProtection::ProtectionChecked() const {
    return FSifreChk ? FSifreChk->isChecked() : FChecked;
}

bool TPasswordProtection::ProtectionEnabled() const {
    return FSifreChk ? FSifreChk->isEnabled() : FEnabled;
}

void TPasswordProtection::SetChecked(bool checked) {
    FChecked = checked;
    if (FSifreChk) FSifreChk->setChecked(checked);
}

void TPasswordProtection::SetEnabled(bool enabled) {
    FEnabled = enabled;
    if (FSifreChk) FSifreChk->setEnabled(enabled);
}

void TPasswordProtection::LoadProtectionState() {
    SetChecked(ReadProtectionActive());
    SetEnabled(!ReadStoredPassword().isEmpty());
}

void TPasswordProtection::SaveProtectionState() {
    WriteProtectionActive(ProtectionChecked());
}

bool TPasswordProtection::CheckPassword(bool AtStartup) {
    if (AtStartup && !ReadProtectionActive()) return true;
    // Created for this one question and freed after it, so the box starts empty.
    TGetPassWdFrm dialog;
    const QString stored = ReadStoredPassword();
    if (!dialog.Execute(stored)) return false;
    HashClearTextPassword(stored);
    return true;
}

void TPasswordProtection::ChangePasswdBtnClick() {
    const QString current = ReadStoredPassword();
    TPassWdFrm *frm = ChangePasswordDialog();
    if (!frm->Execute(current)) return;
    // The old password was typed: one stored in clear text is hashed now,
    // whether or not a new one follows.
    HashClearTextPassword(current);
    if (MessageDlg(QString::fromUtf8("Şu anki şifreyi değiştirmek istiyor musunuz?"), mtConfirmation,
                   mbYes | mbNo) != mrYes)
        return;
    // A failure raises here and leaves the box as it was.
    WriteStoredPassword(frm->NewPassword());
    SifreChkDetached([this] {
        SetEnabled(true);
        SetChecked(true);
    });
}

void TPasswordProtection::SifreChkClick() {
    if (CheckPassword(false)) return;
    // Refused: put the box back as it was before the click.
    SifreChkDetached([this] { SetChecked(!ProtectionChecked()); });
}

void TPasswordProtection::SetSifreChk(QCheckBox *box) {
    DetachSifreChkClick();
    FSifreChk = box;
    if (box) {
        box->setChecked(FChecked);
        box->setEnabled(FEnabled);
    }
    AttachSifreChkClick();
}

void TPasswordProtection::DetachSifreChkClick() {
    if (FSifreChkClick) QObject::disconnect(FSifreChkClick);
    FSifreChkClick = {};
}

void TPasswordProtection::AttachSifreChkClick() {
    if (!FSifreChk || FSifreChkClick) return;
    // toggled, not clicked: a change made by code runs the handler as a click does.
    FSifreChkClick = QObject::connect(FSifreChk.data(), &QCheckBox::toggled, FSifreChk.data(),
                                      [this] { Application().Guard([this] { SifreChkClick(); }); });
}

void TPasswordProtection::SetPassWdFrm(TPassWdFrm *frm) {
    FPassWdFrm = frm;
}

TPassWdFrm *TPasswordProtection::ChangePasswordDialog() {
    if (FPassWdFrm) return FPassWdFrm;
    if (!FOwnPassWdFrm) FOwnPassWdFrm = std::make_unique<TPassWdFrm>();
    return FOwnPassWdFrm.get();
}

bool PasswordGate(TPasswordProtection &protection) {
    return protection.CheckPassword(true);
}
