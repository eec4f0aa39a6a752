// JPEG files opened and saved like any other picture.
#include "jpegtestutil.h"

#include "pictures/jpegbitmap.h"
#include "platform/widgets/dialogs.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kadrolin;
using namespace jt;

namespace {

class JPEGBitmapTest : public testing::Test {
  protected:
    void SetUp() override { RegisterJPEGBitmap(); }
    void TearDown() override { UnregisterJPEGBitmap(); }
    std::string Path(const char *name) { return QDir(FDir.path()).filePath(name).toStdString(); }
    void Write(const std::string &name, const Bytes &bytes) {
        TFileStream f(name, TFileMode::Create);
        f.WriteBuffer(bytes.data(), bytes.size());
    }
    Bytes Read(const std::string &name) {
        TFileStream f(name, TFileMode::OpenRead);
        return f.ReadRest();
    }
    QTemporaryDir FDir;
};

} // namespace

TEST_F(JPEGBitmapTest, JpegFilesOpenByExtensionInAnyCase) {
    Bytes j = Encode(Photo(20, 10));
    for (const char *name : {"a.jpg", "b.JPG", "c.Jpeg", "d.JPEG"}) {
        SCOPED_TRACE(name);
        Write(Path(name), j);
        TPicture pic;
        pic.LoadFromFile(Path(name));
        auto *b = dynamic_cast<TJPEGBitmap *>(pic.Graphic());
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->Width(), 20);
        EXPECT_EQ(b->Depth(), 24);
    }
    EXPECT_EQ(FindFileFormat("jpg")->Description, "JPEG Image");
    EXPECT_EQ(FindFileFormat("jpeg")->Description, "JPEG Image");
    UnregisterJPEGBitmap();
    EXPECT_EQ(FindFileFormat("jpg"), nullptr);
    EXPECT_NE(FindFileFormat("bmp"), nullptr);
    RegisterJPEGBitmap();
}

TEST_F(JPEGBitmapTest, SavesAsJpegOrBitmapByExtension) {
    TMemoryStream s(Encode(Photo(20, 10)));
    TJPEGBitmap b;
    b.LoadFromStream(s);
    struct Case {
        const char *Name;
        bool Jpeg;
    } cases[] = {{"x.bmp", false}, {"x.Jpeg", true}, {"x.JPG", true}, {"x.png", false}, {"noext", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        b.SaveToFile(Path(c.Name));
        EXPECT_FALSE(b.SaveAsBitmap);
        Bytes out = Read(Path(c.Name));
        ASSERT_GE(out.size(), 2u);
        if (c.Jpeg) {
            EXPECT_EQ(out, Encode(b));
        } else {
            TBitmap back;
            back.LoadFromBytes(out.data(), out.size());
            EXPECT_EQ(back.Depth(), 24);
            EXPECT_EQ(0, std::memcmp(back.Bits(), b.Bits(), b.BitsSize()));
        }
    }
    EXPECT_FALSE(ErrorOf([&] { b.SaveToFile(Path("missing/x.bmp")); }).empty());
    EXPECT_FALSE(b.SaveAsBitmap);
}

TEST_F(JPEGBitmapTest, LoadingReportsItsStagesAlsoWhenItFails) {
    std::vector<std::string> texts;
    std::vector<int> percents;
    TJPEGBitmap b;
    b.OnProgress = [&](TGraphic &, TProgressStage, int percent, const std::string &msg) {
        if (texts.empty() || texts.back() != msg) texts.push_back(msg);
        percents.push_back(percent);
    };
    TMemoryStream s(Encode(Photo(64, 64)));
    b.LoadFromStream(s);
    EXPECT_EQ(texts, (std::vector<std::string>{"Opening JPEG Image", "Decompressing Image",
                                               "Decompression completed"}));
    EXPECT_EQ(percents.back(), 100);
    texts.clear();
    TMemoryStream bad(Bytes{1, 2, 3});
    EXPECT_EQ(ErrorOf([&] { b.LoadFromStream(bad); }), "Not a JPEG file: starts with 0x01 0x02");
    EXPECT_EQ(texts, (std::vector<std::string>{"Opening JPEG Image", "Decompression completed"}));
    EXPECT_EQ(b.Width(), 64); // the failed load changed nothing
}

TEST_F(JPEGBitmapTest, AWarningWithoutHandlerIsShownOnceInAWarningBox) {
    Bytes j = Encode(Photo(64, 64));
    j.resize(j.size() * 3 / 4);
    Write(Path("cut.jpg"), j);
    TScriptedDialogs script;
    script.Answer(mrOk);
    TPicture pic;
    pic.LoadFromFile(Path("cut.jpg"));
    EXPECT_EQ(pic.Width(), 64);
    ASSERT_EQ(script.Calls().size(), 1u);
    EXPECT_EQ(script.Calls()[0].Kind, "MessageDlg");
    EXPECT_EQ(script.Calls()[0].Text, "Premature end of JPEG file");
    EXPECT_EQ(script.Calls()[0].Type, mtWarning);
    EXPECT_EQ(script.Calls()[0].Buttons, mbOK);

    // A component with its own handler shows no box.
    script.Clear();
    TJPEGStreamDecompressor d;
    int got = 0;
    d.OnWarning = [&](TJPEGBase &, const std::string &) { ++got; };
    Decode(d, j);
    EXPECT_EQ(got, 1);
    EXPECT_TRUE(script.Calls().empty());
}

TEST_F(JPEGBitmapTest, GrayFilesOpenInTheSixtyFourLevelForm) {
    Bytes gray(32 * 32, 128);
    Write(Path("g.jpg"), LibEncode(gray, 32, 32, 1, JCS_GRAYSCALE));
    TPicture pic;
    pic.LoadFromFile(Path("g.jpg"));
    ASSERT_NE(pic.Bitmap(), nullptr);
    EXPECT_EQ(pic.Bitmap()->Depth(), 8);
    EXPECT_EQ(pic.Bitmap()->Pixel(5, 5).Red, 183);
}
