#pragma once
// The prepared pages of one run, each kept as a recorded picture (vector) the
// moment it is finished, so a preview can show it while the run goes on.
#include "platform/report/canvas.h"

#include <QByteArray>
#include <QObject>
#include <QPicture>
#include <QSizeF>
#include <QString>
#include <memory>
#include <vector>

class QPainter;
class QPaintDevice;

class TPageStore : public QObject, public TReportCanvas {
    Q_OBJECT
  public:
    explicit TPageStore(QObject *parent = nullptr);
    ~TPageStore() override;

    QString Title() const { return FTitle; }
    void SetTitle(const QString &title) { FTitle = title; }
    // Paper size of the pages, millimetres.
    QSizeF PaperSize() const { return FPaper; }
    void SetPaperSize(const QSizeF &mm) { FPaper = mm; }

    int PageCount() const { return int(FPages.size()); }
    // The recorded picture of a page. Pages are kept compressed (a recorded
    // page is mostly repeated font and pen records); the last one asked for
    // stays unpacked, as the preview paints the same page again and again.
    const QPicture &Page(int index) const;
    bool Finished() const { return FFinished; }
    void SetFinished(bool finished);
    void Clear();
    // Replaces the pages (a loaded report); the store counts as finished.
    void Assign(std::vector<std::unique_ptr<QPicture>> pages, const QSizeF &paperMm);
    // Bytes of the recorded pictures.
    size_t MemoryUsed() const;

    // Resolution pictures are recorded at; pages are that many pixels per inch.
    static double PictureDpi();
    // Draws page index scaled to fill the target rectangle (device pixels).
    void PaintPage(QPainter &painter, int index, const QRectF &target) const;

    // TReportCanvas
    void BeginPage() override;
    void EndPage() override;
    void FillRect(const QRectF &r, const QColor &color) override;
    void DrawShape(const QRectF &r) override;
    void DrawText(const QRectF &box, const QString &text, const TQRFont &font, bool opaque) override;

  signals:
    void PageAdded(int pageCount);
    void FinishedChanged(bool finished);

  private:
    QString FTitle;
    QSizeF FPaper{210, 297};
    static QByteArray Pack(const QPicture &picture);
    std::vector<QByteArray> FPages;
    mutable QPicture FUnpacked;
    mutable int FUnpackedIndex = -1;
    std::unique_ptr<QPicture> FCurrent;
    std::unique_ptr<QPainter> FPainter;
    std::unique_ptr<TPainterCanvas> FCanvas;
    bool FFinished = false;
};

// Writes the pages to a PDF file, vector, with the title as document title.
// Throws with a clear message when the file cannot be written.
void SaveReportPdf(const TPageStore &store, const QString &fileName);
// Reads a PDF into pictures; throws when the file is missing or not a PDF.
// On failure nothing of the store is touched.
void LoadReportPdf(TPageStore &store, const QString &fileName);
