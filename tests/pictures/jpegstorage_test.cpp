// The stored photo stream and the decoded forms: what other programs will
// read from the column, and what the user sees when it is read back.
#include "jpegtestutil.h"

#include "platform/graphics/icon.h"

#include <gtest/gtest.h>

using namespace kadrolin;
using namespace jt;

TEST(StoredStream, DefaultEncoderWritesWhatTheLibraryWritesWithItsDefaults) {
    TBitmap photo = Photo(37, 21);
    Bytes ours = Encode(photo);
    Bytes plain = LibEncode(ToRGB(photo), 37, 21, 3, JCS_RGB);
    // Same tables, sampling, JFIF marker, coding: the same bytes.
    EXPECT_EQ(ours, plain);

    auto seg = Segments(ours);
    ASSERT_FALSE(seg.empty());
    const Segment *app0 = Find(seg, 0xE0);
    ASSERT_NE(app0, nullptr);
    EXPECT_EQ(Bytes(app0->Data.begin(), app0->Data.begin() + 12),
              (Bytes{'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1})); // version 1.01, unit 0, 1:1
    EXPECT_EQ(Count(seg, 0xFE), 0);                                 // no comment
    EXPECT_EQ(Count(seg, 0xC0), 1);                                 // baseline
    EXPECT_EQ(Count(seg, 0xDB), 2);                                 // both quantisation tables
    EXPECT_EQ(Count(seg, 0xC4), 4);                                 // all Huffman tables
    const Segment *sof = Find(seg, 0xC0);
    ASSERT_EQ(sof->Data.size(), 15u);
    EXPECT_EQ(sof->Data[5], 3);
    EXPECT_EQ(Bytes(sof->Data.begin() + 6, sof->Data.end()), (Bytes{1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1}));
    // Quality 75: the luminance table's first entry is 16 * 50 / 100.
    const Segment *dqt = Find(seg, 0xDB);
    EXPECT_EQ(dqt->Data[1], 8);
    const Segment *sos = Find(seg, 0xDA);
    EXPECT_EQ(sos->Data[0], 3); // one interleaved scan
}

TEST(StoredStream, GrayscaleOutputWritesOneGrayComponent) {
    TJPEGStreamCompressor c;
    c.GrayscaleOutput = true;
    Bytes j = Encode(c, Photo(16, 16));
    auto seg = Segments(j);
    const Segment *sof = Find(seg, 0xC0);
    ASSERT_NE(sof, nullptr);
    EXPECT_EQ(Bytes(sof->Data.begin() + 5, sof->Data.end()), (Bytes{1, 1, 0x11, 0}));
    EXPECT_NE(Find(seg, 0xE0), nullptr);
    EXPECT_EQ(Count(seg, 0xDB), 1);
}

TEST(StoredStream, ColoursAreTrueInOtherReaders) {
    struct Case {
        const char *Name;
        TRGBQuad Colour; // blue, green, red
    } cases[] = {{"red", {0, 0, 255, 0}}, {"green", {0, 255, 0, 0}}, {"blue", {255, 0, 0, 0}}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        TBitmap b(16, 16, 24);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                b.ScanLine(y)[3 * x] = c.Colour.Blue;
                b.ScanLine(y)[3 * x + 1] = c.Colour.Green;
                b.ScanLine(y)[3 * x + 2] = c.Colour.Red;
            }
        Image img;
        ASSERT_TRUE(LibDecode(Encode(b), img));
        EXPECT_NEAR(img.Pixels[0], c.Colour.Red, 3);
        EXPECT_NEAR(img.Pixels[1], c.Colour.Green, 3);
        EXPECT_NEAR(img.Pixels[2], c.Colour.Blue, 3);
    }
}

TEST(StoredStream, DepthRulesDecideWhatIsEncoded) {
    // 4 and 8 bits go through the palette, 16 and 32 through their colours:
    // each stream equals the one of the same picture at 24 bits.
    struct Case {
        int Depth;
        int Width;
    } cases[] = {{4, 7}, {4, 8}, {8, 5}, {16, 9}, {32, 6}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.Depth << " bits, width " << c.Width);
        TBitmap b(c.Width, 5, c.Depth);
        if (c.Depth <= 8) {
            b.Palette().clear();
            for (int i = 0; i < (1 << c.Depth); ++i)
                b.Palette().push_back(TRGBQuad{static_cast<std::uint8_t>(i * 13),
                                               static_cast<std::uint8_t>(255 - i),
                                               static_cast<std::uint8_t>(i * 29), 0});
        }
        for (std::size_t i = 0; i < b.BitsSize(); ++i)
            b.Bits()[i] = static_cast<std::uint8_t>(i * 7 + 3);
        EXPECT_EQ(Encode(b), Encode(b.ToDepth24()));
    }
    TBitmap mono(8, 8, 1);
    EXPECT_EQ(ErrorOf([&] { Encode(mono); }), "Unable to compress at 1 bit resolution");
    TBitmap empty;
    EXPECT_EQ(ErrorOf([&] { Encode(empty); }), "Cannot obtain a Device Independent Bitmap");
}

TEST(StoredStream, PicturesOtherThanBitmapsAndMetafilesAreRefused) {
    TJPEGStreamCompressor c;
    TMemoryStream s;
    TPicture empty;
    EXPECT_EQ(ErrorOf([&] { c.CompressPicture(empty, s); }),
              "cannot save a picture that is neither a bitmap nor metafile");
    TPicture icon;
    icon.SetGraphic(std::make_unique<TIcon>());
    EXPECT_EQ(ErrorOf([&] { c.CompressPicture(icon, s); }),
              "cannot save a picture that is neither a bitmap nor metafile");
    EXPECT_EQ(s.Size(), 0);
    TPicture bitmap;
    bitmap.SetGraphic(std::make_unique<TBitmap>(Photo(8, 8)));
    c.CompressPicture(bitmap, s);
    EXPECT_EQ(s.Data(), Encode(Photo(8, 8)));
}

TEST(StoredStream, MetafilesAreDrawnOnWhite) {
    // An enhanced metafile of a header and its end record only: it draws
    // nothing, so every pixel stored is white.
    Bytes emf(108 + 20, 0);
    auto p32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(emf.data() + at, &v, 4); };
    p32(0, 1);   // EMR_HEADER
    p32(4, 108); // size
    p32(16, 31); // bounds right, bottom
    p32(20, 15);
    p32(32, 846); // frame in .01 mm: 32 x 16 px at 96 dpi
    p32(36, 423);
    p32(40, 0x464D4520); // " EMF"
    p32(44, 0x10000);
    p32(48, static_cast<std::uint32_t>(emf.size()));
    p32(52, 2);
    p32(72, 1920);
    p32(76, 1080);
    p32(80, 508);
    p32(84, 286);
    p32(108, 14); // EMR_EOF
    p32(112, 20);
    p32(124, 20);
    TMetafile mf;
    try {
        mf.LoadFromBytes(emf.data(), emf.size());
    } catch (const std::exception &) {
        GTEST_SKIP() << "the metafile player does not read enhanced metafiles yet";
    }
    auto rendered = RenderMetafile(mf, 32, 16);
    ASSERT_EQ(rendered->Depth(), 24);
    for (std::size_t i = 0; i < rendered->BitsSize(); ++i)
        if ((i % rendered->Stride()) < 96) {
            ASSERT_EQ(rendered->Bits()[i], 255) << i;
        }
    TJPEGStreamCompressor c;
    TMemoryStream s;
    c.CompressMetafile(mf, s, 32, 16);
    Image img;
    ASSERT_TRUE(LibDecode(s.Data(), img));
    for (auto v : img.Pixels)
        ASSERT_GE(v, 250);
}

TEST(StoredStream, AMetafileThatCannotBePlayedSaysSo) {
    TMetafile nothing;
    EXPECT_EQ(ErrorOf([&] { RenderMetafile(nothing, 4, 4); }),
              "Unable to render metafile as a bitmap - PlayEnhMetaFile returned 1");
}

TEST(DecodedForm, ColourPixelsAreTheLibrarysOwn) {
    for (auto size : {std::pair{37, 21}, std::pair{1, 1}, std::pair{64, 3}}) {
        Bytes j = Encode(Photo(size.first, size.second));
        TJPEGStreamDecompressor d;
        auto b = Decode(d, j);
        Image img;
        ASSERT_TRUE(LibDecode(j, img));
        ASSERT_EQ(b->Depth(), 24);
        EXPECT_EQ(ToRGB(*b), img.Pixels);
    }
}

TEST(DecodedForm, GrayIsSixtyFourLevelsOnASineCurve) {
    const auto &levels = TJPEGDecompressor::GrayLevels();
    const std::uint8_t expected[64] = {0,   6,   13,  19,  25,  32,  38,  44,  51,  57,  63,  69,  75,
                                       81,  87,  93,  99,  105, 111, 116, 122, 128, 133, 138, 144, 149,
                                       154, 159, 164, 169, 173, 178, 183, 187, 191, 195, 199, 203, 207,
                                       211, 214, 218, 221, 224, 227, 230, 232, 235, 237, 240, 242, 244,
                                       245, 247, 249, 250, 251, 252, 253, 254, 254, 255, 255, 255};
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(levels[static_cast<std::size_t>(i)], expected[i]) << i;

    // A gray stream with samples 0, 128, 255 shows 0, 183, 255, even with
    // GrayScaleOutput off; a colour stream shows its luminance with it on.
    // Rows of 8x8 blocks of one value each code exactly.
    Bytes gray;
    for (std::uint8_t v : {0, 128, 255})
        gray.insert(gray.end(), 8 * 8, v);
    Bytes jGray = LibEncode(gray, 8, 24, 1, JCS_GRAYSCALE);
    Image ref;
    ASSERT_TRUE(LibDecode(jGray, ref, JCS_GRAYSCALE));
    ASSERT_EQ(ref.Pixels[64], 128);

    TJPEGStreamDecompressor d;
    auto b = Decode(d, jGray);
    ASSERT_EQ(b->Depth(), 8);
    ASSERT_EQ(b->Palette().size(), 64u);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(b->ScanLine(y)[x], ref.Pixels[static_cast<std::size_t>(y * 8 + x)] >> 2);
    EXPECT_EQ(b->Pixel(0, 0), (TRGBQuad{0, 0, 0, 0}));
    EXPECT_EQ(b->Pixel(0, 8), (TRGBQuad{183, 183, 183, 0}));
    EXPECT_EQ(b->Pixel(0, 16), (TRGBQuad{255, 255, 255, 0}));

    Bytes jColour = Encode(Photo(16, 16));
    d.GrayScaleOutput = true;
    auto g = Decode(d, jColour);
    Image lum;
    ASSERT_TRUE(LibDecode(jColour, lum, JCS_GRAYSCALE));
    ASSERT_EQ(g->Depth(), 8);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(g->ScanLine(y)[x], lum.Pixels[static_cast<std::size_t>(y * 16 + x)] >> 2);
    // Switching back takes effect at the next run.
    d.GrayScaleOutput = false;
    EXPECT_EQ(Decode(d, jColour)->Depth(), 24);

    // The gray form stored again goes through its palette as brightened gray.
    Bytes again = Encode(*b);
    auto seg = Segments(again);
    EXPECT_EQ(Find(seg, 0xC0)->Data[5], 3);
}

TEST(DecodedForm, FourComponentStreamsBecomeColour) {
    // Inverted CMYK with an Adobe marker, as print programs write it: a
    // pure red area (C=0, M=Y=K full) decodes red.
    Bytes cmyk;
    for (int i = 0; i < 16 * 16; ++i)
        cmyk.insert(cmyk.end(), {255, 0, 0, 255});
    for (J_COLOR_SPACE store : {JCS_CMYK, JCS_YCCK}) {
        Bytes j = LibEncode(cmyk, 16, 16, 4, JCS_CMYK, nullptr, 0, true, store);
        ASSERT_FALSE(j.empty());
        TJPEGStreamDecompressor d;
        auto b = Decode(d, j);
        ASSERT_EQ(b->Depth(), 24);
        TRGBQuad q = b->Pixel(8, 8);
        EXPECT_GE(q.Red, 245);
        EXPECT_LE(q.Green, 10);
        EXPECT_LE(q.Blue, 10);
        d.GrayScaleOutput = true;
        auto g = Decode(d, j);
        EXPECT_EQ(g->Depth(), 8);
        EXPECT_NEAR(g->ScanLine(8)[8], (255 * 77 / 256) >> 2, 2);
    }
}

TEST(DecodedForm, DecodingIntoAPicture) {
    TJPEGStreamDecompressor d;
    TMemoryStream s(Encode(Photo(10, 6)));
    EXPECT_EQ(ErrorOf([&] { d.DecompressToPicture(nullptr, s); }), "The Image Property is empty!");
    TPicture pic;
    pic.SetGraphic(std::make_unique<TIcon>());
    int changes = 0;
    pic.OnChange = [&](TPicture &) { ++changes; };
    d.DecompressToPicture(&pic, s);
    EXPECT_EQ(changes, 1);
    ASSERT_NE(pic.Bitmap(), nullptr);
    EXPECT_EQ(pic.Width(), 10);
    EXPECT_EQ(pic.Height(), 6);
    // A failed decode leaves the picture as it was.
    TMemoryStream bad(Bytes{'B', 'M', 1, 2, 3});
    EXPECT_EQ(ErrorOf([&] { d.DecompressToPicture(&pic, bad); }), "Not a JPEG file: starts with 0x42 0x4d");
    EXPECT_EQ(pic.Width(), 10);
    EXPECT_EQ(changes, 1);
}

TEST(DecodedForm, EveryCodingDecodesToTheLibrarysPixels) {
    struct Case {
        const char *File;
        bool Gray;
    } cases[] = {{"baseline.jpg", false}, {"progressive.jpg", false}, {"arithmetic.jpg", false},
                 {"restart.jpg", false},  {"s444.jpg", false},        {"comment.jpg", false},
                 {"gray.jpg", true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.File);
        TFileStream f(std::string(KADROLIN_SOURCE_DIR) + "/tests/fuzz/corpus/" + c.File, TFileMode::OpenRead);
        Bytes j = f.ReadRest();
        TJPEGStreamDecompressor d;
        auto b = Decode(d, j);
        Image ref;
        ASSERT_TRUE(LibDecode(j, ref, c.Gray ? JCS_GRAYSCALE : JCS_RGB));
        ASSERT_EQ(b->Width(), ref.Width);
        if (!c.Gray) {
            EXPECT_EQ(b->Depth(), 24);
            EXPECT_EQ(ToRGB(*b), ref.Pixels);
        } else {
            ASSERT_EQ(b->Depth(), 8);
            for (int y = 0; y < ref.Height; ++y)
                for (int x = 0; x < ref.Width; ++x)
                    ASSERT_EQ(b->ScanLine(y)[x],
                              ref.Pixels[static_cast<std::size_t>(y * ref.Width + x)] >> 2);
        }
    }
}
