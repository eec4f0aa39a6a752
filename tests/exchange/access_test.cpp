// Access files through libmdb: Northwind's employees with their OLE photos,
// dates as Access stores them, and pictures that cannot be stored.
#include "exchange/exchange.h"
#include "exchange/photo.h"
#include "exchange/runs.h"
#include "exchangetestutil.h"
#include "pictures/jpegcodec.h"

#include <gtest/gtest.h>

using namespace kadrolin;
using namespace kadrolin::exchange;
using namespace kadrolin::testing;

namespace {

const std::string kJet = std::string(KADROLIN_FIXTURES) + "/jet/";

std::unique_ptr<TBitmap> Decode(const std::string &jpeg) {
    TJPEGStreamDecompressor d;
    TMemoryStream s(jpeg.data(), jpeg.size());
    d.AttachSource(s);
    auto b = d.DecompressToBitmap();
    d.DetachSource();
    return b;
}

} // namespace

TEST(Access, NorthwindEmployeesComeInWithJpegPhotosThroughTheMap) {
    TTempDir dir;
    WriteBytes(dir / "map.ini",
               "[Alanlar]\nA_Adi=FirstName,LastName      ; several source columns are joined by one "
               "blank\nA_Resim=Photo\n");
    std::string reg = MakeRegister(dir, {});
    data::TDatabase db(reg);
    TImportOptions o;
    o.Table = "Employees";
    o.MapFile = dir / "map.ini";
    auto r = ImportFile(db, kJet + "nwind.mdb", o);
    EXPECT_EQ(r.Added, 9);
    EXPECT_EQ(r.Unmapped.front(), "EmployeeID");
    auto people = People(reg);
    ASSERT_EQ(people.size(), 9u);
    EXPECT_EQ(people[0].at("A_Adi"), "Andrew Fuller");
    EXPECT_EQ(people[8].at("A_Adi"), "Steven Buchanan");
    for (const auto &p : people) {
        const std::string &photo = p.at("A_Resim");
        ASSERT_TRUE(photo.starts_with("\xFF\xD8\xFF\xE0\x00\x10JFIF")) << p.at("A_Adi");
        ASSERT_TRUE(photo.ends_with("\xFF\xD9")) << p.at("A_Adi");
        auto bitmap = Decode(photo);
        EXPECT_EQ(bitmap->Depth(), 24);
        EXPECT_GT(bitmap->Width(), 100);
        EXPECT_GT(bitmap->Height(), 100);
    }
}

TEST(Access, ReadsTablesDatesAndTextOfJetAndAceFiles) {
    EXPECT_EQ(SourceTables(kJet + "DateTestDatabase.mdb"), std::vector<std::string>{"DateTest"});
    auto r = OpenReader(kJet + "DateTestDatabase.mdb", "datetest");
    EXPECT_EQ(r->Columns(), (std::vector<std::string>{"IDCol", "DateTimeCol", "DateCol", "TimeCol",
                                                      "LongTextCol", "ShortTextCol"}));
    std::vector<std::vector<std::string>> rows;
    std::vector<data::TValue> row;
    while (r->Next(row))
        rows.push_back({row[1].Bytes, row[2].Bytes, row[4].Bytes});
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"02.12.2021", "02.12.2021", "Hello"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"01.01.9999", "01.01.9999", "Year 9999"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"01.01.1898", "01.01.1899", "Pre-1900 years"}));

    auto ace = OpenReader(kJet + "ASampleDatabase.accdb", "Asset Items");
    ASSERT_TRUE(ace->Next(row));
    EXPECT_EQ(row[0].Bytes, "30050");
    EXPECT_EQ(row[2].Bytes, "GEO Rocket");
    EXPECT_EQ(row[7].Bytes, "02.09.1997");
}

TEST(Access, AnotherProgramsFileIsRefusedWithItsTablesListed) {
    TTempDir dir;
    std::string reg = MakeRegister(dir, {{{"A_Adi", "Ali Veli"}}});
    const std::string before = ReadBytes(reg);
    const struct {
        std::string File, Table, Message;
    } cases[] = {
        {kJet + "nwind.mdb", "",
         "\"tarvelion\" tablosu yok (eski programın dosyası değil); hangi tablonun alınacağını "
         "seçin (--table): Order Details, Orders, Products,"},
        {kJet + "DateTestDatabase.mdb", "Kişiler", "'Kişiler' tablosu yok; tablolar: DateTest."},
        {kJet + "README.md", "", "bir Access veritabanı değil"},
    };
    for (const auto &c : cases) {
        std::string file = c.File;
        if (file.ends_with("README.md")) {
            file = dir / "readme.mdb";
            WriteBytes(file, ReadBytes(c.File));
        }
        data::TDatabase db(reg);
        TImportOptions o;
        o.Table = c.Table;
        try {
            ImportFile(db, file, o);
            ADD_FAILURE() << file;
        } catch (const EExchangeError &e) {
            EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(ReadBytes(reg), before);
}

TEST(Photo, PicturesBecomeOurJpegOrFailWithTheirReason) {
    // A 2x1 24-bit bitmap file, both pixels red.
    std::string bmp = std::string("BM") + std::string("\x3E\0\0\0\0\0\0\0\x36\0\0\0", 12) +
                      std::string("\x28\0\0\0\x02\0\0\0\x01\0\0\0\x01\0\x18\0\0\0\0\0\x08\0\0\0", 24) +
                      std::string(16, '\0') + std::string("\0\0\xFF\0\0\xFF\0\0", 8);
    const std::string jpeg = PhotoToJpeg(bmp);
    auto decoded = Decode(jpeg);
    EXPECT_EQ(decoded->Width(), 2);
    EXPECT_GT(decoded->Pixel(0, 0).Red, 200);
    EXPECT_LT(decoded->Pixel(1, 0).Blue, 60); // the true colours: no red and blue swapped

    const struct {
        const char *Name;
        std::string Bytes, Message;
    } bad[] = {
        {"not a picture", "GIF89a....", "tanınmayan biçimde"},
        {"cut bitmap", bmp.substr(0, 40), ""},
        {"jpeg header only", jpeg.substr(0, 2) + "\xFF", ""},
        {"1-bit bitmap",
         std::string("BM\x3E\0\0\0\0\0\0\0\x3E\0\0\0", 14) +
             std::string("\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x01\0\0\0\0\0\x04\0\0\0", 24) +
             std::string(16, '\0') + std::string("\0\0\0\0\xFF\xFF\xFF\0\x80\0\0\0", 12),
         "Unable to compress at 1 bit resolution"},
    };
    for (const auto &c : bad) {
        std::vector<data::TValue> source = {data::TValue::Text("Ali"), data::TValue::Blob(c.Bytes)};
        TMapping m = GuessMapping({"A_Adi", "A_Resim"});
        try {
            MapRow(m, {"A_Adi", "A_Resim"}, source, "'x.mdb', satır 4", nullptr);
            ADD_FAILURE() << c.Name;
        } catch (const EExchangeError &e) {
            const std::string what = e.what();
            EXPECT_TRUE(what.starts_with("'x.mdb', satır 4, sütun 'A_Resim': resim çözülemedi.")) << what;
            EXPECT_NE(what.find(c.Message), std::string::npos) << what;
        }
    }
}
