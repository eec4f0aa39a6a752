// Metafiles are written here with libUEMF's own record writers, played into a
// pixel buffer and checked by their pixels.
#include "platform/graphics/metafile_player.h"

#include <QFile>
#include <QImage>
#include <QRect>
#include <gtest/gtest.h>

#include <uemf.h>
#include <uemf_utf.h>
#include <uwmf.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace kadrolin {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF, kGray = 0x808080;

// ----- Writers ---------------------------------------------------------------

// An enhanced metafile on a reference device of 4 pixels per millimetre: a
// picture of w x h device pixels has a frame of w * 25 hundredths of a mm.
class TEmf {
  public:
    explicit TEmf(int w = 100, int h = 50) {
        U_RECTL bounds = rectl_set(point32_set(0, 0), point32_set(w - 1, h - 1));
        U_RECTL frame = rectl_set(point32_set(0, 0), point32_set(w * 25, h * 25));
        Add(U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr, sizel_set(1000, 1000), sizel_set(250, 250),
                            0));
    }
    TEmf &Add(char *rec) {
        std::uint32_t n;
        std::memcpy(&n, rec + 4, 4);
        Data.insert(Data.end(), rec, rec + n);
        std::free(rec);
        ++Records;
        return *this;
    }
    Bytes Finish() {
        EMFTRACK track{};
        Add(U_EMREOF_set(0, nullptr, &track));
        Bytes out = Data;
        std::uint32_t size = std::uint32_t(out.size());
        std::memcpy(&out[48], &size, 4);
        std::memcpy(&out[52], &Records, 4);
        std::uint16_t handles = 32;
        std::memcpy(&out[56], &handles, 2);
        return out;
    }

    // Common sequences
    TEmf &SolidBrush(std::uint32_t ih, std::uint32_t rgb) {
        Add(U_EMRCREATEBRUSHINDIRECT_set(ih, logbrush_set(U_BS_SOLID, Color(rgb), 0)));
        return Add(U_EMRSELECTOBJECT_set(ih));
    }
    TEmf &NoPen() { return Add(U_EMRSELECTOBJECT_set(U_NULL_PEN)); }
    TEmf &Pen(std::uint32_t ih, std::uint32_t style, int width, std::uint32_t rgb) {
        Add(U_EMRCREATEPEN_set(ih, logpen_set(style, point32_set(width, 0), Color(rgb))));
        return Add(U_EMRSELECTOBJECT_set(ih));
    }
    TEmf &Rect(int l, int t, int r, int b) {
        return Add(U_EMRRECTANGLE_set(rectl_set(point32_set(l, t), point32_set(r, b))));
    }
    static U_COLORREF Color(std::uint32_t rgb) {
        return colorref3_set((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    }

    Bytes Data;
    std::uint32_t Records = 0;
};

// A Windows metafile, placeable (box in logical units, `inch` units per inch)
// or plain.
class TWmf {
  public:
    TWmf(bool placeable, int boxW = 100, int boxH = 50, int inch = 96) {
        if (placeable) {
            std::uint16_t words[11] = {
                0xCDD7, 0x9AC6, 0, 0, 0, std::uint16_t(boxW), std::uint16_t(boxH), std::uint16_t(inch),
                0,      0,      0};
            std::uint16_t sum = 0;
            for (int i = 0; i < 10; ++i)
                sum ^= words[i];
            words[10] = sum;
            for (std::uint16_t v : words) {
                Data.push_back(v & 0xFF);
                Data.push_back(v >> 8);
            }
        }
        HeaderAt = Data.size();
        char *h = U_WMRHEADER_set(nullptr, 0);
        Data.insert(Data.end(), h, h + 18);
        std::free(h);
    }
    TWmf &Add(char *rec) {
        std::uint32_t n = U_wmr_size(reinterpret_cast<U_METARECORD *>(rec));
        Data.insert(Data.end(), rec, rec + n);
        MaxWords = std::max(MaxWords, n / 2);
        std::free(rec);
        return *this;
    }
    Bytes Finish() {
        Add(U_WMREOF_set());
        Bytes out = Data;
        std::uint32_t words = std::uint32_t((out.size() - HeaderAt) / 2);
        std::memcpy(&out[HeaderAt + 6], &words, 4);
        std::uint16_t objects = 16;
        std::memcpy(&out[HeaderAt + 10], &objects, 2);
        std::memcpy(&out[HeaderAt + 12], &MaxWords, 4);
        return out;
    }
    TWmf &SolidBrush(std::uint32_t rgb) {
        Add(U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(U_BS_SOLID, TEmf::Color(rgb), 0)));
        return Add(U_WMRSELECTOBJECT_set(Objects++));
    }
    TWmf &NoPen() {
        Add(U_WMRCREATEPENINDIRECT_set(U_PEN_set(U_PS_NULL, 0, TEmf::Color(0))));
        return Add(U_WMRSELECTOBJECT_set(Objects++));
    }
    TWmf &Rect(int l, int t, int r, int b) {
        return Add(U_WMRRECTANGLE_set(U_RECT16_set(point16_set(l, t), point16_set(r, b))));
    }

    Bytes Data;
    std::size_t HeaderAt = 0;
    std::uint32_t MaxWords = 0;
    std::uint16_t Objects = 0;
};

// ----- Target buffer -----------------------------------------------------------

struct TCanvas {
    int W, H;
    std::vector<std::uint8_t> Px;
    TCanvas(int w, int h, std::uint32_t fill = kWhite) : W(w), H(h), Px(std::size_t(w) * h * 4) {
        for (std::size_t i = 0; i < Px.size(); i += 4) {
            Px[i] = fill & 0xFF;
            Px[i + 1] = (fill >> 8) & 0xFF;
            Px[i + 2] = (fill >> 16) & 0xFF;
            Px[i + 3] = 0;
        }
    }
    int Play(const Bytes &mf) { return PlayMetafile(mf.data(), mf.size(), Px.data(), W, H); }
    std::uint32_t At(int x, int y) const {
        const std::uint8_t *p = &Px[(std::size_t(y) * W + x) * 4];
        return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
    }
    int Count(QRect r, const std::function<bool(std::uint32_t)> &pred) const {
        int n = 0;
        for (int y = std::max(0, r.top()); y <= std::min(H - 1, r.bottom()); ++y)
            for (int x = std::max(0, r.left()); x <= std::min(W - 1, r.right()); ++x)
                n += pred(At(x, y));
        return n;
    }
    // Set KADROLIN_METAFILE_DUMP to a folder to look at what the tests draw.
    void Dump(const std::string &name) const {
        const char *dir = std::getenv("KADROLIN_METAFILE_DUMP");
        if (!dir) return;
        QImage img(Px.data(), W, H, W * 4, QImage::Format_RGB32);
        img.save(QString::fromStdString(std::string(dir) + "/" + name + ".png"));
    }
};

// The metafiles themselves go beside the pictures, as seeds for the fuzz
// target and as fixtures.
void DumpMetafile(const std::string &name, const Bytes &mf) {
    const char *dir = std::getenv("KADROLIN_METAFILE_DUMP");
    if (!dir) return;
    QFile f(QString::fromStdString(std::string(dir) + "/" + name));
    if (f.open(QIODevice::WriteOnly)) f.write(reinterpret_cast<const char *>(mf.data()), qint64(mf.size()));
}

bool IsRed(std::uint32_t c) {
    return c == kRed;
}
bool IsWhite(std::uint32_t c) {
    return c == kWhite;
}
bool IsDark(std::uint32_t c) {
    return ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF) < 3 * 128;
}

// A uniformly filled rectangle: all of `inside` (shrunk by a pixel for edge
// rounding) has the colour, and a frame of pixels around it is untouched.
void ExpectFilled(const TCanvas &c, QRect r, std::uint32_t color, std::uint32_t background,
                  const std::string &what) {
    QRect inner = r.adjusted(1, 1, -1, -1);
    int area = inner.width() * inner.height();
    EXPECT_EQ(c.Count(inner, [&](std::uint32_t v) { return v == color; }), area) << what;
    QRect outer = r.adjusted(-2, -2, 2, 2);
    for (int x = outer.left(); x <= outer.right(); ++x)
        for (int y : {outer.top(), outer.bottom()})
            if (x >= 0 && y >= 0 && x < c.W && y < c.H) {
                EXPECT_EQ(c.At(x, y), background) << what << " at " << x << "," << y;
            }
    for (int y = outer.top(); y <= outer.bottom(); ++y)
        for (int x : {outer.left(), outer.right()})
            if (x >= 0 && y >= 0 && x < c.W && y < c.H) {
                EXPECT_EQ(c.At(x, y), background) << what << " at " << x << "," << y;
            }
}

// ----- Headers -------------------------------------------------------------------

TEST(MetafileHeader, SizesOfEachKind) {
    struct Case {
        const char *Name;
        Bytes Data;
        TMetafileKind Kind;
        int W, H, MMW, MMH;
    };
    std::vector<Case> cases = {
        // 100 x 50 device pixels at 4 px/mm: a 25 x 12.5 mm frame, 94.5 x 47.2 screen pixels
        {"emf", TEmf(100, 50).Finish(), TMetafileKind::Enhanced, 94, 47, 2500, 1250},
        {"placeable wmf 1440/in", TWmf(true, 2880, 1440, 1440).Finish(), TMetafileKind::Windows, 192, 96,
         5080, 2540},
        {"placeable wmf 96/in", TWmf(true, 100, 50, 96).Finish(), TMetafileKind::Windows, 100, 50, 2646,
         1323},
        {"plain wmf sized by its window",
         TWmf(false).Add(U_WMRSETWINDOWEXT_set(point16_set(300, 200))).Finish(), TMetafileKind::Windows, 300,
         200, 7938, 5292},
    };
    for (const Case &c : cases) {
        TMetafileHeader h;
        ASSERT_TRUE(ReadMetafileHeader(c.Data.data(), c.Data.size(), h)) << c.Name;
        EXPECT_EQ(h.Kind, c.Kind) << c.Name;
        EXPECT_EQ(h.Width, c.W) << c.Name;
        EXPECT_EQ(h.Height, c.H) << c.Name;
        EXPECT_EQ(h.MMWidth, c.MMW) << c.Name;
        EXPECT_EQ(h.MMHeight, c.MMH) << c.Name;
        EXPECT_FALSE(h.HasPalette) << c.Name;
    }
}

TEST(MetafileHeader, NotAMetafile) {
    Bytes bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Bytes emf = TEmf().Finish();
    Bytes badSignature = emf;
    badSignature[40] = 'X';
    Bytes plainNoWindow = TWmf(false).Rect(0, 0, 10, 10).Finish();
    Bytes placeableZeroInch = TWmf(true, 100, 50, 0).Finish();
    // Sizes no bitmap should be allocated for: 10 m wide, 30000 inches high.
    Bytes hugeFrame = emf;
    std::int32_t right = 1000000;
    std::memcpy(&hugeFrame[32], &right, 4);
    Bytes hugeBox = TWmf(true, 100, 30000, 1).Finish();
    for (const Bytes *b : {&bmp, &badSignature, &plainNoWindow, &placeableZeroInch, &hugeFrame, &hugeBox}) {
        TMetafileHeader h;
        EXPECT_FALSE(ReadMetafileHeader(b->data(), b->size(), h));
    }
    TMetafileHeader h;
    EXPECT_FALSE(ReadMetafileHeader(nullptr, 0, h));
    EXPECT_FALSE(ReadMetafileHeader(emf.data(), 40, h));
}

// ----- Stretching onto the target -------------------------------------------------

TEST(MetafilePlay, FrameIsStretchedOntoTarget) {
    // A red rectangle at device (20,10)-(60,30) of a 100 x 50 picture.
    Bytes emf = TEmf().NoPen().SolidBrush(1, kRed).Rect(20, 10, 60, 30).Finish();
    Bytes wmf = TWmf(true, 100, 50, 96).NoPen().SolidBrush(kRed).Rect(20, 10, 60, 30).Finish();
    Bytes plain = TWmf(false)
                      .Add(U_WMRSETWINDOWORG_set(point16_set(0, 0)))
                      .Add(U_WMRSETWINDOWEXT_set(point16_set(100, 50)))
                      .NoPen()
                      .SolidBrush(kRed)
                      .Rect(20, 10, 60, 30)
                      .Finish();
    struct Case {
        int W, H;
        QRect Expected;
    };
    const Case sizes[] = {{100, 50, QRect(20, 10, 40, 20)},
                          {200, 100, QRect(40, 20, 80, 40)},
                          {50, 25, QRect(10, 5, 20, 10)},
                          {300, 50, QRect(60, 10, 120, 20)}};
    for (const auto &[name, mf] : {std::pair{"emf", &emf}, {"wmf", &wmf}, {"plain wmf", &plain}}) {
        for (const Case &s : sizes) {
            TCanvas c(s.W, s.H);
            ASSERT_EQ(c.Play(*mf), MetafileOk) << name;
            std::string what = std::string(name) + " " + std::to_string(s.W) + "x" + std::to_string(s.H);
            ExpectFilled(c, s.Expected, kRed, kWhite, what);
            if (s.W == 200) c.Dump(std::string("stretch_") + name);
        }
    }
}

TEST(MetafilePlay, UndrawnAreasKeepTheCallersPixels) {
    TCanvas c(100, 50, kGray);
    ASSERT_EQ(c.Play(TEmf().NoPen().SolidBrush(1, kRed).Rect(40, 20, 50, 30).Finish()), MetafileOk);
    EXPECT_EQ(c.Count(QRect(0, 0, 100, 50), [](std::uint32_t v) { return v == kGray; }), 100 * 50 - 10 * 10);
    EXPECT_EQ(c.Px[3], 0) << "the unused byte of an undrawn pixel is left alone";
}

// ----- Mapping --------------------------------------------------------------------

TEST(MetafilePlay, MappingModesAndTransforms) {
    auto xf = [](float m11, float m12, float m21, float m22, float dx, float dy) {
        return xform_set(m11, m12, m21, m22, dx, dy);
    };
    struct Case {
        const char *Name;
        std::function<void(TEmf &)> Setup;
        QRect Logical;  // left, top, right, bottom given as a rectangle
        QRect Expected; // target pixels on a 100 x 50 target (1:1 with the device)
    };
    std::vector<Case> cases = {
        {"text", [](TEmf &) {}, QRect(QPoint(10, 10), QPoint(30, 20)), QRect(10, 10, 20, 10)},
        {"window origin", [](TEmf &e) { e.Add(U_EMRSETWINDOWORGEX_set(point32_set(-5, -4))); },
         QRect(QPoint(10, 10), QPoint(30, 20)), QRect(15, 14, 20, 10)},
        {"viewport origin", [](TEmf &e) { e.Add(U_EMRSETVIEWPORTORGEX_set(point32_set(7, 3))); },
         QRect(QPoint(10, 10), QPoint(30, 20)), QRect(17, 13, 20, 10)},
        // 4 px per mm: 0.1 mm units are 0.4 px, y grows upwards
        {"lometric", [](TEmf &e) { e.Add(U_EMRSETMAPMODE_set(U_MM_LOMETRIC)); },
         QRect(QPoint(50, -25), QPoint(150, -75)), QRect(20, 10, 40, 20)},
        {"himetric", [](TEmf &e) { e.Add(U_EMRSETMAPMODE_set(U_MM_HIMETRIC)); },
         QRect(QPoint(500, -250), QPoint(1500, -750)), QRect(20, 10, 40, 20)},
        {"loenglish", [](TEmf &e) { e.Add(U_EMRSETMAPMODE_set(U_MM_LOENGLISH)); },
         QRect(QPoint(0, 0), QPoint(25, -25)), QRect(0, 0, 25, 25)}, // 25 * 0.254 mm * 4 = 25.4 px
        {"anisotropic",
         [](TEmf &e) {
             e.Add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
             e.Add(U_EMRSETWINDOWEXTEX_set(sizel_set(1000, 1000)));
             e.Add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(100, 50)));
         },
         QRect(QPoint(200, 200), QPoint(600, 600)), QRect(20, 10, 40, 20)},
        {"isotropic keeps the aspect",
         [](TEmf &e) {
             e.Add(U_EMRSETMAPMODE_set(U_MM_ISOTROPIC));
             e.Add(U_EMRSETWINDOWEXTEX_set(sizel_set(1000, 1000)));
             e.Add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(100, 50)));
         },
         QRect(QPoint(200, 200), QPoint(600, 600)), QRect(10, 10, 20, 20)},
        {"extents ignored in text mode",
         [](TEmf &e) {
             e.Add(U_EMRSETWINDOWEXTEX_set(sizel_set(1000, 1000)));
             e.Add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(100, 50)));
         },
         QRect(QPoint(10, 10), QPoint(30, 20)), QRect(10, 10, 20, 10)},
        {"world transform", [&](TEmf &e) { e.Add(U_EMRSETWORLDTRANSFORM_set(xf(2, 0, 0, 2, 5, 5))); },
         QRect(QPoint(0, 0), QPoint(10, 10)), QRect(5, 5, 20, 20)},
        {"modify: right multiply translates after scaling",
         [&](TEmf &e) {
             e.Add(U_EMRSETWORLDTRANSFORM_set(xf(2, 0, 0, 2, 0, 0)));
             e.Add(U_EMRMODIFYWORLDTRANSFORM_set(xf(1, 0, 0, 1, 10, 0), U_MWT_RIGHTMULTIPLY));
         },
         QRect(QPoint(0, 0), QPoint(10, 10)), QRect(10, 0, 20, 20)},
        {"modify: left multiply translates before scaling",
         [&](TEmf &e) {
             e.Add(U_EMRSETWORLDTRANSFORM_set(xf(2, 0, 0, 2, 0, 0)));
             e.Add(U_EMRMODIFYWORLDTRANSFORM_set(xf(1, 0, 0, 1, 10, 0), U_MWT_LEFTMULTIPLY));
         },
         QRect(QPoint(0, 0), QPoint(10, 10)), QRect(20, 0, 20, 20)},
        {"modify: identity",
         [&](TEmf &e) {
             e.Add(U_EMRSETWORLDTRANSFORM_set(xf(2, 0, 0, 2, 0, 0)));
             e.Add(U_EMRMODIFYWORLDTRANSFORM_set(xf(1, 0, 0, 1, 0, 0), U_MWT_IDENTITY));
         },
         QRect(QPoint(10, 10), QPoint(30, 20)), QRect(10, 10, 20, 10)},
        {"restored state drops the mapping",
         [](TEmf &e) {
             e.Add(U_EMRSAVEDC_set());
             e.Add(U_EMRSETMAPMODE_set(U_MM_LOMETRIC));
             e.Add(U_EMRSETWINDOWORGEX_set(point32_set(-40, -40)));
             e.Add(U_EMRRESTOREDC_set(-1));
         },
         QRect(QPoint(10, 10), QPoint(30, 20)), QRect(10, 10, 20, 10)},
    };
    for (const Case &k : cases) {
        TEmf e;
        e.NoPen().SolidBrush(1, kRed);
        k.Setup(e);
        QRect l = k.Logical;
        e.Rect(l.left(), l.top(), l.right(), l.bottom());
        TCanvas c(100, 50);
        ASSERT_EQ(c.Play(e.Finish()), MetafileOk) << k.Name;
        ExpectFilled(c, k.Expected, kRed, kWhite, k.Name);
    }
}

TEST(MetafilePlay, WindowsMetafileWindowMapsOntoTarget) {
    // Logical units of 1/1440 inch; the window says where the picture lies.
    Bytes wmf = TWmf(true, 2000, 1000, 1440)
                    .Add(U_WMRSETMAPMODE_set(U_MM_ANISOTROPIC))
                    .Add(U_WMRSETWINDOWORG_set(point16_set(1000, 500)))
                    .Add(U_WMRSETWINDOWEXT_set(point16_set(2000, 1000)))
                    .NoPen()
                    .SolidBrush(kRed)
                    .Rect(1400, 700, 2200, 1100)
                    .Finish();
    TCanvas c(100, 50);
    ASSERT_EQ(c.Play(wmf), MetafileOk);
    ExpectFilled(c, QRect(20, 10, 40, 20), kRed, kWhite, "wmf window");
}

// ----- Clipping and state ---------------------------------------------------------------

TEST(MetafilePlay, ClippingAndSavedStates) {
    struct Case {
        const char *Name;
        std::function<void(TEmf &)> Setup;
        QRect Red;
    };
    auto clip = [](int l, int t, int r, int b) {
        return U_EMRINTERSECTCLIPRECT_set(rectl_set(point32_set(l, t), point32_set(r, b)));
    };
    std::vector<Case> cases = {
        {"intersect", [&](TEmf &e) { e.Add(clip(10, 10, 50, 40)); }, QRect(10, 10, 40, 30)},
        {"intersect twice", [&](TEmf &e) { e.Add(clip(10, 10, 50, 40)).Add(clip(30, 0, 100, 50)); },
         QRect(30, 10, 20, 30)},
        {"exclude leaves the rest",
         [&](TEmf &e) {
             e.Add(clip(10, 10, 50, 40));
             e.Add(U_EMREXCLUDECLIPRECT_set(rectl_set(point32_set(10, 10), point32_set(30, 40))));
         },
         QRect(30, 10, 20, 30)},
        {"restore drops the clip",
         [&](TEmf &e) { e.Add(U_EMRSAVEDC_set()).Add(clip(10, 10, 20, 20)).Add(U_EMRRESTOREDC_set(-1)); },
         QRect(0, 0, 100, 50)},
        {"region in device pixels",
         [&](TEmf &e) {
             U_RECTL rects[] = {rectl_set(point32_set(10, 10), point32_set(30, 20))};
             PU_RGNDATA rgn = rgndata_set(rgndataheader_set(1, rects[0]), rects);
             e.Add(U_EMREXTSELECTCLIPRGN_set(U_RGN_COPY, rgn));
             std::free(rgn);
         },
         QRect(10, 10, 20, 10)},
        {"region reset",
         [&](TEmf &e) {
             e.Add(clip(10, 10, 20, 20));
             // libUEMF writes no empty region, so this record is spelled out.
             std::uint32_t reset[4] = {U_EMR_EXTSELECTCLIPRGN, 16, 0, U_RGN_COPY};
             e.Add(static_cast<char *>(std::memcpy(std::malloc(16), reset, 16)));
         },
         QRect(0, 0, 100, 50)},
        {"clip follows the mapping",
         [&](TEmf &e) {
             e.Add(U_EMRSETWINDOWORGEX_set(point32_set(-10, -10)));
             e.Add(clip(0, 0, 20, 20));
             e.Add(U_EMRSETWINDOWORGEX_set(point32_set(0, 0)));
         },
         QRect(10, 10, 20, 20)},
    };
    for (const Case &k : cases) {
        TEmf e;
        e.NoPen().SolidBrush(1, kRed);
        k.Setup(e);
        e.Rect(0, 0, 100, 50);
        TCanvas c(100, 50);
        ASSERT_EQ(c.Play(e.Finish()), MetafileOk) << k.Name;
        EXPECT_EQ(c.Count(QRect(0, 0, 100, 50), IsRed), k.Red.width() * k.Red.height()) << k.Name;
        EXPECT_EQ(c.Count(k.Red, IsRed), k.Red.width() * k.Red.height()) << k.Name;
    }
}

TEST(MetafilePlay, SavedStateKeepsSelectedObjects) {
    TEmf e;
    e.NoPen().SolidBrush(1, kRed).Add(U_EMRSAVEDC_set()).SolidBrush(2, kBlue);
    e.Rect(0, 0, 50, 50).Add(U_EMRRESTOREDC_set(-1)).Rect(50, 0, 100, 50);
    TCanvas c(100, 50);
    ASSERT_EQ(c.Play(e.Finish()), MetafileOk);
    EXPECT_EQ(c.At(25, 25), kBlue);
    EXPECT_EQ(c.At(75, 25), kRed);
}

// ----- Pens, brushes, figures -------------------------------------------------------------

TEST(MetafilePlay, PenWidthScalesWithTheDrawing) {
    struct Case {
        int Width, Scale;
        int Expected;
    };
    for (Case k : {Case{0, 1, 1}, Case{0, 2, 1}, Case{6, 1, 6}, Case{6, 2, 12}, Case{1, 3, 3}}) {
        TEmf e;
        e.Pen(1, U_PS_SOLID | U_PS_ENDCAP_FLAT, k.Width, 0x000000);
        e.Add(U_EMRMOVETOEX_set(point32_set(10, 25)));
        e.Add(U_EMRLINETO_set(point32_set(90, 25)));
        TCanvas c(100 * k.Scale, 50 * k.Scale);
        ASSERT_EQ(c.Play(e.Finish()), MetafileOk);
        int thick = c.Count(QRect(50 * k.Scale, 0, 1, 50 * k.Scale), IsDark);
        EXPECT_NEAR(thick, k.Expected, 1) << "width " << k.Width << " scale " << k.Scale;
    }
}

TEST(MetafilePlay, NullPenAndNullBrushDrawNothing) {
    TEmf e;
    e.Add(U_EMRSELECTOBJECT_set(U_NULL_PEN)).Add(U_EMRSELECTOBJECT_set(U_NULL_BRUSH));
    e.Rect(10, 10, 90, 40);
    TCanvas c(100, 50);
    ASSERT_EQ(c.Play(e.Finish()), MetafileOk);
    EXPECT_EQ(c.Count(QRect(0, 0, 100, 50), IsWhite), 5000);
}

TEST(MetafilePlay, HatchedBrushHonoursBackgroundMode) {
    for (bool opaque : {false, true}) {
        TEmf e;
        e.NoPen();
        e.Add(U_EMRSETBKMODE_set(opaque ? U_OPAQUE : U_TRANSPARENT));
        e.Add(U_EMRSETBKCOLOR_set(TEmf::Color(0xFFFF00)));
        e.Add(U_EMRCREATEBRUSHINDIRECT_set(1, logbrush_set(U_BS_HATCHED, TEmf::Color(kBlue), U_HS_CROSS)));
        e.Add(U_EMRSELECTOBJECT_set(1)).Rect(10, 10, 90, 40);
        TCanvas c(100, 50);
        ASSERT_EQ(c.Play(e.Finish()), MetafileOk);
        QRect in(12, 12, 76, 26);
        int blue = c.Count(in, [](std::uint32_t v) { return v == kBlue; });
        int yellow = c.Count(in, [](std::uint32_t v) { return v == 0xFFFF00; });
        int white = c.Count(in, IsWhite);
        EXPECT_GT(blue, 76 * 26 / 10);
        EXPECT_LT(blue, 76 * 26 / 2);
        EXPECT_EQ(blue + (opaque ? yellow : white), 76 * 26) << "opaque " << opaque;
        c.Dump(opaque ? "hatch_opaque" : "hatch_transparent");
    }
}

TEST(MetafilePlay, Figures) {
    auto box = [](int l, int t, int r, int b) { return rectl_set(point32_set(l, t), point32_set(r, b)); };
    U_POINTL tri32[] = {point32_set(10, 40), point32_set(50, 5), point32_set(90, 40)};
    U_POINT16 tri16[] = {point16_set(10, 40), point16_set(50, 5), point16_set(90, 40)};
    U_POINTL squares[] = {point32_set(5, 5),  point32_set(25, 5), point32_set(25, 25), point32_set(5, 25),
                          point32_set(60, 5), point32_set(80, 5), point32_set(80, 25), point32_set(60, 25)};
    std::uint32_t counts[] = {4, 4};
    struct Case {
        const char *Name;
        std::function<void(TEmf &)> Draw;
        std::vector<QPoint> In, Out;
    };
    std::vector<Case> cases = {
        {"ellipse",
         [&](TEmf &e) { e.Add(U_EMRELLIPSE_set(box(10, 5, 90, 45))); },
         {{50, 25}, {15, 25}},
         {{12, 7}, {88, 43}}},
        {"round rect",
         [&](TEmf &e) { e.Add(U_EMRROUNDRECT_set(box(10, 5, 90, 45), sizel_set(30, 30))); },
         {{50, 25}, {12, 25}},
         {{10, 5}, {89, 44}}},
        // counterclockwise from the right-hand radial to the top one: the top right quarter
        {"pie",
         [&](TEmf &e) { e.Add(U_EMRPIE_set(box(10, 0, 60, 50), point32_set(60, 25), point32_set(35, 0))); },
         {{45, 15}},
         {{25, 15}, {25, 35}, {45, 35}}},
        {"chord",
         [&](TEmf &e) {
             e.Add(U_EMRCHORD_set(box(10, 0, 60, 50), point32_set(60, 25), point32_set(10, 25)));
         },
         {{35, 10}},
         {{35, 40}}},
        {"clockwise pie",
         [&](TEmf &e) {
             e.Add(U_EMRSETARCDIRECTION_set(U_AD_CLOCKWISE));
             e.Add(U_EMRPIE_set(box(10, 0, 60, 50), point32_set(60, 25), point32_set(35, 0)));
         },
         {{25, 15}, {25, 35}, {45, 35}},
         {{45, 15}}},
        {"polygon",
         [&](TEmf &e) { e.Add(U_EMRPOLYGON_set(box(10, 5, 90, 40), 3, tri32)); },
         {{50, 30}},
         {{15, 10}, {85, 10}}},
        {"polygon16",
         [&](TEmf &e) { e.Add(U_EMRPOLYGON16_set(box(10, 5, 90, 40), 3, tri16)); },
         {{50, 30}},
         {{15, 10}, {85, 10}}},
        {"polypolygon",
         [&](TEmf &e) { e.Add(U_EMRPOLYPOLYGON_set(box(5, 5, 80, 25), 2, counts, 8, squares)); },
         {{15, 15}, {70, 15}},
         {{40, 15}, {15, 40}}},
        {"filled path",
         [&](TEmf &e) {
             e.Add(U_EMRBEGINPATH_set());
             e.Add(U_EMRMOVETOEX_set(point32_set(10, 40)));
             e.Add(U_EMRLINETO_set(point32_set(50, 5)));
             e.Add(U_EMRLINETO_set(point32_set(90, 40)));
             e.Add(U_EMRCLOSEFIGURE_set());
             e.Add(U_EMRENDPATH_set());
             e.Add(U_EMRFILLPATH_set(box(10, 5, 90, 40)));
         },
         {{50, 30}},
         {{15, 10}, {85, 10}}},
        {"bezier path",
         [&](TEmf &e) {
             U_POINT16 curve[] = {point16_set(10, 45), point16_set(10, 0), point16_set(90, 0),
                                  point16_set(90, 45)};
             e.Add(U_EMRBEGINPATH_set());
             e.Add(U_EMRPOLYBEZIER16_set(U_RCL_DEF, 4, curve));
             e.Add(U_EMRCLOSEFIGURE_set());
             e.Add(U_EMRENDPATH_set());
             e.Add(U_EMRFILLPATH_set(U_RCL_DEF));
         },
         {{50, 20}, {20, 40}},
         {{12, 5}, {88, 5}, {50, 48}}},
        {"arc to joins the current point",
         [&](TEmf &e) {
             e.Add(U_EMRBEGINPATH_set());
             e.Add(U_EMRMOVETOEX_set(point32_set(0, 25)));
             e.Add(U_EMRARCTO_set(box(10, 0, 60, 50), point32_set(10, 25), point32_set(60, 25)));
             e.Add(U_EMRCLOSEFIGURE_set());
             e.Add(U_EMRENDPATH_set());
             e.Add(U_EMRFILLPATH_set(U_RCL_DEF));
         },
         {{35, 40}, {20, 30}},
         {{35, 10}, {80, 25}}},
        {"path as clip",
         [&](TEmf &e) {
             e.Add(U_EMRBEGINPATH_set());
             e.Add(U_EMRELLIPSE_set(box(30, 5, 70, 45)));
             e.Add(U_EMRENDPATH_set());
             e.Add(U_EMRSELECTCLIPPATH_set(U_RGN_COPY));
             e.Rect(0, 0, 100, 50);
         },
         {{50, 25}},
         {{31, 6}, {10, 25}, {90, 25}}},
    };
    for (const Case &k : cases) {
        TEmf e;
        e.NoPen().SolidBrush(1, kRed);
        k.Draw(e);
        TCanvas c(100, 50);
        ASSERT_EQ(c.Play(e.Finish()), MetafileOk) << k.Name;
        for (QPoint p : k.In)
            EXPECT_EQ(c.At(p.x(), p.y()), kRed) << k.Name << " inside " << p.x() << "," << p.y();
        for (QPoint p : k.Out)
            EXPECT_EQ(c.At(p.x(), p.y()), kWhite) << k.Name << " outside " << p.x() << "," << p.y();
    }
}

TEST(MetafilePlay, LinesAndPolylines) {
    U_POINT16 zig[] = {point16_set(10, 10), point16_set(50, 10), point16_set(50, 40)};
    TEmf e;
    e.Pen(1, U_PS_SOLID, 0, 0x000000);
    e.Add(U_EMRPOLYLINE16_set(rectl_set(point32_set(10, 10), point32_set(50, 40)), 3, zig));
    e.Add(U_EMRMOVETOEX_set(point32_set(70, 5)));
    e.Add(U_EMRLINETO_set(point32_set(70, 45)));
    TCanvas c(100, 50);
    ASSERT_EQ(c.Play(e.Finish()), MetafileOk);
    EXPECT_TRUE(IsDark(c.At(30, 10)));
    EXPECT_TRUE(IsDark(c.At(50, 25)));
    EXPECT_TRUE(IsDark(c.At(70, 25)));
    EXPECT_EQ(c.At(30, 25), kWhite) << "a polyline is not closed or filled";
}

// ----- Text ----------------------------------------------------------------------------------

Bytes EmfText(const char *utf8, std::uint32_t align, int height) {
    TEmf e(200, 50);
    size_t len = 0;
    std::uint16_t *face = U_Utf8ToUtf16le("Liberation Sans", 0, nullptr);
    U_LOGFONT lf = logfont_set(height, 0, 0, 0, U_FW_NORMAL, 0, 0, 0, U_ANSI_CHARSET, 0, 0, 0, 0, face);
    std::free(face);
    e.Add(U_EMREXTCREATEFONTINDIRECTW_set(1, reinterpret_cast<const char *>(&lf), nullptr));
    e.Add(U_EMRSELECTOBJECT_set(1));
    e.Add(U_EMRSETTEXTCOLOR_set(TEmf::Color(kBlue)));
    e.Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
    e.Add(U_EMRSETTEXTALIGN_set(align));
    std::uint16_t *text = U_Utf8ToUtf16le(utf8, 0, &len);
    std::uint32_t *dx = dx_set(-height, U_FW_NORMAL, std::uint32_t(len));
    char *emrtext = emrtext_set(point32_set(100, 25), std::uint32_t(len), 2, text, U_ETO_NONE, U_RCL_DEF, dx);
    e.Add(
        U_EMREXTTEXTOUTW_set(U_RCL_DEF, U_GM_COMPATIBLE, 1.0f, 1.0f, reinterpret_cast<PU_EMRTEXT>(emrtext)));
    std::free(emrtext);
    std::free(text);
    std::free(dx);
    return e.Finish();
}

TEST(MetafilePlay, TextIsDrawnBesideItsReferencePoint) {
    struct Case {
        std::uint32_t Align;
        QRect Ink, Clear; // the text lies in Ink and not in Clear
    };
    const int h = -20;
    const Case cases[] = {
        {U_TA_LEFT | U_TA_TOP, QRect(100, 25, 100, 25), QRect(0, 0, 99, 50)},
        {U_TA_RIGHT | U_TA_TOP, QRect(0, 25, 100, 25), QRect(101, 0, 99, 50)},
        {U_TA_LEFT | U_TA_BOTTOM, QRect(100, 0, 100, 25), QRect(0, 26, 200, 24)},
        {U_TA_CENTER | U_TA_BASELINE, QRect(50, 0, 100, 30), QRect(0, 31, 200, 19)},
    };
    for (const Case &k : cases) {
        TCanvas c(200, 50);
        ASSERT_EQ(c.Play(EmfText("Ağaç İş", k.Align, h)), MetafileOk);
        auto blueish = [](std::uint32_t v) { return (v & 0xFF) > 128 && ((v >> 16) & 0xFF) < 128; };
        EXPECT_GT(c.Count(k.Ink, blueish), 40) << "align " << k.Align;
        EXPECT_EQ(c.Count(k.Clear, [](std::uint32_t v) { return v != kWhite; }), 0) << "align " << k.Align;
        if (k.Align == 0) c.Dump("text_emf");
    }
}

TEST(MetafilePlay, WindowsTextIsCodePage1254) {
    // "Şiş Ğ" in code page 1254; a wrong code page would give other letters but
    // still ink, so the ink is compared with the same text typed in UTF-8.
    char cp1254[] = "\xDE\x69\xFE \xD0";
    auto render = [](const Bytes &mf) {
        TCanvas c(120, 40);
        EXPECT_EQ(c.Play(mf), MetafileOk);
        return c;
    };
    auto wmfWith = [](char *text) {
        TWmf w(true, 120, 40, 96);
        U_FONT *font = U_FONT_set(-24, 0, 0, 0, U_FW_NORMAL, 0, 0, 0, 162, 0, 0, 0, 0,
                                  const_cast<char *>("Liberation Sans"));
        w.Add(U_WMRCREATEFONTINDIRECT_set(font));
        std::free(font);
        w.Add(U_WMRSELECTOBJECT_set(0));
        w.Add(U_WMRSETBKMODE_set(U_TRANSPARENT));
        w.Add(U_WMRTEXTOUT_set(point16_set(5, 5), text));
        return w.Finish();
    };
    TCanvas wmf = render(wmfWith(cp1254));
    wmf.Dump("text_wmf");
    int ink = wmf.Count(QRect(0, 0, 120, 40), IsDark);
    EXPECT_GT(ink, 60);
    EXPECT_EQ(wmf.Count(QRect(0, 32, 120, 8), IsDark), 0) << "24 px text from y 5 stays above 32";
    // Same letters through the wide-character path of an enhanced metafile.
    char latin[] = "\x53\x69\x73 \x47"; // plain "Sis G": must differ from the Turkish letters
    TCanvas plain = render(wmfWith(latin));
    int differing = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            differing += IsDark(wmf.At(x, y)) != IsDark(plain.At(x, y));
    EXPECT_GT(differing, 10) << "the cedilla and breve must show";
}

TEST(MetafilePlay, OpaqueTextRectangleIsFilled) {
    TEmf e(100, 50);
    std::uint16_t *text = U_Utf8ToUtf16le("x", 0, nullptr);
    std::uint32_t dx[] = {10};
    char *emrtext = emrtext_set(point32_set(10, 10), 1, 2, text, U_ETO_OPAQUE,
                                rectl_set(point32_set(5, 5), point32_set(60, 40)), dx);
    e.Add(U_EMRSETBKCOLOR_set(TEmf::Color(kRed)));
    e.Add(U_EMRSETTEXTCOLOR_set(TEmf::Color(kRed)));
    e.Add(
        U_EMREXTTEXTOUTW_set(U_RCL_DEF, U_GM_COMPATIBLE, 1.0f, 1.0f, reinterpret_cast<PU_EMRTEXT>(emrtext)));
    std::free(emrtext);
    std::free(text);
    TCanvas c(100, 50);
    ASSERT_EQ(c.Play(e.Finish()), MetafileOk);
    ExpectFilled(c, QRect(5, 5, 55, 35), kRed, kWhite, "opaque text rectangle");
}

// ----- Bitmaps ---------------------------------------------------------------------------------

// A 2 x 2 checkerboard, top row red-blue, bottom row blue-red, at any depth.
struct TDib {
    std::vector<std::uint8_t> Info; // BITMAPINFO with colours
    std::vector<std::uint8_t> Bits;
};

TDib Checker(int bits, bool topDown = false) {
    TDib d;
    int colors = bits <= 8 ? 2 : 0;
    U_BITMAPINFOHEADER h = bitmapinfoheader_set(2, topDown ? -2 : 2, 1, bits, U_BI_RGB, 0, 0, 0, colors, 0);
    d.Info.resize(sizeof(h) + 4 * colors);
    std::memcpy(d.Info.data(), &h, sizeof(h));
    if (colors) {
        std::uint8_t table[8] = {0, 0, 255, 0, 255, 0, 0, 0}; // 0 red, 1 blue (B, G, R, 0)
        std::memcpy(d.Info.data() + sizeof(h), table, 8);
    }
    std::size_t stride = ((2 * bits + 31) / 32) * 4;
    d.Bits.assign(stride * 2, 0);
    // rows as stored: bottom-up unless topDown
    int pattern[2][2] = {{0, 1}, {1, 0}}; // [image row][x]: 0 red, 1 blue
    for (int row = 0; row < 2; ++row) {
        int imageRow = topDown ? row : 1 - row;
        std::uint8_t *p = d.Bits.data() + stride * row;
        for (int x = 0; x < 2; ++x) {
            int v = pattern[imageRow][x];
            switch (bits) {
            case 1:
                p[0] |= v << (7 - x);
                break;
            case 4:
                p[0] |= v << (x ? 0 : 4);
                break;
            case 8:
                p[x] = v;
                break;
            case 24:
                p[3 * x] = v ? 255 : 0;
                p[3 * x + 2] = v ? 0 : 255;
                break;
            case 32:
                p[4 * x] = v ? 255 : 0;
                p[4 * x + 2] = v ? 0 : 255;
                break;
            }
        }
    }
    return d;
}

void ExpectChecker(const TCanvas &c, QRect r, const std::string &what) {
    int hw = r.width() / 2, hh = r.height() / 2;
    struct Quarter {
        QRect Area;
        std::uint32_t Color;
        const char *Name;
    };
    const Quarter quarters[] = {{QRect(r.left(), r.top(), hw, hh), kRed, "top left"},
                                {QRect(r.left() + hw, r.top(), hw, hh), kBlue, "top right"},
                                {QRect(r.left(), r.top() + hh, hw, hh), kBlue, "bottom left"},
                                {QRect(r.left() + hw, r.top() + hh, hw, hh), kRed, "bottom right"}};
    for (const Quarter &q : quarters) {
        QRect inner = q.Area.adjusted(1, 1, -1, -1);
        EXPECT_EQ(c.Count(inner, [&](std::uint32_t v) { return v == q.Color; }),
                  inner.width() * inner.height())
            << what << " " << q.Name;
    }
    QRect outer = r.adjusted(-2, -2, 2, 2);
    EXPECT_EQ(c.Count(QRect(0, 0, c.W, c.H), IsWhite),
              c.W * c.H - c.Count(outer, [](std::uint32_t) { return true; }) + c.Count(outer, IsWhite))
        << what;
    EXPECT_EQ(c.Count(outer, [](std::uint32_t v) { return v != kWhite && v != kRed && v != kBlue; }), 0)
        << what;
    EXPECT_EQ(c.Count(QRect(0, 0, c.W, c.H), [](std::uint32_t v) { return v != kWhite; }),
              c.Count(r, [](std::uint32_t v) { return v != kWhite; }))
        << what << ": nothing drawn outside the picture";
}

TEST(MetafilePlay, BitmapsOfEveryDepthAreStretched) {
    for (int bits : {1, 4, 8, 24, 32}) {
        for (bool topDown : {false, true}) {
            if (topDown && bits != 24) continue;
            TDib d = Checker(bits, topDown);
            std::string what = std::to_string(bits) + (topDown ? " top-down" : "");
            auto *bmi = reinterpret_cast<PU_BITMAPINFO>(d.Info.data());
            char *px = reinterpret_cast<char *>(d.Bits.data());
            U_RECTL bounds = rectl_set(point32_set(20, 10), point32_set(60, 30));
            const U_XFORM id = xform_set(1, 0, 0, 1, 0, 0);
            // StretchDIBits, StretchBlt and BitBlt of the same picture.
            Bytes stretchDib =
                TEmf()
                    .Add(U_EMRSTRETCHDIBITS_set(bounds, point32_set(20, 10), point32_set(40, 20),
                                                point32_set(0, 0), point32_set(2, 2), U_DIB_RGB_COLORS,
                                                U_SRCCOPY, bmi, std::uint32_t(d.Bits.size()), px))
                    .Finish();
            Bytes stretchBlt = TEmf()
                                   .Add(U_EMRSTRETCHBLT_set(bounds, point32_set(20, 10), point32_set(40, 20),
                                                            point32_set(0, 0), point32_set(2, 2), id,
                                                            TEmf::Color(0), U_DIB_RGB_COLORS, U_SRCCOPY, bmi,
                                                            std::uint32_t(d.Bits.size()), px))
                                   .Finish();
            Bytes wmfStretch =
                TWmf(true, 100, 50, 96)
                    .Add(U_WMRSTRETCHDIB_set(point16_set(20, 10), point16_set(40, 20), point16_set(0, 0),
                                             point16_set(2, 2), U_DIB_RGB_COLORS, U_SRCCOPY, bmi,
                                             std::uint32_t(d.Bits.size()), px))
                    .Finish();
            Bytes wmfDibStretch =
                TWmf(true, 100, 50, 96)
                    .Add(U_WMRDIBSTRETCHBLT_set(point16_set(20, 10), point16_set(40, 20), point16_set(0, 0),
                                                point16_set(2, 2), U_SRCCOPY, bmi,
                                                std::uint32_t(d.Bits.size()), px))
                    .Finish();
            for (const auto &[name, mf] : {std::pair{"stretchdibits", &stretchDib},
                                           {"stretchblt", &stretchBlt},
                                           {"wmf stretchdib", &wmfStretch},
                                           {"wmf dibstretchblt", &wmfDibStretch}}) {
                TCanvas c(200, 100);
                ASSERT_EQ(c.Play(*mf), MetafileOk) << name << " " << what;
                ExpectChecker(c, QRect(40, 20, 80, 40), std::string(name) + " " + what);
                if (bits == 24 && !topDown) c.Dump(std::string("bitmap_") + name);
            }
        }
    }
    // BitBlt copies without stretching the source (1 logical unit per pixel).
    TDib d = Checker(24);
    auto *bmi = reinterpret_cast<PU_BITMAPINFO>(d.Info.data());
    Bytes blt =
        TEmf()
            .Add(U_EMRBITBLT_set(rectl_set(point32_set(10, 10), point32_set(11, 11)), point32_set(10, 10),
                                 point32_set(2, 2), point32_set(0, 0), xform_set(1, 0, 0, 1, 0, 0),
                                 TEmf::Color(0), U_DIB_RGB_COLORS, U_SRCCOPY, bmi,
                                 std::uint32_t(d.Bits.size()), reinterpret_cast<char *>(d.Bits.data())))
            .Finish();
    TCanvas c(100, 50);
    ASSERT_EQ(c.Play(blt), MetafileOk);
    EXPECT_EQ(c.At(10, 10), kRed);
    EXPECT_EQ(c.At(11, 10), kBlue);
    EXPECT_EQ(c.At(10, 11), kBlue);
    EXPECT_EQ(c.At(12, 10), kWhite);
}

// ----- Untrusted bytes ----------------------------------------------------------------------------

std::vector<std::pair<std::string, Bytes>> SampleMetafiles() {
    TDib d = Checker(8);
    auto *bmi = reinterpret_cast<PU_BITMAPINFO>(d.Info.data());
    char *px = reinterpret_cast<char *>(d.Bits.data());
    U_POINT16 tri[] = {point16_set(10, 40), point16_set(50, 5), point16_set(90, 40)};
    TEmf e;
    e.Pen(1, U_PS_DASH, 2, kBlue).SolidBrush(2, kRed).Rect(5, 5, 30, 30);
    e.Add(U_EMRPOLYGON16_set(rectl_set(point32_set(10, 5), point32_set(90, 40)), 3, tri));
    e.Add(U_EMRSTRETCHDIBITS_set(U_RCL_DEF, point32_set(50, 10), point32_set(40, 20), point32_set(0, 0),
                                 point32_set(2, 2), U_DIB_RGB_COLORS, U_SRCCOPY, bmi,
                                 std::uint32_t(d.Bits.size()), px));
    U_BITMAPINFOHEADER rleHeader = bitmapinfoheader_set(2, 2, 1, 8, U_BI_RLE8, 12, 0, 0, 2, 0);
    std::vector<std::uint8_t> rleInfo(48, 0);
    std::memcpy(rleInfo.data(), &rleHeader, 40);
    rleInfo[42] = 255;
    rleInfo[44] = 255;
    std::uint8_t rle[12] = {0, 3, 1, 0, 0, 0, 0, 0, 0, 2, 1, 0};
    e.Add(U_EMRSTRETCHDIBITS_set(U_RCL_DEF, point32_set(10, 30), point32_set(20, 10), point32_set(0, 0),
                                 point32_set(2, 2), U_DIB_RGB_COLORS, U_SRCCOPY,
                                 reinterpret_cast<PU_BITMAPINFO>(rleInfo.data()), 12,
                                 reinterpret_cast<char *>(rle)));
    Bytes emf = EmfText("Ağaç", 0, -12);
    TWmf w(true, 100, 50, 96);
    w.NoPen().SolidBrush(kRed).Rect(5, 5, 30, 30);
    w.Add(U_WMRPOLYGON_set(3, tri));
    w.Add(U_WMRSTRETCHDIB_set(point16_set(50, 10), point16_set(40, 20), point16_set(0, 0), point16_set(2, 2),
                              U_DIB_RGB_COLORS, U_SRCCOPY, bmi, std::uint32_t(d.Bits.size()), px));
    char text[] = "\xDE\x69\xFE";
    w.Add(U_WMRTEXTOUT_set(point16_set(5, 5), text));
    return {{"emf_shapes", e.Finish()}, {"emf_text", emf}, {"wmf_shapes", w.Finish()}};
}

TEST(MetafileUntrusted, TruncatedMetafilesFail) {
    for (const auto &[name, mf] : SampleMetafiles()) {
        DumpMetafile(name + (name.rfind("wmf", 0) == 0 ? ".wmf" : ".emf"), mf);
        // Every cut that leaves the header whole but loses records.
        for (std::size_t cut = 40; cut + 1 < mf.size(); cut += 2) {
            TCanvas c(100, 50);
            int rc = PlayMetafile(mf.data(), cut, c.Px.data(), c.W, c.H);
            EXPECT_NE(rc, MetafileOk) << name << " cut at " << cut;
        }
    }
}

TEST(MetafileUntrusted, BrokenRecordsFail) {
    struct Case {
        const char *Name;
        Bytes Data;
        int Expected;
    };
    auto patch32 = [](Bytes b, std::size_t at, std::uint32_t v) {
        std::memcpy(&b[at], &v, 4);
        return b;
    };
    Bytes emf = TEmf().NoPen().SolidBrush(1, kRed).Rect(0, 0, 10, 10).Finish();
    std::size_t firstRecord = 108; // after the header libUEMF writes
    std::uint32_t headerSize;
    std::memcpy(&headerSize, &emf[4], 4);
    firstRecord = headerSize;
    U_POINT16 tri[] = {point16_set(10, 40), point16_set(50, 5), point16_set(90, 40)};
    Bytes poly = TEmf().Add(U_EMRPOLYGON16_set(U_RCL_DEF, 3, tri)).Finish();
    Bytes wmf = TWmf(true).NoPen().SolidBrush(kRed).Rect(0, 0, 10, 10).Finish();
    Bytes wmfPoly = TWmf(true).Add(U_WMRPOLYGON_set(3, tri)).Finish();
    std::size_t wmfFirst = 22 + 18;
    std::vector<Case> cases = {
        {"empty", {}, MetafileNotMetafile},
        {"one byte", {1}, MetafileNotMetafile},
        {"text", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l',
                       'd', ' ', 'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o'},
         MetafileNotMetafile},
        {"emf record size zero", patch32(emf, firstRecord + 4, 0), MetafileBadRecord},
        {"emf record size odd", patch32(emf, firstRecord + 4, 10), MetafileBadRecord},
        {"emf record past the end", patch32(emf, firstRecord + 4, 0x7FFFFFF0), MetafileTruncated},
        {"emf polygon count huge", patch32(poly, firstRecord + 24, 0x7FFFFFFF), MetafileBadRecord},
        {"emf polygon count one more", patch32(poly, firstRecord + 24, 4), MetafileBadRecord},
        {"wmf record size zero", patch32(wmf, wmfFirst, 0), MetafileBadRecord},
        {"wmf record past the end", patch32(wmf, wmfFirst, 0x10000000), MetafileTruncated},
        {"wmf polygon count huge",
         [&] {
             Bytes b = wmfPoly;
             b[wmfFirst + 6] = 0xFF;
             b[wmfFirst + 7] = 0x7F;
             return b;
         }(),
         MetafileBadRecord},
    };
    for (const Case &k : cases) {
        TCanvas c(100, 50);
        EXPECT_EQ(PlayMetafile(k.Data.data(), k.Data.size(), c.Px.data(), c.W, c.H), k.Expected) << k.Name;
    }
    // Bad targets
    TCanvas c(10, 10);
    EXPECT_EQ(PlayMetafile(emf.data(), emf.size(), nullptr, 10, 10), MetafileBadTarget);
    EXPECT_EQ(PlayMetafile(emf.data(), emf.size(), c.Px.data(), 0, 10), MetafileBadTarget);
    EXPECT_EQ(PlayMetafile(emf.data(), emf.size(), c.Px.data(), 10, -1), MetafileBadTarget);
    EXPECT_EQ(PlayMetafile(emf.data(), emf.size(), c.Px.data(), 100000, 1), MetafileBadTarget);
}

TEST(MetafileUntrusted, UnknownRecordsAreSkippedAndHugeBitmapsIgnored) {
    TEmf e;
    // An undocumented record type, then a well-formed bitmap of 7000 x 7000
    // pixels: more than the player decodes, so it is left out.
    std::uint32_t unknown[4] = {200, 16, 0xDEADBEEF, 0};
    e.Add(static_cast<char *>(std::memcpy(std::malloc(16), unknown, 16)));
    TDib d = Checker(1);
    auto *bmi = reinterpret_cast<PU_BITMAPINFO>(d.Info.data());
    bmi->bmiHeader.biWidth = 7000;
    bmi->bmiHeader.biHeight = 7000;
    std::vector<char> bits(std::size_t((7000 + 31) / 32 * 4) * 7000, 0);
    e.Add(U_EMRSTRETCHDIBITS_set(U_RCL_DEF, point32_set(0, 0), point32_set(100, 50), point32_set(0, 0),
                                 point32_set(7000, 7000), U_DIB_RGB_COLORS, U_SRCCOPY, bmi,
                                 std::uint32_t(bits.size()), bits.data()));
    // A bitmap whose header asks for more rows than the record carries.
    TDib shortDib = Checker(24);
    auto *shortBmi = reinterpret_cast<PU_BITMAPINFO>(shortDib.Info.data());
    shortBmi->bmiHeader.biHeight = 30000;
    e.Add(U_EMRSTRETCHDIBITS_set(U_RCL_DEF, point32_set(0, 0), point32_set(100, 50), point32_set(0, 0),
                                 point32_set(2, 2), U_DIB_RGB_COLORS, U_SRCCOPY, shortBmi,
                                 std::uint32_t(shortDib.Bits.size()),
                                 reinterpret_cast<char *>(shortDib.Bits.data())));
    e.NoPen().SolidBrush(1, kRed).Rect(10, 10, 20, 20);
    TCanvas c(100, 50);
    ASSERT_EQ(c.Play(e.Finish()), MetafileOk);
    EXPECT_EQ(c.At(15, 15), kRed) << "records after the skipped ones are played";
    EXPECT_EQ(c.At(50, 40), kWhite);

    // Thousands of saved states and objects stay within bounds.
    TWmf w(true);
    for (int i = 0; i < 5000; ++i)
        w.Add(U_WMRSAVEDC_set());
    for (int i = 0; i < 3000; ++i)
        w.Add(U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(U_BS_SOLID, TEmf::Color(kRed), 0)));
    w.Add(U_WMRSELECTOBJECT_set(2999)).NoPen().Rect(10, 10, 20, 20);
    for (int i = 0; i < 6000; ++i)
        w.Add(U_WMRRESTOREDC_set(-1));
    TCanvas c2(100, 50);
    ASSERT_EQ(c2.Play(w.Finish()), MetafileOk);
    EXPECT_EQ(c2.At(15, 15), kRed);
}

TEST(MetafileUntrusted, EndlessDrawingIsCutShort) {
    // Each rectangle covers the whole target; a few thousand are a picture,
    // tens of thousands are an attack on the machine's time.
    TEmf e;
    e.NoPen().SolidBrush(1, kRed);
    for (int i = 0; i < 20000; ++i)
        e.Rect(0, 0, 100, 50);
    TCanvas c(100, 50);
    EXPECT_EQ(c.Play(e.Finish()), MetafileTooComplex);
    EXPECT_EQ(c.At(50, 25), kRed) << "what was drawn stays";

    // A run-length bitmap claims 2000 x 2000 pixels in two bytes; decoding it
    // over and over is cut short the same way.
    U_BITMAPINFOHEADER h = bitmapinfoheader_set(2000, 2000, 1, 8, U_BI_RLE8, 2, 0, 0, 2, 0);
    std::vector<std::uint8_t> info(48, 0);
    std::memcpy(info.data(), &h, 40);
    std::uint8_t end[2] = {0, 1};
    TEmf bombs;
    for (int i = 0; i < 500; ++i)
        bombs.Add(U_EMRSTRETCHDIBITS_set(U_RCL_DEF, point32_set(0, 0), point32_set(1, 1), point32_set(0, 0),
                                         point32_set(1, 1), U_DIB_RGB_COLORS, U_SRCCOPY,
                                         reinterpret_cast<PU_BITMAPINFO>(info.data()), 2,
                                         reinterpret_cast<char *>(end)));
    TCanvas c3(100, 50);
    EXPECT_EQ(c3.Play(bombs.Finish()), MetafileTooComplex);

    // Thousands of clip changes still end, with the clip they describe.
    TEmf clips;
    clips.NoPen().SolidBrush(1, kRed);
    for (int i = 0; i < 3000; ++i) {
        int x = i % 100, y = (i / 100) % 50;
        clips.Add(U_EMREXCLUDECLIPRECT_set(rectl_set(point32_set(x, y), point32_set(x + 1, y + 1))));
    }
    clips.Rect(0, 0, 100, 50);
    TCanvas c2(100, 50);
    ASSERT_EQ(c2.Play(clips.Finish()), MetafileOk);
    EXPECT_EQ(c2.Count(QRect(0, 0, 100, 30), IsWhite), 3000);
    EXPECT_EQ(c2.Count(QRect(0, 30, 100, 20), IsRed), 2000);
}

TEST(MetafileUntrusted, MutatedMetafilesNeverCrash) {
    // Random byte damage: whatever the result code, playback stays in bounds
    // (run under the address sanitizer) and finishes.
    std::mt19937 rng(12345);
    int played = 0;
    for (const auto &[name, mf] : SampleMetafiles()) {
        for (int round = 0; round < 400; ++round) {
            Bytes b = mf;
            int flips = 1 + int(rng() % 8);
            for (int i = 0; i < flips; ++i) {
                std::size_t at = rng() % b.size();
                switch (rng() % 3) {
                case 0:
                    b[at] = std::uint8_t(rng());
                    break;
                case 1:
                    b[at] ^= std::uint8_t(1u << (rng() % 8));
                    break;
                default:
                    b[at] = (rng() % 2) ? 0xFF : 0x00;
                    break;
                }
            }
            if (rng() % 4 == 0) b.resize(rng() % b.size());
            TCanvas c(64, 32);
            int rc = PlayMetafile(b.data(), b.size(), c.Px.data(), c.W, c.H);
            EXPECT_GE(rc, 0);
            ++played;
        }
    }
    EXPECT_EQ(played, 1200);
}

} // namespace
} // namespace kadrolin

namespace kadrolin {
namespace {

// A gradient photo of w x h pixels, 24 bits, bottom-up.
TDib Gradient(int w, int h) {
    TDib d;
    U_BITMAPINFOHEADER hd = bitmapinfoheader_set(w, h, 1, 24, U_BI_RGB, 0, 0, 0, 0, 0);
    d.Info.resize(sizeof(hd));
    std::memcpy(d.Info.data(), &hd, sizeof(hd));
    std::size_t stride = (std::size_t(w) * 3 + 3) / 4 * 4;
    d.Bits.assign(stride * h, 0);
    for (int row = 0; row < h; ++row)
        for (int x = 0; x < w; ++x) {
            std::uint8_t *p = &d.Bits[stride * row + 3 * x];
            int y = h - 1 - row;              // image row
            p[0] = std::uint8_t(255 * y / h); // blue grows downwards
            p[1] = std::uint8_t(160);
            p[2] = std::uint8_t(255 * x / w); // red grows rightwards
        }
    return d;
}

// A picture as a photo editor might save it: a photo, a face drawn over it, a
// caption band with Turkish text, a hatched frame, all in a 1000 x 1250
// logical window.
Bytes PortraitEmf() {
    TEmf e(240, 300);
    e.Add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    e.Add(U_EMRSETWINDOWEXTEX_set(sizel_set(1000, 1250)));
    e.Add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(240, 300)));
    TDib photo = Gradient(64, 80);
    e.Add(U_EMRSTRETCHDIBITS_set(
        U_RCL_DEF, point32_set(0, 0), point32_set(1000, 1250), point32_set(0, 0), point32_set(64, 80),
        U_DIB_RGB_COLORS, U_SRCCOPY, reinterpret_cast<PU_BITMAPINFO>(photo.Info.data()),
        std::uint32_t(photo.Bits.size()), reinterpret_cast<char *>(photo.Bits.data())));
    e.Pen(1, U_PS_SOLID, 12, 0x402000).SolidBrush(2, 0xF0C8A0);
    e.Add(U_EMRELLIPSE_set(rectl_set(point32_set(300, 200), point32_set(700, 700))));
    e.SolidBrush(3, 0x2040A0);
    e.Add(U_EMRPIE_set(rectl_set(point32_set(200, 650), point32_set(800, 1250)), point32_set(800, 950),
                       point32_set(200, 950)));
    e.Add(U_EMRSAVEDC_set());
    e.Add(U_EMRINTERSECTCLIPRECT_set(rectl_set(point32_set(0, 1050), point32_set(1000, 1250))));
    e.NoPen().SolidBrush(4, 0xFFFFFF).Rect(0, 1050, 1000, 1250);
    std::uint16_t *face = U_Utf8ToUtf16le("Liberation Sans", 0, nullptr);
    U_LOGFONT lf = logfont_set(-110, 0, 0, 0, 700, 0, 0, 0, 162, 0, 0, 0, 0, face);
    std::free(face);
    e.Add(U_EMREXTCREATEFONTINDIRECTW_set(5, reinterpret_cast<const char *>(&lf), nullptr));
    e.Add(U_EMRSELECTOBJECT_set(5));
    e.Add(U_EMRSETTEXTCOLOR_set(TEmf::Color(0x800000)));
    e.Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
    e.Add(U_EMRSETTEXTALIGN_set(U_TA_CENTER | U_TA_BASELINE));
    std::size_t len = 0;
    std::uint16_t *text = U_Utf8ToUtf16le("Ayşe Öztürk", 0, &len);
    std::uint32_t *dx = dx_set(110, 700, std::uint32_t(len));
    char *emrtext =
        emrtext_set(point32_set(500, 1200), std::uint32_t(len), 2, text, U_ETO_NONE, U_RCL_DEF, dx);
    std::free(dx);
    e.Add(
        U_EMREXTTEXTOUTW_set(U_RCL_DEF, U_GM_COMPATIBLE, 1.0f, 1.0f, reinterpret_cast<PU_EMRTEXT>(emrtext)));
    std::free(emrtext);
    std::free(text);
    e.Add(U_EMRRESTOREDC_set(-1));
    e.Add(U_EMRCREATEBRUSHINDIRECT_set(6, logbrush_set(U_BS_HATCHED, TEmf::Color(0x006000), U_HS_DIAGCROSS)));
    e.Add(U_EMRSELECTOBJECT_set(6)).Add(U_EMRSETBKMODE_set(U_TRANSPARENT)).NoPen();
    e.Add(U_EMRSETPOLYFILLMODE_set(U_ALTERNATE));
    U_POINTL frame[] = {point32_set(0, 0),      point32_set(1000, 0), point32_set(1000, 1250),
                        point32_set(0, 1250),   point32_set(40, 40),  point32_set(960, 40),
                        point32_set(960, 1210), point32_set(40, 1210)};
    std::uint32_t counts[] = {4, 4};
    e.Add(U_EMRPOLYPOLYGON_set(U_RCL_DEF, 2, counts, 8, frame));
    return e.Finish();
}

TEST(MetafilePlay, PortraitLooksRight) {
    TCanvas c(240, 300);
    Bytes mf = PortraitEmf();
    ASSERT_EQ(c.Play(mf), MetafileOk);
    c.Dump("portrait_emf");
    DumpMetafile("portrait.emf", mf);
    auto near = [](std::uint32_t v, std::uint32_t want) {
        for (int s : {0, 8, 16})
            if (std::abs(int((v >> s) & 0xFF) - int((want >> s) & 0xFF)) > 24) return false;
        return true;
    };
    EXPECT_TRUE(near(c.At(120, 100), 0xF0C8A0)) << std::hex << c.At(120, 100) << " face";
    EXPECT_TRUE(near(c.At(120, 220), 0x2040A0)) << std::hex << c.At(120, 220) << " shoulders";
    EXPECT_TRUE(near(c.At(20, 20), 0x14A00F)) << std::hex << c.At(20, 20) << " photo, top left";
    EXPECT_TRUE(near(c.At(215, 200), 0xE1A09F)) << std::hex << c.At(215, 200) << " photo, right";
    EXPECT_EQ(c.At(225, 256), kWhite) << "caption band";
    EXPECT_GT(c.Count(QRect(40, 265, 160, 25),
                      [](std::uint32_t v) { return v != kWhite && (v >> 16) > 0x40 && (v & 0xFF) < 0x60; }),
              100)
        << "caption text";
    EXPECT_GT(c.Count(QRect(0, 0, 9, 300), [](std::uint32_t v) { return v == 0x006000; }), 100)
        << "hatched frame";
    EXPECT_EQ(c.Count(QRect(12, 12, 30, 30), [](std::uint32_t v) { return v == 0x006000; }), 0)
        << "frame has a hole";
}

} // namespace
} // namespace kadrolin

namespace kadrolin {
namespace {

TEST(MetafilePlay, AlphaBlendUsesCoverageAndConstantAlpha) {
    // Two pixels, premultiplied: opaque red, then nothing at all.
    U_BITMAPINFOHEADER h = bitmapinfoheader_set(2, 1, 1, 32, U_BI_RGB, 0, 0, 0, 0, 0);
    std::uint8_t px[8] = {0, 0, 255, 255, 0, 0, 0, 0};
    struct Case {
        std::uint8_t Global, Format;
        std::uint32_t Left, Right;
    };
    const Case cases[] = {
        {255, U_AC_SRC_ALPHA, kRed, kBlue}, {128, U_AC_SRC_ALPHA, 0x7F007F, kBlue}, {255, 0, kRed, 0x000000}};
    for (const Case &k : cases) {
        TEmf e;
        e.NoPen().SolidBrush(1, kBlue).Rect(0, 0, 100, 50);
        U_BLEND blend{0, 0, k.Global, k.Format};
        e.Add(U_EMRALPHABLEND_set(U_RCL_DEF, point32_set(0, 0), point32_set(100, 50), point32_set(0, 0),
                                  point32_set(2, 1), xform_set(1, 0, 0, 1, 0, 0), TEmf::Color(0),
                                  U_DIB_RGB_COLORS, blend, reinterpret_cast<PU_BITMAPINFO>(&h), 8,
                                  reinterpret_cast<char *>(px)));
        TCanvas c(100, 50);
        ASSERT_EQ(c.Play(e.Finish()), MetafileOk);
        auto near = [](std::uint32_t a, std::uint32_t b) {
            for (int s : {0, 8, 16})
                if (std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > 3) return false;
            return true;
        };
        EXPECT_TRUE(near(c.At(25, 25), k.Left)) << std::hex << c.At(25, 25) << " global " << int(k.Global);
        EXPECT_TRUE(near(c.At(75, 25), k.Right)) << std::hex << c.At(75, 25) << " global " << int(k.Global);
    }
}

// The same kind of picture as a placeable Windows metafile in twips, with
// text through the extended text record (opaque band, advances given).
Bytes PortraitWmf() {
    TWmf w(true, 3600, 4500, 1440);
    w.Add(U_WMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    w.Add(U_WMRSETWINDOWORG_set(point16_set(0, 0)));
    w.Add(U_WMRSETWINDOWEXT_set(point16_set(3600, 4500)));
    TDib photo = Gradient(48, 60);
    w.Add(U_WMRSTRETCHDIB_set(point16_set(0, 0), point16_set(3600, 4500), point16_set(0, 0),
                              point16_set(48, 60), U_DIB_RGB_COLORS, U_SRCCOPY,
                              reinterpret_cast<PU_BITMAPINFO>(photo.Info.data()),
                              std::uint32_t(photo.Bits.size()), reinterpret_cast<char *>(photo.Bits.data())));
    w.Add(U_WMRCREATEPENINDIRECT_set(U_PEN_set(U_PS_SOLID, 40, TEmf::Color(0x402000))));
    w.Add(U_WMRSELECTOBJECT_set(0));
    w.Add(U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(U_BS_SOLID, TEmf::Color(0xF0C8A0), 0)));
    w.Add(U_WMRSELECTOBJECT_set(1));
    w.Add(U_WMRELLIPSE_set(U_RECT16_set(point16_set(1100, 700), point16_set(2500, 2500))));
    w.Add(U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(U_BS_SOLID, TEmf::Color(0x2040A0), 0)));
    w.Add(U_WMRSELECTOBJECT_set(2));
    w.Add(U_WMRPIE_set(point16_set(2900, 3400), point16_set(700, 3400),
                       U_RECT16_set(point16_set(700, 2300), point16_set(2900, 4500))));
    w.Add(U_WMRDELETEOBJECT_set(1)); // frees slot 1 for the font
    U_FONT *font =
        U_FONT_set(-380, 0, 0, 0, 700, 0, 0, 0, 162, 0, 0, 0, 0, const_cast<char *>("Liberation Serif"));
    w.Add(U_WMRCREATEFONTINDIRECT_set(font));
    std::free(font);
    w.Add(U_WMRSELECTOBJECT_set(1));
    w.Add(U_WMRSETTEXTCOLOR_set(TEmf::Color(0x800000)));
    w.Add(U_WMRSETBKCOLOR_set(TEmf::Color(0xFFFFFF)));
    w.Add(U_WMRSETTEXTALIGN_set(U_TA_CENTER | U_TA_BASELINE));
    char name[] = "\xDD\x6C\x6B\x6E\x75\x72 \xC7\x61\xF0\x6C\x61\x72"; // İlknur Çağlar
    std::vector<std::int16_t> dx(std::strlen(name), 200);
    char *text =
        U_WMREXTTEXTOUT_set(point16_set(1800, 4300), std::int16_t(std::strlen(name)), U_ETO_OPAQUE, name,
                            dx.data(), U_RECT16_set(point16_set(0, 3850), point16_set(3600, 4500)));
    // libUEMF writes this record's rectangle bottom first; files from the
    // old platform have left, top, right, bottom.
    std::int16_t rect[4];
    std::memcpy(rect, text + 14, 8);
    std::reverse(rect, rect + 4);
    std::memcpy(text + 14, rect, 8);
    w.Add(text);
    return w.Finish();
}

TEST(MetafilePlay, WindowsPortraitLooksRight) {
    TCanvas c(240, 300);
    Bytes mf = PortraitWmf();
    ASSERT_EQ(c.Play(mf), MetafileOk);
    c.Dump("portrait_wmf");
    DumpMetafile("portrait.wmf", mf);
    EXPECT_EQ(c.At(120, 100), 0xF0C8A0u) << "face";
    EXPECT_EQ(c.At(120, 220), 0x2040A0u) << "shoulders";
    EXPECT_EQ(c.At(5, 262), kWhite) << "opaque band of the caption";
    EXPECT_GT(c.Count(QRect(20, 262, 200, 38),
                      [](std::uint32_t v) { return (v >> 16) > 0x40 && (v & 0xFFFF) < 0x3030; }),
              100)
        << "caption text";
    EXPECT_NE(c.At(5, 5), kWhite) << "photo";
}

} // namespace
} // namespace kadrolin

namespace kadrolin {
namespace {

// The files in tests/fixtures/metafile are what this test file writes (run it
// with KADROLIN_METAFILE_DUMP set to regenerate them); other parts of the
// program load them as picture files.
TEST(MetafileFixtures, StoredFilesPlay) {
    struct Case {
        const char *File;
        TMetafileKind Kind;
        int Width, Height;
        QPoint Probe;
        std::uint32_t Color;
    };
    const Case cases[] = {
        {"portrait.emf", TMetafileKind::Enhanced, 227, 283, QPoint(120, 100), 0xF0C8A0},
        {"portrait.wmf", TMetafileKind::Windows, 240, 300, QPoint(120, 100), 0xF0C8A0},
        {"emf_shapes.emf", TMetafileKind::Enhanced, 94, 47, QPoint(40, 40), kRed},
        {"wmf_shapes.wmf", TMetafileKind::Windows, 100, 50, QPoint(40, 40), kRed},
        {"emf_text.emf", TMetafileKind::Enhanced, 189, 47, QPoint(0, 0), kWhite},
    };
    for (const Case &k : cases) {
        QFile f(QString(KADROLIN_FIXTURES) + "/metafile/" + k.File);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << k.File;
        QByteArray bytes = f.readAll();
        Bytes mf(bytes.begin(), bytes.end());
        TMetafileHeader h;
        ASSERT_TRUE(ReadMetafileHeader(mf.data(), mf.size(), h)) << k.File;
        EXPECT_EQ(h.Kind, k.Kind) << k.File;
        EXPECT_EQ(h.Width, k.Width) << k.File;
        EXPECT_EQ(h.Height, k.Height) << k.File;
        TCanvas c(std::max(h.Width, 240), std::max(h.Height, 100));
        ASSERT_EQ(c.Play(mf), MetafileOk) << k.File;
        EXPECT_EQ(c.At(k.Probe.x(), k.Probe.y()), k.Color) << k.File;
    }
}

} // namespace
} // namespace kadrolin

namespace kadrolin {
namespace {

TEST(MetafilePlay, BitmapSourceRectanglesAndMirroring) {
    // One row of four pixels: red, green, blue, white.
    U_BITMAPINFOHEADER h = bitmapinfoheader_set(4, 1, 1, 24, U_BI_RGB, 0, 0, 0, 0, 0);
    std::uint8_t px[12] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
    const std::uint32_t kGreen = 0x00FF00;
    struct Case {
        const char *Name;
        QRect Dest, Src;                   // x, y, width, height as the record has them
        std::vector<std::uint32_t> Expect; // colour at the centre of each tenth of the width
    };
    const std::uint32_t R = kRed, G = kGreen, B = kBlue, W = kWhite, _ = kGray;
    const Case cases[] = {
        {"whole", QRect(0, 0, 100, 50), QRect(0, 0, 4, 1), {R, R, G, G, G, B, B, W, W, W}},
        {"left half", QRect(0, 0, 100, 50), QRect(0, 0, 2, 1), {R, R, R, R, R, G, G, G, G, G}},
        {"right half", QRect(0, 0, 100, 50), QRect(2, 0, 2, 1), {B, B, B, B, B, W, W, W, W, W}},
        {"mirrored", QRect(100, 0, -100, 50), QRect(0, 0, 4, 1), {W, W, B, B, B, G, G, R, R, R}},
        {"source beyond the bitmap", QRect(0, 0, 100, 50), QRect(2, 0, 4, 1), {B, B, W, W, W, _, _, _, _, _}},
    };
    for (const Case &k : cases) {
        TEmf e;
        e.Add(U_EMRSTRETCHBLT_set(
            U_RCL_DEF, point32_set(k.Dest.x(), k.Dest.y()), point32_set(k.Dest.width(), k.Dest.height()),
            point32_set(k.Src.x(), k.Src.y()), point32_set(k.Src.width(), k.Src.height()),
            xform_set(1, 0, 0, 1, 0, 0), TEmf::Color(0), U_DIB_RGB_COLORS, U_SRCCOPY,
            reinterpret_cast<PU_BITMAPINFO>(&h), 12, reinterpret_cast<char *>(px)));
        TCanvas c(100, 50, kGray);
        ASSERT_EQ(c.Play(e.Finish()), MetafileOk) << k.Name;
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(c.At(10 * i + 5, 25), k.Expect[i]) << k.Name << " tenth " << i;
    }
}

} // namespace
} // namespace kadrolin

namespace kadrolin {
namespace {

TEST(MetafilePlay, RunLengthCodedBitmaps) {
    // The 2 x 2 checkerboard of the other bitmap tests, coded bottom row first.
    struct Case {
        const char *Name;
        int Bits;
        std::uint32_t Compression;
        std::vector<std::uint8_t> Codes;
    };
    const Case cases[] = {
        {"rle8 runs", 8, U_BI_RLE8, {1, 1, 1, 0, 0, 0, 1, 0, 1, 1, 0, 1}},
        // a literal of three (the third is cut off at the edge, then a pad byte);
        // the top row leaves its first pixel at index 0 and skips there with a move
        {"rle8 literal and move", 8, U_BI_RLE8, {0, 3, 1, 0, 0, 0, 0, 0, 0, 2, 1, 0, 1, 1, 0, 1}},
        {"rle4 runs", 4, U_BI_RLE4, {2, 0x10, 0, 0, 2, 0x01, 0, 1}},
        {"rle4 literal", 4, U_BI_RLE4, {0, 3, 0x10, 0x00, 0, 0, 2, 0x01, 0, 1}},
    };
    for (const Case &k : cases) {
        std::vector<std::uint8_t> info(40 + 8);
        U_BITMAPINFOHEADER h =
            bitmapinfoheader_set(2, 2, 1, k.Bits, k.Compression, std::uint32_t(k.Codes.size()), 0, 0, 2, 0);
        std::memcpy(info.data(), &h, 40);
        std::uint8_t table[8] = {0, 0, 255, 0, 255, 0, 0, 0};
        std::memcpy(info.data() + 40, table, 8);
        std::vector<std::uint8_t> codes = k.Codes;
        Bytes mf = TEmf()
                       .Add(U_EMRSTRETCHDIBITS_set(U_RCL_DEF, point32_set(20, 10), point32_set(40, 20),
                                                   point32_set(0, 0), point32_set(2, 2), U_DIB_RGB_COLORS,
                                                   U_SRCCOPY, reinterpret_cast<PU_BITMAPINFO>(info.data()),
                                                   std::uint32_t(codes.size()),
                                                   reinterpret_cast<char *>(codes.data())))
                       .Finish();
        TCanvas c(200, 100);
        ASSERT_EQ(c.Play(mf), MetafileOk) << k.Name;
        ExpectChecker(c, QRect(40, 20, 80, 40), k.Name);
    }
}

} // namespace
} // namespace kadrolin

namespace kadrolin {
namespace {

TEST(MetafilePlay, DibitsToDeviceWholeAndBanded) {
    TDib d = Checker(24); // stride 8: bottom row first
    struct Case {
        const char *Name;
        std::uint32_t StartScan, Scans;
        std::vector<std::uint8_t> Bits;
        std::uint32_t TopLeft, TopRight, BottomLeft, BottomRight;
    };
    const Case cases[] = {
        {"whole", 0, 2, d.Bits, kRed, kBlue, kBlue, kRed},
        {"bottom band", 0, 1, std::vector<std::uint8_t>(d.Bits.begin(), d.Bits.begin() + 8), kWhite, kWhite,
         kBlue, kRed},
        {"top band", 1, 1, std::vector<std::uint8_t>(d.Bits.begin() + 8, d.Bits.end()), kRed, kBlue, kWhite,
         kWhite},
    };
    for (const Case &k : cases) {
        std::vector<std::uint8_t> bits = k.Bits;
        Bytes mf =
            TEmf()
                .Add(U_EMRSETDIBITSTODEVICE_set(
                    U_RCL_DEF, point32_set(10, 10), point32_set(0, 0), point32_set(2, 2), U_DIB_RGB_COLORS,
                    k.StartScan, k.Scans, reinterpret_cast<PU_BITMAPINFO>(d.Info.data()),
                    std::uint32_t(bits.size()), reinterpret_cast<char *>(bits.data())))
                .Finish();
        TCanvas c(100, 50);
        ASSERT_EQ(c.Play(mf), MetafileOk) << k.Name;
        EXPECT_EQ(c.At(10, 10), k.TopLeft) << k.Name;
        EXPECT_EQ(c.At(11, 10), k.TopRight) << k.Name;
        EXPECT_EQ(c.At(10, 11), k.BottomLeft) << k.Name;
        EXPECT_EQ(c.At(11, 11), k.BottomRight) << k.Name;
        EXPECT_EQ(c.Count(QRect(0, 0, 100, 50), IsWhite), 5000 - 2 * int(k.Scans)) << k.Name;
    }
}

} // namespace
} // namespace kadrolin
