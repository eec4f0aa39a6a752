// Windows metafile (WMF) records, placeable or plain.
#include "platform/graphics/metafile_internal.h"

namespace kadrolin::metafile {

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

} // namespace kadrolin::metafile
