// The password check, the password page's button and check box, and the
// start-up gate, over a real "win.ini" in a temporary directory.
#include "platform/widgets/application.h"
#include "security/passwordhash.h"
#include "security/passwordprotection.h"
#include "securitytestutil.h"

#include <QApplication>
#include <QCheckBox>
#include <QMainWindow>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const char *const On = "[Tarvelion 2.1]\r\nActive=1\r\nSSifre=Gizli\r\n";
const char *const Off = "[Tarvelion 2.1]\r\nActive=0\r\nSSifre=Gizli\r\n";

TEST(CheckPassword, AsksWhenItShould) {
    struct Case {
        const char *name;
        std::optional<std::string> file;
        bool atStartup;
        QStringList attempts;
        bool granted;
        int asked;           // enter-password dialogs shown
        bool hashed = false; // the clear-text password was replaced by its hash
    } cases[] = {
        {"no file at start-up", std::nullopt, true, {}, true, 0},
        {"no section at start-up", "[Windows]\r\n", true, {}, true, 0},
        {"off at start-up", Off, true, {}, true, 0},
        {"on, right password", On, true, {"gizli", "Gizli"}, true, 1, true},
        {"on, cancelled", On, true, {"gizli"}, false, 1},
        {"on, no password: empty entry", "[Tarvelion 2.1]\r\nActive=1\r\n", true, {""}, true, 1},
        {"on, empty password: empty entry",
         "[Tarvelion 2.1]\r\nActive=1\r\nSSifre=\r\n",
         true,
         {""},
         true,
         1},
        {"binary file",
         std::string("\x7f"
                     "ELF\x00\x01\x02",
                     7),
         true,
         {},
         true,
         0},
        {"Active=yes", "[Tarvelion 2.1]\r\nActive=yes\r\nSSifre=x\r\n", true, {}, true, 0},
        // Outside start-up the question comes whether protection is on or off.
        {"off, from the page", Off, false, {"Gizli"}, true, 1, true},
        {"off, from the page, cancelled", Off, false, {}, false, 1},
        {"no file, from the page", std::nullopt, false, {""}, true, 1},
    };
    for (const auto &c : cases) {
        TTempIni ini;
        if (c.file) ini.Write(*c.file);
        TScriptedDialogs dialogs;
        TPasswordUser user;
        user.Attempts = {c.attempts};
        user.Install(dialogs);
        TPasswordProtection p(ini.Path);
        EXPECT_EQ(p.CheckPassword(c.atStartup), c.granted) << c.name;
        EXPECT_EQ(user.EnterDialogs, c.asked) << c.name;
        for (const auto &call : dialogs.Calls()) {
            if (call.Kind == "Modal") {
                EXPECT_EQ(call.DialogName, "GetPassWdFrm") << c.name;
            }
        }
        if (c.hashed) {
            // The first successful check leaves no clear text behind, and the hash works.
            EXPECT_EQ(ini.Bytes().find("Gizli"), std::string::npos) << c.name;
            EXPECT_TRUE(IsPasswordHash(p.ReadStoredPassword())) << c.name;
            EXPECT_TRUE(PasswordMatches(p.ReadStoredPassword(), "Gizli")) << c.name;
            EXPECT_EQ(p.ReadProtectionActive(), c.file == std::optional<std::string>(On)) << c.name;
        } else {
            // Anything else writes nothing.
            EXPECT_EQ(ini.Bytes(), c.file ? *c.file : std::string("<missing>")) << c.name;
        }
    }
}

TEST(CheckPassword, AHashedPasswordMustBeTypedExactly) {
    TTempIni ini;
    TPasswordProtection(ini.Path).WriteStoredPassword(QString::fromUtf8("Şifre 1 "));
    TPasswordProtection(ini.Path).WriteProtectionActive(true);
    struct Case {
        const char *typed;
        bool granted;
    } cases[] = {
        {"Şifre 1 ", true}, {"şifre 1 ", false}, {"Şifre 1", false}, {"", false}, {"Sifre 1 ", false}};
    for (const auto &c : cases) {
        TScriptedDialogs dialogs;
        TPasswordUser user;
        user.Attempts = {{QString::fromUtf8(c.typed)}};
        user.Install(dialogs);
        TPasswordProtection p(ini.Path);
        EXPECT_EQ(p.CheckPassword(true), c.granted) << c.typed;
        EXPECT_EQ(user.Messages.contains(QString::fromUtf8("Geçersiz şifre.")), !c.granted) << c.typed;
    }
}

// The settings dialog's password page as the check box and button see it.
struct TPage {
    TTempIni Ini;
    QWidget Page;
    QCheckBox *SifreChk = new QCheckBox(QString::fromUtf8("Şifre Korumasını Aktifleştir"), &Page);
    TPassWdFrm PassWdFrm;
    std::unique_ptr<TPasswordProtection> P;

    explicit TPage(std::optional<std::string> file) {
        SifreChk->setObjectName("SifreChk");
        if (file) Ini.Write(*file);
        P = std::make_unique<TPasswordProtection>(Ini.Path);
        P->SetSifreChk(SifreChk);
        P->SetPassWdFrm(&PassWdFrm);
        // As at the settings dialog's creation.
        P->SifreChkDetached([&] { P->LoadProtectionState(); });
    }
};

TEST(SifreChk, LoadsTheStoredStateWithoutAsking) {
    struct Case {
        const char *name;
        std::optional<std::string> file;
        bool checked, enabled;
    } cases[] = {
        {"no section", std::nullopt, false, false},
        {"on with password", On, true, true},
        {"off with password", Off, false, true},
        {"on, empty password", "[Tarvelion 2.1]\r\nActive=1\r\nSSifre=\r\n", true, false},
    };
    for (const auto &c : cases) {
        TScriptedDialogs dialogs;
        TPage page(c.file);
        EXPECT_EQ(page.SifreChk->isChecked(), c.checked) << c.name;
        EXPECT_EQ(page.SifreChk->isEnabled(), c.enabled) << c.name;
        EXPECT_TRUE(dialogs.Calls().empty()) << c.name;
    }
}

TEST(SifreChk, TogglingAsksAndAWrongOrCancelledCheckPutsTheBoxBack) {
    struct Case {
        const char *name;
        const char *file;
        QStringList attempts;
        bool checkedAfter;
    } cases[] = {
        {"tick, right password", Off, {"Gizli"}, true},
        {"tick, wrong then cancel", Off, {"x", "gizli"}, false},
        {"tick, cancel", Off, {}, false},
        {"untick, right password", On, {"Gizli"}, false},
        {"untick, cancel", On, {}, true},
    };
    for (const auto &c : cases) {
        TPage page(std::string(c.file));
        TScriptedDialogs dialogs;
        TPasswordUser user;
        user.Attempts = {c.attempts};
        user.Install(dialogs);
        page.SifreChk->click();                    // as the user
        EXPECT_EQ(user.EnterDialogs, 1) << c.name; // the undo asks nothing more
        EXPECT_EQ(page.SifreChk->isChecked(), c.checkedAfter) << c.name;
        // Not stored until the settings dialog's OK.
        EXPECT_EQ(page.P->ReadProtectionActive(), c.file == std::string_view(On)) << c.name;
        // The password was hashed only if it was typed right.
        EXPECT_EQ(IsPasswordHash(page.P->ReadStoredPassword()),
                  c.checkedAfter != (c.file == std::string_view(On)))
            << c.name;
    }
}

TEST(SifreChk, ACodeChangeRunsTheHandlerUnlessDetached) {
    TPage page{std::string(Off)};
    TScriptedDialogs dialogs;
    TPasswordUser user;
    user.Install(dialogs);
    page.P->SifreChkDetached([&] { page.SifreChk->setChecked(true); });
    EXPECT_EQ(user.EnterDialogs, 0);
    page.SifreChk->setChecked(false); // attached: asks, is cancelled, and goes back
    EXPECT_EQ(user.EnterDialogs, 1);
    EXPECT_TRUE(page.SifreChk->isChecked());
    // Nested detaching keeps the handler off until the outer change is done.
    page.P->SifreChkDetached([&] {
        page.P->SifreChkDetached([&] { page.SifreChk->setChecked(false); });
        page.SifreChk->setChecked(true);
    });
    EXPECT_EQ(user.EnterDialogs, 1);
}

TEST(ChangePasswdBtn, StoresOnlyAfterTheDialogAndYes) {
    struct Case {
        const char *name;
        std::optional<std::string> file;
        std::vector<std::pair<QString, QString>> changes; // empty: İptal
        std::vector<int> answers;
        const char *storedAfter;
        bool checked, enabled;
        bool activeWritten;
    } cases[] = {
        {"first password", std::nullopt, {{"", "yeni"}}, {mrYes}, "yeni", true, true, false},
        {"first password, empty", std::nullopt, {{"", ""}}, {mrYes}, "", true, true, false},
        {"change", On, {{"Gizli", "Yeni"}}, {mrYes}, "Yeni", true, true, false},
        {"change, said No", Off, {{"Gizli", "Yeni"}}, {mrNo}, "Gizli", false, true, false},
        {"change cancelled", Off, {}, {}, "Gizli", false, true, false},
        {"wrong old password, then cancelled", Off, {{"gizli", "Yeni"}}, {}, "Gizli", false, true, false},
    };
    for (const auto &c : cases) {
        TPage page(c.file);
        const std::string before = page.Ini.Bytes();
        TScriptedDialogs dialogs;
        TPasswordUser user;
        user.Changes = c.changes;
        user.Answers = c.answers;
        user.Install(dialogs);
        Application().Guard([&] { page.P->ChangePasswdBtnClick(); });
        EXPECT_EQ(user.ChangeDialogs, 1) << c.name;
        EXPECT_EQ(user.EnterDialogs, 0) << c.name; // ticking the box from code asks nothing
        const QString stored = page.P->ReadStoredPassword();
        EXPECT_EQ(stored.isEmpty(), *c.storedAfter == 0) << c.name;
        EXPECT_TRUE(PasswordMatches(stored, QString::fromUtf8(c.storedAfter))) << c.name;
        EXPECT_EQ(page.SifreChk->isChecked(), c.checked) << c.name;
        EXPECT_EQ(page.SifreChk->isEnabled(), c.enabled) << c.name;
        const bool questionAsked =
            user.Messages.contains(QString::fromUtf8("Şu anki şifreyi değiştirmek istiyor musunuz?"));
        EXPECT_EQ(questionAsked, !c.answers.empty()) << c.name;
        // "Active" is left to the settings dialog's OK.
        EXPECT_EQ(page.P->ReadProtectionActive(), c.file == std::optional<std::string>(On)) << c.name;
        // Only a cancelled or failed old-password check leaves the file as it was;
        // after a right one no clear text is left.
        const bool checked = !c.changes.empty() && (!c.file || c.changes[0].first == "Gizli");
        if (!checked) {
            EXPECT_EQ(page.Ini.Bytes(), before) << c.name;
        } else {
            EXPECT_EQ(page.Ini.Bytes().find("Gizli"), std::string::npos) << c.name;
        }
    }
}

TEST(ChangePasswdBtn, EmptyPasswordDisablesTheBoxAtTheNextLoad) {
    TPage page(std::nullopt);
    TScriptedDialogs dialogs;
    TPasswordUser user;
    user.Changes = {{"", ""}};
    user.Answers = {mrYes};
    user.Install(dialogs);
    page.P->ChangePasswdBtnClick();
    EXPECT_TRUE(page.SifreChk->isChecked());
    EXPECT_TRUE(page.SifreChk->isEnabled());
    // The settings dialog's İptal reloads: the password stays, "Active" was never written.
    page.P->SifreChkDetached([&] { page.P->LoadProtectionState(); });
    EXPECT_FALSE(page.SifreChk->isChecked());
    EXPECT_FALSE(page.SifreChk->isEnabled());
    EXPECT_TRUE(page.P->ReadStoredPassword().isEmpty());
    EXPECT_NE(page.Ini.Bytes().find("SSifre="), std::string::npos);
    EXPECT_EQ(page.Ini.Bytes().find("Active"), std::string::npos);
    EXPECT_EQ(user.EnterDialogs, 0);
    // OK stores the tick.
    page.P->SifreChkDetached([&] { page.SifreChk->setChecked(true); });
    page.P->SaveProtectionState();
    EXPECT_TRUE(page.P->ReadProtectionActive());
}

TEST(ChangePasswdBtn, AFailedWriteIsShownAndChangesNothing) {
    TPage page{std::string(Off)};
    ::chmod(QFile::encodeName(page.Ini.Path).constData(), 0400);
    TScriptedDialogs dialogs;
    TPasswordUser user;
    user.Changes = {{"Gizli", "Yeni"}};
    user.Answers = {mrYes};
    user.Install(dialogs);
    // As the button's click handler is entered.
    EXPECT_FALSE(Application().Guard([&] { page.P->ChangePasswdBtnClick(); }));
    ASSERT_FALSE(dialogs.Calls().empty());
    EXPECT_EQ(dialogs.Calls().back().Kind, "Error");
    EXPECT_EQ(dialogs.Calls().back().Text, QString::fromUtf8("Şifre yazılamadı"));
    EXPECT_EQ(page.P->ReadStoredPassword(), "Gizli");
    EXPECT_FALSE(page.SifreChk->isChecked());
}

TEST(ProtectionState, SaveWritesTheBoxAndWithoutABoxWritesBackWhatWasRead) {
    struct Case {
        const char *name;
        std::optional<std::string> file;
        const char *active; // "Active" line after the save
    } cases[] = {
        {"no file", std::nullopt, "Active=0"},
        {"on", On, "Active=1"},
        {"off", Off, "Active=0"},
        {"not a number", "[Tarvelion 2.1]\r\nActive=yes\r\n", "Active=0"},
    };
    for (const auto &c : cases) {
        TTempIni ini;
        if (c.file) ini.Write(*c.file);
        {
            // The start-up gate's own instance: no check box.
            TPasswordProtection p(ini.Path);
            p.LoadProtectionState();
            p.SaveProtectionState();
        }
        EXPECT_NE(ini.Bytes().find(c.active), std::string::npos) << c.name << ": " << ini.Bytes();
    }
}

TEST(PasswordGate, NothingOfTheRegisterIsVisibleWhileAsking) {
    struct Case {
        const char *name;
        const char *file;
        QStringList attempts;
        bool granted;
    } cases[] = {
        {"right password", On, {"Gizli"}, true}, {"refused", On, {"x"}, false}, {"off", Off, {}, true}};
    for (const auto &c : cases) {
        TTempIni ini;
        ini.Write(c.file);
        QMainWindow form1; // created, not yet shown
        form1.setObjectName("Form1");
        TScriptedDialogs dialogs;
        TPasswordUser user;
        user.Attempts = {c.attempts};
        QStringList visibleWhileAsking;
        dialogs.AnswerWith([&](const TDialogCall &call) {
            if (call.Kind == "Modal")
                for (QWidget *w : QApplication::topLevelWidgets())
                    if (w->isVisible()) visibleWhileAsking << w->objectName();
            return user.Answer(call);
        });
        TPasswordProtection protection(ini.Path);
        EXPECT_EQ(PasswordGate(protection), c.granted) << c.name;
        EXPECT_TRUE(visibleWhileAsking.isEmpty())
            << c.name << ": " << visibleWhileAsking.join(",").toStdString();
    }
}

} // namespace
