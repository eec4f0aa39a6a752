// The device context of a playback: mapping modes and transforms, clipping,
// saved states, and the graphic objects records create and select.
#include "platform/graphics/metafile_internal.h"

namespace kadrolin::metafile {

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

} // namespace kadrolin::metafile
