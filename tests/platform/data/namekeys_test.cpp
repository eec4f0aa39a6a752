// The Turkish name index kept in the file: the same rows and order as the
// ICU statements, kept current whatever program writes the file.
#include "datatestutil.h"
#include "platform/data/namekeys.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdio>
#include <map>

using namespace kadrolin::data;
using namespace kadrolin::data::testing;

namespace {

const TNameIndex kPeople{"people", "Id", "Name"};

// Runs SQL through the standard sqlite3 program, as a user's script would.
void ToolExec(const std::string &file, const std::string &sql, std::string *output = nullptr) {
    std::string script = file + ".sql";
    {
        std::ofstream out(script, std::ios::binary);
        out << sql << "\n";
    }
    std::string cmd = "sqlite3 -bail '" + file + "' < '" + script + "' 2>&1";
    FILE *p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string got;
    char buf[256];
    while (size_t n = fread(buf, 1, sizeof buf, p))
        got.append(buf, n);
    ASSERT_EQ(pclose(p), 0) << got;
    std::remove(script.c_str());
    if (output) *output = got;
}

// The rows as quote(Name) in the given key order.
std::vector<std::string> Shown(TDatabase &db, const std::vector<long long> &keys) {
    std::map<long long, std::string> byKey;
    TStatement st = db.Prepare("SELECT Id, quote(Name) FROM people");
    while (st.Step())
        byKey[st.ColumnInt(0)] = st.Column(1).Bytes;
    std::vector<std::string> out;
    for (long long k : keys)
        out.push_back(byKey.count(k) ? byKey[k] : "<gone " + std::to_string(k) + ">");
    return out;
}

// What the ICU statements give, the reference for every answer of the index.
std::vector<long long> ViaIcu(TDatabase &db, const char *pattern) {
    TStatement st = db.Prepare(pattern ? "SELECT Id FROM people WHERE Name LIKE ?1 ORDER BY Name COLLATE TR"
                                       : "SELECT Id FROM people ORDER BY Name COLLATE TR");
    if (pattern) st.Bind(1, TValue::Text(pattern));
    std::vector<long long> keys;
    while (st.Step())
        keys.push_back(st.ColumnInt(0));
    return keys;
}

void ExpectSameAsIcu(TDatabase &db, std::initializer_list<const char *> patterns) {
    EXPECT_EQ(Shown(db, OrderedKeys(db, kPeople)), Shown(db, ViaIcu(db, nullptr)));
    for (const char *p : patterns)
        EXPECT_EQ(Shown(db, LikeKeys(db, kPeople, p)), Shown(db, ViaIcu(db, p))) << p;
}

} // namespace

TEST(NameIndex, SameRowsAndOrderAsTheTurkishStatements) {
    TTempDir dir;
    std::string file = MakePeople(dir, {"Zeynep",
                                        "Çağrı",
                                        "Ömer",
                                        "Ümran",
                                        "İbrahim",
                                        "Şule",
                                        "ali veli",
                                        "ALİ",
                                        "Işık",
                                        "ılgaz",
                                        "inci",
                                        "Irmak",
                                        "Cem",
                                        "C\xcc\xa7"
                                        "elik",
                                        "ozan",
                                        "Élodie",
                                        "Ελένη",
                                        "50% indirim",
                                        "a_b",
                                        "",
                                        "Ğ",
                                        "Gül",
                                        "straße",
                                        "Æsa",
                                        "aesop",
                                        "\xff\xfe bozuk",
                                        "Ahmet  Kaya",
                                        "a"});
    RawExec(file, "INSERT INTO people (Name) VALUES (NULL), (123), (45)");
    TDatabase db(file);
    ExpectSameAsIcu(db,
                    {"%",   "a%",  "A%",    "ali%", "i%",       "I%",    "İ%",  "ı%", "ç%", "c%",        "ö%",
                     "%e%", "a_%", "a\\_%", "50%",  "50\\%%",   "1%",    "4%",  "ε%", "Ε%", "é%",        "e%",
                     "ß%",  "Æ%",  "ae%",   "zz%",  "ahmet  %", "\xff%", "Gül", "_%", "",   "c\xcc\xa7%"});
}

TEST(NameIndex, WritesOfTheSqliteToolShowBetweenTwoSearches) {
    TTempDir dir;
    std::string file = MakePeople(dir, {"Ali", "Veli", "Ayşe"});
    TDatabase db(file);
    EXPECT_EQ(Shown(db, LikeKeys(db, kPeople, "a%")), (std::vector<std::string>{"'Ali'", "'Ayşe'"}));
    struct Case {
        const char *Sql;
        std::vector<std::string> A; // then the search "a%"
    } cases[] = {
        {"INSERT INTO people (Name) VALUES ('Ahmet'), ('Ömer');", {"'Ahmet'", "'Ali'", "'Ayşe'"}},
        {"UPDATE people SET Name = 'Zeki' WHERE Name = 'Ali';", {"'Ahmet'", "'Ayşe'"}},
        {"UPDATE people SET Id = 40 WHERE Name = 'Veli'; UPDATE people SET Name = 'Aydın' WHERE Id = 40;",
         {"'Ahmet'", "'Aydın'", "'Ayşe'"}},
        {"DELETE FROM people WHERE Name = 'Ahmet';", {"'Aydın'", "'Ayşe'"}},
        // The pieces themselves removed or emptied: found and built again.
        {"DROP TRIGGER people_namekey_insert; INSERT INTO people (Name) VALUES ('Arda');",
         {"'Arda'", "'Aydın'", "'Ayşe'"}},
        {"DELETE FROM people_namekey;", {"'Arda'", "'Aydın'", "'Ayşe'"}},
        {"DROP TRIGGER people_namekey_update; UPDATE people SET Name = 'Aslı' WHERE Name = 'Ömer';",
         {"'Arda'", "'Aslı'", "'Aydın'", "'Ayşe'"}},
    };
    for (const Case &c : cases) {
        ToolExec(file, c.Sql);
        EXPECT_EQ(Shown(db, LikeKeys(db, kPeople, "a%")), c.A) << c.Sql;
        ExpectSameAsIcu(db, {"%", "z%", "ö%"});
    }
    // The file stays an ordinary database for the tool.
    std::string out;
    ToolExec(file, "PRAGMA integrity_check; SELECT count(*) FROM people_namekey;", &out);
    EXPECT_EQ(out, "ok\n5\n");
}

TEST(NameIndex, AFileThatCannotTakeTheIndexNowIsAnsweredByIcu) {
    TTempDir dir;
    std::string file = MakePeople(dir, {"Işık", "İnce", "Irmak"});
    {
        // A file that refuses writes gets no pieces, and the answers are still right.
        TDatabase db(file);
        db.Exec("PRAGMA query_only = 1");
        ExpectSameAsIcu(db, {"i%", "ı%"});
    }
    EXPECT_EQ(RawScalar(file, "SELECT count(*) FROM sqlite_master WHERE name LIKE 'people_namekey%'"), "0");
    TDatabase db(file, 50);
    ExpectSameAsIcu(db, {"i%"});
    // Another writer holds the file while a change waits in the log: the answer is its committed state.
    ToolExec(file, "INSERT INTO people (Name) VALUES ('İlker');");
    sqlite3 *other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE; INSERT INTO people (Name) VALUES ('İpek')", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(Shown(db, LikeKeys(db, kPeople, "i%")), (std::vector<std::string>{"'İlker'", "'İnce'"}));
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(Shown(db, LikeKeys(db, kPeople, "i%")),
              (std::vector<std::string>{"'İlker'", "'İnce'", "'İpek'"}));
}

// The prefix range is trusted only for texts of characters where it holds:
// any two of them that fold alike, followed by anything of the set, must
// fall in the range of the other's prefix.
TEST(NameIndex, RangeHoldsForEveryCharacterItIsTrustedWith) {
    std::vector<std::string> chars;
    std::map<UChar32, std::vector<std::string>> byFold;
    for (UChar32 c = 0x20; c <= 0x17F; ++c) {
        char buf[4];
        int n = 0;
        U8_APPEND_UNSAFE(buf, n, c);
        std::string s(buf, static_cast<size_t>(n));
        if (!RangeSearchable(s)) continue;
        chars.push_back(s);
        UChar32 f = c == 'I' ? 0x131 : c == 0x130 ? 'i' : u_foldCase(c, U_FOLD_CASE_DEFAULT);
        byFold[f].push_back(s);
    }
    ASSERT_EQ(chars.size(), 95u + 224u - 17u);
    TTempDir dir;
    std::string file = dir.File("chars.db");
    TDatabase::Create(file, kPeopleSchema);
    TDatabase db(file);
    db.Exec("BEGIN");
    TStatement put = db.Prepare("INSERT INTO people (Name) VALUES (?1)");
    for (const std::string &a : chars)
        for (const std::string &b : chars) {
            put.Reset();
            put.Bind(1, TValue::Text(a + b + "x"));
            put.Step();
        }
    db.Exec("COMMIT");
    for (auto &[fold, same] : byFold)
        for (const std::string &a : same)
            if (a != "%" && a != "_") {
                EXPECT_EQ(LikeKeys(db, kPeople, a + "%").size(), same.size() * chars.size()) << a;
            }
}

TEST(NameIndex, KeysHandedOnAreTakenOnlyWhenNothingWasWrittenMeanwhile) {
    TTempDir dir;
    std::string file = MakePeople(dir, {"Ali", "Veli"});
    TDatabase db(file);
    struct Case {
        const char *Between; // SQL in between, by the tool ("T ...") or on this connection
        size_t Rows;
    } cases[] = {{"", 2},
                 {"T INSERT INTO people (Name) VALUES ('Can');", 3},
                 {"INSERT INTO people (Name) VALUES ('Ece')", 4},
                 {"", 4}};
    for (const Case &c : cases) {
        OrderedKeys(db, kPeople, true);
        std::string sql = c.Between;
        if (sql.rfind("T ", 0) == 0)
            ToolExec(file, sql.substr(2));
        else if (!sql.empty())
            db.Exec(sql);
        EXPECT_EQ(Shown(db, OrderedKeys(db, kPeople)), Shown(db, ViaIcu(db, nullptr))) << c.Between;
        EXPECT_EQ(OrderedKeys(db, kPeople).size(), c.Rows);
    }
}
