#include "platform/report/canvas.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>
#include <map>
#include <memory>

namespace {
// Hundredths of a millimetre per point.
constexpr double kUnitsPerPoint = 2540.0 / 72.0;

QRectF ToUnits(const QRectF &tenths) {
    return QRectF(tenths.x() * 10, tenths.y() * 10, tenths.width() * 10, tenths.height() * 10);
}

struct FontKey {
    int Size100;
    bool Bold;
    bool operator<(const FontKey &o) const {
        return Size100 != o.Size100 ? Size100 < o.Size100 : Bold < o.Bold;
    }
};
} // namespace

QFont ReportFont(const TQRFont &font) {
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, int(std::lround(font.Size * kUnitsPerPoint))));
    f.setBold(font.Bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

double TextWidth(const QString &text, const TQRFont &font) {
    if (text.isEmpty()) return 0;
    // Metrics are looked up for every element of every record: keep one per font.
    static std::map<FontKey, std::unique_ptr<QFontMetricsF>> cache;
    FontKey key{int(std::lround(font.Size * 100)), font.Bold};
    auto &fm = cache[key];
    if (!fm) fm = std::make_unique<QFontMetricsF>(ReportFont(font));
    return fm->horizontalAdvance(text) / 10.0;
}

double TextLineHeight(const TQRFont &font) {
    return font.Size >= 12 ? 52.9 : 45.0;
}

TPainterCanvas::TPainterCanvas(QPainter &painter, double dpiX, double dpiY)
    : FPainter(painter), FDpiX(dpiX), FDpiY(dpiY) {}

void TPainterCanvas::SetUp(QPainter &painter, double dpiX, double dpiY) {
    painter.resetTransform();
    painter.scale(dpiX / 2540.0, dpiY / 2540.0);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
}

void TPainterCanvas::BeginPage() {
    SetUp(FPainter, FDpiX, FDpiY);
    FPenState = psNone;
    FFontSet = false;
}

void TPainterCanvas::FillRect(const QRectF &r, const QColor &color) {
    FPainter.fillRect(ToUnits(r), color);
}

void TPainterCanvas::DrawShape(const QRectF &r) {
    if (FPenState != psShape) {
        QPen pen(Qt::black);
        pen.setWidth(0); // cosmetic: one device pixel
        FPainter.setPen(pen);
        FPainter.setBrush(Qt::white);
        FPenState = psShape;
    }
    FPainter.drawRect(ToUnits(r));
}

void TPainterCanvas::DrawText(const QRectF &box, const QString &text, const TQRFont &font, bool opaque) {
    QRectF r = ToUnits(box);
    if (opaque) FPainter.fillRect(r, Qt::white);
    if (text.isEmpty()) return;
    if (!FFontSet || !(FFont.Size == font.Size && FFont.Bold == font.Bold)) {
        FPainter.setFont(ReportFont(font));
        FFont = font;
        FFontSet = true;
    }
    if (FPenState != psText || FTextColor != font.Color) {
        FPainter.setPen(font.Color);
        FTextColor = font.Color;
        FPenState = psText;
    }
    FPainter.drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip, text);
}
