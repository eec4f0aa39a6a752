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

namespace kadrolin {
namespace {

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

bool InTargetRange(const QRectF &r) {
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

QColor ColorRef(std::uint32_t c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

// ---------------------------------------------------------------------------
// Device-independent bitmaps

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
bool ReadDibHeader(TSpan s, std::uint32_t usage, TDibLayout &d) {
    std::uint32_t hs = s.U32(0);
    if (s.Bad) return false;
    std::uint32_t clrUsed = 0;
    std::size_t entry = 4;
    if (hs == 12) {
        d.Width = s.U16(4);
        d.Height = s.I16(6);
        d.Bits = s.U16(10);
        entry = 3;
    } else if (hs >= 40 && hs <= 1024) {
        d.Width = s.I32(4);
        d.Height = s.I32(8);
        d.Bits = s.U16(14);
        d.Compression = s.U32(16);
        clrUsed = s.U32(32);
    } else {
        return false;
    }
    if (s.Bad || d.Width <= 0 || d.Height == 0 || d.Height == INT32_MIN) return false;
    d.TopDown = d.Height < 0;
    d.Height = std::abs(d.Height);
    if (d.Width > kMaxDibSide || d.Height > kMaxDibSide || std::int64_t(d.Width) * d.Height > kMaxDibPixels)
        return false;
    std::size_t off = hs;
    if (d.Compression == 3) { // bit fields
        if (d.Bits != 16 && d.Bits != 32) return false;
        std::size_t m = hs >= 52 ? 40 : hs;
        for (int i = 0; i < 3; ++i)
            d.Masks[i] = s.U32(m + 4 * i);
        if (hs < 52) off += 12;
    } else if (d.Compression == 0) {
        if (d.Bits == 16) {
            d.Masks[0] = 0x7C00;
            d.Masks[1] = 0x03E0;
            d.Masks[2] = 0x001F;
        }
    } else if (d.Compression == 1 || d.Compression == 2) {
        if (d.Bits != (d.Compression == 1 ? 8 : 4) || d.TopDown) return false;
    } else if (d.Compression != 4 && d.Compression != 5) {
        return false;
    }
    std::size_t count = 0;
    if (d.Bits == 1 || d.Bits == 4 || d.Bits == 8) {
        std::size_t full = std::size_t(1) << d.Bits;
        count = clrUsed && clrUsed < full ? clrUsed : full;
    } else if (d.Bits == 16 || d.Bits == 24 || d.Bits == 32) {
        count = std::min<std::uint32_t>(clrUsed, 256); // optional table, skipped
    } else if (!(d.Compression == 4 || d.Compression == 5)) {
        return false;
    }
    if (usage == 1 && entry == 4) entry = 2; // palette indices instead of colours
    if (!s.Has(off, count * entry)) return false;
    if (d.Bits <= 8) {
        d.Colors.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            std::size_t e = off + i * entry;
            if (entry == 2) {
                int v = std::min<int>(s.U16(e), 255); // no palette to look in: a gray ramp
                d.Colors[i] = qRgb(v, v, v);
            } else {
                d.Colors[i] = qRgb(s.U8(e + 2), s.U8(e + 1), s.U8(e));
            }
        }
    }
    d.HeaderBytes = off + count * entry;
    return !s.Bad;
}

int MaskShift(std::uint32_t m) {
    int n = 0;
    while (m && !(m & 1)) {
        m >>= 1;
        ++n;
    }
    return n;
}

int MaskValue(std::uint32_t v, std::uint32_t mask) {
    if (!mask) return 0;
    int shift = MaskShift(mask);
    std::uint32_t m = mask >> shift;
    return int((((v & mask) >> shift) * 255 + m / 2) / m);
}

// alpha: keep the fourth byte of 32-bit pixels as premultiplied coverage,
// as alpha blending reads it.
// Run-length coded rows (8 or 4 bits per pixel) expanded to palette indices,
// bottom row first. Pixels the codes never reach keep index 0; runs past the
// right edge are cut off; every step consumes input, so the loop ends.
QImage DecodeRle(const TDibLayout &d, const std::uint8_t *p, std::size_t size) {
    std::vector<std::uint8_t> index(std::size_t(d.Width) * d.Height, 0);
    bool four = d.Compression == 2;
    std::int64_t x = 0, y = 0; // y counts rows from the bottom
    auto put = [&](int v) {
        if (x < d.Width && y < d.Height)
            index[std::size_t(d.Height - 1 - y) * d.Width + std::size_t(x)] = std::uint8_t(v);
        ++x;
    };
    std::size_t i = 0;
    while (i + 1 < size && y < d.Height) {
        int count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count && x < d.Width; ++k)
                put(four ? ((k & 1) ? value & 0xF : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // move right and up
            if (i + 1 >= size) break;
            x += p[i];
            y += p[i + 1];
            i += 2;
        } else { // literal pixels, padded to a 16-bit boundary
            std::size_t bytes = four ? (std::size_t(value) + 1) / 2 : std::size_t(value);
            if (bytes > size - i) break;
            for (int k = 0; k < value; ++k)
                put(four ? ((k & 1) ? p[i + k / 2] & 0xF : p[i + k / 2] >> 4) : p[i + k]);
            i += bytes + (bytes & 1);
        }
    }
    QImage img(d.Width, d.Height, QImage::Format_RGB32);
    if (img.isNull()) return img;
    for (int row = 0; row < d.Height; ++row) {
        QRgb *out = reinterpret_cast<QRgb *>(img.scanLine(row));
        const std::uint8_t *in = &index[std::size_t(row) * d.Width];
        for (int col = 0; col < d.Width; ++col)
            out[col] = in[col] < d.Colors.size() ? d.Colors[in[col]] : qRgb(0, 0, 0);
    }
    return img;
}

QImage DecodeDibBits(const TDibLayout &d, const std::uint8_t *bits, std::size_t size, bool alpha = false) {
    if (d.Compression == 1 || d.Compression == 2) return DecodeRle(d, bits, size);
    if (d.Compression == 4 || d.Compression == 5) {
        if (size > std::size_t(INT32_MAX)) return QImage();
        QImage img = QImage::fromData(bits, int(size));
        if (img.isNull() || std::int64_t(img.width()) * img.height() > kMaxDibPixels) return QImage();
        return img.convertToFormat(QImage::Format_RGB32);
    }
    std::size_t stride = ((std::size_t(d.Width) * d.Bits + 31) / 32) * 4;
    if (stride == 0 || size / stride < std::size_t(d.Height)) return QImage();
    alpha = alpha && d.Bits == 32 && d.Compression == 0;
    QImage img(d.Width, d.Height, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (img.isNull()) return img;
    auto color = [&](std::size_t i) -> QRgb { return i < d.Colors.size() ? d.Colors[i] : qRgb(0, 0, 0); };
    for (int y = 0; y < d.Height; ++y) {
        const std::uint8_t *row = bits + stride * std::size_t(d.TopDown ? y : d.Height - 1 - y);
        QRgb *out = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < d.Width; ++x) {
            switch (d.Bits) {
            case 1:
                out[x] = color((row[x >> 3] >> (7 - (x & 7))) & 1);
                break;
            case 4:
                out[x] = color((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF);
                break;
            case 8:
                out[x] = color(row[x]);
                break;
            case 16: {
                std::uint32_t v = row[2 * x] | row[2 * x + 1] << 8;
                out[x] = qRgb(MaskValue(v, d.Masks[0]), MaskValue(v, d.Masks[1]), MaskValue(v, d.Masks[2]));
                break;
            }
            case 24:
                out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                break;
            case 32: {
                const std::uint8_t *p = row + 4 * x;
                if (alpha) {
                    int a = p[3];
                    out[x] = qRgba(std::min<int>(p[2], a), std::min<int>(p[1], a), std::min<int>(p[0], a), a);
                    break;
                }
                if (d.Compression == 3) {
                    std::uint32_t v = p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
                    out[x] =
                        qRgb(MaskValue(v, d.Masks[0]), MaskValue(v, d.Masks[1]), MaskValue(v, d.Masks[2]));
                } else {
                    out[x] = qRgb(p[2], p[1], p[0]);
                }
                break;
            }
            default:
                out[x] = 0;
                break;
            }
        }
    }
    return img;
}

// A DIB whose header and bits lie at given offsets of a record (enhanced
// metafiles keep them apart).
QImage DecodeDib(TSpan rec, std::uint32_t offBmi, std::uint32_t cbBmi, std::uint32_t offBits,
                 std::uint32_t cbBits, std::uint32_t usage, bool alpha = false) {
    if (!cbBmi || !rec.Has(offBmi, cbBmi) || !rec.Has(offBits, cbBits)) return QImage();
    TDibLayout d;
    if (!ReadDibHeader(TSpan{rec.P + offBmi, cbBmi}, usage, d)) return QImage();
    return DecodeDibBits(d, rec.P + offBits, cbBits, alpha);
}

// A packed DIB: header, colour table and bits one after the other.
QImage DecodePackedDib(TSpan s, std::uint32_t usage) {
    TDibLayout d;
    if (!ReadDibHeader(s, usage, d) || d.HeaderBytes > s.N) return QImage();
    return DecodeDibBits(d, s.P + d.HeaderBytes, s.N - d.HeaderBytes);
}

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

bool Finite(double v) {
    return std::isfinite(v) && std::fabs(v) < 1e12;
}

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

QTransform TPlayer::PageToDevice() const {
    double sx = S.WinExt.x() ? S.VpExt.x() / S.WinExt.x() : 1.0;
    double sy = S.WinExt.y() ? S.VpExt.y() / S.WinExt.y() : 1.0;
    if (S.MapMode == 7) { // isotropic: the smaller scale on both axes, signs kept
        double m = std::min(std::fabs(sx), std::fabs(sy));
        sx = std::copysign(m, sx);
        sy = std::copysign(m, sy);
    }
    if (!Finite(sx) || !Finite(sy) || sx == 0 || sy == 0) sx = sy = 1.0;
    return QTransform(sx, 0, 0, sy, S.VpOrg.x() - S.WinOrg.x() * sx, S.VpOrg.y() - S.WinOrg.y() * sy);
}

void TPlayer::SetMapMode(int mode) {
    // Millimetres per logical unit of the fixed modes.
    double mm = 0;
    switch (mode) {
    case 1:
        break;
    case 2:
        mm = 0.1;
        break;
    case 3:
        mm = 0.01;
        break;
    case 4:
        mm = 0.254;
        break;
    case 5:
        mm = 0.0254;
        break;
    case 6:
        mm = 25.4 / 1440.0;
        break;
    case 7:
    case 8:
        S.MapMode = mode;
        return; // extents stay what they were
    default:
        return;
    }
    S.MapMode = mode;
    if (mode == 1) {
        S.WinExt = S.VpExt = QPointF(1, 1);
    } else {
        S.WinExt = QPointF(1, 1);
        S.VpExt = QPointF(mm * DevPxPerMmX, -mm * DevPxPerMmY);
    }
}

void TPlayer::ApplyClip() {
    P.setTransform(QTransform());
    if (S.HasClip)
        P.setClipRegion(S.Clip);
    else
        P.setClipping(false);
}

// The pixels a figure covers, as the clip region takes them.
QRegion RegionOf(const QPainterPath &target) {
    QRegion region;
    Qt::FillRule rule = target.fillRule();
    for (const QPolygonF &poly : target.toFillPolygons()) {
        QRegion part(poly.toPolygon(), rule);
        region = rule == Qt::WindingFill ? region.united(part) : region.xored(part);
    }
    return region;
}

void TPlayer::ClipRect(const QRectF &logical, bool exclude) {
    QTransform t = ToTarget();
    QRegion region;
    if (t.m12() == 0 && t.m21() == 0) { // the usual case: pixel edges as the old platform rounds them
        QRectF r = t.mapRect(logical.normalized());
        if (!InTargetRange(r)) return;
        QPoint tl(int(std::lround(r.left())), int(std::lround(r.top())));
        QPoint br(int(std::lround(r.right())), int(std::lround(r.bottom())));
        region = QRegion(QRect(tl, br - QPoint(1, 1)));
    } else {
        QPainterPath path;
        path.addRect(logical.normalized());
        path = t.map(path);
        if (!InTargetRange(path.boundingRect())) return;
        region = RegionOf(path);
    }
    ClipRegion(region, exclude ? 4 : 1);
}

void TPlayer::ClipRegion(const QRegion &target, int mode) {
    // A file that keeps reshaping the clip must not make playback endless.
    if (++ClipOps > kMaxClipOps) return;
    QRegion base = S.HasClip ? S.Clip : QRegion(Img.rect());
    QRegion result;
    switch (mode) {
    case 1:
        result = base.intersected(target);
        break;
    case 2:
        result = base.united(target);
        break;
    case 3:
        result = base.xored(target);
        break;
    case 4:
        result = base.subtracted(target);
        break;
    case 5:
        result = target;
        break;
    default:
        return;
    }
    if (result.rectCount() > kMaxClipRects) result = QRegion(result.boundingRect());
    S.Clip = result;
    S.HasClip = true;
    ApplyClip();
}

void TPlayer::SaveDC() {
    if (Saved.size() < kMaxSavedStates) Saved.push_back(S);
}

void TPlayer::RestoreDC(int n) {
    std::int64_t index = n < 0 ? std::int64_t(Saved.size()) + n : std::int64_t(n) - 1;
    if (index < 0 || index >= std::int64_t(Saved.size())) return;
    S = Saved[std::size_t(index)];
    Saved.resize(std::size_t(index));
    ApplyClip();
}

double Scale(const QTransform &t) {
    return std::sqrt(std::fabs(t.determinant()));
}

QPen TPlayer::MakePen(const QTransform &t) const {
    std::uint32_t style = S.Pen.Style & 0xF;
    if (style == 5) return QPen(Qt::NoPen);
    QPen pen(S.Pen.Color);
    double scale = Scale(t);
    double w = S.Pen.Width;
    if (w <= 0 || !Finite(w) || w * scale < 1.0 || scale <= 0) {
        pen.setWidth(0);
        pen.setCosmetic(true);
    } else {
        double limit = 2.0 * (Img.width() + Img.height()) / scale;
        pen.setWidthF(std::min(w, limit));
    }
    switch (style) {
    case 1:
        pen.setStyle(Qt::DashLine);
        break;
    case 2:
        pen.setStyle(Qt::DotLine);
        break;
    case 3:
        pen.setStyle(Qt::DashDotLine);
        break;
    case 4:
        pen.setStyle(Qt::DashDotDotLine);
        break;
    default:
        pen.setStyle(Qt::SolidLine);
        break;
    }
    switch (S.Pen.Style & 0xF00) {
    case 0x100:
        pen.setCapStyle(Qt::SquareCap);
        break;
    case 0x200:
        pen.setCapStyle(Qt::FlatCap);
        break;
    default:
        pen.setCapStyle(Qt::RoundCap);
        break;
    }
    switch (S.Pen.Style & 0xF000) {
    case 0x1000:
        pen.setJoinStyle(Qt::BevelJoin);
        break;
    case 0x2000:
        pen.setJoinStyle(Qt::MiterJoin);
        break;
    default:
        pen.setJoinStyle(Qt::RoundJoin);
        break;
    }
    return pen;
}

// Hatches and patterns are laid out in target pixels, as on a screen, not
// stretched with the drawing.
QBrush TPlayer::MakeBrush(const QBrush &base, const QTransform &t) const {
    QBrush b = base;
    QTransform linear(t.m11(), t.m12(), t.m21(), t.m22(), 0, 0);
    if (linear.isInvertible()) b.setTransform(linear.inverted());
    return b;
}

QBrush TPlayer::MakeBrush(const QTransform &t) const {
    switch (S.Brush.Style) {
    case 0:
        return QBrush(S.Brush.Color);
    case 1:
        return QBrush(Qt::NoBrush);
    case 2: {
        Qt::BrushStyle st = Qt::SolidPattern;
        switch (S.Brush.Hatch) {
        case 0:
            st = Qt::HorPattern;
            break;
        case 1:
            st = Qt::VerPattern;
            break;
        case 2:
            st = Qt::FDiagPattern;
            break;
        case 3:
            st = Qt::BDiagPattern;
            break;
        case 4:
            st = Qt::CrossPattern;
            break;
        case 5:
            st = Qt::DiagCrossPattern;
            break;
        default:
            break;
        }
        return MakeBrush(QBrush(S.Brush.Color, st), t);
    }
    default:
        if (!S.Brush.Pattern.isNull()) return MakeBrush(QBrush(S.Brush.Pattern), t);
        return QBrush(S.Brush.Color);
    }
}

void TPlayer::Draw(QPainterPath path, bool fill, bool stroke) {
    if (S.Rop2 == 11) // R2_NOP
        return;
    QTransform t = ToTarget();
    path.setFillRule(S.FillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    QPen pen = stroke ? MakePen(t) : QPen(Qt::NoPen);
    QRectF bounds = t.mapRect(path.controlPointRect());
    if (!InTargetRange(bounds) || !Spend(bounds)) return;
    P.setTransform(t);
    if (fill && S.Brush.Style == 2 && S.BkMode == 2) {
        P.setPen(Qt::NoPen);
        P.setBrush(S.BkColor);
        P.drawPath(path);
    }
    P.setPen(pen);
    P.setBrush(fill ? MakeBrush(t) : QBrush(Qt::NoBrush));
    P.drawPath(path);
}

// Decoding a bitmap costs its pixels whether or not it is drawn: coded
// bitmaps (run-length, PNG, JPEG) can claim millions of pixels in a few bytes.
QImage TPlayer::Charge(QImage decoded) {
    Work += 1.0 + double(decoded.width()) * decoded.height();
    if (Work > WorkLimit) Exhausted = true;
    return Exhausted ? QImage() : decoded;
}

bool TPlayer::Spend(const QRectF &target) {
    QRectF visible = target.normalized().intersected(QRectF(Img.rect()));
    Work += 1.0 + (visible.isEmpty() ? 0.0 : visible.width() * visible.height());
    if (Work > WorkLimit) Exhausted = true;
    return !Exhausted;
}

void TPlayer::Shape(const QPainterPath &path, bool fill) {
    if (InPath) {
        Path.addPath(path);
        return;
    }
    Draw(path, fill, true);
}

void TPlayer::MoveTo(QPointF p) {
    S.Cur = p;
    if (InPath) Path.moveTo(p);
}

void TPlayer::LineTo(QPointF p) {
    if (InPath) {
        if (Path.elementCount() == 0) Path.moveTo(S.Cur);
        Path.lineTo(p);
    } else {
        QPainterPath path(S.Cur);
        path.lineTo(p);
        Draw(path, false, true);
    }
    S.Cur = p;
}

void TPlayer::Poly(const std::vector<QPointF> &pts, bool closed, bool fromCurrent) {
    if (pts.empty()) return;
    if (fromCurrent) {
        if (InPath) {
            for (const QPointF &p : pts)
                LineTo(p);
            return;
        }
        QPainterPath path(S.Cur);
        for (const QPointF &p : pts)
            path.lineTo(p);
        S.Cur = pts.back();
        Draw(path, false, true);
        return;
    }
    QPainterPath path(pts[0]);
    for (std::size_t i = 1; i < pts.size(); ++i)
        path.lineTo(pts[i]);
    if (closed) path.closeSubpath();
    if (InPath) {
        Path.addPath(path);
        return;
    }
    Draw(path, closed, true);
}

void TPlayer::PolyPoly(const std::vector<QPointF> &pts, const std::vector<std::uint32_t> &counts,
                       bool closed) {
    QPainterPath path;
    std::size_t at = 0;
    for (std::uint32_t c : counts) {
        if (c == 0 || c > pts.size() - at) break;
        path.moveTo(pts[at]);
        for (std::size_t i = 1; i < c; ++i)
            path.lineTo(pts[at + i]);
        if (closed) path.closeSubpath();
        at += c;
    }
    if (InPath) {
        Path.addPath(path);
        return;
    }
    Draw(path, closed, true);
}

void TPlayer::Bezier(const std::vector<QPointF> &pts, bool fromCurrent) {
    std::size_t i = 0;
    QPointF from = S.Cur;
    if (!fromCurrent) {
        if (pts.empty()) return;
        from = pts[0];
        i = 1;
    }
    QPainterPath path(from);
    if (InPath && fromCurrent && Path.elementCount() == 0) Path.moveTo(from);
    for (; i + 2 < pts.size(); i += 3) {
        path.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
        if (InPath && fromCurrent) Path.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
    }
    if (fromCurrent) S.Cur = path.currentPosition();
    if (InPath) {
        if (!fromCurrent) Path.addPath(path);
        return;
    }
    Draw(path, false, true);
}

// kind: 0 arc, 1 chord, 2 pie. The radial points only give directions from
// the centre, as on the old platform; the figure runs counterclockwise on the
// device unless the arc direction says otherwise.
QPainterPath TPlayer::ArcPath(QRectF box, QPointF start, QPointF end, int kind) const {
    box = box.normalized();
    QPainterPath path;
    double a = box.width() / 2, b = box.height() / 2;
    if (a <= 0 || b <= 0) return path;
    QPointF c = box.center();
    auto angle = [&](QPointF p) {
        return std::atan2(-(p.y() - c.y()) / b, (p.x() - c.x()) / a) * 180.0 / M_PI;
    };
    double s = angle(start), e = angle(end);
    double sweep = e - s;
    while (sweep <= 0)
        sweep += 360;
    while (sweep > 360)
        sweep -= 360;
    bool visualCcw = !S.ArcClockwise;
    if (ToTarget().determinant() < 0) visualCcw = !visualCcw;
    if (!visualCcw) sweep = sweep - 360;
    if (sweep == 0) sweep = -360;
    if (kind == 2) {
        path.moveTo(c);
        path.arcTo(box, s, sweep);
        path.closeSubpath();
    } else {
        path.arcMoveTo(box, s);
        path.arcTo(box, s, sweep);
        if (kind == 1) path.closeSubpath();
    }
    return path;
}

void TPlayer::RoundRect(QRectF box, QSizeF corner) {
    QPainterPath path;
    box = box.normalized();
    path.addRoundedRect(box, std::fabs(corner.width()) / 2, std::fabs(corner.height()) / 2);
    Shape(path, true);
}

void TPlayer::FillRects(const std::vector<QRectF> &rects, const QBrush &brush, bool device) {
    QTransform t = device ? DevToTarget : ToTarget();
    P.setTransform(t);
    for (const QRectF &r : rects) {
        QRectF m = t.mapRect(r.normalized());
        if (!InTargetRange(m)) continue;
        if (!Spend(m)) return;
        P.fillRect(r.normalized(), brush);
    }
}

void TPlayer::PatBlt(const QRectF &r, std::uint32_t rop) {
    QTransform t = ToTarget();
    QRectF m = t.mapRect(r.normalized());
    if (!InTargetRange(m) || !Spend(m)) return;
    P.setTransform(t);
    switch (rop) {
    case 0x00000042:
        P.fillRect(r.normalized(), Qt::black);
        break;
    case 0x00FF0062:
        P.fillRect(r.normalized(), Qt::white);
        break;
    case 0x00AA0029:
        break; // destination unchanged
    default: {
        QBrush b = MakeBrush(t);
        if (b.style() != Qt::NoBrush) P.fillRect(r.normalized(), b);
        break;
    }
    }
}

void TPlayer::Blit(const QImage &source, QRectF dest, QRectF src, std::uint32_t rop, double opacity) {
    if (source.isNull() || dest.width() == 0 || dest.height() == 0) return;
    QImage img = source;
    // A negative extent mirrors the picture.
    bool flipX = (dest.width() < 0) != (src.width() < 0);
    bool flipY = (dest.height() < 0) != (src.height() < 0);
    dest = dest.normalized();
    src = src.normalized();
    QRectF bounds(img.rect());
    QRectF clipped = src.intersected(bounds);
    if (clipped.isEmpty()) return;
    if (clipped != src) {
        double fx = dest.width() / src.width(), fy = dest.height() / src.height();
        QRectF d(dest.left() + (clipped.left() - src.left()) * fx,
                 dest.top() + (clipped.top() - src.top()) * fy, clipped.width() * fx, clipped.height() * fy);
        if (flipX) d.moveLeft(dest.left() + (src.right() - clipped.right()) * fx);
        if (flipY) d.moveTop(dest.top() + (src.bottom() - clipped.bottom()) * fy);
        dest = d;
        src = clipped;
    }
    if (flipX || flipY) {
        img = img.copy(src.toAlignedRect()).mirrored(flipX, flipY);
        src = QRectF(img.rect());
    }
    QTransform t = ToTarget();
    P.setTransform(t);
    QRectF m = t.mapRect(dest);
    if (!InTargetRange(m) || !Spend(m)) return;
    P.setRenderHint(QPainter::SmoothPixmapTransform, S.StretchMode == 4);
    switch (rop) {
    case 0x008800C6:
        P.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        break;
    case 0x00EE0086:
        P.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        break;
    case 0x00660046:
        P.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        break;
    default:
        break;
    }
    P.setOpacity(opacity);
    P.drawImage(dest, img, src);
    P.setOpacity(1.0);
    P.setCompositionMode(QPainter::CompositionMode_SourceOver);
    P.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

void TPlayer::Text(QPointF ref, const QString &text, const std::vector<double> &dx, std::uint32_t options,
                   const QRectF *rect) {
    QTransform t = ToTarget();
    if (rect && (options & 0x2)) { // opaque rectangle
        QRectF m = t.mapRect(rect->normalized());
        if (!InTargetRange(m) || !Spend(m)) return;
        P.setTransform(t);
        P.fillRect(rect->normalized(), S.BkColor);
    }
    if (text.isEmpty() || !TextOk || (options & 0x10)) // glyph indices cannot be drawn
        return;
    if (text.size() > kMaxTextChars) // no caption is this long; drawing it would take ages
        return;
    if (S.TextAlign & 1) ref = S.Cur;
    QPointF o = t.map(QPointF(0, 0));
    QPointF vx = t.map(QPointF(1, 0)) - o, vy = t.map(QPointF(0, 1)) - o;
    double sx = std::hypot(vx.x(), vx.y()), sy = std::hypot(vy.x(), vy.y());
    double size;
    if (S.Font.Height == 0)
        size = 16.0 * std::fabs(DevToTarget.m22());
    else
        size = std::fabs(S.Font.Height) * sy;
    if (!Finite(size) || size < 0.5) return;
    size = std::min(size, kMaxFontPixels);

    QFont font;
    if (!S.Font.Face.isEmpty()) font.setFamily(S.Font.Face);
    font.setPixelSize(std::max(1, int(std::lround(size))));
    if (S.Font.Height > 0) { // cell height: the character height is a little smaller
        QFontMetricsF fm(font);
        double cell = fm.ascent() + fm.descent();
        if (cell > 0) font.setPixelSize(std::max(1, int(std::lround(size * size / cell))));
    }
    int weight = S.Font.Weight <= 0 ? 400 : std::clamp(S.Font.Weight, 100, 900);
    font.setWeight(QFont::Weight(weight));
    font.setItalic(S.Font.Italic);
    font.setUnderline(S.Font.Underline);
    font.setStrikeOut(S.Font.StrikeOut);
    QFontMetricsF fm(font);

    std::vector<double> adv;
    double total = 0;
    if (dx.size() >= std::size_t(text.size())) {
        adv.resize(text.size());
        for (int i = 0; i < text.size(); ++i) {
            adv[i] = Finite(dx[i]) ? dx[i] * sx : 0;
            total += adv[i];
        }
    } else {
        total = fm.horizontalAdvance(text);
    }
    double xoff = 0, yoff = 0;
    switch (S.TextAlign & 6) {
    case 6:
        xoff = -total / 2;
        break;
    case 2:
        xoff = -total;
        break;
    default:
        break;
    }
    switch (S.TextAlign & 24) {
    case 24:
        break;
    case 8:
        yoff = -fm.descent();
        break;
    default:
        yoff = fm.ascent();
        break;
    }
    double angle = S.Font.Escapement / 10.0 + std::atan2(S.World.m12(), S.World.m11()) * 180.0 / M_PI;
    P.save();
    if (rect && (options & 0x4)) { // clipped to the rectangle
        P.setTransform(t);
        P.setClipRect(rect->normalized(), S.HasClip ? Qt::IntersectClip : Qt::ReplaceClip);
    }
    QPointF p0 = t.map(ref);
    if (!InTargetRange(QRectF(p0, QSizeF(1, 1))) || !Spend(QRectF(p0, QSizeF(std::max(total, size), size)))) {
        P.restore();
        return;
    }
    P.setTransform(QTransform().translate(p0.x(), p0.y()).rotate(-angle));
    if (S.BkMode == 2)
        P.fillRect(QRectF(xoff, yoff - fm.ascent(), total, fm.ascent() + fm.descent()), S.BkColor);
    P.setFont(font);
    P.setPen(S.TextColor);
    if (adv.empty()) {
        P.drawText(QPointF(xoff, yoff), text);
    } else {
        double x = xoff;
        for (int i = 0; i < text.size(); ++i) {
            P.drawText(QPointF(x, yoff), QString(text[i]));
            x += adv[i];
        }
    }
    P.restore();
    if (S.TextAlign & 1) S.Cur = ref + QPointF(sx > 0 ? total / sx : 0, 0);
}

void TPlayer::PathEnd(bool fill, bool stroke) {
    InPath = false;
    QPainterPath path = Path;
    Path = QPainterPath();
    Draw(path, fill, stroke);
}

void TPlayer::Select(const TObject &o) {
    switch (o.Kind) {
    case TObjectKind::Pen:
        S.Pen = o.Pen;
        break;
    case TObjectKind::Brush:
        S.Brush = o.Brush;
        break;
    case TObjectKind::Font:
        S.Font = o.Font;
        break;
    default:
        break;
    }
}

void TPlayer::EmfSelect(std::uint32_t ih) {
    if (ih & 0x80000000u) { // stock objects
        TObject o;
        switch (ih & 0x7FFFFFFF) {
        case 0:
            o.Kind = TObjectKind::Brush;
            o.Brush.Color = Qt::white;
            break;
        case 1:
            o.Kind = TObjectKind::Brush;
            o.Brush.Color = QColor(192, 192, 192);
            break;
        case 2:
            o.Kind = TObjectKind::Brush;
            o.Brush.Color = QColor(128, 128, 128);
            break;
        case 3:
            o.Kind = TObjectKind::Brush;
            o.Brush.Color = QColor(64, 64, 64);
            break;
        case 4:
            o.Kind = TObjectKind::Brush;
            o.Brush.Color = Qt::black;
            break;
        case 5:
            o.Kind = TObjectKind::Brush;
            o.Brush.Style = 1;
            break;
        case 6:
            o.Kind = TObjectKind::Pen;
            o.Pen.Color = Qt::white;
            break;
        case 7:
            o.Kind = TObjectKind::Pen;
            o.Pen.Color = Qt::black;
            break;
        case 8:
            o.Kind = TObjectKind::Pen;
            o.Pen.Style = 5;
            break;
        case 10:
        case 11:
        case 12:
        case 13:
        case 14:
        case 16:
        case 17:
            o.Kind = TObjectKind::Font;
            break;
        default:
            return;
        }
        Select(o);
        return;
    }
    auto it = EmfObjects.find(ih);
    if (it != EmfObjects.end()) Select(it->second);
}

std::size_t TPlayer::WmfCreate(TObject o) {
    std::size_t slot;
    if (!WmfFree.empty()) {
        slot = *WmfFree.begin();
        WmfFree.erase(WmfFree.begin());
    } else if (WmfObjects.size() < WmfLimit) {
        slot = WmfObjects.size();
        WmfObjects.emplace_back();
    } else {
        return SIZE_MAX; // the table is full: the object is lost, as on the old platform
    }
    WmfObjects[slot] = std::move(o);
    return slot;
}

bool TPlayer::ReadRegionRects(TSpan s, std::size_t off, std::uint32_t cb, std::vector<QRectF> &out) {
    if (cb < 32 || !s.Has(off, cb)) return false;
    std::uint32_t n = s.U32(off + 8);
    if (n > (cb - 32) / 16) return false;
    out.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i)
        out.push_back(s.RectL(off + 32 + 16 * std::size_t(i)));
    return !s.Bad;
}

TFont ReadLogFontW(TSpan &r, std::size_t off) {
    TFont f;
    f.Height = r.I32(off);
    f.Width = r.I32(off + 4);
    f.Escapement = r.I32(off + 8);
    f.Weight = r.I32(off + 16);
    f.Italic = r.U8(off + 20);
    f.Underline = r.U8(off + 21);
    f.StrikeOut = r.U8(off + 22);
    std::u16string face;
    for (int i = 0; i < 32 && r.Has(off + 28 + 2 * i, 2); ++i) {
        char16_t c = r.U16(off + 28 + 2 * i);
        if (!c) break;
        face.push_back(c);
    }
    f.Face = QString::fromStdU16String(face);
    return f;
}

// ---------------------------------------------------------------------------
// Enhanced metafiles

// The records the player draws from; libUEMF checks each of them before it is
// read. Any other record is skipped unread.
bool Played(std::uint32_t type) {
    static const std::uint32_t kTypes[] = {U_EMR_HEADER,
                                           U_EMR_POLYBEZIER,
                                           U_EMR_POLYBEZIERTO,
                                           U_EMR_POLYBEZIER16,
                                           U_EMR_POLYBEZIERTO16,
                                           U_EMR_POLYGON,
                                           U_EMR_POLYLINE,
                                           U_EMR_POLYLINETO,
                                           U_EMR_POLYGON16,
                                           U_EMR_POLYLINE16,
                                           U_EMR_POLYLINETO16,
                                           U_EMR_POLYPOLYLINE,
                                           U_EMR_POLYPOLYGON,
                                           U_EMR_POLYPOLYLINE16,
                                           U_EMR_POLYPOLYGON16,
                                           U_EMR_SETWINDOWEXTEX,
                                           U_EMR_SETWINDOWORGEX,
                                           U_EMR_SETVIEWPORTEXTEX,
                                           U_EMR_SETVIEWPORTORGEX,
                                           U_EMR_SCALEVIEWPORTEXTEX,
                                           U_EMR_SCALEWINDOWEXTEX,
                                           U_EMR_SETPIXELV,
                                           U_EMR_SETMAPMODE,
                                           U_EMR_SETBKMODE,
                                           U_EMR_SETPOLYFILLMODE,
                                           U_EMR_SETROP2,
                                           U_EMR_SETSTRETCHBLTMODE,
                                           U_EMR_SETTEXTALIGN,
                                           U_EMR_SETTEXTCOLOR,
                                           U_EMR_SETBKCOLOR,
                                           U_EMR_MOVETOEX,
                                           U_EMR_LINETO,
                                           U_EMR_EXCLUDECLIPRECT,
                                           U_EMR_INTERSECTCLIPRECT,
                                           U_EMR_SAVEDC,
                                           U_EMR_RESTOREDC,
                                           U_EMR_SETWORLDTRANSFORM,
                                           U_EMR_MODIFYWORLDTRANSFORM,
                                           U_EMR_SELECTOBJECT,
                                           U_EMR_DELETEOBJECT,
                                           U_EMR_CREATEPEN,
                                           U_EMR_EXTCREATEPEN,
                                           U_EMR_CREATEBRUSHINDIRECT,
                                           U_EMR_EXTCREATEFONTINDIRECTW,
                                           U_EMR_CREATEDIBPATTERNBRUSHPT,
                                           U_EMR_CREATEMONOBRUSH,
                                           U_EMR_CREATEPALETTE,
                                           U_EMR_ANGLEARC,
                                           U_EMR_ELLIPSE,
                                           U_EMR_RECTANGLE,
                                           U_EMR_ROUNDRECT,
                                           U_EMR_ARC,
                                           U_EMR_CHORD,
                                           U_EMR_PIE,
                                           U_EMR_ARCTO,
                                           U_EMR_SETARCDIRECTION,
                                           U_EMR_BEGINPATH,
                                           U_EMR_ENDPATH,
                                           U_EMR_ABORTPATH,
                                           U_EMR_CLOSEFIGURE,
                                           U_EMR_FILLPATH,
                                           U_EMR_STROKEPATH,
                                           U_EMR_STROKEANDFILLPATH,
                                           U_EMR_SELECTCLIPPATH,
                                           U_EMR_EXTSELECTCLIPRGN,
                                           U_EMR_FILLRGN,
                                           U_EMR_PAINTRGN,
                                           U_EMR_BITBLT,
                                           U_EMR_STRETCHBLT,
                                           U_EMR_ALPHABLEND,
                                           U_EMR_STRETCHDIBITS,
                                           U_EMR_SETDIBITSTODEVICE,
                                           U_EMR_EXTTEXTOUTA,
                                           U_EMR_EXTTEXTOUTW,
                                           U_EMR_EOF};
    return std::find(std::begin(kTypes), std::end(kTypes), type) != std::end(kTypes);
}

int TPlayer::PlayEmf(const std::uint8_t *data, std::size_t size) {
    TSpan h{data, size};
    QRectF bounds = h.RectL(8), frame = h.RectL(24);
    std::uint32_t nBytes = h.U32(48);
    double devW = h.I32(72), devH = h.I32(76), mmW = h.I32(80), mmH = h.I32(84);
    if (h.Bad) return MetafileNotMetafile;
    if (devW > 0 && devH > 0 && mmW > 0 && mmH > 0) {
        DevPxPerMmX = devW / mmW;
        DevPxPerMmY = devH / mmH;
    }
    // The picture frame (hundredths of a millimetre, inclusive) is stretched
    // onto the target; without a usable frame the bounds (device pixels) are.
    double fl = frame.left() * DevPxPerMmX / 100.0, ft = frame.top() * DevPxPerMmY / 100.0;
    double fw = (frame.right() - frame.left()) * DevPxPerMmX / 100.0;
    double fh = (frame.bottom() - frame.top()) * DevPxPerMmY / 100.0;
    if (!(fw > 0 && fh > 0)) {
        fl = bounds.left();
        ft = bounds.top();
        fw = bounds.right() - bounds.left() + 1;
        fh = bounds.bottom() - bounds.top() + 1;
    }
    if (!(fw > 0 && fh > 0) || !Finite(fw) || !Finite(fh)) return MetafileNotMetafile;
    double kx = Img.width() / fw, ky = Img.height() / fh;
    DevToTarget = QTransform(kx, 0, 0, ky, -fl * kx, -ft * ky);

    std::size_t off = 0;
    bool first = true;
    while (off < size) {
        if (size - off < 8) return MetafileTruncated;
        TSpan r{data + off, size - off};
        std::uint32_t type = r.U32(0), n = r.U32(4);
        if (n > size - off) return MetafileTruncated;
        if (n < 8 || n % 4) return MetafileBadRecord;
        r.N = n;
        if (first && type != U_EMR_HEADER) return MetafileNotMetafile;
        first = false;
        if (Played(type) && !U_emf_record_safe(reinterpret_cast<const char *>(r.P))) return MetafileBadRecord;
        if (type == U_EMR_EOF) return MetafileOk;
        int rc = EmfRecord(type, r);
        if (rc) return rc;
        if (Exhausted) return MetafileTooComplex;
        off += n;
    }
    // Ran out of records without an end record.
    return nBytes > size ? MetafileTruncated : MetafileOk;
}

int TPlayer::EmfRecord(std::uint32_t type, TSpan r) {
    auto points32 = [&](std::size_t countOff, std::size_t at, std::vector<QPointF> &pts) {
        std::uint32_t n = r.U32(countOff);
        if (r.Bad || n > (r.N - std::min(r.N, at)) / 8) return false;
        pts.resize(n);
        for (std::uint32_t i = 0; i < n; ++i)
            pts[i] = r.PointL(at + 8 * std::size_t(i));
        return !r.Bad;
    };
    auto points16 = [&](std::size_t countOff, std::size_t at, std::vector<QPointF> &pts) {
        std::uint32_t n = r.U32(countOff);
        if (r.Bad || n > (r.N - std::min(r.N, at)) / 4) return false;
        pts.resize(n);
        for (std::uint32_t i = 0; i < n; ++i)
            pts[i] = r.Point16(at + 4 * std::size_t(i));
        return !r.Bad;
    };
    auto polyPoly = [&](bool wide, bool closed) {
        std::uint32_t nPolys = r.U32(24), total = r.U32(28);
        if (r.Bad || r.N < 32 || nPolys > (r.N - 32) / 4) return false;
        std::vector<std::uint32_t> counts(nPolys);
        std::uint64_t sum = 0;
        for (std::uint32_t i = 0; i < nPolys; ++i) {
            counts[i] = r.U32(32 + 4 * std::size_t(i));
            sum += counts[i];
        }
        std::size_t at = 32 + 4 * std::size_t(nPolys);
        std::size_t each = wide ? 8 : 4;
        if (sum > total || total > (r.N - std::min(r.N, at)) / each) return false;
        std::vector<QPointF> pts(total);
        for (std::uint32_t i = 0; i < total; ++i)
            pts[i] = wide ? r.PointL(at + 8 * std::size_t(i)) : r.Point16(at + 4 * std::size_t(i));
        PolyPoly(pts, counts, closed);
        return !r.Bad;
    };

    std::vector<QPointF> pts;
    switch (type) {
    case U_EMR_HEADER:
        break;
    case U_EMR_POLYBEZIER:
    case U_EMR_POLYBEZIERTO:
        if (!points32(24, 28, pts)) return MetafileBadRecord;
        Bezier(pts, type == U_EMR_POLYBEZIERTO);
        break;
    case U_EMR_POLYBEZIER16:
    case U_EMR_POLYBEZIERTO16:
        if (!points16(24, 28, pts)) return MetafileBadRecord;
        Bezier(pts, type == U_EMR_POLYBEZIERTO16);
        break;
    case U_EMR_POLYGON:
    case U_EMR_POLYLINE:
    case U_EMR_POLYLINETO:
        if (!points32(24, 28, pts)) return MetafileBadRecord;
        Poly(pts, type == U_EMR_POLYGON, type == U_EMR_POLYLINETO);
        break;
    case U_EMR_POLYGON16:
    case U_EMR_POLYLINE16:
    case U_EMR_POLYLINETO16:
        if (!points16(24, 28, pts)) return MetafileBadRecord;
        Poly(pts, type == U_EMR_POLYGON16, type == U_EMR_POLYLINETO16);
        break;
    case U_EMR_POLYPOLYLINE:
    case U_EMR_POLYPOLYGON:
        if (!polyPoly(true, type == U_EMR_POLYPOLYGON)) return MetafileBadRecord;
        break;
    case U_EMR_POLYPOLYLINE16:
    case U_EMR_POLYPOLYGON16:
        if (!polyPoly(false, type == U_EMR_POLYPOLYGON16)) return MetafileBadRecord;
        break;
    case U_EMR_SETWINDOWEXTEX:
        if (S.MapMode == 7 || S.MapMode == 8) {
            QPointF e(r.I32(8), r.I32(12));
            if (e.x() != 0 && e.y() != 0) S.WinExt = e;
        }
        break;
    case U_EMR_SETWINDOWORGEX:
        S.WinOrg = r.PointL(8);
        break;
    case U_EMR_SETVIEWPORTEXTEX:
        if (S.MapMode == 7 || S.MapMode == 8) {
            QPointF e(r.I32(8), r.I32(12));
            if (e.x() != 0 && e.y() != 0) S.VpExt = e;
        }
        break;
    case U_EMR_SETVIEWPORTORGEX:
        S.VpOrg = r.PointL(8);
        break;
    case U_EMR_SCALEVIEWPORTEXTEX:
    case U_EMR_SCALEWINDOWEXTEX: {
        double xn = r.I32(8), xd = r.I32(12), yn = r.I32(16), yd = r.I32(20);
        if ((S.MapMode == 7 || S.MapMode == 8) && xn && xd && yn && yd) {
            QPointF &e = type == U_EMR_SCALEVIEWPORTEXTEX ? S.VpExt : S.WinExt;
            e = QPointF(e.x() * xn / xd, e.y() * yn / yd);
        }
        break;
    }
    case U_EMR_SETPIXELV: {
        QPointF p = r.PointL(8);
        QTransform t = ToTarget();
        P.setTransform(QTransform());
        P.fillRect(QRectF(t.map(p), QSizeF(1, 1)), ColorRef(r.U32(16)));
        break;
    }
    case U_EMR_SETMAPMODE:
        SetMapMode(r.I32(8));
        break;
    case U_EMR_SETBKMODE:
        S.BkMode = r.I32(8);
        break;
    case U_EMR_SETPOLYFILLMODE:
        S.FillMode = r.I32(8);
        break;
    case U_EMR_SETROP2:
        S.Rop2 = r.I32(8);
        break;
    case U_EMR_SETSTRETCHBLTMODE:
        S.StretchMode = r.I32(8);
        break;
    case U_EMR_SETTEXTALIGN:
        S.TextAlign = r.U32(8);
        break;
    case U_EMR_SETTEXTCOLOR:
        S.TextColor = ColorRef(r.U32(8));
        break;
    case U_EMR_SETBKCOLOR:
        S.BkColor = ColorRef(r.U32(8));
        break;
    case U_EMR_MOVETOEX:
        MoveTo(r.PointL(8));
        break;
    case U_EMR_LINETO:
        LineTo(r.PointL(8));
        break;
    case U_EMR_EXCLUDECLIPRECT:
    case U_EMR_INTERSECTCLIPRECT: {
        QRectF rc = r.RectL(8);
        if (!r.Bad) ClipRect(rc, type == U_EMR_EXCLUDECLIPRECT);
        break;
    }
    case U_EMR_SAVEDC:
        SaveDC();
        break;
    case U_EMR_RESTOREDC:
        RestoreDC(r.I32(8));
        break;
    case U_EMR_SETWORLDTRANSFORM:
    case U_EMR_MODIFYWORLDTRANSFORM: {
        double m[6];
        for (int i = 0; i < 6; ++i)
            m[i] = r.F32(8 + 4 * i);
        if (r.Bad || !std::all_of(m, m + 6, Finite)) break;
        QTransform x(m[0], m[1], m[2], m[3], m[4], m[5]);
        std::uint32_t mode = type == U_EMR_SETWORLDTRANSFORM ? 4 : r.U32(32);
        switch (mode) {
        case 1:
            S.World = QTransform();
            break;
        case 2:
            S.World = x * S.World;
            break;
        case 3:
            S.World = S.World * x;
            break;
        case 4:
            S.World = x;
            break;
        default:
            break;
        }
        if (!S.World.isInvertible()) S.World = QTransform();
        break;
    }
    case U_EMR_SELECTOBJECT:
        EmfSelect(r.U32(8));
        break;
    case U_EMR_DELETEOBJECT:
        EmfObjects.erase(r.U32(8));
        break;
    case U_EMR_CREATEPEN:
    case U_EMR_EXTCREATEPEN:
    case U_EMR_CREATEBRUSHINDIRECT:
    case U_EMR_EXTCREATEFONTINDIRECTW:
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
    case U_EMR_CREATEMONOBRUSH:
    case U_EMR_CREATEPALETTE: {
        std::uint32_t ih = r.U32(8);
        TObject o;
        if (type == U_EMR_CREATEPEN) {
            o.Kind = TObjectKind::Pen;
            o.Pen.Style = r.U32(12);
            o.Pen.Width = r.I32(16);
            o.Pen.Color = ColorRef(r.U32(24));
        } else if (type == U_EMR_EXTCREATEPEN) {
            o.Kind = TObjectKind::Pen;
            o.Pen.Style = r.U32(28);
            o.Pen.Width = (o.Pen.Style & 0x000F0000) ? r.U32(32) : 0;
            o.Pen.Color = ColorRef(r.U32(40));
            if (r.U32(36) == 1) // hollow brush: nothing is drawn
                o.Pen.Style = 5;
        } else if (type == U_EMR_CREATEBRUSHINDIRECT) {
            o.Kind = TObjectKind::Brush;
            o.Brush.Style = r.U32(12);
            o.Brush.Color = ColorRef(r.U32(16));
            o.Brush.Hatch = r.U32(20);
        } else if (type == U_EMR_EXTCREATEFONTINDIRECTW) {
            o.Kind = TObjectKind::Font;
            o.Font = ReadLogFontW(r, 12);
        } else if (type == U_EMR_CREATEPALETTE) {
            o.Kind = TObjectKind::Other;
        } else {
            o.Kind = TObjectKind::Brush;
            o.Brush.Style = 6;
            o.Brush.Color = S.TextColor;
            o.Brush.Pattern = Charge(DecodeDib(r, r.U32(16), r.U32(20), r.U32(24), r.U32(28), r.U32(12)));
        }
        if (r.Bad) return MetafileBadRecord;
        if (ih & 0x80000000u) break; // stock objects cannot be replaced
        if (EmfObjects.size() < kMaxObjects || EmfObjects.count(ih)) EmfObjects[ih] = std::move(o);
        break;
    }
    case U_EMR_ANGLEARC: {
        QPointF c = r.PointL(8);
        double radius = r.U32(16), start = r.F32(20), sweep = r.F32(24);
        if (r.Bad || !Finite(start) || !Finite(sweep)) break;
        QRectF box(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius);
        QPainterPath path(S.Cur);
        path.arcTo(box, start, std::clamp(sweep, -360.0 * 8, 360.0 * 8));
        S.Cur = path.currentPosition();
        Shape(path, false);
        break;
    }
    case U_EMR_ELLIPSE: {
        QPainterPath path;
        path.addEllipse(r.RectL(8).normalized());
        Shape(path, true);
        break;
    }
    case U_EMR_RECTANGLE: {
        QPainterPath path;
        path.addRect(r.RectL(8).normalized());
        Shape(path, true);
        break;
    }
    case U_EMR_ROUNDRECT:
        RoundRect(r.RectL(8), QSizeF(r.I32(24), r.I32(28)));
        break;
    case U_EMR_ARC:
    case U_EMR_CHORD:
    case U_EMR_PIE:
    case U_EMR_ARCTO: {
        int kind = type == U_EMR_PIE ? 2 : type == U_EMR_CHORD ? 1 : 0;
        QPainterPath path = ArcPath(r.RectL(8), r.PointL(24), r.PointL(32), kind);
        if (r.Bad || path.isEmpty()) break;
        if (type == U_EMR_ARCTO) {
            QPainterPath joined(S.Cur);
            joined.connectPath(path);
            S.Cur = path.currentPosition();
            Shape(joined, false);
        } else {
            Shape(path, kind != 0);
        }
        break;
    }
    case U_EMR_SETARCDIRECTION:
        S.ArcClockwise = r.U32(8) == 2;
        break;
    case U_EMR_BEGINPATH:
        InPath = true;
        Path = QPainterPath();
        break;
    case U_EMR_ENDPATH:
        InPath = false;
        break;
    case U_EMR_ABORTPATH:
        InPath = false;
        Path = QPainterPath();
        break;
    case U_EMR_CLOSEFIGURE:
        if (InPath || Path.elementCount()) Path.closeSubpath();
        break;
    case U_EMR_FILLPATH:
        PathEnd(true, false);
        break;
    case U_EMR_STROKEPATH:
        PathEnd(false, true);
        break;
    case U_EMR_STROKEANDFILLPATH:
        PathEnd(true, true);
        break;
    case U_EMR_SELECTCLIPPATH: {
        QPainterPath path = Path;
        path.setFillRule(S.FillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
        InPath = false;
        Path = QPainterPath();
        path = ToTarget().map(path);
        if (InTargetRange(path.boundingRect())) ClipRegion(RegionOf(path), r.I32(8));
        break;
    }
    case U_EMR_EXTSELECTCLIPRGN: {
        std::uint32_t cb = r.U32(8);
        int mode = r.I32(12);
        if (r.Bad) return MetafileBadRecord;
        if (mode == 5 && cb == 0) { // back to no clipping
            S.HasClip = false;
            S.Clip = QRegion();
            ApplyClip();
            break;
        }
        std::vector<QRectF> rects;
        if (!ReadRegionRects(r, 16, cb, rects)) return MetafileBadRecord;
        // Region rectangles are device pixels; the device maps onto the
        // target without rotation.
        std::vector<QRect> pixels;
        pixels.reserve(rects.size());
        for (const QRectF &rc : rects) {
            QRectF m = DevToTarget.mapRect(rc.normalized());
            if (!InTargetRange(m)) continue;
            QPoint tl(int(std::lround(m.left())), int(std::lround(m.top())));
            QPoint br(int(std::lround(m.right())), int(std::lround(m.bottom())));
            if (br.x() > tl.x() && br.y() > tl.y()) pixels.emplace_back(tl, br - QPoint(1, 1));
        }
        QRegion region;
        region.setRects(pixels.data(), int(std::min<std::size_t>(pixels.size(), INT32_MAX)));
        ClipRegion(region, mode);
        break;
    }
    case U_EMR_FILLRGN: {
        std::vector<QRectF> rects;
        if (!ReadRegionRects(r, 32, r.U32(24), rects)) return MetafileBadRecord;
        TState keep = S;
        EmfSelect(r.U32(28));
        FillRects(rects, MakeBrush(ToTarget()), false);
        S.Pen = keep.Pen;
        S.Brush = keep.Brush;
        break;
    }
    case U_EMR_PAINTRGN: {
        std::vector<QRectF> rects;
        if (!ReadRegionRects(r, 28, r.U32(24), rects)) return MetafileBadRecord;
        FillRects(rects, MakeBrush(ToTarget()), false);
        break;
    }
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT: {
        QRectF dest(r.I32(24), r.I32(28), r.I32(32), r.I32(36));
        std::uint32_t rop = r.U32(40);
        QPointF src(r.I32(44), r.I32(48));
        std::uint32_t usage = r.U32(80), offBmi = r.U32(84), cbBmi = r.U32(88), offBits = r.U32(92),
                      cbBits = r.U32(96);
        if (r.Bad) return MetafileBadRecord;
        if (cbBmi == 0) { // no source: a pattern fill
            PatBlt(dest, rop);
            break;
        }
        QImage img = Charge(DecodeDib(r, offBmi, cbBmi, offBits, cbBits, usage));
        QSizeF srcSize = dest.size();
        if (type == U_EMR_STRETCHBLT) srcSize = QSizeF(r.I32(100), r.I32(104));
        if (r.Bad) return MetafileBadRecord;
        Blit(img, dest, QRectF(src, srcSize), rop);
        break;
    }
    case U_EMR_ALPHABLEND: {
        QRectF dest(r.I32(24), r.I32(28), r.I32(32), r.I32(36));
        int constant = r.U8(42), format = r.U8(43);
        QRectF src(r.I32(44), r.I32(48), r.I32(100), r.I32(104));
        std::uint32_t usage = r.U32(80), offBmi = r.U32(84), cbBmi = r.U32(88), offBits = r.U32(92),
                      cbBits = r.U32(96);
        if (r.Bad) return MetafileBadRecord;
        QImage img = Charge(DecodeDib(r, offBmi, cbBmi, offBits, cbBits, usage, format == 1));
        Blit(img, dest, src, 0x00CC0020, constant / 255.0);
        break;
    }
    case 108: { // small text: reference, count, options, mode, scales, [bounds], characters
        QPointF ref = r.PointL(8);
        std::uint32_t nChars = r.U32(16), options = r.U32(20);
        std::size_t at = (options & 0x100) ? 36 : 52;
        bool narrow = options & 0x200;
        if (r.Bad || nChars > r.N || !r.Has(at, std::size_t(nChars) * (narrow ? 1 : 2)))
            return MetafileBadRecord;
        QString text;
        if (narrow) {
            text = QString::fromStdString(
                Cp1254ToUtf8(std::string(reinterpret_cast<const char *>(r.P + at), nChars)));
        } else {
            std::u16string u(nChars, u'\0');
            for (std::uint32_t i = 0; i < nChars; ++i)
                u[i] = r.U16(at + 2 * std::size_t(i));
            text = QString::fromStdU16String(u);
        }
        Text(ref, text, {}, options & ~0x6u, nullptr);
        break;
    }
    case U_EMR_STRETCHDIBITS:
    case U_EMR_SETDIBITSTODEVICE: {
        QPointF dest = r.PointL(8 + 16);
        double xSrc = r.I32(32), ySrc = r.I32(36), cxSrc = r.I32(40), cySrc = r.I32(44);
        std::uint32_t offBmi = r.U32(48), cbBmi = r.U32(52), offBits = r.U32(56), cbBits = r.U32(60),
                      usage = r.U32(64);
        std::uint32_t rop = 0x00CC0020;
        QSizeF destSize(cxSrc, cySrc);
        if (type == U_EMR_STRETCHDIBITS) {
            rop = r.U32(68);
            destSize = QSizeF(r.I32(72), r.I32(76));
        }
        if (r.Bad) return MetafileBadRecord;
        TDibLayout d;
        if (!r.Has(offBmi, cbBmi) || !r.Has(offBits, cbBits) || !cbBmi ||
            !ReadDibHeader(TSpan{r.P + offBmi, cbBmi}, usage, d))
            break;
        int fullHeight = d.Height;
        double stripTop = 0; // image row of the strip's first row
        if (type == U_EMR_SETDIBITSTODEVICE && !d.TopDown && d.Compression == 0) {
            // The record may carry only a band of scan lines, counted from the bottom.
            std::uint32_t start = r.U32(68), scans = r.U32(72);
            if (start < std::uint32_t(fullHeight) && scans > 0 &&
                scans <= std::uint32_t(fullHeight) - start) {
                d.Height = int(scans);
                stripTop = fullHeight - double(start) - scans;
            }
        }
        QImage img = Charge(DecodeDibBits(d, r.P + offBits, cbBits));
        if (img.isNull()) break;
        double top = ySrc;
        if (!d.TopDown) // rows of a bottom-up bitmap are counted from the bottom
            top = fullHeight - ySrc - cySrc;
        top -= stripTop;
        Blit(img, QRectF(dest, destSize), QRectF(xSrc, top, cxSrc, cySrc), rop);
        break;
    }
    case U_EMR_EXTTEXTOUTA:
    case U_EMR_EXTTEXTOUTW: {
        QPointF ref = r.PointL(36);
        std::uint32_t nChars = r.U32(44), offString = r.U32(48), options = r.U32(52);
        bool hasRect = !(options & 0x100);
        QRectF rect = hasRect ? r.RectL(56) : QRectF();
        std::uint32_t offDx = r.U32(hasRect ? 72 : 56);
        if (r.Bad) return MetafileBadRecord;
        bool wide = type == U_EMR_EXTTEXTOUTW;
        std::size_t charBytes = wide ? 2 : 1;
        if (nChars > r.N || !r.Has(offString, std::size_t(nChars) * charBytes)) return MetafileBadRecord;
        QString text;
        if (wide) {
            std::u16string s(nChars, u'\0');
            for (std::uint32_t i = 0; i < nChars; ++i)
                s[i] = r.U16(offString + 2 * std::size_t(i));
            text = QString::fromStdU16String(s);
        } else {
            std::string bytes(reinterpret_cast<const char *>(r.P + offString), nChars);
            text = QString::fromStdString(Cp1254ToUtf8(bytes));
        }
        std::vector<double> dx;
        std::size_t step = (options & 0x2000) ? 8 : 4;
        if (offDx && r.Has(offDx, std::size_t(nChars) * step)) {
            dx.resize(nChars);
            for (std::uint32_t i = 0; i < nChars; ++i)
                dx[i] = r.I32(offDx + step * std::size_t(i));
            if (text.size() != int(nChars)) dx.clear();
        }
        Text(ref, text, dx, options, hasRect && !rect.isEmpty() ? &rect : nullptr);
        break;
    }
    default:
        break; // not drawn: skipped
    }
    return r.Bad ? MetafileBadRecord : MetafileOk;
}

// ---------------------------------------------------------------------------
// Windows metafiles

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;

struct TWmfLayout {
    std::size_t HeaderOffset = 0; // 22 with a placeable header
    bool Placeable = false;
    QRectF Box; // logical units
    int Inch = 0;
    std::uint32_t SizeWords = 0; // whole file, from the header
    std::uint16_t Objects = 0;
};

bool ReadWmfLayout(const std::uint8_t *data, std::size_t size, TWmfLayout &w) {
    TSpan s{data, size};
    if (s.U32(0) == kPlaceableKey) {
        w.Placeable = true;
        w.HeaderOffset = 22;
        double l = s.I16(6), t = s.I16(8), r = s.I16(10), b = s.I16(12);
        w.Box = QRectF(QPointF(l, t), QPointF(r, b));
        w.Inch = s.U16(14);
        if (s.Bad || w.Inch == 0 || r == l || b == t) return false;
    }
    std::size_t h = w.HeaderOffset;
    std::uint16_t type = s.U16(h), headerSize = s.U16(h + 2), version = s.U16(h + 4);
    w.SizeWords = std::uint32_t(s.U16(h + 6)) | std::uint32_t(s.U16(h + 8)) << 16;
    w.Objects = s.U16(h + 10);
    if (s.Bad || (type != 1 && type != 2) || headerSize != 9 || (version != 0x0100 && version != 0x0300))
        return false;
    if (!w.Placeable) {
        // A plain metafile has no size of its own: its window says it.
        std::size_t off = h + 18;
        bool haveExt = false;
        QPointF org, ext;
        while (off + 6 <= size) {
            TSpan r{data + off, size - off};
            std::uint32_t words = r.U32(0);
            std::uint16_t fn = r.U16(4);
            if (words < 3 || words > (size - off) / 2) break;
            if (fn == 0x020B && words >= 5) org = QPointF(r.I16(8), r.I16(6));
            if (fn == 0x020C && words >= 5) {
                ext = QPointF(r.I16(8), r.I16(6));
                haveExt = true;
                break;
            }
            if (fn == 0) break;
            off += std::size_t(words) * 2;
        }
        if (!haveExt || ext.x() == 0 || ext.y() == 0) return false;
        w.Box = QRectF(org, QSizeF(ext.x(), ext.y()));
        w.Inch = 96;
    }
    return true;
}

int TPlayer::PlayWmf(const std::uint8_t *data, std::size_t size) {
    TWmfLayout w;
    if (!ReadWmfLayout(data, size, w)) return MetafileNotMetafile;
    // The picture's window (its box, until records set their own) fills the
    // whole target; records that move the viewport are the player's business.
    S.MapMode = 8;
    S.WinOrg = w.Box.topLeft();
    S.WinExt = QPointF(w.Box.width(), w.Box.height());
    S.VpOrg = QPointF(0, 0);
    S.VpExt = QPointF(Img.width(), Img.height());
    DevToTarget = QTransform();
    DevPxPerMmX = DevPxPerMmY = kDefaultDpi / 25.4;

    const char *limit = reinterpret_cast<const char *>(data + size);
    std::size_t off = w.HeaderOffset + 18;
    while (off < size) {
        if (size - off < 6) return MetafileTruncated;
        TSpan r{data + off, size - off};
        std::uint32_t words = r.U32(0);
        std::uint16_t fn = r.U16(4);
        if (words < 3) return MetafileBadRecord;
        if (words > (size - off) / 2) return MetafileTruncated;
        if (!U_WMRRECSAFE_get(reinterpret_cast<const char *>(r.P), limit)) return MetafileBadRecord;
        r.N = std::size_t(words) * 2;
        if (fn == 0) return MetafileOk;
        int rc = WmfRecord(fn, r);
        if (rc) return rc;
        if (Exhausted) return MetafileTooComplex;
        off += r.N;
    }
    return std::uint64_t(w.SizeWords) * 2 > size - w.HeaderOffset ? MetafileTruncated : MetafileOk;
}

int TPlayer::WmfRecord(std::uint16_t fn, TSpan r) {
    // Parameters are 16-bit words after the 6-byte record header, many of
    // them in reverse order.
    auto w = [&](std::size_t i) { return r.I16(6 + 2 * i); };
    auto uw = [&](std::size_t i) { return r.U16(6 + 2 * i); };
    auto dw = [&](std::size_t i) { return r.U32(6 + 2 * i); };
    auto pt = [&](std::size_t i) { return QPointF(w(i + 1), w(i)); }; // y, x
    auto rect = [&](std::size_t i) {                                  // bottom, right, top, left
        return QRectF(QPointF(w(i + 3), w(i + 2)), QPointF(w(i + 1), w(i)));
    };
    std::size_t params = (r.N - 6) / 2;
    auto words = [&](std::size_t at, std::size_t count) { return at <= params && count <= params - at; };

    switch (fn) {
    case 0x0201:
        S.BkColor = ColorRef(dw(0));
        break;
    case 0x0102:
        S.BkMode = uw(0);
        break;
    case 0x0103: {
        int mode = uw(0);
        if (mode == 7 || mode == 8) S.MapMode = mode;
        break;
    }
    case 0x0104:
        S.Rop2 = uw(0);
        break;
    case 0x0106:
        S.FillMode = uw(0);
        break;
    case 0x0107:
        S.StretchMode = uw(0);
        break;
    case 0x0209:
        S.TextColor = ColorRef(dw(0));
        break;
    case 0x020B:
        S.WinOrg = pt(0);
        break;
    case 0x020C: {
        QPointF e = pt(0);
        if (e.x() != 0 && e.y() != 0) S.WinExt = e;
        break;
    }
    case 0x020F:
        S.WinOrg += pt(0);
        break;
    case 0x0410: { // scale window extent: yDenom, yNum, xDenom, xNum
        double yd = w(0), yn = w(1), xd = w(2), xn = w(3);
        if (xd && yd && xn && yn) S.WinExt = QPointF(S.WinExt.x() * xn / xd, S.WinExt.y() * yn / yd);
        break;
    }
    case 0x020D: // viewport records: the target is the viewport
    case 0x020E:
    case 0x0211:
    case 0x0412:
        break;
    case 0x0213:
        LineTo(pt(0));
        break;
    case 0x0214:
        MoveTo(pt(0));
        break;
    case 0x0415:
    case 0x0416: {
        QRectF rc = rect(0);
        if (!r.Bad) ClipRect(rc, fn == 0x0415);
        break;
    }
    case 0x0817: // arc, pie, chord: yEnd, xEnd, yStart, xStart, bottom, right, top, left
    case 0x081A:
    case 0x0830: {
        int kind = fn == 0x081A ? 2 : fn == 0x0830 ? 1 : 0;
        QPainterPath path = ArcPath(rect(4), pt(2), pt(0), kind);
        if (!r.Bad && !path.isEmpty()) Shape(path, kind != 0);
        break;
    }
    case 0x0418:
    case 0x041B: {
        QRectF rc = rect(0);
        if (r.Bad) break;
        QPainterPath path;
        if (fn == 0x0418)
            path.addEllipse(rc.normalized());
        else
            path.addRect(rc.normalized());
        Shape(path, true);
        break;
    }
    case 0x061C:
        RoundRect(rect(2), QSizeF(w(1), w(0)));
        break;
    case 0x061D: { // pattern fill: rop, height, width, y, x
        std::uint32_t rop = dw(0);
        QRectF rc(w(5), w(4), w(3), w(2));
        if (!r.Bad) PatBlt(rc, rop);
        break;
    }
    case 0x001E:
        SaveDC();
        break;
    case 0x0127:
        RestoreDC(w(0));
        break;
    case 0x041F: {
        QColor c = ColorRef(dw(0));
        QPointF p = pt(2);
        if (r.Bad) break;
        P.setTransform(QTransform());
        P.fillRect(QRectF(ToTarget().map(p), QSizeF(1, 1)), c);
        break;
    }
    case 0x0324:
    case 0x0325: {
        std::size_t n = uw(0);
        if (!words(1, 2 * n)) return MetafileBadRecord;
        std::vector<QPointF> pts(n);
        for (std::size_t i = 0; i < n; ++i)
            pts[i] = QPointF(w(1 + 2 * i), w(2 + 2 * i));
        Poly(pts, fn == 0x0324, false);
        break;
    }
    case 0x0538: {
        std::size_t polys = uw(0);
        if (!words(1, polys)) return MetafileBadRecord;
        std::vector<std::uint32_t> counts(polys);
        std::size_t total = 0;
        for (std::size_t i = 0; i < polys; ++i) {
            counts[i] = uw(1 + i);
            total += counts[i];
        }
        std::size_t at = 1 + polys;
        if (!words(at, 2 * total)) return MetafileBadRecord;
        std::vector<QPointF> pts(total);
        for (std::size_t i = 0; i < total; ++i)
            pts[i] = QPointF(w(at + 2 * i), w(at + 2 * i + 1));
        PolyPoly(pts, counts, true);
        break;
    }
    case 0x012D: {
        std::size_t i = uw(0);
        if (i < WmfObjects.size()) Select(WmfObjects[i]);
        break;
    }
    case 0x01F0: {
        std::size_t i = uw(0);
        if (i < WmfObjects.size() && WmfObjects[i].Kind != TObjectKind::Empty) {
            WmfObjects[i] = TObject();
            WmfFree.insert(i);
        }
        break;
    }
    case 0x02FA: { // pen: style, width x, width y, colour
        TObject o;
        o.Kind = TObjectKind::Pen;
        o.Pen.Style = uw(0);
        o.Pen.Width = w(1);
        o.Pen.Color = ColorRef(dw(3));
        if (r.Bad) return MetafileBadRecord;
        WmfCreate(std::move(o));
        break;
    }
    case 0x02FC: { // brush: style, colour, hatch
        TObject o;
        o.Kind = TObjectKind::Brush;
        o.Brush.Style = uw(0);
        o.Brush.Color = ColorRef(dw(1));
        o.Brush.Hatch = uw(3);
        if (r.Bad) return MetafileBadRecord;
        if (o.Brush.Style > 2) o.Brush.Style = 0; // patterns need a bitmap this record does not carry
        WmfCreate(std::move(o));
        break;
    }
    case 0x02FB: { // font
        TObject o;
        o.Kind = TObjectKind::Font;
        o.Font.Height = w(0);
        o.Font.Width = w(1);
        o.Font.Escapement = w(2);
        o.Font.Weight = w(4);
        std::size_t b = 6 + 10;
        o.Font.Italic = r.U8(b);
        o.Font.Underline = r.U8(b + 1);
        o.Font.StrikeOut = r.U8(b + 2);
        if (r.Bad) return MetafileBadRecord;
        std::string face;
        for (std::size_t i = 0; i < 32 && r.Has(b + 8 + i, 1); ++i) {
            char c = char(r.U8(b + 8 + i));
            if (!c) break;
            face.push_back(c);
        }
        o.Font.Face = QString::fromStdString(Cp1254ToUtf8(face));
        WmfCreate(std::move(o));
        break;
    }
    case 0x0142: { // pattern brush from a DIB: style, usage, DIB
        TObject o;
        o.Kind = TObjectKind::Brush;
        o.Brush.Style = 6;
        std::uint16_t usage = uw(1);
        if (r.Bad) return MetafileBadRecord;
        o.Brush.Pattern =
            Charge(DecodePackedDib(TSpan{r.P + 10, r.N - std::min<std::size_t>(r.N, 10)}, usage));
        WmfCreate(std::move(o));
        break;
    }
    case 0x00F7: // palette, pattern brush from a device bitmap, region: take a slot
    case 0x01F9:
    case 0x06FF: {
        TObject o;
        o.Kind = TObjectKind::Other;
        WmfCreate(std::move(o));
        break;
    }
    case 0x012E:
        S.TextAlign = uw(0);
        break;
    case 0x0521: { // text: length, string (padded), y, x
        std::size_t len = uw(0);
        std::size_t padded = (len + 1) / 2;
        if (!words(1, padded + 2)) return MetafileBadRecord;
        std::string bytes(reinterpret_cast<const char *>(r.P + 8), len);
        QPointF ref(w(2 + padded), w(1 + padded));
        Text(ref, QString::fromStdString(Cp1254ToUtf8(bytes)), {}, 0, nullptr);
        break;
    }
    case 0x0A32: { // y, x, length, options, [rectangle], string, [dx]
        QPointF ref = pt(0);
        std::size_t len = uw(2);
        std::uint16_t options = uw(3);
        if (r.Bad) return MetafileBadRecord;
        std::size_t at = 4;
        QRectF rc;
        bool hasRect = options & 0x6;
        if (hasRect) {
            if (!words(at, 4)) return MetafileBadRecord;
            rc = QRectF(QPointF(w(at), w(at + 1)), QPointF(w(at + 2), w(at + 3)));
            at += 4;
        }
        std::size_t padded = (len + 1) / 2;
        if (!words(at, padded)) {
            // Some writers leave the rectangle out whatever the options say.
            return MetafileBadRecord;
        }
        std::string bytes(reinterpret_cast<const char *>(r.P + 6 + 2 * at), len);
        at += padded;
        std::vector<double> dx;
        if (words(at, len)) {
            dx.resize(len);
            for (std::size_t i = 0; i < len; ++i)
                dx[i] = w(at + i);
        }
        QString text = QString::fromStdString(Cp1254ToUtf8(bytes));
        if (text.size() != int(len)) dx.clear();
        Text(ref, text, dx, options, hasRect ? &rc : nullptr);
        break;
    }
    case 0x0940:   // DIB bit block transfer
    case 0x0B41: { // DIB stretched transfer
        bool stretch = fn == 0x0B41;
        // Without a bitmap the record is a pattern fill with one reserved word.
        bool noBitmap = r.N / 2 == std::size_t((fn >> 8) + 3);
        std::uint32_t rop = dw(0);
        std::size_t i = 2;
        QSizeF srcSize;
        QPointF src;
        if (stretch) {
            srcSize = QSizeF(w(i + 1), w(i));
            i += 2;
        }
        src = QPointF(w(i + 1), w(i));
        i += 2;
        if (noBitmap) i += 1;
        QSizeF destSize(w(i + 1), w(i));
        QPointF dest(w(i + 3), w(i + 2));
        i += 4;
        if (r.Bad) return MetafileBadRecord;
        if (!stretch) srcSize = destSize;
        if (noBitmap) {
            PatBlt(QRectF(dest, destSize), rop);
            break;
        }
        std::size_t at = 6 + 2 * i;
        QImage img = Charge(DecodePackedDib(TSpan{r.P + at, r.N - std::min(r.N, at)}, 0));
        Blit(img, QRectF(dest, destSize), QRectF(src, srcSize), rop);
        break;
    }
    case 0x0F43: { // stretched DIB: rop, usage, src h, src w, y src, x src, dest h, dest w, y, x, DIB
        std::uint32_t rop = dw(0);
        std::uint16_t usage = uw(2);
        QSizeF srcSize(w(4), w(3));
        QPointF src(w(6), w(5));
        QSizeF destSize(w(8), w(7));
        QPointF dest(w(10), w(9));
        if (r.Bad) return MetafileBadRecord;
        TSpan dib{r.P + 28, r.N - std::min<std::size_t>(r.N, 28)};
        QImage img = Charge(DecodePackedDib(dib, usage));
        if (img.isNull()) break;
        TDibLayout d;
        ReadDibHeader(dib, usage, d);
        if (!d.TopDown) // rows counted from the bottom
            src.setY(img.height() - src.y() - srcSize.height());
        Blit(img, QRectF(dest, destSize), QRectF(src, srcSize), rop);
        break;
    }
    case 0x0D33: { // DIB to device: usage, scans, start, y src, x src, h, w, y, x, DIB
        std::uint16_t usage = uw(0);
        QPointF src(w(4), w(3));
        QSizeF size(w(6), w(5));
        QPointF dest(w(8), w(7));
        if (r.Bad) return MetafileBadRecord;
        TSpan dib{r.P + 24, r.N - std::min<std::size_t>(r.N, 24)};
        QImage img = Charge(DecodePackedDib(dib, usage));
        if (img.isNull()) break;
        TDibLayout d;
        ReadDibHeader(dib, usage, d);
        if (!d.TopDown) src.setY(img.height() - src.y() - size.height());
        Blit(img, QRectF(dest, size), QRectF(src, size), 0x00CC0020);
        break;
    }
    default:
        break; // not drawn: skipped
    }
    return r.Bad ? MetafileBadRecord : MetafileOk;
}

} // namespace

namespace {

// A picture larger than the player can draw is refused at the header, so no
// caller allocates a bitmap for it.
bool SetSize(TMetafileHeader &h, double px, double py, double mmx, double mmy) {
    if (!(px >= 1 && py >= 1 && px <= kMaxTargetSide && py <= kMaxTargetSide)) return false;
    h.Width = int(std::lround(px));
    h.Height = int(std::lround(py));
    h.MMWidth = int(std::lround(mmx));
    h.MMHeight = int(std::lround(mmy));
    return true;
}

} // namespace

bool ReadMetafileHeader(const std::uint8_t *data, std::size_t size, TMetafileHeader &header) {
    if (!data || size < 18) return false;
    TSpan s{data, size};
    if (s.U32(0) == U_EMR_HEADER && size >= 88 && s.U32(40) == 0x464D4520) { // " EMF"
        std::uint32_t n = s.U32(4);
        if (n < 88 || n > size) return false;
        QRectF bounds = s.RectL(8), frame = s.RectL(24);
        double mmW = frame.right() - frame.left(), mmH = frame.bottom() - frame.top();
        TMetafileHeader h;
        h.Kind = TMetafileKind::Enhanced;
        if (mmW > 0 && mmH > 0) {
            if (!SetSize(h, mmW * kDefaultDpi / 2540.0, mmH * kDefaultDpi / 2540.0, mmW, mmH)) return false;
        } else {
            double w = bounds.right() - bounds.left() + 1, hh = bounds.bottom() - bounds.top() + 1;
            if (!SetSize(h, w, hh, w * 2540.0 / kDefaultDpi, hh * 2540.0 / kDefaultDpi)) return false;
        }
        h.HasPalette = s.U32(68) > 0;
        if (s.Bad) return false;
        header = h;
        return true;
    }
    TWmfLayout w;
    if (!ReadWmfLayout(data, size, w)) return false;
    TMetafileHeader h;
    h.Kind = TMetafileKind::Windows;
    double bw = std::fabs(w.Box.width()), bh = std::fabs(w.Box.height());
    if (!SetSize(h, bw * kDefaultDpi / w.Inch, bh * kDefaultDpi / w.Inch, bw * 2540.0 / w.Inch,
                 bh * 2540.0 / w.Inch))
        return false;
    header = h;
    return true;
}

int PlayMetafile(const std::uint8_t *data, std::size_t size, std::uint8_t *bgrx, int width, int height) {
    if (!bgrx || width <= 0 || height <= 0 || width > kMaxTargetSide || height > kMaxTargetSide)
        return MetafileBadTarget;
    TMetafileHeader header;
    if (!data || !ReadMetafileHeader(data, size, header)) return MetafileNotMetafile;
    // libUEMF reads records through struct pointers: give it aligned bytes.
    std::vector<std::uint32_t> aligned((size + 3) / 4);
    std::memcpy(aligned.data(), data, size);
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(aligned.data());

    QImage img(bgrx, width, height, width * 4, QImage::Format_RGB32);
    TPlayer player(img);
    if (!player.Begin()) return MetafileBadTarget;
    int rc =
        header.Kind == TMetafileKind::Enhanced ? player.PlayEmf(bytes, size) : player.PlayWmf(bytes, size);
    player.End();
    return rc;
}

} // namespace kadrolin
