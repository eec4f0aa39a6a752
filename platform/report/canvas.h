#pragma once
// Where a report run draws: everything in tenths of a millimetre from the
// paper's top-left corner, one page between BeginPage and EndPage.
#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

struct TQRFont {
    double Size = 8; // points
    bool Bold = false;
    QColor Color = Qt::black;
    bool operator==(const TQRFont &o) const { return Size == o.Size && Bold == o.Bold && Color == o.Color; }
};

// Arial (metric-compatible Liberation Sans here), sized in hundredths of a
// millimetre so widths come out the same on every device.
QFont ReportFont(const TQRFont &font);
// Width of text on one line in the font, in tenths of a millimetre.
double TextWidth(const QString &text, const TQRFont &font);
// Height of a text line the way the designer gives it (4.50 mm up to 9 pt,
// 5.29 mm at 12 pt), in tenths of a millimetre.
double TextLineHeight(const TQRFont &font);

class TReportCanvas {
  public:
    virtual ~TReportCanvas() = default;
    virtual void BeginPage() = 0;
    virtual void EndPage() = 0;
    virtual void FillRect(const QRectF &r, const QColor &color) = 0;
    // A rectangle with a black outline one device pixel wide and a white fill.
    virtual void DrawShape(const QRectF &r) = 0;
    // Text on one line at the box's top-left; an opaque element fills its box white first.
    virtual void DrawText(const QRectF &box, const QString &text, const TQRFont &font, bool opaque) = 0;
};

// Draws through a painter whose device has the given resolution; the painter
// must already be active. The device's origin is the paper's corner.
class TPainterCanvas : public TReportCanvas {
  public:
    TPainterCanvas(QPainter &painter, double dpiX, double dpiY);
    void BeginPage() override;
    void EndPage() override {}
    void FillRect(const QRectF &r, const QColor &color) override;
    void DrawShape(const QRectF &r) override;
    void DrawText(const QRectF &box, const QString &text, const TQRFont &font, bool opaque) override;

    // Sets the painter up to draw in hundredths of a millimetre.
    static void SetUp(QPainter &painter, double dpiX, double dpiY);

  protected:
    QPainter &FPainter;
    double FDpiX, FDpiY;

  private:
    // State already set on the painter: a recorded page stores every change,
    // so unchanged fonts and pens are not set again.
    enum TPenState { psNone, psText, psShape } FPenState = psNone;
    TQRFont FFont;
    bool FFontSet = false;
    QColor FTextColor;
};
