// The protection flag and the password in "win.ini": what other
// installations' files read as, what is written, and failed writes.
#include "security/passwordhash.h"
#include "security/passwordprotection.h"
#include "securitytestutil.h"

#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

unsigned Mode(const QString &path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return 0;
    return st.st_mode & 07777;
}

TEST(PasswordStore, ReadsWhatFilesHoldAndNeverFails) {
    struct Case {
        const char *name;
        std::optional<std::string> file; // nothing: no file
        bool active;
        const char *password; // UTF-8
    } cases[] = {
        {"no file", std::nullopt, false, ""},
        {"no section", "[Other]\r\nActive=1\r\nSSifre=x\r\n", false, ""},
        {"on, no password", "[Tarvelion 2.1]\r\nActive=1\r\n", true, ""},
        {"on, empty password", "[Tarvelion 2.1]\r\nActive=1\r\nSSifre=\r\n", true, ""},
        {"off", "[Tarvelion 2.1]\r\nActive=0\r\nSSifre=abc\r\n", false, "abc"},
        {"yes is not a number", "[Tarvelion 2.1]\r\nActive=yes\r\nSSifre=abc\r\n", false, "abc"},
        {"any other integer is on", "[Tarvelion 2.1]\r\nActive=-2\r\n", true, ""},
        {"hexadecimal", "[Tarvelion 2.1]\r\nActive=0x10\r\n", true, ""},
        {"names ignore case", "[TARVELION 2.1]\r\nactive=1\r\nssifre=Gizli\r\n", true, "Gizli"},
        {"code page 1254", "[Tarvelion 2.1]\r\nSSifre=\xDE\xFE\xD0\xF0\xDD\xFD\r\n", false, "ŞşĞğİı"},
        {"longer than the change box allows", "[Tarvelion 2.1]\r\nSSifre=abcdefghijklmnopqrst\r\n", false,
         "abcdefghijklmnopqrst"},
        {"binary",
         std::string("\x00\xff\x13[Tarvelion\x00 2.1]\x01"
                     "Active=1",
                     28),
         false, ""},
    };
    for (const auto &c : cases) {
        TTempIni ini;
        if (c.file) ini.Write(*c.file);
        TPasswordProtection p(ini.Path);
        EXPECT_EQ(p.ReadProtectionActive(), c.active) << c.name;
        EXPECT_EQ(p.ReadStoredPassword(), QString::fromUtf8(c.password)) << c.name;
        p.LoadProtectionState();
        EXPECT_EQ(p.ProtectionChecked(), c.active) << c.name;
        EXPECT_EQ(p.ProtectionEnabled(), *c.password != 0) << c.name;
    }
    // A directory where the file should be reads as nothing stored.
    TTempIni ini;
    QDir().mkpath(ini.Path);
    TPasswordProtection p(ini.Path);
    EXPECT_FALSE(p.ReadProtectionActive());
    EXPECT_EQ(p.ReadStoredPassword(), "");
}

TEST(PasswordStore, PasswordsAreStoredAsHashesThatMatchOnlyThemselves) {
    const char *passwords[] = {" a b ", "\"q\"=;[x]", "Şifre Ğüİ€", "abcdefghij1234567890"};
    for (const char *pw : passwords) {
        TTempIni ini;
        TPasswordProtection p(ini.Path);
        p.WriteStoredPassword(QString::fromUtf8(pw));
        const QString stored = p.ReadStoredPassword();
        EXPECT_TRUE(IsPasswordHash(stored)) << pw;
        EXPECT_TRUE(PasswordMatches(stored, QString::fromUtf8(pw))) << pw;
        EXPECT_FALSE(PasswordMatches(stored, QString::fromUtf8(pw) + " ")) << pw;
        EXPECT_FALSE(PasswordMatches(stored, QString::fromUtf8(pw).toUpper())) << pw;
        EXPECT_EQ(ini.Bytes().find(QString::fromUtf8(pw).toStdString()), std::string::npos) << pw;
        EXPECT_FALSE(p.ReadProtectionActive()) << pw; // the flag is a key of its own
    }
    // Two stores of one password differ (salted); an empty one stays empty.
    TTempIni a, b;
    TPasswordProtection(a.Path).WriteStoredPassword("abc");
    TPasswordProtection(b.Path).WriteStoredPassword("abc");
    EXPECT_NE(a.Bytes(), b.Bytes());
    TPasswordProtection(a.Path).WriteStoredPassword("");
    EXPECT_EQ(a.Bytes(), "[Tarvelion 2.1]\r\nSSifre=\r\n");
    // Clear text an older version stored is compared byte for byte, and a
    // value that only looks like a hash is someone's clear text.
    EXPECT_TRUE(PasswordMatches("Gizli", "Gizli"));
    EXPECT_FALSE(PasswordMatches("Gizli", "gizli"));
    EXPECT_FALSE(IsPasswordHash("$argon2id$x"));
    EXPECT_TRUE(PasswordMatches("$argon2id$x", "$argon2id$x"));
    // On disk: the designed section and keys.
    TTempIni ini;
    TPasswordProtection p(ini.Path);
    p.WriteStoredPassword(QString::fromUtf8("Şğ"));
    p.WriteProtectionActive(true);
    EXPECT_NE(ini.Bytes().find("[Tarvelion 2.1]"), std::string::npos);
    EXPECT_NE(ini.Bytes().find("SSifre=$argon2id$"), std::string::npos);
    EXPECT_NE(ini.Bytes().find("Active=1"), std::string::npos);
    p.WriteProtectionActive(false);
    EXPECT_NE(ini.Bytes().find("Active=0"), std::string::npos);
    EXPECT_FALSE(p.ReadProtectionActive());
}

TEST(PasswordStore, EveryWriteLeavesTheFileOwnerOnly) {
    struct Case {
        const char *name;
        unsigned before; // 0: no file
        unsigned after;
    } cases[] = {{"new", 0, 0600},
                 {"owner only", 0600, 0600},
                 {"shared read", 0644, 0600},
                 {"group read", 0640, 0600}};
    for (const auto &c : cases) {
        TTempIni ini;
        if (c.before) {
            ini.Write("[Windows]\r\nload=\r\n");
            ::chmod(QFile::encodeName(ini.Path).constData(), c.before);
        }
        TPasswordProtection p(ini.Path);
        p.WriteStoredPassword("x");
        p.WriteProtectionActive(true);
        EXPECT_EQ(Mode(ini.Path), c.after) << c.name;
        if (c.before) {
            EXPECT_NE(ini.Bytes().find("[Windows]"), std::string::npos) << c.name; // other sections kept
        }
    }
}

TEST(PasswordStore, FailedWritesSayWhatFailedAndKeepTheOldValues) {
    TTempIni ini;
    ini.Write("[Tarvelion 2.1]\r\nActive=0\r\nSSifre=eski\r\n");
    ::chmod(QFile::encodeName(ini.Path).constData(), 0400);
    TPasswordProtection p(ini.Path);
    struct Case {
        const char *name;
        std::function<void()> write;
        const char *message; // prefix
    } cases[] = {
        {"password", [&] { p.WriteStoredPassword("yeni"); }, "Şifre yazılamadı"},
        {"flag", [&] { p.WriteProtectionActive(true); }, "Unable to write to "},
    };
    for (const auto &c : cases) {
        try {
            c.write();
            ADD_FAILURE() << c.name << " did not fail";
        } catch (const std::exception &e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << c.name << ": " << e.what();
        }
    }
    EXPECT_EQ(p.ReadStoredPassword(), "eski");
    EXPECT_FALSE(p.ReadProtectionActive());

    // A character the code page lacks would be stored as "?": refused, nothing written.
    TTempIni fresh;
    TPasswordProtection q(fresh.Path);
    EXPECT_THROW(q.WriteStoredPassword(QString::fromUtf8("日本")), std::runtime_error);
    EXPECT_EQ(fresh.Bytes(), "<missing>");
}

} // namespace
