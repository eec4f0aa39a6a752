#include "initestutil.h"
#include "platform/ini/inifile.h"

#include <climits>
#include <sys/stat.h>

using namespace kadrolin;
using namespace std::string_literals;

namespace {

// One key "[S]\r\nK=<raw>\r\n" read back through the integer reader.
TEST(IniReadInteger, ValueForms) {
    struct TCase {
        const char *Raw;
        int32_t Expected;
    };
    constexpr int32_t D = 77; // the caller's default
    const TCase cases[] = {
        {"255", 255},
        {"0xFF", 255},
        {"0XfF", 255},
        {"$FF", 255},
        {"$ff", 255},
        {"-16777211", -16777211},
        {"-16777208", -16777208},
        {"$FF000005", -16777211}, // a system colour written in hexadecimal
        {"0xFFFFFFFF", -1},
        {"0x100000000", D},
        {"0x0000000000FF", 255},
        {"-0x10", -16},
        {"2147483647", INT32_MAX},
        {"2147483648", D},
        {"-2147483648", INT32_MIN},
        {"-2147483649", D},
        {"99999999999999999999", D},
        {"007", 7},
        {"-5", -5},
        {"+5", 5},
        {" 12", 12}, // blanks around a value are not part of it
        {"12 ", 12},
        {"'12'", 12}, // nor are surrounding quotes
        {"\" 12\"", D},
        {"12abc", D}, // only a whole number counts
        {"1.5", D},
        {"1e3", D},
        {"0x", D},
        {"$", D},
        {"-", D},
        {"--5", D},
        {"0x1G", D},
        {"0x-5", D},
        {"", D},
        {"yes", D},
        {"clRed", D},
    };
    TTempDir dir;
    const std::string path = dir.File("t.ini");
    TIniFile ini(path);
    for (const auto &c : cases) {
        WriteBytes(path, std::string("[S]\r\nK=") + c.Raw + "\r\n");
        EXPECT_EQ(ini.ReadInteger("S", "K", D), c.Expected) << "value \"" << c.Raw << "\"";
    }
    EXPECT_EQ(ini.ReadInteger("S", "Missing", D), D);
    EXPECT_EQ(ini.ReadInteger("Missing", "K", D), D);
}

TEST(IniReadBool, ValueForms) {
    struct TCase {
        const char *Raw; // nullptr: key absent
        bool WhenDefaultFalse;
        bool WhenDefaultTrue;
    };
    const TCase cases[] = {
        {"1", true, true},     {"0", false, false},    {"2", true, true},    {"-1", true, true},
        {"0x0", false, false}, {"$10", true, true},    {"yes", false, true}, {"true", false, true},
        {"", false, true},     {nullptr, false, true},
    };
    TTempDir dir;
    const std::string path = dir.File("t.ini");
    TIniFile ini(path);
    for (const auto &c : cases) {
        WriteBytes(path, c.Raw ? std::string("[S]\nB=") + c.Raw + "\n" : std::string("[S]\nOther=1\n"));
        const char *shown = c.Raw ? c.Raw : "(absent)";
        EXPECT_EQ(ini.ReadBool("S", "B", false), c.WhenDefaultFalse) << shown;
        EXPECT_EQ(ini.ReadBool("S", "B", true), c.WhenDefaultTrue) << shown;
    }
}

TEST(IniReadString, ValueForms) {
    struct TCase {
        std::string Line; // the key's line as it stands in the file
        const char *Expected;
    };
    const TCase cases[] = {
        {"K=abc", "abc"},
        {"K =  abc \t", "abc"},
        {"  k\t= abc", "abc"},
        {"K=\"abc\"", "abc"},
        {"K='abc'", "abc"},
        {"K=\" abc \"", " abc "},
        {"K=\"\"", ""},
        {"K=\"abc'", "\"abc'"},
        {"K=\"", "\""},
        {"K=\"\"x\"\"", "\"x\""},
        {"K=a=b=c", "a=b=c"},
        {"K=x ; not a comment", "x ; not a comment"},
        {"K=", ""},
        {"K=tab\tinside", "tab\tinside"},
        {"K=\xDE\x69\x66re \xE7\xF0\xFD\xFC", "Şifre çğıü"},
        {"K=ab\0cd"s, "ab"}, // cut at a NUL as the old C buffer was
    };
    TTempDir dir;
    const std::string path = dir.File("t.ini");
    TIniFile ini(path);
    for (const auto &c : cases) {
        WriteBytes(path, "[S]\n" + c.Line + "\n");
        EXPECT_EQ(ini.ReadString("S", "K", "default"), c.Expected) << c.Line;
    }
    WriteBytes(path, "[S]\nOther=1\n");
    EXPECT_EQ(ini.ReadString("S", "K", "default"), "default");
    EXPECT_EQ(ini.ReadString("S", "K", ""), "");
}

TEST(IniReadString, LongValuesComeBackThroughTheBuffer) {
    TTempDir dir;
    const std::string path = dir.File("t.ini");
    TIniFile ini(path);
    struct TCase {
        size_t Length;
        unsigned char Byte;
    };
    const TCase cases[] = {{2046, 'a'}, {2047, 'a'}, {2048, 'a'}, {3000, 'x'}, {3000, 0xE7}};
    for (const auto &c : cases) {
        WriteBytes(path, "[S]\r\nK=" + std::string(c.Length, static_cast<char>(c.Byte)) + "\r\n");
        const std::string got = ini.ReadString("S", "K", "");
        const std::string one = c.Byte == 0xE7 ? std::string("ç") : std::string(1, static_cast<char>(c.Byte));
        std::string want;
        for (size_t i = 0; i < std::min<size_t>(c.Length, 2047); ++i)
            want += one;
        EXPECT_EQ(got, want) << c.Length;
    }
}

TEST(IniNames, MatchWithoutRegardToCase) {
    TTempDir dir;
    const std::string path = dir.File("t.ini");
    // "[SEÇİM]" and "[TARVELION 2.1]" in code page 1254.
    WriteBytes(path,
               "[SE\xC7\xDDM]\ncrbox=1\n[ TARVELION 2.1 ]\nactive = 1\nssifre=gizli\n[Zemin]\nRENK=255\n");
    TIniFile ini(path);
    struct TCase {
        const char *Section;
        const char *Key;
        const char *Expected;
    };
    const TCase cases[] = {
        {"Seçim", "CRBox", "1"},
        {"seçim", "CRBOX", "1"},
        {"SEÇIM", "crBox", "1"},
        {"Tarvelion 2.1", "Active", "1"},
        {"tarvelion 2.1", "SSifre", "gizli"},
        {"zemin", "renk", "255"},
        {"Secim", "CRBox", "-"},
        {"Zemin ", " Renk", "255"},
        {"Tarvelion", "Active", "-"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ini.ReadString(c.Section, c.Key, "-"), c.Expected) << c.Section << "/" << c.Key;
    EXPECT_TRUE(ini.SectionExists("SEÇİM"));
    EXPECT_FALSE(ini.SectionExists("Resim"));
    EXPECT_TRUE(ini.ValueExists("zemin", "Renk"));
    EXPECT_FALSE(ini.ValueExists("zemin", "Boyut"));
}

// Keys before any section, duplicates, comments and junk around the keys.
TEST(IniStructure, FirstMatchWinsAndJunkIsIgnored) {
    TTempDir dir;
    const std::string path = dir.File("t.ini");
    WriteBytes(path,
               "Renk=1\n" // before any section: belongs to none
               "[Zemin\n" // unclosed header: not a section
               "[Zemin]\n"
               "Renk\n"     // no "=": not a key
               "=5\n"       // no name: not a key
               "; Renk=2\n" // comment
               "Renk=3\n"
               "renk=4\n" // a second key of that name
               "[Baslik]\n"
               "Renk=6\n"
               "[ZEMIN]\n" // the section again
               "Renk=7\n"
               "Boyut=8\n"
               "\x01\x02\xFF\xFE garbage without equals\n"
               "[\0]\n"s);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Zemin", "Renk", -1), 3);
    EXPECT_EQ(ini.ReadInteger("Zemin", "Boyut", -1), 8); // found in the repeated section
    EXPECT_EQ(ini.ReadInteger("Baslik", "Renk", -1), 6);
    EXPECT_EQ(ini.ReadInteger("", "Renk", -1), -1);
    EXPECT_EQ(ini.ReadInteger("Zemin", "; Renk", -1), -1);
}

TEST(IniFiles, LineEndsAndUnusualFilesReadWithoutCrash) {
    TTempDir dir;
    struct TCase {
        const char *Name;
        std::string Bytes;
        int32_t Expected;
    };
    const TCase cases[] = {
        {"lf", "[S]\nK=5\n", 5},
        {"crlf", "[S]\r\nK=5\r\n", 5},
        {"no final newline", "[S]\r\nK=5", 5},
        {"cr at end", "[S]\r\nK=5\r", 5},
        {"byte order mark", "\xEF\xBB\xBF[S]\nK=5\n", 5},
        {"empty", "", -1},
        {"only newlines", "\n\r\n\n", -1},
        {"section without keys", "[S]", -1},
        {"nul bytes", "[S]\0\nK=5\n"s, 5},
        {"one long line", std::string(1 << 20, 'x'), -1},
        {"old mac line ends", "[S]\rK=5\r", -1}, // one line: no key
    };
    const std::string path = dir.File("t.ini");
    TIniFile ini(path);
    for (const auto &c : cases) {
        WriteBytes(path, c.Bytes);
        EXPECT_EQ(ini.ReadInteger("S", "K", -1), c.Expected) << c.Name;
    }

    // Random bytes: whatever comes back, nothing crashes and writing still works.
    std::filesystem::copy_file(KADROLIN_FIXTURES "/ini/garbage.bin", dir.File("garbage.ini"));
    TIniFile garbage(dir.File("garbage.ini"));
    EXPECT_EQ(garbage.ReadInteger("Zemin", "Renk", 42), 42);
    EXPECT_EQ(garbage.ReadString("Seçim", "CRBox", "d"), "d");
    garbage.WriteInteger("Zemin", "Renk", 255);
    EXPECT_EQ(garbage.ReadInteger("Zemin", "Renk", 42), 255);
    const std::string after = ReadBytes(dir.File("garbage.ini"));
    EXPECT_EQ(after.substr(0, 8192), ReadBytes(KADROLIN_FIXTURES "/ini/garbage.bin"));
}

TEST(IniFiles, WhatIsNotAReadableFileGivesDefaults) {
    TTempDir dir;
    std::filesystem::create_directory(dir.File("adir"));
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    const std::string paths[] = {dir.File("missing.ini"), dir.File("nodir/x.ini"), dir.File("adir"),
                                 dir.File("fifo"), "/dev/zero"};
    for (const auto &p : paths) {
        TIniFile ini(p);
        EXPECT_EQ(ini.ReadString("S", "K", "d"), "d") << p;
        EXPECT_EQ(ini.ReadInteger("S", "K", 9), 9) << p;
        EXPECT_TRUE(ini.ReadBool("S", "K", true)) << p;
        EXPECT_FALSE(ini.SectionExists("S")) << p;
    }
}

// A settings file as a Windows-era program left it.
TEST(IniFiles, StoredSettingsFile) {
    TIniFile ini(KADROLIN_FIXTURES "/ini/tarvlon-crlf.ini");
    EXPECT_EQ(ini.ReadInteger("Zemin", "Renk", 0), 255);
    EXPECT_EQ(ini.ReadInteger("Baslik", "Renk", 0), -16777208);
    EXPECT_EQ(ini.ReadInteger("Grup", "Renk", 0), 0x00FF00);
    EXPECT_FALSE(ini.ReadBool("Resim", "Renk", false)); // "yes" is not a number
    EXPECT_TRUE(ini.ReadBool("Resim", "Boyut", false));
    EXPECT_TRUE(ini.ReadBool("Seçim", "CRBox", false));
    EXPECT_TRUE(ini.ReadBool("Seçim", "CRBBox", false));
    EXPECT_EQ(ini.ReadString("Zemin", "orphan", "none"), "none");
}

} // namespace
