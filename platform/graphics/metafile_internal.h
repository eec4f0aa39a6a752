#pragma once
// What the metafile player's files share: the bounded reader of record
// bytes, the limits that keep a hostile file small, the decoded bitmaps, the
// graphic objects and the device context the records change. Not for use
// outside the player.

#include "platform/graphics/metafile_player.h"

#include "platform/text/cp1254.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QTransform>

#include <uemf.h>
#include <uemf_safe.h>
#include <uwmf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <unordered_map>
#include <vector>

namespace kadrolin::metafile {

// Limits that keep a hostile file from taking the machine: decoded bitmaps,
// saved states and object tables stay small whatever the header says.
constexpr std::int64_t kMaxDibPixels = 40 * 1000 * 1000; // a 36-megapixel camera photo fits
constexpr int kMaxDibSide = 32767;
constexpr int kMaxTargetSide = 32767;
constexpr std::size_t kMaxSavedStates = 4096;
constexpr std::size_t kMaxObjects = 65535;
constexpr double kMaxFontPixels = 2000.0;
constexpr double kDefaultDpi = 96.0;
constexpr int kMaxClipOps = 100000;
constexpr int kMaxTextChars = 16384;
constexpr int kMaxClipRects = 20000;
// Drawing may cover the target this many times over (plus a fixed allowance
// for small targets) before playback is given up as a hostile file.
constexpr double kWorkPerPixel = 512.0;
constexpr double kWorkBase = 48.0 * 1000 * 1000; // one largest bitmap and then some
// Figures reaching beyond this many pixels from the target are not drawn:
// the rasteriser's fixed-point coordinates would overflow.
constexpr double kMaxCoordinate = 4.0 * 1024 * 1024;

inline bool InTargetRange(const QRectF &r) {
    return std::isfinite(r.left()) && std::isfinite(r.right()) && std::isfinite(r.top()) &&
           std::isfinite(r.bottom()) && std::fabs(r.left()) < kMaxCoordinate &&
           std::fabs(r.right()) < kMaxCoordinate && std::fabs(r.top()) < kMaxCoordinate &&
           std::fabs(r.bottom()) < kMaxCoordinate;
}

// Little-endian reads that never leave the record; a read out of range marks
// the record bad and yields zero.
struct TSpan {
    const std::uint8_t *P = nullptr;
    std::size_t N = 0;
    bool Bad = false;

    bool Has(std::size_t off, std::size_t len) const { return off <= N && len <= N - off; }
    std::uint32_t U32(std::size_t off) {
        if (!Has(off, 4)) {
            Bad = true;
            return 0;
        }
        return std::uint32_t(P[off]) | std::uint32_t(P[off + 1]) << 8 | std::uint32_t(P[off + 2]) << 16 |
               std::uint32_t(P[off + 3]) << 24;
    }
    std::int32_t I32(std::size_t off) { return static_cast<std::int32_t>(U32(off)); }
    std::uint16_t U16(std::size_t off) {
        if (!Has(off, 2)) {
            Bad = true;
            return 0;
        }
        return std::uint16_t(P[off] | P[off + 1] << 8);
    }
    std::int16_t I16(std::size_t off) { return static_cast<std::int16_t>(U16(off)); }
    std::uint8_t U8(std::size_t off) {
        if (!Has(off, 1)) {
            Bad = true;
            return 0;
        }
        return P[off];
    }
    float F32(std::size_t off) {
        std::uint32_t v = U32(off);
        float f;
        std::memcpy(&f, &v, 4);
        return f;
    }
    QPointF PointL(std::size_t off) { return QPointF(I32(off), I32(off + 4)); }
    QPointF Point16(std::size_t off) { return QPointF(I16(off), I16(off + 2)); }
    // left, top, right, bottom
    QRectF RectL(std::size_t off) {
        double l = I32(off), t = I32(off + 4), r = I32(off + 8), b = I32(off + 12);
        return QRectF(QPointF(l, t), QPointF(r, b));
    }
};

inline QColor ColorRef(std::uint32_t c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

// ---------------------------------------------------------------------------
// Device-independent bitmaps (metafile_dib.cpp)

struct TDibLayout {
    std::int32_t Width = 0, Height = 0;
    bool TopDown = false;
    int Bits = 0;
    std::uint32_t Compression = 0;
    std::size_t HeaderBytes = 0; // header, masks and colour table
    std::vector<QRgb> Colors;
    std::uint32_t Masks[3] = {0, 0, 0};
};

// Reads the header and colour table of a DIB; false when they do not fit or
// describe something the player will not decode.
bool ReadDibHeader(TSpan s, std::uint32_t usage, TDibLayout &d);
// The pixels of a DIB whose header was read, from bits of size bytes. alpha:
// keep the fourth byte of 32-bit pixels as premultiplied coverage, as alpha
// blending reads it.
QImage DecodeDibBits(const TDibLayout &d, const std::uint8_t *bits, std::size_t size, bool alpha = false);
// A DIB whose header and bits lie at given offsets of a record (enhanced
// metafiles keep them apart).
QImage DecodeDib(TSpan rec, std::uint32_t offBmi, std::uint32_t cbBmi, std::uint32_t offBits,
                 std::uint32_t cbBits, std::uint32_t usage, bool alpha = false);
// A packed DIB: header, colour table and bits one after the other.
QImage DecodePackedDib(TSpan s, std::uint32_t usage);

// ---------------------------------------------------------------------------
// Graphic objects and the device context

struct TPen {
    std::uint32_t Style = 0; // style, end cap, join and type bits
    double Width = 0;        // logical units; 0 is the thinnest line
    QColor Color = Qt::black;
};

struct TBrush {
    std::uint32_t Style = 0; // 0 solid, 1 none, 2 hatched, else pattern
    QColor Color = Qt::white;
    std::uint32_t Hatch = 0;
    QImage Pattern;
};

struct TFont {
    double Height = 0; // logical units; negative: character height, positive: cell height
    double Width = 0;
    int Escapement = 0; // tenths of a degree
    int Weight = 400;
    bool Italic = false, Underline = false, StrikeOut = false;
    QString Face;
};

enum class TObjectKind { Empty, Pen, Brush, Font, Other };

struct TObject {
    TObjectKind Kind = TObjectKind::Empty;
    TPen Pen;
    TBrush Brush;
    TFont Font;
};

struct TState {
    TPen Pen;
    TBrush Brush;
    TFont Font;
    QColor TextColor = Qt::black;
    QColor BkColor = Qt::white;
    int BkMode = 2;   // opaque
    int FillMode = 1; // alternate
    std::uint32_t TextAlign = 0;
    bool ArcClockwise = false;
    int StretchMode = 1;
    int Rop2 = 13; // copy pen
    int MapMode = 1;
    QPointF WinOrg, VpOrg;
    QPointF WinExt{1, 1}, VpExt{1, 1};
    QTransform World;
    bool HasClip = false;
    QRegion Clip; // target pixels
    QPointF Cur;
};

inline bool Finite(double v) {
    return std::isfinite(v) && std::fabs(v) < 1e12;
}

// The device context of one playback and the drawing the records ask for.
// The coordinates, clipping and objects are in metafile_context.cpp, the
// drawing in metafile_draw.cpp, and each record family in a file of its own
// (metafile_emf.cpp, metafile_wmf.cpp).
class TPlayer {
  public:
    explicit TPlayer(QImage &img) : Img(img) {
        // Fonts need the GUI application object; without one text is left out.
        TextOk = qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
        WorkLimit = kWorkPerPixel * double(img.width()) * img.height() + kWorkBase;
    }

    bool Begin() { return P.begin(&Img); }
    void End() { P.end(); }

    int PlayEmf(const std::uint8_t *data, std::size_t size);
    int PlayWmf(const std::uint8_t *data, std::size_t size);

  private:
    QImage &Img;
    QPainter P;
    bool TextOk = false;
    TState S;
    std::vector<TState> Saved;
    QTransform DevToTarget;
    double DevPxPerMmX = kDefaultDpi / 25.4, DevPxPerMmY = kDefaultDpi / 25.4;

    bool InPath = false;
    QPainterPath Path; // logical units of the path's records

    // Work budget: pixels touched so far, and the most a file may ask for.
    double Work = 0;
    double WorkLimit = 0;
    bool Exhausted = false;
    int ClipOps = 0;

    std::unordered_map<std::uint32_t, TObject> EmfObjects;
    std::vector<TObject> WmfObjects;
    std::set<std::size_t> WmfFree;
    // Slots are numbered the same whatever the header's object count says,
    // so that count (often wrong) is not trusted as a limit.
    std::size_t WmfLimit = kMaxObjects;

    // Coordinates
    QTransform PageToDevice() const;
    QTransform ToTarget() const { return S.World * PageToDevice() * DevToTarget; }
    void SetMapMode(int mode);
    void ApplyClip();
    void ClipRect(const QRectF &logical, bool exclude);
    void ClipRegion(const QRegion &target, int mode);
    bool Spend(const QRectF &target);
    QImage Charge(QImage decoded);
    void SaveDC();
    void RestoreDC(int n);

    // Drawing
    QPen MakePen(const QTransform &t) const;
    QBrush MakeBrush(const QBrush &base, const QTransform &t) const;
    QBrush MakeBrush(const QTransform &t) const;
    void Draw(QPainterPath path, bool fill, bool stroke);
    void Shape(const QPainterPath &path, bool fill); // drawn, or added to an open path
    void MoveTo(QPointF p);
    void LineTo(QPointF p);
    void Poly(const std::vector<QPointF> &pts, bool closed, bool fromCurrent);
    void PolyPoly(const std::vector<QPointF> &pts, const std::vector<std::uint32_t> &counts, bool closed);
    void Bezier(const std::vector<QPointF> &pts, bool fromCurrent);
    QPainterPath ArcPath(QRectF box, QPointF start, QPointF end, int kind) const;
    void RoundRect(QRectF box, QSizeF corner);
    void FillRects(const std::vector<QRectF> &rects, const QBrush &brush, bool device);
    void PatBlt(const QRectF &r, std::uint32_t rop);
    void Blit(const QImage &img, QRectF dest, QRectF src, std::uint32_t rop, double opacity = 1.0);
    void Text(QPointF ref, const QString &text, const std::vector<double> &dx, std::uint32_t options,
              const QRectF *rect);
    void PathEnd(bool fill, bool stroke);

    // Objects
    void EmfSelect(std::uint32_t ih);
    void Select(const TObject &o);
    std::size_t WmfCreate(TObject o);
    bool ReadRegionRects(TSpan s, std::size_t off, std::uint32_t cb, std::vector<QRectF> &out);

    int EmfRecord(std::uint32_t type, TSpan r);
    int WmfRecord(std::uint16_t function, TSpan r);
};

// The target pixels a path covers.
QRegion RegionOf(const QPainterPath &target);

// ---------------------------------------------------------------------------
// Windows metafile layout (metafile_wmf.cpp)
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;

struct TWmfLayout {
    std::size_t HeaderOffset = 0; // 22 with a placeable header
    bool Placeable = false;
    QRectF Box; // logical units
    int Inch = 0;
    std::uint32_t SizeWords = 0; // whole file, from the header
    std::uint16_t Objects = 0;
};

bool ReadWmfLayout(const std::uint8_t *data, std::size_t size, TWmfLayout &w);

} // namespace kadrolin::metafile
