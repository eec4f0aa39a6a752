// XLSX from another writer (openpyxl), and our export as another reader sees it.
#include "exchange/exchange.h"
#include "exchange/runs.h"
#include "exchangetestutil.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace kadrolin;
using namespace kadrolin::exchange;
using namespace kadrolin::testing;

namespace {

using TRows = std::vector<std::vector<std::string>>;

TRows ReadAll(const std::string &file, const std::string &sheet) {
    auto r = OpenReader(file, sheet);
    TRows out{r->Columns()};
    std::vector<data::TValue> row;
    while (r->Next(row)) {
        std::vector<std::string> t;
        for (auto &v : row)
            t.push_back(v.IsNull() ? "-" : v.Bytes);
        out.push_back(t);
    }
    return out;
}

} // namespace

TEST(Xlsx, ReadsSheetsStringsNumbersAndDatesAsTyped) {
    const TRows expected = {
        {"Adı Soyadı", "Cep Telefonu :", "Doğum Tarihi", "Kademe/Derece", "T.C Kimlik No", "Sütun F",
         "Düşünceler"},
        {"Şule Işık", "5321234567", "29.02.1980", "9,5", "10000000146", "-", "iki\nsatır"},
        {"İsmail Çağlar", "0212 555 12 34", "31.12.2001", "3", "12345678950", "-", "-"},
        {"-", "-", "-", "-", "-", "-", "-"},
        {"Ayşe", "0", "12.05.1975", "-", "-", "-", "not: =1+1"},
    };
    for (const char *file : {"people.xlsx", "shared.xlsx"}) {
        const std::string path = std::string(KADROLIN_FIXTURES) + "/exchange/" + file;
        EXPECT_EQ(ReadAll(path, "PERSONEL"), expected) << file;
        EXPECT_EQ(ReadAll(path, ""), (TRows{{"Bu sayfa kişi listesi değil"}})) << file;
        try {
            OpenReader(path, "Kişiler");
            ADD_FAILURE();
        } catch (const EExchangeError &e) {
            EXPECT_NE(std::string(e.what()).find("'Kişiler' sayfası yok; sayfalar: Notlar, Personel"),
                      std::string::npos)
                << e.what();
        }
    }
}

TEST(Xlsx, ExportIsReadByOpenpyxlAsTextAndReimportedIdentically) {
    TTempDir dir;
    std::vector<TPerson> people = {
        {{"A_Adi", "Ali Veli"},
         {"A_EvTel", "02125551234"},
         {"A_CepTel", "05321234567"},
         {"K_TcNo", "10000000146"},
         {"K_DTarihi", "01.02.1990"},
         {"D_Aciklama", "iki\nsatır <b>&amp;</b>"}},
        {{"A_Adi", "İsmail Işıkçı"}, {"F_Faks", "9/3"}, {"A_Mail", "ismail@example.org"}, {"F_Tel", "=1+2"}},
    };
    std::string reg = MakeRegister(dir, people);
    {
        data::TDatabase db(reg);
        EXPECT_EQ(ExportFile(db, dir / "liste.xlsx"), 2);
    }
    const std::string script = "import json, sys, openpyxl\n"
                               "wb = openpyxl.load_workbook(sys.argv[1])\n"
                               "ws = wb.worksheets[0]\n"
                               "rows = [[c.value for c in r] for r in ws.iter_rows()]\n"
                               "assert len(wb.worksheets) == 1 and ws.freeze_panes == 'A2'\n"
                               "assert all(c.font.b for c in ws[1])\n"
                               "assert all(v is None or isinstance(v, str) for r in rows for v in r)\n"
                               "print(json.dumps(rows))\n";
    WriteBytes(dir / "read.py", script);
    const std::string command =
        "/usr/bin/python3 " + (dir / "read.py") + " " + (dir / "liste.xlsx") + " > " + (dir / "rows.json");
    ASSERT_EQ(std::system(command.c_str()), 0);
    auto json = QJsonDocument::fromJson(QByteArray::fromStdString(ReadBytes(dir / "rows.json"))).array();
    ASSERT_EQ(json.size(), 3);
    const auto header = json[0].toArray();
    for (int p = 0; p < 2; ++p) {
        const auto row = json[p + 1].toArray();
        std::map<std::string, std::string> byCaption;
        for (int i = 0; i < header.size(); ++i)
            if (!row[i].isNull())
                byCaption[header[i].toString().toStdString()] = row[i].toString().toStdString();
        EXPECT_EQ(byCaption.at("Adı Soyadı"), people[static_cast<size_t>(p)].at("A_Adi"));
        EXPECT_EQ(byCaption.size(), people[static_cast<size_t>(p)].size());
    }
    EXPECT_EQ(json[1].toArray()[6].toString(), "05321234567"); // "Cep Telefonu", leading zero kept

    std::string back = MakeRegister(dir, {}, "back.mdb");
    data::TDatabase db(back);
    EXPECT_EQ(ImportFile(db, dir / "liste.xlsx", {}).Added, 2);
    EXPECT_EQ(People(back), People(reg));
}
