// BMP files of every depth and form: what other programs wrote loads with
// the right pixels and depth, what we write loads back unchanged, and damaged
// files give an error or a partial picture, never a crash.
#include "platform/graphics/bitmap.h"
#include "platform/graphics/qtimage.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace kadrolin;

namespace {

std::vector<std::uint8_t> ReadFile(const std::string &name) {
    TFileStream f(std::string(KADROLIN_FIXTURES) + "/pictures/" + name, TFileMode::OpenRead);
    return f.ReadRest();
}

// A file header and info header around a depth, size and compression.
std::vector<std::uint8_t> MakeBmp(int w, int h, int depth, int compression,
                                  const std::vector<TRGBQuad> &palette, const std::vector<std::uint8_t> &bits,
                                  int headerSize = 40) {
    std::vector<std::uint8_t> v;
    auto p16 = [&](unsigned x) {
        v.push_back(static_cast<std::uint8_t>(x));
        v.push_back(static_cast<std::uint8_t>(x >> 8));
    };
    auto p32 = [&](std::uint32_t x) {
        p16(x & 0xFFFF);
        p16(x >> 16);
    };
    std::uint32_t off =
        14 + static_cast<std::uint32_t>(headerSize) + static_cast<std::uint32_t>(palette.size()) * 4;
    v.push_back('B');
    v.push_back('M');
    p32(off + static_cast<std::uint32_t>(bits.size()));
    p32(0);
    p32(off);
    p32(static_cast<std::uint32_t>(headerSize));
    p32(static_cast<std::uint32_t>(w));
    p32(static_cast<std::uint32_t>(h));
    p16(1);
    p16(static_cast<unsigned>(depth));
    p32(static_cast<std::uint32_t>(compression));
    p32(static_cast<std::uint32_t>(bits.size()));
    p32(0);
    p32(0);
    p32(static_cast<std::uint32_t>(palette.size()));
    p32(0);
    for (auto q : palette) {
        v.push_back(q.Blue);
        v.push_back(q.Green);
        v.push_back(q.Red);
        v.push_back(0);
    }
    v.insert(v.end(), bits.begin(), bits.end());
    return v;
}

std::vector<TRGBQuad> Ramp(int n) {
    std::vector<TRGBQuad> p;
    for (int i = 0; i < n; ++i)
        p.push_back(TRGBQuad{static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(i * 5),
                             static_cast<std::uint8_t>(i * 7), 0});
    return p;
}

std::string LoadError(const std::vector<std::uint8_t> &bytes) {
    try {
        TBitmap b;
        b.LoadFromBytes(bytes.data(), bytes.size());
    } catch (const std::exception &e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(BitmapFiles, FilesOfEveryDepthLoadWithTheirDepthAndPixels) {
    struct Case {
        const char *File;
        int Depth;
        int Tolerance;
    } cases[] = {{"d1.bmp", 1, 0},   {"d4.bmp", 4, 0},   {"d8.bmp", 8, 0},  {"rle8.bmp", 8, 0},
                 {"d16.bmp", 16, 8}, {"d24.bmp", 24, 0}, {"d32.bmp", 32, 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.File);
        auto bytes = ReadFile(c.File);
        TBitmap b;
        b.LoadFromBytes(bytes.data(), bytes.size());
        EXPECT_EQ(b.Depth(), c.Depth);
        ASSERT_EQ(b.Width(), 7);
        ASSERT_EQ(b.Height(), 5);
        QImage ref;
        ASSERT_TRUE(ref.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "BMP"));
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) {
                QRgb r = ref.pixel(x, y);
                TRGBQuad q = b.Pixel(x, y);
                EXPECT_LE(std::abs(q.Red - qRed(r)), c.Tolerance) << x << "," << y;
                EXPECT_LE(std::abs(q.Green - qGreen(r)), c.Tolerance) << x << "," << y;
                EXPECT_LE(std::abs(q.Blue - qBlue(r)), c.Tolerance) << x << "," << y;
            }
    }
    // The picture's known corners: red at the top left, black at the bottom right.
    auto bytes = ReadFile("d24.bmp");
    TBitmap b;
    b.LoadFromBytes(bytes.data(), bytes.size());
    EXPECT_EQ(b.Pixel(0, 0), (TRGBQuad{0, 0, 255, 0}));
    EXPECT_EQ(b.Pixel(6, 4), (TRGBQuad{0, 0, 0, 0}));
}

TEST(BitmapFiles, WrittenBitmapsLoadBackUnchangedAtTheirDepth) {
    for (int depth : {1, 4, 8, 16, 24, 32}) {
        for (int w : {1, 3, 7, 33}) {
            SCOPED_TRACE(testing::Message() << depth << " bits, width " << w);
            TBitmap b(w, 3, depth);
            if (depth <= 8) b.Palette() = Ramp(1 << depth);
            if (depth == 16) b.Masks() = {0xF800, 0x07E0, 0x001F};
            for (std::size_t i = 0; i < b.BitsSize(); ++i)
                b.Bits()[i] = static_cast<std::uint8_t>(i * 37 + 11);
            TMemoryStream s;
            b.SaveToStream(s);
            s.Seek(0, TSeekOrigin::Begin);
            TBitmap back;
            back.LoadFromStream(s);
            EXPECT_EQ(back.Depth(), depth);
            EXPECT_EQ(back.Width(), w);
            EXPECT_EQ(back.Palette(), b.Palette());
            if (depth == 16 || depth == 32) {
                EXPECT_EQ(back.Masks(), b.Masks());
            }
            ASSERT_EQ(back.BitsSize(), b.BitsSize());
            EXPECT_EQ(0, std::memcmp(back.Bits(), b.Bits(), b.BitsSize()));
        }
    }
}

TEST(BitmapFiles, TopDownRowsAreTurnedBottomUp) {
    // Height -2: the first row in the file is the top one.
    std::vector<std::uint8_t> bits = {0, 0, 255, 0, 255, 0, 0, 0};
    auto v = MakeBmp(1, 2, 24, 0, {}, bits);
    std::int32_t h = -2;
    std::memcpy(v.data() + 22, &h, 4);
    TBitmap b;
    b.LoadFromBytes(v.data(), v.size());
    EXPECT_EQ(b.Pixel(0, 0), (TRGBQuad{0, 0, 255, 0}));
    EXPECT_EQ(b.Pixel(0, 1), (TRGBQuad{255, 0, 0, 0}));
}

TEST(BitmapFiles, RunLengthDataIsDecodedAndOverrunsStayInside) {
    struct Case {
        const char *Name;
        int Depth;
        int Width, Height;
        std::vector<std::uint8_t> Data;
        std::vector<std::uint8_t> Rows; // expected pixel indices, bottom row first
    } cases[] = {
        {"runs and end of line", 8, 4, 2, {2, 5, 2, 6, 0, 0, 4, 7, 0, 1}, {5, 5, 6, 6, 7, 7, 7, 7}},
        {"absolute run, odd length padded",
         8,
         4,
         2,
         {0, 3, 1, 2, 3, 0, 0, 0, 1, 9, 0, 1},
         {1, 2, 3, 0, 9, 0, 0, 0}},
        {"delta moves right and up", 8, 3, 2, {0, 2, 1, 1, 1, 4, 0, 1}, {0, 0, 0, 0, 4, 0}},
        {"run past the row end is clipped", 8, 2, 2, {200, 3, 0, 1}, {3, 3, 0, 0}},
        {"rows past the top are dropped", 8, 1, 1, {1, 1, 0, 0, 1, 2, 0, 0, 1, 3, 0, 1}, {1}},
        {"delta far outside", 8, 2, 1, {0, 2, 255, 255, 1, 9, 0, 1}, {0, 0}},
        {"cut short in a run", 8, 2, 1, {2}, {0, 0}},
        {"cut short in an absolute run", 8, 4, 1, {0, 4, 1, 2}, {1, 2, 0, 0}},
        {"no end marker", 8, 2, 1, {1, 4, 1, 5}, {4, 5}},
        {"4-bit runs alternate nibbles", 4, 5, 1, {5, 0x12, 0, 1}, {1, 2, 1, 2, 1}},
        {"4-bit absolute run", 4, 3, 1, {0, 3, 0xAB, 0xC0, 0, 1}, {0xA, 0xB, 0xC}},
        {"4-bit run past the end", 4, 3, 1, {250, 0x34, 0, 0, 250, 0x56}, {3, 4, 3}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        auto v = MakeBmp(c.Width, c.Height, c.Depth, c.Depth == 8 ? 1 : 2, Ramp(1 << c.Depth), c.Data);
        TBitmap b;
        b.LoadFromBytes(v.data(), v.size());
        ASSERT_EQ(b.Depth(), c.Depth);
        std::vector<std::uint8_t> got;
        for (int y = c.Height - 1; y >= 0; --y)
            for (int x = 0; x < c.Width; ++x) {
                const std::uint8_t *row = b.ScanLine(y);
                got.push_back(c.Depth == 8 ? row[x] : (x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4));
            }
        EXPECT_EQ(got, c.Rows);
    }
}

TEST(BitmapFiles, DamagedHeadersAreRefusedWithAClearMessage) {
    auto good = MakeBmp(2, 2, 24, 0, {}, std::vector<std::uint8_t>(16, 1));
    auto with = [&](std::size_t at, std::vector<std::uint8_t> bytes) {
        auto v = good;
        std::copy(bytes.begin(), bytes.end(), v.begin() + static_cast<long>(at));
        return v;
    };
    struct Case {
        const char *Name;
        std::vector<std::uint8_t> Bytes;
        const char *Message;
    } cases[] = {
        {"empty", {}, "Bitmap image is not valid"},
        {"one byte", {'B'}, "Bitmap image is not valid"},
        {"file header only", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 14, 0, 0, 0}, "Bitmap image is not valid"},
        {"not BM", with(0, {'X', 'Y'}), "Bitmap image is not valid"},
        {"info header size 0", with(14, {0, 0, 0, 0}), "Bitmap image is not valid"},
        {"info header longer than the file", with(14, {0, 1, 0, 0}), "Bitmap image is not valid"},
        {"width 0", with(18, {0, 0, 0, 0}), "Bitmap image is not valid"},
        {"negative width", with(18, {0xFE, 0xFF, 0xFF, 0xFF}), "Bitmap image is not valid"},
        {"height 0", with(22, {0, 0, 0, 0}), "Bitmap image is not valid"},
        {"two planes", with(26, {2, 0}), "Bitmap image is not valid"},
        {"depth 7", with(28, {7, 0}), "Bitmap image is not valid"},
        {"JPEG inside", with(30, {4, 0, 0, 0}), "Bitmap image is not valid"},
        {"RLE8 at 24 bits", with(30, {1, 0, 0, 0}), "Bitmap image is not valid"},
        {"bit fields at 24 bits", with(30, {3, 0, 0, 0}), "Bitmap image is not valid"},
        {"65500 x 65500", with(18, {0xDC, 0xFF, 0, 0, 0xDC, 0xFF, 0, 0}), "Bitmap is too large"},
        {"2^31-1 wide", with(18, {0xFF, 0xFF, 0xFF, 0x7F}), "Bitmap is too large"},
        {"palette past the end", MakeBmp(1, 1, 8, 0, {}, {0, 0, 0, 0}), "Bitmap image is not valid"},
    };
    // The palette case: declare 256 colours, give none.
    for (auto &c : cases) {
        if (std::string(c.Name) == "palette past the end") {
            std::uint32_t n = 256;
            std::memcpy(c.Bytes.data() + 46, &n, 4);
            c.Bytes.resize(54);
        }
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(LoadError(c.Bytes), c.Message);
    }
}

TEST(BitmapFiles, ShortPixelDataKeepsTheRowsThereAre) {
    // Two rows declared, one and a half given; a bogus pixel offset is ignored.
    auto v = MakeBmp(1, 2, 24, 0, {}, {1, 2, 3, 0, 4, 5});
    std::uint32_t off = 9999;
    std::memcpy(v.data() + 10, &off, 4);
    TBitmap b;
    b.LoadFromBytes(v.data(), v.size());
    EXPECT_EQ(b.Pixel(0, 1), (TRGBQuad{1, 2, 3, 0}));
    EXPECT_EQ(b.Pixel(0, 0), (TRGBQuad{4, 5, 0, 0}));
}

TEST(BitmapFiles, PaletteIndexPastAShortPaletteIsBlack) {
    auto v = MakeBmp(2, 1, 8, 0, Ramp(2), {1, 200, 0, 0});
    TBitmap b;
    b.LoadFromBytes(v.data(), v.size());
    EXPECT_EQ(b.Pixel(0, 0), (TRGBQuad{3, 5, 7, 0}));
    EXPECT_EQ(b.Pixel(1, 0), (TRGBQuad{}));
}

TEST(BitmapFiles, SixteenBitMasksScaleToFullRange) {
    TBitmap b(2, 1, 16);
    b.Masks() = {0xF800, 0x07E0, 0x001F};
    std::uint16_t px[2] = {0xFFFF, 0xF800};
    std::memcpy(b.Bits(), px, 4);
    EXPECT_EQ(b.Pixel(0, 0), (TRGBQuad{255, 255, 255, 0}));
    EXPECT_EQ(b.Pixel(1, 0), (TRGBQuad{0, 0, 255, 0}));
    TBitmap t = b.ToDepth24();
    EXPECT_EQ(t.Depth(), 24);
    EXPECT_EQ(t.Pixel(1, 0), (TRGBQuad{0, 0, 255, 0}));
}

TEST(BitmapImages, QtImagesRoundTrip) {
    auto bytes = ReadFile("d8.bmp");
    TBitmap b;
    b.LoadFromBytes(bytes.data(), bytes.size());
    QImage img = BitmapToImage(b);
    EXPECT_EQ(img.format(), QImage::Format_Indexed8);
    TBitmap back = ImageToBitmap(img);
    EXPECT_EQ(back.Depth(), 8);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(back.Pixel(x, y), b.Pixel(x, y));

    bytes = ReadFile("d24.bmp");
    b.LoadFromBytes(bytes.data(), bytes.size());
    TBitmap b24 = ImageToBitmap(BitmapToImage(b));
    EXPECT_EQ(b24.Depth(), 24);
    EXPECT_EQ(0, std::memcmp(b24.Bits(), b.Bits(), b.BitsSize()));
}
