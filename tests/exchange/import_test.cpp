// The import run: mapping, duplicates, warnings, and a register left exactly
// as it was by every kind of bad input.
#include "exchange/exchange.h"
#include "exchange/mapper.h"
#include "exchange/runs.h"
#include "exchangetestutil.h"

#include <gtest/gtest.h>

using namespace kadrolin;
using namespace kadrolin::exchange;
using namespace kadrolin::testing;

TEST(Mapper, HeadersMatchNamesAndCaptionsWhateverTheirCaseAndBlanks) {
    const std::vector<std::string> headers = {"adı soyadı",    "CEP TELEFONU:", "t.c kimlik no",  "k_dyeri",
                                              "İSTİHDAM TÜRÜ", "Bilinmeyen",    " ev telefonu 2 "};
    TMapping m = GuessMapping(headers);
    auto source = [&](const char *field) { return m.Sources[static_cast<size_t>(ImportColumnIndex(field))]; };
    EXPECT_EQ(source("A_Adi"), std::vector<int>{0});
    EXPECT_EQ(source("A_CepTel"), std::vector<int>{1});
    EXPECT_EQ(source("K_TcNo"), std::vector<int>{2});
    EXPECT_EQ(source("K_DYeri"), std::vector<int>{3});
    EXPECT_EQ(source("A_Il"), std::vector<int>{4});
    EXPECT_EQ(source("A_EvTel2"), std::vector<int>{6});
    EXPECT_EQ(UnmappedColumns(m, headers), std::vector<std::string>{"Bilinmeyen"});
    // Every exported header finds its own column again, and no other.
    const auto &exported = ExportHeaders();
    TMapping back = GuessMapping(exported);
    for (size_t f = 0, h = 0; f < ImportColumns().size(); ++f) {
        if (ImportColumns()[f] == "A_Resim") continue;
        EXPECT_EQ(back.Sources[f], std::vector<int>{static_cast<int>(h)}) << ImportColumns()[f];
        ++h;
    }
}

TEST(Import, MapFileJoinsColumnsAndOverridesTheGuess) {
    TTempDir dir;
    WriteBytes(dir / "in.csv", "FirstName;LastName;Adı Soyadı;Notes\nAli;Veli;yanlış;not\n");
    WriteBytes(dir / "map.ini", "\xEF\xBB\xBF; eşleme\n[Alanlar]\nA_Adi=FirstName, LastName ; bir boşlukla\n"
                                "D_Aciklama = Notes\n[Başka]\nA_Mail=Yok\n");
    std::string reg = MakeRegister(dir, {});
    data::TDatabase db(reg);
    TImportOptions o;
    o.MapFile = dir / "map.ini";
    auto r = ImportFile(db, dir / "in.csv", o);
    EXPECT_EQ(r.Added, 1);
    EXPECT_EQ(r.Unmapped, std::vector<std::string>{"Adı Soyadı"});
    EXPECT_EQ(People(reg), (std::vector<TPerson>{{{"A_Adi", "Ali Veli"}, {"D_Aciklama", "not"}}}));
    EXPECT_EQ(r.Summary(), "1 kişi eklendi; eşlenmeyen sütunlar atlandı: Adı Soyadı");
}

TEST(Import, DuplicatesAreSkippedAndCountedUnlessAskedForAndCheckDigitsWarn) {
    TTempDir dir;
    WriteBytes(dir / "in.csv",
               "A_Adi;K_TcNo\nAli Veli;10000000146\nAli Veli;10000000147\nAli Veli;10000000146\n"
               "Yeni Kişi;12345\n");
    for (bool add : {false, true}) {
        std::string reg = MakeRegister(dir, {{{"A_Adi", "Ali Veli"}, {"K_TcNo", "10000000146"}}},
                                       add ? "add.mdb" : "skip.mdb");
        data::TDatabase db(reg);
        TImportOptions o;
        o.AddDuplicates = add;
        auto r = ImportFile(db, dir / "in.csv", o);
        EXPECT_EQ(r.Added, add ? 4 : 2);
        EXPECT_EQ(People(reg).size(), add ? 5u : 3u);
        EXPECT_EQ(r.WarningCount, 2);
        ASSERT_EQ(r.Warnings.size(), 2u);
        EXPECT_NE(r.Warnings[0].find("'in.csv', satır 3, K_TcNo '10000000147': T.C. Kimlik No'nun kontrol"),
                  std::string::npos)
            << r.Warnings[0];
        EXPECT_NE(r.Warnings[1].find("satır 5"), std::string::npos) << r.Warnings[1];
        if (!add) {
            EXPECT_EQ(r.Summary(), "2 kişi eklendi, 2 kişi zaten kayıtlı olduğu için atlandı; 2 uyarı");
        }
    }
}

TEST(Import, EveryBadInputLeavesTheRegisterByteForByteAndNamesWhere) {
    TTempDir dir;
    WriteBytes(dir / "map.ini", "[Alanlar]\nA_Adi=Ad\nA_Mail=Eposta\n");
    WriteBytes(dir / "badfield.ini", "[Alanlar]\nA_Yok=Ad\n");
    const std::string xlsx = ReadBytes(std::string(KADROLIN_FIXTURES) + "/exchange/people.xlsx");
    std::string scrambled = xlsx; // the sheet's compressed bytes damaged, the archive's directory intact
    const size_t sheet = scrambled.find("xl/worksheets/sheet2.xml");
    for (size_t i = sheet + 40; i < sheet + 140; ++i)
        scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5A);
    const struct {
        const char *Name;
        std::string Bytes;
        std::string Map;
        std::string Message;
        std::string Table = {};
    } cases[] = {
        {"wrongbyte.csv", "A_Adi;A_Adres\nAyşe;Çarşı\nAli;Ba\xFFk\xC4\xB1r\n", "",
         "'wrongbyte.csv', satır 3, sütun 'A_Adres': geçersiz bayt 0xFF"},
        {"bomwrong.csv",
         "\xEF\xBB\xBF"
         "A_Adi\nAl\xFD\n",
         "", "satır 2, sütun 'A_Adi': geçersiz bayt 0xFD"},
        {"open-quote.csv", "A_Adi;A_Adres\nAli;\"Çarşı\nVeli;x\n", "", "'open-quote.csv', satır 2: tırnak"},
        {"too-many.csv", "A_Adi;A_EvTel\nAli;1\nVeli;2;3\n", "",
         "'too-many.csv', satır 3: başlıkta 2 sütun var"},
        {"utf16.csv",
         std::string("\xFF\xFE"
                     "A\0;\0",
                     6),
         "", "UTF-16"},
        {"nul.csv", std::string("A_Adi\nAl\0i\n", 11), "", "satır 2, sütun 'A_Adi': geçersiz bayt 0x00"},
        {"nothing-matches.csv", "Foo;Bar\n1;2\n", "", "hiçbir sütun"},
        {"empty.csv", "", "", "'empty.csv' boş"},
        {"map-missing.csv", "Ad;Telefon\nAli;1\n", "map.ini",
         "satır 3: içe aktarılan dosyada 'Eposta' sütunu yok"},
        {"map-badfield.csv", "Ad\nAli\n", "badfield.ini", "kayıt dosyasında 'A_Yok' sütunu yok"},
        {"photo-as-text.csv", "A_Adi;A_Resim\nAli;/9j/4AAQ\n", "",
         "satır 2, sütun 'A_Resim': resim sütununda metin"},
        {"missing-file.csv", "", "", "'missing-file.csv' açılamadı"},
        {"unknown.ods", "", "", "'unknown.ods'"},
        {"cut.xlsx", xlsx.substr(0, xlsx.size() / 2), "",
         "'cut.xlsx' bozuk ya da bir XLSX dosyası değil (zip"},
        {"scrambled.xlsx", scrambled, "", "'scrambled.xlsx' bozuk", "Personel"},
        {"text.xlsx", "A_Adi\nAli\n", "", "'text.xlsx' bozuk ya da bir XLSX dosyası değil"},
        {"sheet.xlsx", xlsx, "", "'sheet.xlsx' içinde 'Yok' sayfası yok", "Yok"},
    };
    std::string reg = MakeRegister(dir, {{{"A_Adi", "Ali Veli"}}});
    {
        // The register as the program leaves it: in write-ahead mode.
        data::TDatabase db(reg);
        db.BeginWrite();
        db.Exec("COMMIT");
    }
    const std::string before = ReadBytes(reg);
    for (const auto &c : cases) {
        if (std::string(c.Name) != "missing-file.csv") WriteBytes(dir / c.Name, c.Bytes);
        TImportOptions o;
        if (!c.Map.empty()) o.MapFile = dir / c.Map;
        o.Table = c.Table;
        {
            data::TDatabase db(reg);
            try {
                ImportFile(db, dir / c.Name, o);
                ADD_FAILURE() << c.Name << " was imported";
            } catch (const EExchangeError &e) {
                EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos)
                    << c.Name << ": " << e.what();
            }
            auto n = db.ScalarValue("SELECT count(*) FROM tarvelion");
            EXPECT_EQ(n->Integer, 1) << c.Name;
        }
        EXPECT_EQ(ReadBytes(reg), before) << c.Name;
    }
}

TEST(Import, CancelStoresNothing) {
    TTempDir dir;
    std::string csv = "A_Adi\n";
    for (int i = 0; i < 2000; ++i)
        csv += "Kişi " + std::to_string(i) + "\n";
    WriteBytes(dir / "in.csv", csv);
    std::string reg = MakeRegister(dir, {});
    data::TDatabase db(reg);
    TImportOptions o;
    double seen = 0;
    o.Progress = [&](double f) {
        seen = f;
        return f < 0.5;
    };
    EXPECT_THROW(ImportFile(db, dir / "in.csv", o), ECancelled);
    EXPECT_GT(seen, 0.5);
    EXPECT_EQ(People(reg).size(), 0u);
}
