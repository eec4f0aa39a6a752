// CSV as Turkish-locale spreadsheets and other programs write it, and the
// export read back.
#include "exchange/exchange.h"
#include "exchange/runs.h"
#include "exchangetestutil.h"

#include <gtest/gtest.h>

using namespace kadrolin;
using namespace kadrolin::exchange;
using namespace kadrolin::testing;

namespace {

std::vector<std::vector<std::string>> ReadAll(const std::string &file) {
    auto r = OpenReader(file);
    std::vector<std::vector<std::string>> out{r->Columns()};
    std::vector<data::TValue> row;
    while (r->Next(row)) {
        std::vector<std::string> t;
        for (auto &v : row)
            t.push_back(v.IsNull() ? "<null>" : v.Bytes);
        out.push_back(t);
    }
    return out;
}

} // namespace

TEST(Csv, ReadsEncodingsDelimitersQuotingAndLineEnds) {
    using TRows = std::vector<std::vector<std::string>>;
    const struct {
        const char *Name;
        std::string Bytes;
        TRows Expected;
    } cases[] = {
        {"bom-semicolon-crlf",
         "\xEF\xBB\xBF"
         "Adı Soyadı;Ev Telefonu\r\nŞule Işık;0212 555\r\n",
         {{"Adı Soyadı", "Ev Telefonu"}, {"Şule Işık", "0212 555"}}},
        {"comma-lf-no-bom",
         "Adı Soyadı,Ev Adresi\nAli,\"Çarşı Cad. 3, Kat 2\"\n",
         {{"Adı Soyadı", "Ev Adresi"}, {"Ali", "Çarşı Cad. 3, Kat 2"}}},
        {"tab", "A_Adi\tA_EvTel\nAli\t123\n", {{"A_Adi", "A_EvTel"}, {"Ali", "123"}}},
        {"cp1254",
         "Ad\xFD Soyad\xFD;\xDDl\r\n\xDE\xFCkr\xFC \xC7"
         "a\xF0lar;\xDDzmir\r\n",
         {{"Adı Soyadı", "İl"}, {"Şükrü Çağlar", "İzmir"}}},
        {"quotes-and-breaks",
         "A_Adi;D_Aciklama\n\"Ali \"\"Deli\"\" Veli\";\"satır 1\r\nsatır 2\n\"\nAyşe;;\n",
         {{"A_Adi", "D_Aciklama"}, {"Ali \"Deli\" Veli", "satır 1\r\nsatır 2\n"}, {"Ayşe", ""}}},
        {"short-rows-blank-lines-no-final-break",
         "A_Adi;A_EvTel;A_Mail\n\nAli\n\r\nVeli;1",
         {{"A_Adi", "A_EvTel", "A_Mail"}, {"Ali", "<null>", "<null>"}, {"Veli", "1", "<null>"}}},
        {"semicolon-wins-over-commas-in-quotes",
         "\"Ad, Soyad\";Tel\n\"Ali, V\";1\n",
         {{"Ad, Soyad", "Tel"}, {"Ali, V", "1"}}},
    };
    for (const auto &c : cases) {
        TTempDir dir;
        WriteBytes(dir / "in.csv", c.Bytes);
        EXPECT_EQ(ReadAll(dir / "in.csv"), c.Expected) << c.Name;
    }
}

TEST(Csv, ExportOpensInATurkishSpreadsheetAndComesBackAsTheSamePeople) {
    TTempDir dir;
    const std::vector<TPerson> people = {
        {{"A_Adi", "Ali \"Deli\" Veli"},
         {"A_EvTel", "02125551234"},
         {"A_Adres", "Çarşı Cad.; No 3"},
         {"K_TcNo", "10000000146"},
         {"D_Aciklama", "iki\r\nsatır\nnot"}},
        {{"A_Adi", "İsmail Işıkçı"}, {"A_CepTel", "05321234567"}, {"F_Adi", "Okul, Merkez"}},
        {{"A_Adi", "Şule"}, {"A_Resim", std::string("\xFF\xD8\xFF", 3)}},
    };
    std::string reg = MakeRegister(dir, people);
    EXPECT_EQ(ExportFile(*std::make_unique<data::TDatabase>(reg), dir / "liste.csv"), 3);
    const std::string bytes = ReadBytes(dir / "liste.csv");
    EXPECT_TRUE(bytes.starts_with("\xEF\xBB\xBF"
                                  "Adı Soyadı;Ev Telefonu;"))
        << bytes.substr(0, 60);
    EXPECT_NE(bytes.find(";Düşünceler\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\"Ali \"\"Deli\"\" Veli\";02125551234;\"Çarşı Cad.; No 3\""), std::string::npos);

    std::string back = MakeRegister(dir, {}, "back.mdb");
    data::TDatabase db(back);
    auto result = ImportFile(db, dir / "liste.csv", {});
    EXPECT_EQ(result.Added, 3);
    EXPECT_TRUE(result.Unmapped.empty());
    auto expected = people;
    expected[2].erase("A_Resim"); // a spreadsheet carries no photos
    std::sort(expected.begin(), expected.end(),
              [](auto &a, auto &b) { return a.at("A_Adi") < b.at("A_Adi"); });
    EXPECT_EQ(People(back), expected);
}
