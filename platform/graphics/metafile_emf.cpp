// Enhanced metafile (EMF) records.
#include "platform/graphics/metafile_internal.h"

namespace kadrolin::metafile {

namespace {

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

} // namespace

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

} // namespace kadrolin::metafile
