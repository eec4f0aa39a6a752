// The record layout against the stored table, and the texts of the record commands.
#include "records/recordcommands.h"
#include "records/recordlayout.h"
#include "records/tckimlik.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <set>

using namespace kadrolin;
using namespace kadrolin::records;

namespace {

std::string TempFile(const char *name) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kadrolin-rec-XXXXXX").string();
    return std::string(mkdtemp(tmpl.data())) + "/" + name;
}

} // namespace

TEST(RecordLayout, DescribesExactlyTheColumnsOfTheStoredTable) {
    std::string file = TempFile("Data.mdb");
    CreateRegister(file);
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, "SELECT name, type, pk FROM pragma_table_info('tarvelion')", -1, &st, nullptr);
    std::vector<std::pair<std::string, std::string>> table;
    while (sqlite3_step(st) == SQLITE_ROW) {
        std::string name = reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
        std::string type = reinterpret_cast<const char *>(sqlite3_column_text(st, 1));
        if (sqlite3_column_int(st, 2)) {
            EXPECT_EQ(name, kKeyField);
            EXPECT_EQ(type, "INTEGER");
            continue;
        }
        table.emplace_back(name, type);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    std::filesystem::remove_all(std::filesystem::path(file).parent_path());

    auto layout = RecordLayout();
    ASSERT_EQ(layout.size(), 42u);
    ASSERT_EQ(table.size(), 42u);
    for (const TColumnLayout &c : layout) {
        auto it = std::find_if(table.begin(), table.end(), [&](auto &t) { return t.first == c.FieldName; });
        ASSERT_NE(it, table.end()) << c.FieldName;
        EXPECT_EQ(it->second, c.Kind == ckPicture ? "BLOB" : "TEXT") << c.FieldName;
    }
    EXPECT_EQ(table.back().first, "A_Resim");
}

TEST(RecordLayout, NamesPlacesAndCapitalisingAsDesigned) {
    std::set<std::string> controls, labels;
    int capitalised[4] = {};
    for (const TColumnLayout &c : RecordLayout()) {
        EXPECT_TRUE(controls.insert(c.ControlName).second) << c.ControlName;
        if (c.LabelName) {
            EXPECT_TRUE(labels.insert(c.LabelName).second) << c.LabelName;
        }
        if (c.Capitalised) {
            ++capitalised[c.Page];
            EXPECT_EQ(c.Kind, ckEdit) << c.FieldName; // drop-downs, notes and the photo keep text as typed
        }
        if (c.Kind == ckEdit || c.Kind == ckComboBox) {
            ASSERT_GE(c.Row, 1);
            EXPECT_EQ(c.Top, 32 + 40 * (c.Row - 1)) << c.FieldName;
        }
        EXPECT_EQ(c.Values.empty(), c.Kind != ckComboBox) << c.FieldName;
    }
    EXPECT_EQ(capitalised[0], 9);
    EXPECT_EQ(capitalised[1], 10);
    EXPECT_EQ(capitalised[2], 11);
    EXPECT_EQ(capitalised[3], 0);
    struct Case {
        const char *Field, *Control, *Caption;
        size_t Values;
        const char *First, *Last;
    } cases[] = {
        {"A_Adi", "DBEdit1", "Adı Soyadı", 0, nullptr, nullptr},
        {"A_Il", "DBEdit36", "İstihdam Türü", 0, nullptr, nullptr},
        {"A_Cins", "DBComboBox2", "Cinsiyeti", 2, "Erkek", "Bayan"},
        {"F_CepTel", "DBComboBox1", "Askerlik Durumu", 3, "Yaptı", "Tecilli"},
        {"K_Turu", "DBComboBox4", "Kimlik Türü :", 2, "Nüfus Cüzdanı", "Sürücü Belgesi"},
        {"K_Il", "DBComboBox5", "İli:", 81, "Adana", "Düzce"},
        {"D_Aciklama", "Yazi", "Düşünceler :", 0, nullptr, nullptr},
    };
    for (const Case &c : cases) {
        const TColumnLayout *l = FindColumn(c.Field);
        ASSERT_NE(l, nullptr) << c.Field;
        EXPECT_STREQ(l->ControlName, c.Control);
        EXPECT_STREQ(l->Caption, c.Caption);
        ASSERT_EQ(l->Values.size(), c.Values) << c.Field;
        if (c.Values) {
            EXPECT_STREQ(l->Values.front(), c.First);
            EXPECT_STREQ(l->Values.back(), c.Last);
        }
    }
    EXPECT_STREQ(FindColumn("K_Il")->Values[66], "Zonguldak");
    EXPECT_STREQ(FindColumn("K_Il")->Values[67], "Aksaray");
    EXPECT_EQ(FindColumn("nope"), nullptr);
}

TEST(RecordCommands, SchemaCompiledInIsTheRunScriptsFile) {
    std::ifstream in(std::string(KADROLIN_SOURCE_DIR) + "/records/schema.sql", std::ios::binary);
    std::string onDisk((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(onDisk, SchemaSql());
    // No collation of our own in the schema: other tools must read and write the file.
    EXPECT_EQ(onDisk.find("COLLATE"), std::string::npos);
}

TEST(RecordCommands, DeleteQuestionDoublesSingleQuotes) {
    struct Case {
        const char *Name, *Question;
    } cases[] = {
        {"Ali Veli", "'Ali Veli' adlı kişiye ait tüm kayıtlar silinsin mi?"},
        {"O'Brien", "'O''Brien' adlı kişiye ait tüm kayıtlar silinsin mi?"},
        {"''", "'''''' adlı kişiye ait tüm kayıtlar silinsin mi?"},
        {"", "'' adlı kişiye ait tüm kayıtlar silinsin mi?"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(DeleteQuestion(c.Name), c.Question);
}

TEST(RecordCommands, StatementsKeepTheirMeaning) {
    EXPECT_EQ(InitialStatement().Sql, "Select * From tarvelion");
    EXPECT_EQ(OrderedStatement().Sql, "SELECT * FROM tarvelion ORDER BY A_Adi COLLATE TR, Id");
    auto s = SearchStatement("Ali \"x'");
    EXPECT_EQ(s.Sql, "SELECT * FROM tarvelion WHERE A_Adi LIKE ?1 ORDER BY A_Adi COLLATE TR, Id");
    ASSERT_EQ(s.Params.size(), 1u);
    EXPECT_EQ(s.Params[0].Bytes, "Ali \"x'%");
    data::TQuery closed;
    EXPECT_EQ(RecordCountText(closed), "  Toplam kayıt : 0 / 0");
    EXPECT_FALSE(EditCommandEnabled(closed));
    EXPECT_FALSE(PostCommandEnabled(closed));
}

TEST(TcKimlikNo, ChecksLengthDigitsAndBothCheckDigits) {
    const struct {
        const char *Number;
        bool Ok;
    } cases[] = {
        {"", true},           {"10000000146", true}, {"12345678950", true},  {"10000000147", false},
        {"10000000156", false}, {"01234567890", false}, {"1000000014", false}, {"1000000014a", false},
        {"100000001460", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TcKimlikNoWarning(c.Number).empty(), c.Ok) << c.Number;
}
