// The data-aware photo over a real SQLite file: what the column holds after
// loading, storing, clearing and cancelling, when it is decoded, and what
// the user sees and is told.
#include "pictures/dbjpegimage.h"
#include "pictures/jpegbitmap.h"
#include "pictures/pictureclipboard.h"
#include "pictures/picturecommands.h"
#include "platform/graphics/metafile.h"
#include "platform/graphics/qtimage.h"
#include "platform/widgets/dialogs.h"

#include "jpegtestutil.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QMimeData>
#include <QTest>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <optional>

using namespace kadrolin;
using namespace kadrolin::data;
using jt::Bytes;

namespace {

// A register of people with a photo column, in a fresh directory.
class TPhotoFile {
  public:
    TPhotoFile() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kadrolin-photo-XXXXXX").string();
        Dir = mkdtemp(tmpl.data());
        Exec("CREATE TABLE people (Id INTEGER PRIMARY KEY, A_Adi TEXT, A_Mail TEXT, A_Resim BLOB)");
    }
    ~TPhotoFile() {
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }
    std::string File() const { return Dir + "/Data.mdb"; }
    std::string Path(const std::string &name) const { return Dir + "/" + name; }

    void Exec(const std::string &sql, const std::optional<Bytes> &blob = std::nullopt) const {
        sqlite3 *db = nullptr;
        ASSERT_EQ(sqlite3_open(File().c_str(), &db), SQLITE_OK);
        sqlite3_stmt *st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        if (blob) sqlite3_bind_blob(st, 1, blob->data(), static_cast<int>(blob->size()), SQLITE_TRANSIENT);
        EXPECT_EQ(sqlite3_step(st), SQLITE_DONE);
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
    void AddPerson(const std::string &name, const std::optional<Bytes> &photo) const {
        if (photo)
            Exec("INSERT INTO people (A_Adi, A_Resim) VALUES ('" + name + "', ?1)", photo);
        else
            Exec("INSERT INTO people (A_Adi) VALUES ('" + name + "')");
    }
    // The stored photo; nullopt for NULL.
    std::optional<Bytes> Photo(const std::string &name) const {
        sqlite3 *db = nullptr;
        sqlite3_open_v2(File().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt *st = nullptr;
        std::optional<Bytes> out;
        sqlite3_prepare_v2(db, "SELECT A_Resim FROM people WHERE A_Adi = ?1", -1, &st, nullptr);
        sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL) {
            auto p = static_cast<const std::uint8_t *>(sqlite3_column_blob(st, 0));
            out = Bytes(p, p + sqlite3_column_bytes(st, 0));
        }
        sqlite3_finalize(st);
        sqlite3_close(db);
        return out;
    }
    void WriteFile(const std::string &name, const Bytes &bytes) const {
        std::ofstream(Path(name), std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void WriteBitmap(const std::string &name, const TBitmap &b) const {
        TMemoryStream s;
        b.SaveToStream(s);
        WriteFile(name, s.Data());
    }
    std::string Dir;
};

bool IsJPEGStream(const std::optional<Bytes> &b) {
    return b && b->size() > 4 && (*b)[0] == 0xFF && (*b)[1] == 0xD8 && (*b)[b->size() - 2] == 0xFF &&
           b->back() == 0xD9;
}

TBitmap Paletted(int w, int h, int depth) {
    TBitmap b(w, h, depth);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < (w * depth + 7) / 8; ++x)
            b.ScanLine(y)[x] = static_cast<std::uint8_t>(x * 37 + y * 11);
    return b;
}

class PhotoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        RegisterJPEGBitmap();
        Dialogs.AnswerWith([this](const TDialogCall &c) {
            if (c.Kind == "Error") Errors.push_back(c.Text.toStdString());
            return int(mrOk);
        });
        Panel = std::make_unique<QWidget>();
        Panel->resize(200, 200);
        Image = new TDBJPEGImage(Panel.get());
        Image->setGeometry(0, 0, 109, 131);
    }
    void Open(const std::string &sql = "SELECT * FROM people ORDER BY Id", const char *field = "A_Resim") {
        Query.SetDatabaseName(Db.File());
        Query.SetSQL(sql);
        Source.SetDataSet(&Query);
        Image->SetDataSource(&Source);
        Image->SetDataField(field);
        Query.Open();
    }
    // Deferred error boxes are shown once the events run.
    std::vector<std::string> TakeErrors() {
        QCoreApplication::processEvents();
        auto e = Errors;
        Errors.clear();
        return e;
    }
    QSize Shown() const { return {Image->Picture().Width(), Image->Picture().Height()}; }

    TPhotoFile Db;
    TQuery Query{"ADOQuery1"};
    TDataSource Source;
    TScriptedDialogs Dialogs;
    std::vector<std::string> Errors;
    std::unique_ptr<QWidget> Panel;
    TDBJPEGImage *Image = nullptr;
};

// ---------------------------------------------------------------- reading

TEST_F(PhotoTest, NullAndEmptyColumnsClearThePhotoWithoutDecoding) {
    Db.AddPerson("Ali", jt::Encode(jt::Photo(40, 30)));
    Db.AddPerson("Veli", std::nullopt);
    Db.AddPerson("Can", Bytes{});
    Db.AddPerson("Ece", jt::Encode(jt::Photo(20, 10)));
    Open();
    EXPECT_EQ(Shown(), QSize(40, 30));
    const int opened = Image->DecodeCount();
    EXPECT_EQ(opened, 1) << "opening decodes the first photo once";
    struct Step {
        const char *Name;
        bool HasPhoto;
        int Decodes;
    };
    for (const Step &s : {Step{"Veli", false, 1}, Step{"Can", false, 1}, Step{"Ece", true, 2}}) {
        Query.Next();
        SCOPED_TRACE(s.Name);
        EXPECT_EQ(Image->Picture().Graphic() != nullptr, s.HasPhoto);
        EXPECT_EQ(Image->DecodeCount(), opened + s.Decodes - 1);
        EXPECT_TRUE(Image->PictureLoaded());
    }
    // Repainting draws what was decoded; it never decodes again.
    Image->grab();
    Image->repaint();
    EXPECT_EQ(Image->DecodeCount(), opened + 1);
    EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(PhotoTest, ColumnThatIsNotJPEGReportsOncePerDataChangeAndKeepsThePreviousPhoto) {
    TBitmap bmp(8, 8, 24);
    TMemoryStream bmpFile;
    bmp.SaveToStream(bmpFile);
    Db.AddPerson("Ali", jt::Encode(jt::Photo(40, 30)));
    for (int i = 0; i < 20; ++i)
        Db.AddPerson("Bad" + std::to_string(i), bmpFile.Data());
    Open();
    Query.Next();
    EXPECT_EQ(TakeErrors(), std::vector<std::string>{"Not a JPEG file: starts with 0x42 0x4d"});
    EXPECT_EQ(Shown(), QSize(40, 30)) << "the previous photo stays";
    EXPECT_FALSE(Image->PictureLoaded());
    // A key held down over many bad records: one box, not one per record.
    for (int i = 0; i < 19; ++i)
        Query.Next();
    EXPECT_EQ(TakeErrors().size(), 1u);
    // The next data change tries again.
    Query.Prior();
    EXPECT_EQ(TakeErrors().size(), 1u);
}

TEST_F(PhotoTest, TypingIntoAnotherColumnReadsThePhotoOnceWhenTheRecordEntersEditing) {
    Db.AddPerson("Ali", jt::Encode(jt::Photo(40, 30)));
    Open();
    const int opened = Image->DecodeCount();
    Source.Edit();
    EXPECT_EQ(Image->DecodeCount(), opened + 1);
    Query.FieldByName("A_Adi").SetAsString("Ali Can");
    Query.FieldByName("A_Adi").SetAsString("Ali Cano");
    EXPECT_EQ(Image->DecodeCount(), opened + 1);
    Query.Post();
    EXPECT_TRUE(IsJPEGStream(Db.Photo("Ali Cano")));
}

TEST_F(PhotoTest, GraySwitchTakesEffectAtTheNextDataChangeOnly) {
    const Bytes colour = jt::Encode(jt::Photo(40, 30));
    Db.AddPerson("Ali", colour);
    Db.AddPerson("Veli", colour);
    TJPEGFileDecompressor jpgCompr;
    Image->SetJPEGDecompressor(&jpgCompr);
    Open();
    ASSERT_EQ(Image->Picture().Bitmap()->Depth(), 24);
    jpgCompr.GrayScaleOutput = true;
    Image->repaint();
    EXPECT_EQ(Image->Picture().Bitmap()->Depth(), 24) << "the photo on screen stays in colour";
    Query.Next();
    EXPECT_EQ(Image->Picture().Bitmap()->Depth(), 8);
    EXPECT_EQ(Image->Picture().Bitmap()->Palette().size(), 64u);
    EXPECT_EQ(Db.Photo("Veli"), colour) << "the column keeps its colour stream";
}

TEST_F(PhotoTest, CodecsDestroyedBeforeTheControlAreDroppedForTheSharedOnes) {
    const Bytes colour = jt::Encode(jt::Photo(40, 30));
    Db.AddPerson("Ali", colour);
    Db.AddPerson("Veli", colour);
    {
        auto decoder = std::make_unique<TJPEGFileDecompressor>();
        auto encoder = std::make_unique<TJPEGFileCompressor>();
        decoder->GrayScaleOutput = true;
        Image->SetJPEGDecompressor(decoder.get());
        Image->SetJPEGCompressor(encoder.get());
        Open();
        ASSERT_EQ(Image->Picture().Bitmap()->Depth(), 8) << "the control's own decoder is used";
    }
    EXPECT_EQ(Image->JPEGDecompressor(), nullptr);
    EXPECT_EQ(Image->JPEGCompressor(), nullptr);
    // Under the sanitizer a stale reference here is a use after free.
    Query.Next();
    EXPECT_EQ(Image->Picture().Bitmap()->Depth(), 24) << "the shared decoder, with default settings";
    Image->Picture().SetGraphic(std::make_unique<TBitmap>(jt::Photo(24, 16)));
    ASSERT_EQ(Query.State(), dsEdit);
    Query.Post();
    EXPECT_TRUE(IsJPEGStream(Db.Photo("Veli")));
    EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(PhotoTest, ClosingAndReopeningClearsAndReloads) {
    Db.AddPerson("Ali", jt::Encode(jt::Photo(40, 30)));
    Open();
    Query.Close();
    EXPECT_EQ(Image->Picture().Graphic(), nullptr);
    Query.Open();
    EXPECT_EQ(Shown(), QSize(40, 30));
}

TEST_F(PhotoTest, ColumnThatIsNotALargeObjectUnbindsTheControl) {
    Db.AddPerson("Ali", jt::Encode(jt::Photo(40, 30)));
    Open("SELECT * FROM people ORDER BY Id", "A_Adi");
    EXPECT_EQ(TakeErrors(), std::vector<std::string>{"A_Adi is not a Blob Field"});
    EXPECT_TRUE(Image->DataField().isEmpty());
    EXPECT_EQ(Image->Picture().Graphic(), nullptr);
}

// ---------------------------------------------------------------- changing and storing

TEST_F(PhotoTest, LoadedFileIsStoredAsAFreshJPEGStream) {
    Db.WriteFile("photo.jpg", jt::Encode(jt::Photo(64, 48)));
    Db.WriteFile("PHOTO2.JPG", jt::Encode(jt::Photo(33, 17)));
    Db.WriteBitmap("p24.bmp", jt::Photo(30, 20));
    Db.WriteBitmap("p8.bmp", Paletted(31, 9, 8));
    Db.WriteBitmap("p4.bmp", Paletted(13, 7, 4));
    struct Case {
        const char *File;
        QSize Size;
    };
    const Case cases[] = {{"photo.jpg", {64, 48}},
                          {"PHOTO2.JPG", {33, 17}},
                          {"p24.bmp", {30, 20}},
                          {"p8.bmp", {31, 9}},
                          {"p4.bmp", {13, 7}}};
    for (const Case &c : cases)
        Db.AddPerson(c.File, std::nullopt);
    Open();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.File);
        ASSERT_EQ(Query.FieldByName("A_Adi").AsString(), c.File);
        ASSERT_EQ(Query.State(), dsBrowse);
        LoadPictureFile(*Image, QString::fromStdString(Db.Path(c.File)));
        EXPECT_EQ(Query.State(), dsEdit) << "a photo change puts the record into editing";
        EXPECT_EQ(Db.Photo(c.File), std::nullopt) << "nothing is written before storing";
        const int decodes = Image->DecodeCount();
        Query.Post();
        const auto stored = Db.Photo(c.File);
        EXPECT_TRUE(IsJPEGStream(stored));
        EXPECT_EQ(Image->DecodeCount(), decodes + 1) << "what is shown is the stored stream, read back";
        EXPECT_EQ(Shown(), c.Size);
        TJPEGStreamDecompressor d;
        EXPECT_EQ(jt::Decode(d, *stored)->Width(), c.Size.width());
        Query.Next();
    }
    EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(PhotoTest, CancelBringsTheStoredPhotoBack) {
    const Bytes original = jt::Encode(jt::Photo(40, 30));
    Db.AddPerson("Ali", original);
    Db.WriteBitmap("other.bmp", jt::Photo(12, 12));
    Open();
    struct Change {
        const char *What;
        std::function<void()> Do;
    };
    const Change changes[] = {
        {"file", [&] { LoadPictureFile(*Image, QString::fromStdString(Db.Path("other.bmp"))); }},
        {"delete", [&] { DeletePicture(*Image); }},
        {"cut", [&] { Image->CutPicture(); }},
    };
    for (const Change &c : changes) {
        SCOPED_TRACE(c.What);
        c.Do();
        EXPECT_EQ(Query.State(), dsEdit);
        EXPECT_NE(Shown(), QSize(40, 30));
        Query.Cancel();
        EXPECT_EQ(Query.State(), dsBrowse);
        EXPECT_EQ(Shown(), QSize(40, 30));
        EXPECT_EQ(Db.Photo("Ali"), original);
    }
}

TEST_F(PhotoTest, ClearedPhotoIsStoredAsNull) {
    Db.AddPerson("Ali", jt::Encode(jt::Photo(40, 30)));
    Open();
    DeletePicture(*Image);
    EXPECT_EQ(Query.State(), dsEdit);
    Query.Post();
    EXPECT_EQ(Db.Photo("Ali"), std::nullopt);
    EXPECT_EQ(Image->Picture().Graphic(), nullptr);
}

TEST_F(PhotoTest, NewRecordIsStoredWithItsPhoto) {
    Db.AddPerson("Ali", std::nullopt);
    Db.WriteBitmap("new.bmp", jt::Photo(22, 11));
    Open();
    Query.Insert();
    Query.FieldByName("A_Adi").SetAsString("Yeni");
    LoadPictureFile(*Image, QString::fromStdString(Db.Path("new.bmp")));
    EXPECT_EQ(Query.State(), dsInsert);
    Query.Post();
    EXPECT_TRUE(IsJPEGStream(Db.Photo("Yeni")));
    EXPECT_EQ(Shown(), QSize(22, 11));
}

// A 2 x 2 icon file with 32-bit pixels and its mask.
Bytes TinyIcon() {
    Bytes b{0, 0, 1, 0, 1, 0, 2, 2, 0, 0, 1, 0, 32, 0, 64, 0, 0, 0, 22, 0, 0, 0};
    const std::uint32_t header[] = {40, 2, 4};
    for (std::uint32_t v : header)
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    b.insert(b.end(), {1, 0, 32, 0});
    b.insert(b.end(), 24, 0);
    for (int i = 0; i < 4; ++i)
        b.insert(b.end(), {0, 0, 255, 255});
    b.insert(b.end(), 8, 0);
    return b;
}

TEST_F(PhotoTest, PhotoThatCannotBeStoredFailsThePostAndStaysOnScreen) {
    Db.WriteBitmap("mono.bmp", Paletted(16, 16, 1));
    Db.WriteFile("tiny.ico", TinyIcon());
    Db.WriteBitmap("ok.bmp", jt::Photo(16, 16));
    struct Case {
        const char *File;
        QSize Size;
        std::string Error;
    };
    const Case cases[] = {
        {"mono.bmp", {16, 16}, "Unable to compress at 1 bit resolution"},
        {"tiny.ico", {2, 2}, "cannot save a picture that is neither a bitmap nor metafile"}};
    for (const Case &c : cases)
        Db.AddPerson(c.File, std::nullopt);
    Open();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.File);
        ASSERT_EQ(Query.FieldByName("A_Adi").AsString(), c.File);
        LoadPictureFile(*Image, QString::fromStdString(Db.Path(c.File)));
        EXPECT_EQ(Shown(), c.Size) << "shown, though it cannot be stored";
        EXPECT_EQ(jt::ErrorOf([&] { Query.Post(); }), c.Error);
        EXPECT_EQ(Query.State(), dsEdit);
        EXPECT_EQ(Shown(), c.Size);
        EXPECT_EQ(Db.Photo(c.File), std::nullopt);
        // A storable photo then goes through.
        LoadPictureFile(*Image, QString::fromStdString(Db.Path("ok.bmp")));
        Query.Post();
        EXPECT_TRUE(IsJPEGStream(Db.Photo(c.File)));
        Query.Next();
    }
}

TEST_F(PhotoTest, FilesThatCannotBeLoadedLeaveRecordAndPhotoUnchanged) {
    const Bytes original = jt::Encode(jt::Photo(40, 30));
    Db.AddPerson("Ali", original);
    Db.WriteFile("text.jpg", Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
    Db.WriteFile("empty.jpg", Bytes{});
    Db.WriteFile("empty.bmp", Bytes{});
    Db.WriteFile("notes.txt", Bytes{'x'});
    // A header that claims 60000 x 60000 pixels: refused before any buffer.
    Bytes huge = jt::Encode(jt::Photo(16, 16));
    for (std::size_t i = 2; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = huge[i + 7] = 0xEA;
            huge[i + 6] = huge[i + 8] = 0x60;
            break;
        }
    Db.WriteFile("huge.jpg", huge);
    Open();
    const TGraphic *before = Image->Picture().Graphic();
    for (const char *name : {"text.jpg", "empty.jpg", "empty.bmp", "notes.txt", "vanished.jpg", "huge.jpg"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(jt::ErrorOf([&] { LoadPictureFile(*Image, QString::fromStdString(Db.Path(name))); }),
                  "Geçersiz resim formatı");
        EXPECT_EQ(Query.State(), dsBrowse);
        EXPECT_EQ(Image->Picture().Graphic(), before);
    }
    EXPECT_EQ(Db.Photo("Ali"), original);
}

TEST_F(PhotoTest, ReadOnlyUndoesPasteAndFileButCutStillCopies) {
    Db.AddPerson("Ali", jt::Encode(jt::Photo(40, 30)));
    Db.WriteBitmap("other.bmp", jt::Photo(12, 12));
    Open();
    Image->SetReadOnly(true);
    LoadPictureFile(*Image, QString::fromStdString(Db.Path("other.bmp")));
    EXPECT_EQ(Query.State(), dsBrowse);
    EXPECT_EQ(Shown(), QSize(40, 30));
    QApplication::clipboard()->clear();
    Image->CutPicture();
    EXPECT_TRUE(ClipboardHasPicture());
    EXPECT_EQ(Shown(), QSize(40, 30));
    QImage small(5, 5, QImage::Format_RGB32);
    small.fill(Qt::red);
    QApplication::clipboard()->setImage(small);
    Image->PastePicture();
    EXPECT_EQ(Shown(), QSize(40, 30));
    EXPECT_EQ(Query.State(), dsBrowse);
}

// ---------------------------------------------------------------- clipboard

TEST_F(PhotoTest, ClipboardRoundTrips) {
    Db.AddPerson("Ali", jt::Encode(jt::Photo(40, 30)));
    Db.AddPerson("Veli", std::nullopt);
    Open();
    const QImage shown = PictureImage(Image->Picture());
    Image->CopyPicture();
    EXPECT_EQ(Query.State(), dsBrowse) << "copying changes nothing";
    ASSERT_TRUE(ClipboardHasPicture());
    Query.Next();
    ASSERT_EQ(Image->Picture().Graphic(), nullptr);
    Image->PastePicture();
    EXPECT_EQ(Query.State(), dsEdit);
    EXPECT_EQ(PictureImage(Image->Picture()).convertToFormat(QImage::Format_RGB32),
              shown.convertToFormat(QImage::Format_RGB32));
    Query.Post();
    EXPECT_TRUE(IsJPEGStream(Db.Photo("Veli")));

    // A palette survives the trip: a gray photo comes back with its 64 levels.
    TPicture gray;
    TJPEGStreamDecompressor d;
    d.GrayScaleOutput = true;
    gray.SetGraphic(std::unique_ptr<TGraphic>(jt::Decode(d, jt::Encode(jt::Photo(8, 8)))));
    CopyPictureToClipboard(gray);
    TPicture back;
    PastePictureFromClipboard(back);
    ASSERT_NE(back.Bitmap(), nullptr);
    EXPECT_EQ(back.Bitmap()->Depth(), 8);
    EXPECT_EQ(back.Bitmap()->Pixel(3, 3), gray.Bitmap()->Pixel(3, 3));
}

TEST_F(PhotoTest, CutCopyPasteAskedByNameGoThroughTheErrorBox) {
    Db.AddPerson("Ali", jt::Encode(jt::Photo(40, 30)));
    Db.AddPerson("Veli", std::nullopt);
    Open();
    QGuiApplication::clipboard()->setText("not a picture");
    ASSERT_TRUE(QMetaObject::invokeMethod(Image, "paste"));
    EXPECT_EQ(TakeErrors(), std::vector<std::string>{"Invalid clipboard format"});
    EXPECT_EQ(Shown(), QSize(40, 30)) << "the photo is unchanged";
    EXPECT_EQ(Query.State(), dsBrowse);

    ASSERT_TRUE(QMetaObject::invokeMethod(Image, "cut"));
    EXPECT_EQ(Image->Picture().Graphic(), nullptr);
    EXPECT_EQ(Query.State(), dsEdit) << "a cut is a picture change";
    ASSERT_TRUE(ClipboardHasPicture());
    Query.Cancel();
    EXPECT_EQ(Shown(), QSize(40, 30));
    Query.Next();
    ASSERT_TRUE(QMetaObject::invokeMethod(Image, "paste"));
    EXPECT_EQ(Shown(), QSize(40, 30));
    EXPECT_EQ(Query.State(), dsEdit);
    QGuiApplication::clipboard()->clear();
    ASSERT_TRUE(QMetaObject::invokeMethod(Image, "copy"));
    EXPECT_TRUE(ClipboardHasPicture());
    EXPECT_TRUE(TakeErrors().empty());
}

// The smallest enhanced metafile: its header and the end record.
Bytes TinyEMF() {
    std::vector<std::uint32_t> words{1,       108, 0, 0,      99,     49, 0,  0,    2646, 1323, 0x464D4520,
                                     0x10000, 128, 2, 1,      0,      0,  0,  1024, 768,  320,  240,
                                     0,       0,   0, 320000, 240000, 14, 20, 0,    16,   20};
    Bytes b;
    for (std::uint32_t v : words)
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return b;
}

TEST(PictureClipboard, MetafileGoesAsItsBytesWithADrawnImageAndComesBackAsAMetafile) {
    const Bytes emf = TinyEMF();
    TMetafileHeader header;
    if (!ReadMetafileHeader(emf.data(), emf.size(), header))
        GTEST_SKIP() << "the metafile player does not read it";
    TPicture pic;
    auto meta = std::make_unique<TMetafile>();
    meta->LoadFromBytes(emf.data(), emf.size());
    pic.SetGraphic(std::move(meta));
    std::unique_ptr<QMimeData> data(PictureMimeData(pic));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->formats().first(), "image/x-emf");
    EXPECT_TRUE(data->hasImage()) << "for programs that do not read metafiles";
    CopyPictureToClipboard(pic);
    TPicture back;
    PastePictureFromClipboard(back);
    ASSERT_NE(back.Metafile(), nullptr);
    EXPECT_EQ(back.Metafile()->Data(), emf);
}

TEST(PictureClipboard, PasteTakesTheFirstUsableFormatInTheClipboardsOrder) {
    QImage red(3, 2, QImage::Format_RGB32);
    red.fill(Qt::red);
    QByteArray png;
    {
        QBuffer buf(&png);
        buf.open(QIODevice::WriteOnly);
        red.save(&buf, "PNG");
    }
    struct Case {
        const char *What;
        std::function<QMimeData *()> Make;
        std::string Error;
        QSize Size;
    };
    const Case cases[] = {
        {"image from another program",
         [&] {
             auto *m = new QMimeData;
             m->setData("image/png", png);
             return m;
         },
         "",
         {3, 2}},
        {"text only",
         [] {
             auto *m = new QMimeData;
             m->setText("hello");
             return m;
         },
         "Invalid clipboard format",
         {0, 0}},
        {"bad metafile bytes, then an image",
         [&] {
             auto *m = new QMimeData;
             m->setData("image/x-emf", "not a metafile");
             m->setData("image/png", png);
             return m;
         },
         "",
         {3, 2}},
        {"an image type holding garbage",
         [] {
             auto *m = new QMimeData;
             m->setData("image/bmp", "garbage");
             return m;
         },
         "Invalid clipboard format",
         {0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.What);
        std::unique_ptr<QMimeData> data(c.Make());
        TPicture pic;
        EXPECT_EQ(jt::ErrorOf([&] { PastePictureFromMime(pic, data.get()); }), c.Error);
        EXPECT_EQ(QSize(pic.Width(), pic.Height()), c.Size);
    }
    std::unique_ptr<QMimeData> text(new QMimeData);
    text->setText("x");
    EXPECT_FALSE(MimeHasPicture(text.get()));
    EXPECT_FALSE(MimeHasPicture(nullptr));
}

// ---------------------------------------------------------------- commands

TEST_F(PhotoTest, FileDialogOffersTheDesignedFilterAndCancelChangesNothing) {
    Db.AddPerson("Ali", std::nullopt);
    Db.WriteBitmap("p.bmp", jt::Photo(9, 9));
    Open();
    TScriptedDialogs script;
    QString answer;
    script.AnswerWith([&](const TDialogCall &c) {
        if (c.Kind != "OpenFile") return int(mrOk);
        if (answer.isEmpty()) return int(mrCancel);
        *c.FileName = answer;
        return int(mrOk);
    });
    EXPECT_FALSE(AddPictureFromFile(*Image, nullptr));
    EXPECT_EQ(Query.State(), dsBrowse);
    EXPECT_EQ(Image->Picture().Graphic(), nullptr);
    ASSERT_EQ(script.Calls().size(), 1u);
    EXPECT_EQ(script.Calls()[0].FilterIndex, 0);

    // The dialog shows the four descriptions exactly as designed, the first selected,
    // and the bitmap entry still matches bitmaps.
    QFileDialog dlg;
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    ConfigureOpenFileDialog(dlg, script.Calls()[0].Filter, script.Calls()[0].FilterIndex);
    auto *combo = dlg.findChild<QComboBox *>("fileTypeCombo");
    ASSERT_NE(combo, nullptr);
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i)
        shown << combo->itemText(i);
    EXPECT_EQ(shown,
              (QStringList{QString::fromUtf8("Tüm Resimler (*.jpg, *.bmp, *.wmf)"),
                           QString::fromUtf8("Jpeg Resim (*.jpg)"), QString::fromUtf8("Bit Eşlem (-.bmp)"),
                           QString::fromUtf8("Meta Dosyası (*.wmf)")}));
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(FilterDescriptions(QString::fromUtf8(OpenDialog1Filter)), shown);
    EXPECT_EQ(script.Calls()[0].Filter,
              QString::fromUtf8("Tüm Resimler (*.jpg, *.bmp, *.wmf) (*.jpg *.bmp *.wmf);;Jpeg Resim (*.jpg) "
                                "(*.jpg);;Bit Eşlem (-.bmp) (*.bmp);;Meta Dosyası (*.wmf) (*.wmf)"));

    answer = QString::fromStdString(Db.Path("p.bmp"));
    EXPECT_TRUE(AddPictureFromFile(*Image, nullptr));
    EXPECT_EQ(Shown(), QSize(9, 9));
    EXPECT_EQ(Query.State(), dsEdit);
}

TEST_F(PhotoTest, EnabledStatesFollowPhotoClipboardAndMailText) {
    Db.AddPerson("Ali", jt::Encode(jt::Photo(4, 4)));
    Db.AddPerson("Veli", std::nullopt);
    Open();
    struct Case {
        bool Photo, Clipboard;
        const char *Mail;
        TPicturePanelState Want;
    };
    const Case cases[] = {
        {false, false, "", {false, false, false, false, false, false}},
        {false, true, "", {true, false, false, false, false, false}},
        {true, false, "a@b", {false, true, true, true, true, true}},
        {true, true, "a", {true, true, true, true, true, true}},
    };
    for (const Case &c : cases) {
        if (c.Photo) {
            Query.First();
        } else {
            Query.Last();
        }
        EXPECT_EQ(PicturePanelState(*Image, c.Clipboard, QString::fromUtf8(c.Mail)), c.Want);
    }
    // After copying a photo the clipboard holds one.
    QApplication::clipboard()->clear();
    EXPECT_FALSE(ClipboardHasPicture());
    Query.First();
    Image->CopyPicture();
    EXPECT_TRUE(ClipboardHasPicture());
}

// ---------------------------------------------------------------- painting

TEST_F(PhotoTest, PaintsStretchedCentredOrNaturalAndNothingWhenEmpty) {
    Panel->setStyleSheet("background: rgb(0, 0, 255)");
    Panel->setAutoFillBackground(true);
    Db.AddPerson("Ali", std::nullopt);
    Open();
    TBitmap red(20, 10, 24);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            red.ScanLine(y)[3 * x + 2] = 255;
        }
    auto colourAt = [&](int x, int y) { return Panel->grab().toImage().pixelColor(x, y); };
    EXPECT_EQ(colourAt(50, 60), QColor(0, 0, 255)) << "empty: the panel shows through";
    Image->Picture().SetGraphic(&red);
    struct Case {
        bool Stretch, Center;
        QRect Dest;
    };
    for (const Case &c : {Case{true, true, {0, 0, 109, 131}}, Case{false, true, {44, 60, 20, 10}},
                          Case{false, false, {0, 0, 20, 10}}}) {
        Image->SetStretch(c.Stretch);
        Image->SetCenter(c.Center);
        EXPECT_EQ(Image->DestRect(), c.Dest);
        EXPECT_EQ(colourAt(c.Dest.center().x(), c.Dest.center().y()), QColor(255, 0, 0));
        if (!c.Stretch) {
            EXPECT_EQ(colourAt(c.Dest.right() + 2, c.Dest.bottom() + 2), QColor(0, 0, 255));
        }
    }
    // The appearance settings reach the options by name.
    EXPECT_TRUE(Image->setProperty("Stretch", true));
    EXPECT_TRUE(Image->Stretch());
    EXPECT_EQ(Image->property("Center").toBool(), Image->Center());
    Image->setProperty("Stretch", false);
    // A photo larger than the control, centred, is cut off equally on both sides.
    TBitmap wide(209, 10, 24);
    Image->Picture().SetGraphic(&wide);
    Image->SetCenter(true);
    EXPECT_EQ(Image->DestRect(), QRect(-50, 60, 209, 10));
    Image->SetProportional(true);
    EXPECT_EQ(Image->DestRect().width(), 109);
}

TEST_F(PhotoTest, TransparentBitmapLetsThePanelThroughWhereItHasItsCornerColour) {
    Panel->setStyleSheet("background: rgb(0, 0, 255)");
    Panel->setAutoFillBackground(true);
    Db.AddPerson("Ali", std::nullopt);
    Open();
    // White with a green middle; the bottom-left pixel is white.
    TBitmap b(20, 10, 24);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool green = x >= 5 && x < 15 && y >= 3 && y < 7;
            std::uint8_t *px = b.ScanLine(y) + 3 * x;
            px[0] = px[2] = green ? 0 : 255;
            px[1] = 255;
        }
    Image->SetStretch(false);
    Image->SetCenter(false);
    Image->Picture().SetGraphic(&b);
    auto colourAt = [&](int x, int y) { return Panel->grab().toImage().pixelColor(x, y); };
    struct Case {
        bool Transparent;
        QColor Corner;
    };
    for (const Case &c : {Case{false, QColor(255, 255, 255)}, Case{true, QColor(0, 0, 255)},
                          Case{false, QColor(255, 255, 255)}}) {
        EXPECT_TRUE(Image->setProperty("Transparent", c.Transparent));
        EXPECT_EQ(colourAt(1, 1), c.Corner) << c.Transparent;
        EXPECT_EQ(colourAt(18, 8), c.Corner) << c.Transparent;
        EXPECT_EQ(colourAt(10, 5), QColor(0, 255, 0)) << "the rest of the bitmap is drawn";
    }
    // Later pictures follow the setting without it being set again.
    Image->SetTransparent(true);
    TBitmap other = b;
    Image->Picture().SetGraphic(&other);
    EXPECT_EQ(colourAt(1, 1), QColor(0, 0, 255));
}

TEST_F(PhotoTest, AutoSizeTakesTheSizeOfEachPicture) {
    Db.AddPerson("Ali", std::nullopt);
    Open();
    TBitmap small(20, 10, 24), wide(209, 12, 24);
    Image->Picture().SetGraphic(&small);
    EXPECT_EQ(Image->size(), QSize(109, 131)) << "off by default";
    EXPECT_TRUE(Image->setProperty("AutoSize", true));
    EXPECT_EQ(Image->size(), QSize(20, 10)) << "switching it on takes the present picture's size";
    Image->Picture().SetGraphic(&wide);
    EXPECT_EQ(Image->size(), QSize(209, 12));
    Image->Picture().Clear();
    EXPECT_EQ(Image->size(), QSize(209, 12)) << "no picture, no size to take";
    Image->SetAutoSize(false);
    Image->Picture().SetGraphic(&small);
    EXPECT_EQ(Image->size(), QSize(209, 12));
}

TEST_F(PhotoTest, DoubleClickAnywhereRunsTheHandler) {
    Open();
    int runs = 0;
    Image->OnDblClick = [&] { ++runs; };
    QTest::mouseDClick(Image, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseDClick(Image, Qt::LeftButton, {}, QPoint(100, 120));
    EXPECT_EQ(runs, 2);
}

} // namespace

namespace {

TEST_F(PhotoTest, WithoutAutoDisplayNothingIsDecodedUntilItIsSwitchedBackOn) {
    Db.AddPerson("Ali", jt::Encode(jt::Photo(40, 30)));
    Db.AddPerson("Veli", jt::Encode(jt::Photo(20, 10)));
    Image->SetAutoDisplay(false);
    Open();
    EXPECT_EQ(Image->Picture().Graphic(), nullptr);
    Query.Next();
    EXPECT_EQ(Image->DecodeCount(), 0);
    Image->SetAutoDisplay(true);
    EXPECT_EQ(Shown(), QSize(20, 10));
    EXPECT_EQ(Image->DecodeCount(), 1);
}

TEST_F(PhotoTest, APhotoGivenToAnEmptyRegisterStartsANewRecord) {
    Db.WriteBitmap("first.bmp", jt::Photo(10, 10));
    Open();
    ASSERT_TRUE(Query.IsEmpty());
    LoadPictureFile(*Image, QString::fromStdString(Db.Path("first.bmp")));
    EXPECT_EQ(Query.State(), dsInsert);
    Query.FieldByName("A_Adi").SetAsString("Ali");
    Query.Post();
    EXPECT_TRUE(IsJPEGStream(Db.Photo("Ali")));
}

} // namespace
