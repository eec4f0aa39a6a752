// The register behaves alike on the file and on a server: the Turkish order
// and search name by name, the count, storing, photos and conflicts.
#include "registerutil.h"

#include <unicode/ucol.h>

#include <algorithm>

using namespace kadrolin;
using namespace kadrolin::data;
using namespace kadrolin::records;
using namespace kadrolin::testing;

namespace {

const auto *const kEnv = ::testing::AddGlobalTestEnvironment(new TServerEnvironment);

class Register : public ::testing::TestWithParam<TKind> {};

std::vector<std::string> Names(TQuery &q) {
    std::vector<std::string> out;
    const int f = q.FieldByName("A_Adi").Index();
    for (int i = 0; i < q.RecordCount(); ++i)
        out.push_back(q.TextAt(i, f));
    return out;
}

void AddPeople(const TRegister &r, const std::vector<std::string> &names) {
    std::string sql = "BEGIN;";
    for (auto &n : names)
        sql += "INSERT INTO tarvelion (A_Adi) VALUES (" + Quoted(n) + ");";
    r.Exec(sql + "COMMIT;");
}

// Every special letter of the alphabet in both cases, the dotted and
// dotless i in every combination, and the pattern characters.
const std::vector<std::string> kTurkishNames = {
    "Çağrı", "çiğdem", "Cem",  "Ceren", "Ğ",      "ğ",      "Gül",     "gamze",       "Irmak",  "ırmak",
    "İlker", "ilker",  "Işık", "İsmet", "ismail", "Ihsan",  "Ömer",    "öznur",       "Oya",    "Şule",
    "şahin", "Serkan", "Ümit", "ülkü",  "Uğur",   "Zeynep", "zafer",   "Aydın",       "AYDIN",  "aydın",
    "İIıi",  "iİıI",   "ıIiİ", "100%",  "a_b",    "aXb",    "O'Brien", "Back\\slash", "ÇĞİÖŞÜ", "çğıöşü"};

std::vector<std::string> TurkishSorted(std::vector<std::string> v) {
    UErrorCode status = U_ZERO_ERROR;
    UCollator *c = ucol_open("tr", &status);
    std::stable_sort(v.begin(), v.end(), [&](const std::string &a, const std::string &b) {
        UErrorCode s = U_ZERO_ERROR;
        auto r = ucol_strcollUTF8(c, a.data(), static_cast<int>(a.size()), b.data(),
                                  static_cast<int>(b.size()), &s);
        return r == UCOL_LESS || (r == UCOL_EQUAL && a < b);
    });
    ucol_close(c);
    return v;
}

} // namespace

TEST_P(Register, TurkishOrderAndPrefixSearchNameByName) {
    TRegister r(GetParam());
    AddPeople(r, kTurkishNames);
    r.Exec("INSERT INTO tarvelion (A_Adi) VALUES (NULL)");
    auto q = r.Open();
    std::vector<std::string> expected = TurkishSorted(kTurkishNames);
    expected.insert(expected.begin(), ""); // a person without a name comes first, as in the file
    EXPECT_EQ(Names(*q), expected);

    // Every prefix of every name, as typed and with its case swapped the Turkish way.
    std::vector<std::string> prefixes = {"%",  "_",  "a_", "100%", "O'", "Back\\", "\\", "ı", "I", "i", "İ",
                                         "iş", "IŞ", "İS", "is",   "Ç",  "ç",      "ğ",  "Ö", "ş", "Ü", "x"};
    for (auto &n : kTurkishNames)
        for (size_t len = 1; len <= n.size(); ++len)
            if ((static_cast<unsigned char>(n[len - 1]) & 0xC0) != 0xC0) prefixes.push_back(n.substr(0, len));
    for (auto &p : prefixes) {
        RunStatement(*q, SearchStatement(p));
        std::vector<std::string> want;
        for (auto &n : TurkishSorted(kTurkishNames))
            if (TurkishLike(p + "%", n)) want.push_back(n);
        EXPECT_EQ(Names(*q), want) << "prefix '" << p << "'"; // in the Turkish order too
    }
}

TEST_P(Register, StoresInsertsAndDeletesWithTheCountShown) {
    TRegister r(GetParam());
    AddPeople(r, {"Ali", "Veli", "Ayşe"});
    auto q = r.Open();
    EXPECT_EQ(RecordCountText(*q), "  Toplam kayıt : 3 / 1");
    EXPECT_TRUE(EditCommandEnabled(*q));
    q->Next();
    q->Edit();
    q->FieldByName("A_Adi").SetAsString("Ayşe Nur");
    q->FieldByName("A_CepTel").SetAsString("0532 'x' \"y\"");
    q->Post();
    q->Insert();
    q->FieldByName("A_Adi").SetAsString("Şükrü");
    EXPECT_EQ(RecordCountText(*q), "  Toplam kayıt : 4 / 2");
    q->Post();
    q->Last();
    q->Delete(); // Veli
    RunStatement(*q, OrderedStatement());
    EXPECT_EQ(Names(*q), (std::vector<std::string>{"Ali", "Ayşe Nur", "Şükrü"}));
    q->SetRecNo(2);
    EXPECT_EQ(q->FieldByName("A_CepTel").AsString(), "0532 'x' \"y\"");
    EXPECT_TRUE(q->FieldByName("A_Ilce").IsNull());
    // Clearing a box stores NULL.
    q->Edit();
    q->FieldByName("A_CepTel").SetAsString("");
    q->Post();
    auto fresh = r.Open(SearchStatement("ayş"));
    ASSERT_EQ(fresh->RecordCount(), 1);
    EXPECT_TRUE(fresh->FieldByName("A_CepTel").IsNull());
}

TEST_P(Register, PhotosComeBackByteForByteAndOnlyWhenAsked) {
    TRegister r(GetParam());
    AddPeople(r, {"Foto", "Boş"});
    std::string photo;
    for (int i = 0; i < 300000; ++i)
        photo += static_cast<char>((i * 7 + i / 256) & 0xFF); // every byte value, NUL included
    {
        auto q = r.Open(SearchStatement("Foto"));
        q->Edit();
        q->FieldByName("A_Resim").SetAsBytes(photo);
        q->Post();
    }
    auto q = r.Open();
    q->SetRecNo(2);
    EXPECT_EQ(q->FieldByName("A_Adi").AsString(), "Foto");
    EXPECT_EQ(q->FieldByName("A_Resim").DataSize(), static_cast<long long>(photo.size()));
    EXPECT_EQ(q->FieldByName("A_Resim").AsBytes(), photo);
    // Storing another field leaves the photo as it was.
    q->Edit();
    q->FieldByName("A_Il").SetAsString("İzmir");
    q->Post();
    q->First();
    EXPECT_TRUE(q->FieldByName("A_Resim").IsNull());
    q->Last();
    EXPECT_EQ(q->FieldByName("A_Resim").AsBytes(), photo);
}

TEST_P(Register, AStoreOverAnotherClerksChangeOrDeleteIsRefusedKeepingTheTypedValues) {
    TRegister r(GetParam());
    AddPeople(r, {"Ali", "Veli"});
    auto a = r.Open(), b = r.Open();
    a->Edit();
    a->FieldByName("A_CepTel").SetAsString("111");
    b->Edit();
    b->FieldByName("A_Adi").SetAsString("Ali Han");
    b->Post();
    try {
        a->Post();
        FAIL() << "the second writer must not overwrite";
    } catch (const ERowConflict &e) {
        EXPECT_FALSE(e.Deleted());
    }
    EXPECT_EQ(a->State(), dsEdit);
    EXPECT_EQ(a->FieldByName("A_CepTel").AsString(), "111");
    a->Cancel();
    EXPECT_EQ(a->FieldByName("A_Adi").AsString(), "Ali Han"); // what the register holds now

    // Deleted by the other clerk while this one edits.
    a->Last();
    a->Edit();
    a->FieldByName("A_Il").SetAsString("Van");
    b->Last();
    b->Delete();
    try {
        a->Post();
        FAIL();
    } catch (const ERowConflict &e) {
        EXPECT_TRUE(e.Deleted());
    }
    EXPECT_EQ(a->FieldByName("A_Il").AsString(), "Van");
    a->Cancel();
    EXPECT_THROW(a->Delete(), ERowConflict);
}

INSTANTIATE_TEST_SUITE_P(Both, Register, ::testing::Values(kFile, kServer), KindName);
