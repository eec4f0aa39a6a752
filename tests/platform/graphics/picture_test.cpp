// The picture, its registry of file kinds, icons and metafiles.
#include "platform/graphics/bitmap.h"
#include "platform/graphics/icon.h"
#include "platform/graphics/metafile.h"
#include "platform/graphics/picture.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kadrolin;

namespace {

// An icon file with one 2x2 32-bit image whose alpha is all zero, so the AND
// mask decides: the top-left pixel is transparent.
std::vector<std::uint8_t> MakeIcon() {
    std::vector<std::uint8_t> v = {0, 0, 1, 0, 1, 0};
    std::vector<std::uint8_t> img;
    auto p32 = [](std::vector<std::uint8_t> &o, std::uint32_t x) {
        for (int i = 0; i < 4; ++i)
            o.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
    };
    p32(img, 40);
    p32(img, 2);
    p32(img, 4); // colour rows + mask rows
    img.push_back(1);
    img.push_back(0);
    img.push_back(32);
    img.push_back(0);
    for (int i = 0; i < 6; ++i)
        p32(img, 0);
    // bottom row: blue, green; top row: red, white
    for (std::uint32_t px : {0x0000FFu, 0x00FF00u, 0xFF0000u, 0xFFFFFFu})
        p32(img, px);
    // mask, bottom-up, 4 bytes per row: top row's first pixel transparent
    p32(img, 0);
    p32(img, 0x80);
    v.insert(v.end(), {2, 2, 0, 0, 1, 0, 32, 0});
    p32(v, static_cast<std::uint32_t>(img.size()));
    p32(v, 22);
    v.insert(v.end(), img.begin(), img.end());
    return v;
}

} // namespace

TEST(Picture, RegistryMatchesExtensionsWithoutRegardToCase) {
    struct Case {
        const char *Ext;
        bool Known;
    } cases[] = {{"bmp", true}, {"BMP", true},  {"Ico", true}, {"wmf", true},
                 {"EMF", true}, {"gif", false}, {"", false}};
    for (const auto &c : cases)
        EXPECT_EQ(FindFileFormat(c.Ext) != nullptr, c.Known) << c.Ext;
    EXPECT_EQ(FileExtension("/a.b/photo.JPG"), "jpg");
    EXPECT_EQ(FileExtension("/a.b/photo"), "");
    EXPECT_NE(GraphicFilter().find("*.bmp"), std::string::npos);
}

TEST(Picture, LoadsByExtensionAndReportsEachChangeOnce) {
    QTemporaryDir dir;
    const std::string bmpName = QDir(dir.path()).filePath("p.BMP").toStdString();
    TBitmap b(3, 2, 24);
    b.SaveToFile(bmpName);

    TPicture pic;
    int changes = 0;
    pic.OnChange = [&](TPicture &) { ++changes; };
    pic.LoadFromFile(bmpName);
    EXPECT_EQ(changes, 1);
    ASSERT_NE(pic.Bitmap(), nullptr);
    EXPECT_EQ(pic.Width(), 3);
    EXPECT_EQ(pic.Height(), 2);

    // A change of the graphic's content reaches the picture's listener.
    pic.Bitmap()->SetSize(4, 4, 8);
    EXPECT_EQ(changes, 2);

    TBitmap other(1, 1, 24);
    pic.SetGraphic(&other);
    EXPECT_EQ(changes, 3);
    other.SetSize(9, 9, 24); // the picture holds a copy
    EXPECT_EQ(pic.Width(), 1);
    EXPECT_EQ(changes, 3);

    try {
        pic.LoadFromFile("x.gif");
        FAIL();
    } catch (const std::exception &e) {
        EXPECT_STREQ(e.what(), "Unknown picture file extension (.gif)");
    }
    try {
        pic.LoadFromFile(QDir(dir.path()).filePath("missing.bmp").toStdString());
        FAIL();
    } catch (const std::exception &e) {
        EXPECT_NE(std::string(e.what()).find("Cannot open file"), std::string::npos);
    }
    EXPECT_EQ(pic.Width(), 1); // a failed load keeps what was there
}

TEST(Picture, IconsLoadWithTheirMaskAndSaveTheirOwnBytes) {
    auto bytes = MakeIcon();
    QTemporaryDir dir;
    const std::string name = QDir(dir.path()).filePath("i.ico").toStdString();
    {
        TFileStream f(name, TFileMode::Create);
        f.WriteBuffer(bytes.data(), bytes.size());
    }
    TPicture pic;
    pic.LoadFromFile(name);
    ASSERT_NE(pic.Icon(), nullptr);
    EXPECT_EQ(pic.Bitmap(), nullptr);
    EXPECT_EQ(pic.Width(), 2);
    const TBitmap &img = pic.Icon()->Image();
    EXPECT_EQ(img.Pixel(0, 0), (TRGBQuad{0, 0, 255, 0}));
    EXPECT_EQ(img.ScanLine(0)[3], 0);   // transparent by the mask
    EXPECT_EQ(img.ScanLine(0)[7], 255); // opaque
    EXPECT_EQ(img.Pixel(1, 1), (TRGBQuad{0, 255, 0, 0}));
    TMemoryStream out;
    pic.Icon()->SaveToStream(out);
    EXPECT_EQ(out.Data(), bytes);
}

TEST(Picture, DamagedIconsAreRefused) {
    auto good = MakeIcon();
    std::vector<std::vector<std::uint8_t>> bad = {
        {}, {0, 0, 1, 0}, {0, 0, 2, 0, 1, 0}, {0, 0, 1, 0, 0, 0}, {0, 0, 1, 0, 200, 0}};
    auto offsetPast = good;
    offsetPast[18] = 0xFF;
    bad.push_back(offsetPast);
    auto lengthPast = good;
    lengthPast[15] = 0x7F;
    bad.push_back(lengthPast);
    auto badImage = good;
    badImage[22] = 7; // header size 7
    bad.push_back(badImage);
    auto truncated = good;
    truncated.resize(40);
    bad.push_back(truncated);
    for (std::size_t i = 0; i < bad.size(); ++i) {
        TIcon icon;
        try {
            icon.LoadFromBytes(bad[i].data(), bad[i].size());
            ADD_FAILURE() << "case " << i;
        } catch (const std::exception &e) {
            EXPECT_STREQ(e.what(), "Icon image is not valid") << "case " << i;
        }
    }
}

TEST(Picture, BytesThePlayerDoesNotKnowAreNotAMetafile) {
    const std::uint8_t text[] = "not a metafile at all";
    TMetafile m;
    try {
        m.LoadFromBytes(text, sizeof text);
        FAIL();
    } catch (const std::exception &e) {
        EXPECT_STREQ(e.what(), "Metafile is not valid");
    }
    EXPECT_TRUE(m.Empty());
    // An empty metafile has nothing to play.
    std::vector<std::uint8_t> px(4 * 4, 0xFF);
    EXPECT_NE(m.Play(px.data(), 2, 2), 0);
}

TEST(Picture, IconsClaimingAHugeImageAreRefusedBeforeAnyBuffer) {
    auto bytes = MakeIcon();
    std::uint32_t h = 0x00200051; // about a million rows
    std::memcpy(bytes.data() + 22 + 8, &h, 4);
    TIcon icon;
    try {
        icon.LoadFromBytes(bytes.data(), bytes.size());
        FAIL();
    } catch (const std::exception &e) {
        EXPECT_STREQ(e.what(), "Icon image is not valid");
    }
}
