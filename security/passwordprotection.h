#pragma once
// Start-up password protection: whether it is on and the password, kept in
// the section "Tarvelion 2.1" of "win.ini"; the check that asks for the
// password; and the password page's handlers (the "Şifre Ata/ Değiştir"
// button and the "Şifre Korumasını Aktifleştir" check box). The settings
// dialog inherits this class and hands it its check box and the
// change-password dialog; on its own it serves the start-up gate.
#include "platform/scopeexit.h"
#include "security/passwdfrm.h"

#include <QCheckBox>
#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <memory>

class TPasswordProtection {
  public:
    static constexpr const char *Section = "Tarvelion 2.1";
    static constexpr const char *ActiveKey = "Active";
    static constexpr const char *PasswordKey = "SSifre";

    // "win.ini" in the user's configuration directory.
    static QString DefaultIniFileName();

    explicit TPasswordProtection(QString iniFileName = DefaultIniFileName());
    virtual ~TPasswordProtection();
    TPasswordProtection(const TPasswordProtection &) = delete;
    TPasswordProtection &operator=(const TPasswordProtection &) = delete;

    const QString &IniFileName() const { return FIniFileName; }

    // The store. Reads never fail: a missing or unreadable file, section or
    // key gives protection off and an empty password. Nothing is cached.
    bool ReadProtectionActive() const;
    // Raises the profile file's "Unable to write to ..." error on failure.
    void WriteProtectionActive(bool active);
    // The stored value: the password's hash, an older version's clear text,
    // or "" for none. Compare typed text with PasswordMatches.
    QString ReadStoredPassword() const;
    // Stores the password's hash ("" stays ""). Raises "Şifre yazılamadı" on
    // failure; the old password stays.
    void WriteStoredPassword(const QString &password);

    // Box ticked <- stored flag; box enabled <- a password is stored. The
    // caller detaches the click handler around it (see SifreChkDetached).
    void LoadProtectionState();
    // Stored flag <- box ticked.
    void SaveProtectionState();
    // True when access is granted: at start-up with protection off without
    // asking; otherwise only after the stored password was typed.
    bool CheckPassword(bool AtStartup);

    // The password page's handlers.
    void ChangePasswdBtnClick();
    void SifreChkClick();

    // The password page's check box (not owned). Setting it attaches
    // SifreChkClick to every change of its state, by the user or by code.
    void SetSifreChk(QCheckBox *box);
    QCheckBox *ProtectionBox() const { return FSifreChk; }
    void DetachSifreChkClick();
    void AttachSifreChkClick();
    // Runs f with the click handler detached, so a change made by code starts
    // no check; the handler is attached again afterwards if it was before.
    template <class F> void SifreChkDetached(F &&f) {
        const kadrolin::TScopeExit reattach([this, was = bool(FSifreChkClick)] {
            if (was) AttachSifreChkClick();
        });
        DetachSifreChkClick();
        f(); // may raise (a failed read or write): the handler comes back all the same
    }

    // The change-password dialog created at start-up (not owned). Without
    // one, the first use creates a dialog of our own.
    void SetPassWdFrm(TPassWdFrm *frm);
    TPassWdFrm *ChangePasswordDialog();

    // The box's state (kept here when there is no box, as for the start-up gate).
    bool ProtectionChecked() const;
    bool ProtectionEnabled() const;

  private:
    void WriteStoredValue(const QString &value);
    // After a successful check: a clear-text password becomes its hash.
    void HashClearTextPassword(const QString &stored);
    void SetChecked(bool checked);
    void SetEnabled(bool enabled);

    QString FIniFileName;
    QPointer<QCheckBox> FSifreChk;
    QMetaObject::Connection FSifreChkClick;
    bool FChecked = false;
    bool FEnabled = false;
    QPointer<TPassWdFrm> FPassWdFrm;
    std::unique_ptr<TPassWdFrm> FOwnPassWdFrm;
};

// The start-up gate: with protection on, asks for the password before any
// window of the register is shown. False means access was refused and the
// program must end without its close-time work.
bool PasswordGate(TPasswordProtection &protection);
