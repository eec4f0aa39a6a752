#include "initestutil.h"
#include "platform/ini/inifile.h"

#include <climits>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kadrolin;
using namespace std::string_literals;

namespace {

mode_t ModeOf(const std::string &path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    return st.st_mode & 07777;
}

TEST(IniWrite, NewFileBytesOnDisk) {
    TTempDir dir;
    const std::string path = dir.File("Tarvlon.ini");
    TIniFile ini(path);
    ini.WriteBool("Seçim", "CRBox", true);
    ini.WriteBool("Seçim", "CRBBox", false);
    ini.WriteInteger("Zemin", "Renk", -16777211);
    // "Seçim" is 53 65 E7 69 6D on disk.
    EXPECT_EQ(ReadBytes(path), "[Se\xE7im]\r\nCRBox=1\r\nCRBBox=0\r\n\r\n[Zemin]\r\nRenk=-16777211\r\n");
}

TEST(IniWrite, ValuesReadBackUnchanged) {
    const std::string cases[] = {
        "",           "plain",          " lead",   "trail ",   "  both  ", "\tTab",
        "\"quoted\"", "'single'",       "\"half",  "mixed\"'", "a=b=c",    "; semi",
        "[x]",        "Şifre ğüşiöçİı", "€ “x” —", "\"",       "''",       std::string(2047, 'z'),
    };
    TTempDir dir;
    TIniFile ini(dir.File("t.ini"));
    for (const auto &v : cases) {
        ini.WriteString("Tarvelion 2.1", "SSifre", v);
        EXPECT_EQ(ini.ReadString("Tarvelion 2.1", "SSifre", "default"), v) << "[" << v << "]";
    }
    // Longer values are stored whole but read back through the buffer.
    const std::string long3000 = std::string(2000, 'a') + std::string(1000, 'b');
    ini.WriteString("S", "Long", long3000);
    EXPECT_NE(ReadBytes(dir.File("t.ini")).find(long3000), std::string::npos);
    EXPECT_EQ(ini.ReadString("S", "Long", ""), long3000.substr(0, 2047));
    // A character the code page lacks is stored as "?".
    ini.WriteString("S", "Greek", "αβ");
    EXPECT_EQ(ini.ReadString("S", "Greek", ""), "??");
}

TEST(IniWrite, IntegersAndBooleansAsText) {
    struct TCase {
        int32_t Value;
        const char *Text;
    };
    const TCase cases[] = {{0, "0"},
                           {255, "255"},
                           {-1, "-1"},
                           {-16777211, "-16777211"},
                           {INT32_MAX, "2147483647"},
                           {INT32_MIN, "-2147483648"}};
    TTempDir dir;
    TIniFile ini(dir.File("t.ini"));
    for (const auto &c : cases) {
        ini.WriteInteger("S", "I", c.Value);
        EXPECT_EQ(ini.ReadString("S", "I", ""), c.Text);
        EXPECT_EQ(ini.ReadInteger("S", "I", 12345), c.Value);
    }
    ini.WriteBool("S", "B", true);
    EXPECT_EQ(ini.ReadString("S", "B", ""), "1");
    ini.WriteBool("S", "B", false);
    EXPECT_EQ(ini.ReadString("S", "B", ""), "0");
}

// A write changes one line, or adds one where it belongs, and keeps every
// other byte: comments, other sections, line-end style, a missing final newline.
TEST(IniWrite, KeepsTheRestOfTheFile) {
    struct TCase {
        const char *Name;
        std::string Before;
        const char *Section;
        const char *Key;
        const char *Value;
        std::string After;
    };
    const TCase cases[] = {
        {"replace, LF", "; top\n[A]\nx = 1 \nK=old\ny=2\n[B]\nK=b\n", "a", "k", "new",
         "; top\n[A]\nx = 1 \nK=new\ny=2\n[B]\nK=b\n"},
        {"replace keeps the spelling of the key", "[A]\r\n  kEy  =  old  \r\n", "A", "KEY", "v",
         "[A]\r\nkEy=v\r\n"},
        {"add after the last key, CRLF", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", "A", "K", "v",
         "[A]\r\nx=1\r\nK=v\r\n\r\n[B]\r\ny=2\r\n"},
        {"a comment heading the next section stays with it", "[A]\nx=1\n; about B\n[B]\n", "A", "K", "v",
         "[A]\nx=1\nK=v\n; about B\n[B]\n"},
        {"add to a section with no keys", "[A]\n\n[B]\ny=1\n", "A", "K", "v", "[A]\nK=v\n\n[B]\ny=1\n"},
        {"add, no final newline", "[A]\nx=1", "A", "K", "v", "[A]\nx=1\nK=v\n"},
        {"replace last line, no final newline", "[A]\r\nK=1", "A", "K", "2", "[A]\r\nK=2"},
        {"new section, no final newline", "[A]\nx=1", "B", "K", "v", "[A]\nx=1\n\n[B]\nK=v\n"},
        {"new section after a blank line", "[A]\nx=1\n\n", "B", "K", "v", "[A]\nx=1\n\n[B]\nK=v\n"},
        {"new section in an empty file", "", "B", "K", "v", "[B]\r\nK=v\r\n"},
        {"key before any section stays", "K=top\n[A]\nx=1\n", "A", "K", "v", "K=top\n[A]\nx=1\nK=v\n"},
        {"duplicate keys: the first one", "[A]\nK=1\nK=2\n", "A", "K", "9", "[A]\nK=9\nK=2\n"},
        {"duplicate sections: the key where it is", "[A]\nx=1\n[B]\n[a]\nK=1\n", "A", "K", "9",
         "[A]\nx=1\n[B]\n[a]\nK=9\n"},
        {"duplicate sections: new key into the first", "[A]\nx=1\n[B]\n[A]\ny=1\n", "A", "K", "9",
         "[A]\nx=1\nK=9\n[B]\n[A]\ny=1\n"},
        {"byte order mark kept", "\xEF\xBB\xBF[A]\nx=1\n", "A", "x", "2", "\xEF\xBB\xBF[A]\nx=2\n"},
        {"stray bytes kept", "[A]\n\x81\x8D\x00\xFF\n"s, "A", "K", "v", "[A]\nK=v\n\x81\x8D\x00\xFF\n"s},
        {"quoted when blanks around", "[A]\nK=x\n", "A", "K", " p ", "[A]\nK=\" p \"\n"},
    };
    TTempDir dir;
    const std::string path = dir.File("t.ini");
    TIniFile ini(path);
    for (const auto &c : cases) {
        WriteBytes(path, c.Before);
        ini.WriteString(c.Section, c.Key, c.Value);
        EXPECT_EQ(ReadBytes(path), c.After) << c.Name;
        EXPECT_EQ(ini.ReadString(c.Section, c.Key, "-"), c.Value) << c.Name;
    }
}

TEST(IniWrite, StoredSettingsFileKeepsOtherSections) {
    TTempDir dir;
    const std::string path = dir.File("Tarvlon.ini");
    std::filesystem::copy_file(KADROLIN_FIXTURES "/ini/tarvlon-crlf.ini", path);
    const std::string before = ReadBytes(path);
    TIniFile ini(path);
    ini.WriteInteger("Zemin", "Renk", 255);
    std::string expected = before;
    expected.replace(expected.find("Renk=$FF"), 8, "Renk=255");
    EXPECT_EQ(ReadBytes(path), expected);
}

// Every write fails the same way and leaves the file and directory as they were.
TEST(IniWrite, FailuresLeaveEverythingAsItWas) {
    TTempDir dir;
    std::filesystem::create_directory(dir.File("adir"));
    const std::string readOnly = dir.File("readonly.ini");
    WriteBytes(readOnly, "[A]\r\nK=1\r\n");
    ::chmod(readOnly.c_str(), 0444);

    struct TCase {
        const char *Name;
        std::string Path;
    };
    const TCase cases[] = {
        {"read-only file", readOnly},
        {"path is a directory", dir.File("adir")},
        {"directory missing", dir.File("nodir/win.ini")},
        {"path under a file", readOnly + "/win.ini"},
        {"file in /proc", "/proc/version"},
        {"directory in /proc", "/proc/self/win.ini"},
    };
    const size_t entries = dir.EntryCount();
    for (const auto &c : cases) {
        TIniFile ini(c.Path);
        try {
            ini.WriteInteger("A", "K", 2);
            ADD_FAILURE() << c.Name << ": no error";
        } catch (const TIniWriteError &e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + c.Path) << c.Name;
            EXPECT_EQ(e.FileName(), c.Path);
        }
    }
    EXPECT_EQ(ReadBytes(readOnly), "[A]\r\nK=1\r\n");
    EXPECT_EQ(ModeOf(readOnly), 0444u);
    EXPECT_EQ(dir.EntryCount(), entries); // no temporary file left behind
}

// A disk that fills up half-way through the new file: the old file stays whole.
TEST(IniWrite, FullDiskLeavesTheOldFile) {
    TTempDir dir;
    const std::string path = dir.File("t.ini");
    const std::string before = "[A]\r\nK=1\r\n[B]\r\nx=" + std::string(1000, 'x') + "\r\n";
    WriteBytes(path, before);
    const size_t entries = dir.EntryCount();

    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 2048;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool threw = false;
    try {
        TIniFile(path).WriteString("A", "K", std::string(3000, 'v'));
    } catch (const TIniWriteError &) {
        threw = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(threw);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(dir.EntryCount(), entries);
}

TEST(IniWrite, TextThatCannotBeOneLineIsRefused) {
    struct TCase {
        const char *Name;
        std::string Section;
        std::string Key;
        std::string Value;
    };
    const TCase cases[] = {
        {"line break in value", "A", "K", "a\nb"},
        {"CR in value", "A", "K", "a\rb"},
        {"NUL in value", "A", "K", "a\0b"s},
        {"empty key", "A", " ", "v"},
        {"= in key", "A", "K=1", "v"},
        {"key like a section", "A", "[K]", "v"},
        {"key like a comment", "A", ";K", "v"},
        {"empty section", "", "K", "v"},
        {"] in section", "A]B", "K", "v"},
        {"line break in section", "A\nB", "K", "v"},
    };
    TTempDir dir;
    const std::string path = dir.File("t.ini");
    WriteBytes(path, "[A]\nK=1\n");
    TIniFile ini(path);
    for (const auto &c : cases) {
        EXPECT_THROW(ini.WriteString(c.Section, c.Key, c.Value), TIniWriteError) << c.Name;
        EXPECT_EQ(ReadBytes(path), "[A]\nK=1\n") << c.Name;
    }
}

TEST(IniWrite, PermissionsOfTheFile) {
    TTempDir dir;
    struct TCase {
        const char *Name;
        int ExistingMode; // -1: no file yet
        TIniFileAccess Access;
        mode_t Umask;
        mode_t Expected;
    };
    constexpr auto Shared = TIniFileAccess::Shared;
    constexpr auto OwnerOnly = TIniFileAccess::OwnerOnly;
    const TCase cases[] = {
        {"shared: existing 0600 stays", 0600, Shared, 022, 0600},
        {"shared: existing 0644 stays", 0644, Shared, 022, 0644},
        {"shared: new through the umask", -1, Shared, 022, 0644},
        {"owner-only: existing 0644 tightened", 0644, OwnerOnly, 022, 0600},
        {"owner-only: existing 0640 tightened", 0640, OwnerOnly, 0, 0600},
        {"owner-only: new with an open umask", -1, OwnerOnly, 0, 0600},
        {"owner-only: new with a strict umask", -1, OwnerOnly, 0277, 0600},
    };
    int n = 0;
    for (const auto &c : cases) {
        const std::string path = dir.File("f" + std::to_string(n++) + ".ini");
        if (c.ExistingMode >= 0) {
            WriteBytes(path, "[A]\nx=1\n");
            ::chmod(path.c_str(), static_cast<mode_t>(c.ExistingMode));
        }
        const mode_t before = ::umask(c.Umask);
        TIniFile(path, c.Access).WriteString("Tarvelion 2.1", "SSifre", "gizli");
        ::umask(before);
        EXPECT_EQ(ModeOf(path), c.Expected) << c.Name;
    }
}

TEST(IniWrite, StaleTemporaryFilesOfOursAreRemoved) {
    TTempDir dir;
    // A process that has ended: its temporary files can never be finished.
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const std::string dead = std::to_string(gone);
    const std::string live = std::to_string(::getppid());
    struct TCase {
        std::string Name;
        bool Removed;
    } cases[] = {
        {".Tarvlon.ini.tmp" + dead + "-0-123456", true},
        {".Tarvlon.ini.tmp" + dead + "-17-9", true},
        {".Tarvlon.ini.tmp" + live + "-0-1", false}, // another write may be under way
        {".Other.ini.tmp" + dead + "-0-1", false},   // beside another file
        {".Tarvlon.ini.tmp" + dead, false},          // not a name we make
        {".Tarvlon.ini.tmpx-0-1", false},
        {"Tarvlon.ini.tmp" + dead + "-0-1", false},
    };
    for (const auto &c : cases)
        WriteBytes(dir.File(c.Name), "[Zemin]\nRenk=1\n");
    TIniFile(dir.File("Tarvlon.ini")).WriteInteger("Zemin", "Renk", 255);
    for (const auto &c : cases)
        EXPECT_EQ(!std::filesystem::exists(dir.File(c.Name)), c.Removed) << c.Name;
    EXPECT_EQ(ReadBytes(dir.File("Tarvlon.ini")), "[Zemin]\r\nRenk=255\r\n");
}

TEST(IniWrite, ThroughASymbolicLinkTheTargetChanges) {
    TTempDir dir;
    WriteBytes(dir.File("real.ini"), "[A]\nK=1\n");
    std::filesystem::create_symlink("real.ini", dir.File("link.ini"));
    TIniFile(dir.File("link.ini")).WriteInteger("A", "K", 2);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.ini")));
    EXPECT_EQ(ReadBytes(dir.File("real.ini")), "[A]\nK=2\n");
}

TEST(IniWrite, NothingIsCached) {
    TTempDir dir;
    const std::string path = dir.File("win.ini");
    TIniFile a(path);
    TIniFile b(path);
    EXPECT_FALSE(b.ReadBool("Tarvelion 2.1", "Active", false));
    a.WriteBool("Tarvelion 2.1", "Active", true);
    EXPECT_TRUE(b.ReadBool("Tarvelion 2.1", "Active", false));
    WriteBytes(path, "[Tarvelion 2.1]\nActive=0\n"); // changed behind our back
    EXPECT_FALSE(a.ReadBool("Tarvelion 2.1", "Active", true));
    b.WriteString("Tarvelion 2.1", "SSifre", "");
    EXPECT_EQ(a.ReadString("Tarvelion 2.1", "SSifre", "x"), "");
    EXPECT_EQ(ReadBytes(path), "[Tarvelion 2.1]\nActive=0\nSSifre=\n");
}

} // namespace
