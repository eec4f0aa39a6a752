#include "platform/report/pagestore.h"

#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <stdexcept>

#if __has_include(<poppler/qt6/poppler-qt6.h>)
#include <poppler/qt6/poppler-qt6.h>
#define KADROLIN_HAVE_POPPLER 1
#elif __has_include(<poppler-qt6.h>)
#include <poppler-qt6.h>
#define KADROLIN_HAVE_POPPLER 1
#endif

TPageStore::TPageStore(QObject *parent) : QObject(parent) {}

TPageStore::~TPageStore() {
    if (FPainter) FPainter->end();
}

double TPageStore::PictureDpi() {
    static const double dpi = [] {
        QPicture p;
        return double(p.logicalDpiX());
    }();
    return dpi;
}

void TPageStore::SetFinished(bool finished) {
    if (FFinished == finished) return;
    FFinished = finished;
    emit FinishedChanged(finished);
}

void TPageStore::Clear() {
    if (FPainter) FPainter->end();
    FCanvas.reset();
    FPainter.reset();
    FCurrent.reset();
    FPages.clear();
    FUnpackedIndex = -1;
    FUnpacked = QPicture();
    SetFinished(false);
}

void TPageStore::Assign(std::vector<std::unique_ptr<QPicture>> pages, const QSizeF &paperMm) {
    Clear();
    for (const auto &p : pages)
        FPages.push_back(Pack(*p));
    FPaper = paperMm;
    SetFinished(true);
    emit PageAdded(PageCount());
}

size_t TPageStore::MemoryUsed() const {
    size_t n = 0;
    for (const auto &p : FPages)
        n += size_t(p.capacity());
    return n;
}

QByteArray TPageStore::Pack(const QPicture &picture) {
    QByteArray packed = qCompress(reinterpret_cast<const uchar *>(picture.data()), int(picture.size()), 1);
    // qCompress keeps the room of the worst case, about the unpacked size:
    // without this a page held fifteen times what it needs.
    packed.squeeze();
    return packed;
}

const QPicture &TPageStore::Page(int index) const {
    if (index != FUnpackedIndex) {
        const QByteArray raw = qUncompress(FPages.at(size_t(index)));
        FUnpacked = QPicture();
        FUnpacked.setData(raw.constData(), uint(raw.size()));
        FUnpackedIndex = index;
    }
    return FUnpacked;
}

void TPageStore::PaintPage(QPainter &painter, int index, const QRectF &target) const {
    const double dpi = PictureDpi();
    const double w = FPaper.width() / 25.4 * dpi, h = FPaper.height() / 25.4 * dpi;
    // Playing a picture scales it from its own resolution to the device's by
    // itself; take that out so the page fills exactly the target.
    const QPaintDevice *dev = painter.device();
    const double autoX = dev && dev->logicalDpiX() > 0 ? dev->logicalDpiX() / dpi : 1.0;
    const double autoY = dev && dev->logicalDpiY() > 0 ? dev->logicalDpiY() / dpi : 1.0;
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / w / autoX, target.height() / h / autoY);
    painter.drawPicture(0, 0, Page(index));
    painter.restore();
}

void TPageStore::BeginPage() {
    if (FPainter) EndPage();
    FCurrent = std::make_unique<QPicture>();
    const double dpi = PictureDpi();
    FCurrent->setBoundingRect(
        QRect(0, 0, int(FPaper.width() / 25.4 * dpi + 0.5), int(FPaper.height() / 25.4 * dpi + 0.5)));
    FPainter = std::make_unique<QPainter>(FCurrent.get());
    FCanvas = std::make_unique<TPainterCanvas>(*FPainter, dpi, dpi);
    FCanvas->BeginPage();
}

void TPageStore::EndPage() {
    if (!FPainter) return;
    FPainter->end();
    FCanvas.reset();
    FPainter.reset();
    FPages.push_back(Pack(*FCurrent));
    FCurrent.reset();
    emit PageAdded(PageCount());
}

void TPageStore::FillRect(const QRectF &r, const QColor &color) {
    if (FCanvas) FCanvas->FillRect(r, color);
}

void TPageStore::DrawShape(const QRectF &r) {
    if (FCanvas) FCanvas->DrawShape(r);
}

void TPageStore::DrawText(const QRectF &box, const QString &text, const TQRFont &font, bool opaque) {
    if (FCanvas) FCanvas->DrawText(box, text, font, opaque);
}

void SaveReportPdf(const TPageStore &store, const QString &fileName) {
    if (store.PageCount() == 0) throw std::runtime_error("There is no report to save");
    // Write beside the target first, so a failed save never spoils an earlier file.
    const QString temp = fileName + QStringLiteral(".part");
    {
        QFile probe(temp);
        if (!probe.open(QIODevice::WriteOnly))
            throw std::runtime_error(QStringLiteral("Cannot create file \"%1\". %2")
                                         .arg(fileName, probe.errorString())
                                         .toStdString());
    }
    bool ok = true;
    {
        QPdfWriter pdf(temp);
        pdf.setTitle(store.Title());
        pdf.setCreator(QStringLiteral("Kadrolin"));
        pdf.setResolution(1200);
        pdf.setPageSize(QPageSize(store.PaperSize(), QPageSize::Millimeter));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        if (!painter.begin(&pdf)) {
            ok = false;
        } else {
            const QRectF page(0, 0, store.PaperSize().width() / 25.4 * 1200,
                              store.PaperSize().height() / 25.4 * 1200);
            for (int i = 0; i < store.PageCount(); ++i) {
                if (i > 0) pdf.newPage();
                store.PaintPage(painter, i, page);
            }
            ok = painter.end();
        }
    }
    if (!ok) {
        QFile::remove(temp);
        throw std::runtime_error(QStringLiteral("Cannot write file \"%1\"").arg(fileName).toStdString());
    }
    QFile::remove(fileName);
    if (!QFile::rename(temp, fileName)) {
        QFile::remove(temp);
        throw std::runtime_error(QStringLiteral("Cannot create file \"%1\"").arg(fileName).toStdString());
    }
}

void LoadReportPdf(TPageStore &store, const QString &fileName) {
    if (!QFileInfo(fileName).isFile()) throw std::runtime_error("File does not exist");
#ifdef KADROLIN_HAVE_POPPLER
    std::unique_ptr<Poppler::Document> doc = Poppler::Document::load(fileName);
    if (!doc || doc->isLocked() || doc->numPages() < 1)
        throw std::runtime_error(
            QStringLiteral("\"%1\" is not a saved report").arg(QFileInfo(fileName).fileName()).toStdString());
    doc->setRenderBackend(Poppler::Document::QPainterBackend);
    doc->setRenderHint(Poppler::Document::Antialiasing, true);
    doc->setRenderHint(Poppler::Document::TextAntialiasing, true);
    std::vector<std::unique_ptr<QPicture>> pages;
    QSizeF paper{210, 297};
    const double dpi = TPageStore::PictureDpi();
    for (int i = 0; i < doc->numPages(); ++i) {
        std::unique_ptr<Poppler::Page> page(doc->page(i));
        if (!page) throw std::runtime_error("The saved report is damaged");
        const QSizeF pt = page->pageSizeF();
        if (i == 0) paper = QSizeF(pt.width() / 72 * 25.4, pt.height() / 72 * 25.4);
        auto pic = std::make_unique<QPicture>();
        pic->setBoundingRect(
            QRect(0, 0, int(paper.width() / 25.4 * dpi + 0.5), int(paper.height() / 25.4 * dpi + 0.5)));
        QPainter painter(pic.get());
        painter.fillRect(pic->boundingRect(), Qt::white);
        if (!page->renderToPainter(&painter, dpi, dpi))
            throw std::runtime_error("The saved report is damaged");
        painter.end();
        pages.push_back(std::move(pic));
    }
    store.Assign(std::move(pages), paper);
#else
    (void)store;
    throw std::runtime_error("Loading saved reports is not available in this build");
#endif
}
