// Drawing for the records: pens and brushes, lines, curves and shapes, paths,
// bitmaps with their raster operations, and text.
#include "platform/graphics/metafile_internal.h"

namespace kadrolin::metafile {

namespace {

double Scale(const QTransform &t) {
    return std::sqrt(std::fabs(t.determinant()));
}

} // namespace

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

} // namespace kadrolin::metafile
