// Turkish order and Turkish case-insensitive LIKE on the connection.
#include "datatestutil.h"

using namespace kadrolin::data;
using namespace kadrolin::data::testing;

TEST(TurkishLike, MatchesWithTurkishCaseRules) {
    struct Case {
        const char *Pattern, *Text;
        bool Match;
    } cases[] = {
        {"ali%", "Ali Veli", true},
        {"Ali%", "ALİ VELİ", true},
        {"i%", "İnce", true},
        {"i%", "Irmak", false},
        {"ı%", "Irmak", true},
        {"I%", "ılık", true},
        {"İ%", "ince", true},
        {"ş%", "Şule", true},
        {"çiğ%", "ÇİĞDEM", true},
        {"ö%", "Özgür", true},
        {"ü%", "Ünal", true},
        {"ğ", "Ğ", true},
        {"%", "", true},
        {"%", "x", true},
        {"a_i%", "Ali", true},
        {"a_i%", "Ai", false},
        {"%veli", "Ali Veli", true},
        {"%l%v%", "Ali Veli", true},
        {"\"%", "\"Kaan\"", true},
        {"o'%", "O'Brien", true},
        {"ali", "Ali Veli", false},
        {"a%b%c", "aXbYc", true},
        {"a%b%c", "aXbYcZ", false},
        {"â%", "Âli", true},
        {"ali%%", "ALİ", true},
        {"ali%%", "ALI", false},
        {"alı%%", "ALI", true},
        {"Ali%", "Al", false},
        {"%%", "", true},
        {"a%_%", "a", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TurkishLike(c.Pattern, c.Text), c.Match) << c.Pattern << " / " << c.Text;
}

TEST(TurkishLike, EscapeCharacterAndIllFormedText) {
    EXPECT_TRUE(TurkishLike("50\\%%", "50% indirim", U'\\'));
    EXPECT_FALSE(TurkishLike("50\\%%", "500 indirim", U'\\'));
    EXPECT_TRUE(TurkishLike("a\\_b", "a_b", U'\\'));
    EXPECT_FALSE(TurkishLike("a\\_b", "axb", U'\\'));
    // Ill-formed UTF-8 is compared byte for byte, never a crash.
    EXPECT_TRUE(TurkishLike("\xff%", "\xff\xfe"));
    EXPECT_FALSE(TurkishLike("\xfe%", "\xff\xfe"));
}

TEST(TurkishFunctions, CollationSortsInTheTurkishAlphabetAndLikeRunsInStatements) {
    TTempDir dir;
    std::string file = MakePeople(dir, {"Zeki", "Çetin", "Cem", "Ilgaz", "İlker", "Irmak", "Öztürk", "Ozan",
                                        "Şule", "Sema", "Ülkü", "Umut", "Ğ", "Gül", "Hakan", "Demet", "ali"});
    TQuery q;
    q.SetDatabaseName(file);
    q.SetSQL("SELECT * FROM people ORDER BY Name COLLATE TR");
    q.Open();
    std::vector<std::string> expected = {"ali",   "Cem",   "Çetin", "Demet", "Gül",  "Ğ",
                                         "Hakan", "Ilgaz", "Irmak", "İlker", "Ozan", "Öztürk",
                                         "Sema",  "Şule",  "Umut",  "Ülkü",  "Zeki"};
    EXPECT_EQ(Names(q), expected);
    q.Close();
    q.SetSQL("SELECT * FROM people WHERE Name LIKE ?1", {TValue::Text("i%")});
    q.Open();
    EXPECT_EQ(Names(q), std::vector<std::string>{"İlker"});
    q.Close();
    q.SetSQL("SELECT * FROM people WHERE Name LIKE ?1", {TValue::Text("I%")});
    q.Open();
    EXPECT_EQ(Names(q), (std::vector<std::string>{"Ilgaz", "Irmak"}));
}

TEST(TurkishFunctions, SchemaWithoutCollationStaysReadableByPlainConnections) {
    TTempDir dir;
    std::string file = MakePeople(dir, {"Ali"});
    {
        TQuery q;
        q.SetDatabaseName(file);
        q.SetSQL("SELECT * FROM people ORDER BY Name COLLATE TR");
        q.Open();
        q.Edit();
        q.FieldByName("Name").SetAsString("Veli");
        q.Post();
    }
    EXPECT_EQ(RawScalar(file, "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(RawScalar(file, "PRAGMA journal_mode"), "wal");
    RawExec(file, "INSERT INTO people (Name) VALUES ('Ayşe')");
    EXPECT_EQ(RawScalar(file, "SELECT count(*) FROM people"), "2");
}
