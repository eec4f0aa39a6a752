#include "platform/report/preview.h"

#include "platform/report/pagestore.h"
#include "platform/report/printprogress.h"
#include "platform/report/quickrep.h"
#include "platform/scopeexit.h"
#include "platform/widgets/application.h"
#include "platform/widgets/dialogs.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

std::function<void(TQRPreview *)> TQRPreview::OnWaiting;
std::function<void(TQRPreview *)> TQRPreview::OnOpened;

namespace {
constexpr int kPageGap = 10; // grey border around the page, pixels

// The pages of a long run are many small blocks the allocator keeps after
// they are freed; hand them back to the system when a preview closes.
void ReturnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

enum TIconKind { icFit, ic100, icWidth, icFirst, icPrev, icNext, icLast, icSetup, icPrint, icSave, icLoad };

// Small drawn icons, so the toolbar looks the same with every style.
QIcon MakeIcon(TIconKind kind) {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(40, 40, 40), 1.2);
    p.setPen(pen);
    auto page = [&](QRectF r) {
        p.setBrush(Qt::white);
        p.drawRect(r);
    };
    auto arrow = [&](bool left, double x) {
        QPainterPath path;
        if (left) {
            path.moveTo(x + 6, 5);
            path.lineTo(x, 12);
            path.lineTo(x + 6, 19);
        } else {
            path.moveTo(x, 5);
            path.lineTo(x + 6, 12);
            path.lineTo(x, 19);
        }
        path.closeSubpath();
        p.setBrush(QColor(30, 60, 140));
        p.drawPath(path);
    };
    switch (kind) {
    case icFit:
        page(QRectF(6.5, 3.5, 11, 17));
        p.drawLine(QPointF(2, 12), QPointF(22, 12));
        break;
    case ic100: {
        page(QRectF(3.5, 3.5, 17, 17));
        QFont f = p.font();
        f.setPixelSize(8);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(3, 3, 18, 18), Qt::AlignCenter, QStringLiteral("1:1"));
        break;
    }
    case icWidth:
        page(QRectF(2.5, 5.5, 19, 13));
        p.drawLine(QPointF(5, 12), QPointF(19, 12));
        break;
    case icFirst:
        p.drawLine(QPointF(5.5, 5), QPointF(5.5, 19));
        arrow(true, 8);
        break;
    case icPrev:
        arrow(true, 9);
        break;
    case icNext:
        arrow(false, 9);
        break;
    case icLast:
        arrow(false, 10);
        p.drawLine(QPointF(18.5, 5), QPointF(18.5, 19));
        break;
    case icSetup:
    case icPrint:
        page(QRectF(7.5, 2.5, 9, 7));
        p.setBrush(QColor(170, 170, 170));
        p.drawRect(QRectF(3.5, 9.5, 17, 8));
        page(QRectF(7.5, 15.5, 9, 6));
        if (kind == icSetup) {
            p.setBrush(QColor(30, 60, 140));
            p.drawEllipse(QPointF(17, 6), 3, 3);
        }
        break;
    case icSave:
        p.setBrush(QColor(30, 60, 140));
        p.drawRect(QRectF(3.5, 3.5, 17, 17));
        page(QRectF(7.5, 3.5, 9, 6));
        page(QRectF(6.5, 13.5, 11, 7));
        break;
    case icLoad:
        p.setBrush(QColor(230, 190, 80));
        p.drawRect(QRectF(2.5, 7.5, 19, 12));
        p.drawRect(QRectF(2.5, 5.5, 7, 2));
        break;
    }
    return QIcon(pm);
}

double ScreenDpi(const QWidget *w) {
    return w->logicalDpiX() > 0 ? w->logicalDpiX() : 96.0;
}
} // namespace

// ---------------------------------------------------------------- page view

TQRPageView::TQRPageView(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PageView"));
    setAutoFillBackground(false);
}

QSizeF TQRPageView::PaperPixels() const {
    QSizeF mm = FStore ? FStore->PaperSize() : QSizeF(210, 297);
    const double dpi = ScreenDpi(this);
    return QSizeF(mm.width() / 25.4 * dpi, mm.height() / 25.4 * dpi);
}

QSize TQRPageView::sizeHint() const {
    QSizeF p = PaperPixels() * FZoom;
    return QSize(int(p.width()) + 2 * kPageGap, int(p.height()) + 2 * kPageGap);
}

void TQRPageView::SetPage(int index) {
    FPage = index;
    update();
}

void TQRPageView::SetZoom(double zoom) {
    FZoom = std::max(0.05, zoom);
    resize(sizeHint());
    update();
}

void TQRPageView::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), QColor(128, 128, 128));
    QSizeF size = PaperPixels() * FZoom;
    QRectF page(std::max<double>(kPageGap, (width() - size.width()) / 2), kPageGap, size.width(),
                size.height());
    p.fillRect(page.translated(3, 3), QColor(60, 60, 60));
    p.fillRect(page, Qt::white);
    if (FStore && FPage >= 0 && FPage < FStore->PageCount()) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setClipRect(page);
        FStore->PaintPage(p, FPage, page);
    }
}

// ---------------------------------------------------------------- preview window

TQRPreview::TQRPreview(TPageStore *store, TQuickRep *report, QWidget *parent)
    : QMainWindow(parent), FStore(store), FReport(report) {
    setObjectName(QStringLiteral("QRPreview"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(store ? store->Title() : QString());

    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setMovable(false);
    bar->setIconSize(QSize(24, 24));
    addToolBar(bar);

    FZoomGroup = new QActionGroup(this);
    FZoomGroup->setExclusive(true);
    auto zoom = [&](const QString &name, const QString &hint, TIconKind icon, TZoomMode mode) {
        QAction *a = AddAction(name, hint, MakeIcon(icon), [this, mode] { SetZoomMode(mode); });
        a->setCheckable(true);
        FZoomGroup->addAction(a);
        bar->addAction(a);
    };
    zoom(QStringLiteral("ZoomToFit"), QStringLiteral("Zoom to fit"), icFit, zmFit);
    zoom(QStringLiteral("Zoom100"), QStringLiteral("100%"), ic100, zm100);
    zoom(QStringLiteral("ZoomToWidth"), QStringLiteral("Zoom to width"), icWidth, zmWidth);
    bar->addSeparator();
    bar->addAction(AddAction(QStringLiteral("FirstPage"), QStringLiteral("First page"), MakeIcon(icFirst),
                             [this] { FirstPage(); }));
    bar->addAction(AddAction(QStringLiteral("PrevPage"), QStringLiteral("Previous page"), MakeIcon(icPrev),
                             [this] { PrevPage(); }));
    bar->addAction(AddAction(QStringLiteral("NextPage"), QStringLiteral("Next page"), MakeIcon(icNext),
                             [this] { NextPage(); }));
    bar->addAction(AddAction(QStringLiteral("LastPage"), QStringLiteral("Last page"), MakeIcon(icLast),
                             [this] { LastPage(); }));
    bar->addSeparator();
    bar->addAction(AddAction(QStringLiteral("PrintSetup"), QStringLiteral("Printer setup"), MakeIcon(icSetup),
                             [this] { PrinterSetup(); }));
    bar->addAction(
        AddAction(QStringLiteral("Print"), QStringLiteral("Print"), MakeIcon(icPrint), [this] { Print(); }));
    bar->addSeparator();
    bar->addAction(AddAction(QStringLiteral("SaveReport"), QStringLiteral("Save Report"), MakeIcon(icSave),
                             [this] { SaveReport(); }));
    bar->addAction(AddAction(QStringLiteral("LoadReport"), QStringLiteral("Load Report"), MakeIcon(icLoad),
                             [this] { LoadReport(); }));
    bar->addSeparator();
    auto *closeBtn = new QToolButton(bar);
    closeBtn->setObjectName(QStringLiteral("Exit"));
    closeBtn->setText(QStringLiteral("&Close"));
    closeBtn->setToolButtonStyle(Qt::ToolButtonTextOnly);
    closeBtn->setToolTip(QStringLiteral("&Close"));
    connect(closeBtn, &QToolButton::clicked, this, &QWidget::close);
    bar->addWidget(closeBtn);

    FScroll = new QScrollArea(this);
    FScroll->setObjectName(QStringLiteral("ScrollBox"));
    FScroll->setBackgroundRole(QPalette::Dark);
    FScroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    FScroll->setFocusPolicy(Qt::NoFocus);
    FView = new TQRPageView;
    FView->SetStore(store);
    FScroll->setWidget(FView);
    setCentralWidget(FScroll);
    FScroll->installEventFilter(this);

    FProgressPanel = new QLabel(this);
    FProgressPanel->setObjectName(QStringLiteral("ProgressPanel"));
    FProgressPanel->setMinimumWidth(60);
    FPagePanel = new QLabel(this);
    FPagePanel->setObjectName(QStringLiteral("PagePanel"));
    statusBar()->addWidget(FProgressPanel);
    statusBar()->addWidget(FPagePanel, 1);

    if (store) {
        connect(store, &TPageStore::PageAdded, this, [this] { PagesChanged(); });
        connect(store, &TPageStore::FinishedChanged, this, [this] { UpdateState(); });
    }
    Action(QStringLiteral("Zoom100"))->setChecked(true);
    ApplyZoom();
    PagesChanged();
}

TQRPreview::~TQRPreview() = default;

QAction *TQRPreview::AddAction(const QString &name, const QString &hint, const QIcon &icon,
                               const std::function<void()> &f) {
    auto *a = new QAction(icon, hint, this);
    a->setObjectName(name);
    a->setToolTip(hint);
    a->setStatusTip(QString());
    connect(a, &QAction::triggered, this, [f] { Application().Guard(f); });
    return a;
}

QAction *TQRPreview::Action(const QString &name) const {
    return findChild<QAction *>(name);
}

int TQRPreview::CurrentPage() const {
    if (!FStore || FStore->PageCount() == 0) return 0;
    return FView->PageIndex() + 1;
}

void TQRPreview::ShowPage(int page) {
    if (!FStore || FStore->PageCount() == 0) return;
    page = std::clamp(page, 1, FStore->PageCount());
    FView->SetPage(page - 1);
    FScroll->verticalScrollBar()->setValue(0);
    UpdateState();
}

void TQRPreview::FirstPage() {
    ShowPage(1);
}
void TQRPreview::PrevPage() {
    ShowPage(CurrentPage() - 1);
}
void TQRPreview::NextPage() {
    ShowPage(CurrentPage() + 1);
}
void TQRPreview::LastPage() {
    ShowPage(FStore ? FStore->PageCount() : 0);
}

void TQRPreview::SetZoomMode(TZoomMode mode) {
    FZoomMode = mode;
    const char *names[] = {"ZoomToFit", "Zoom100", "ZoomToWidth"};
    if (QAction *a = Action(QString::fromLatin1(names[mode]))) a->setChecked(true);
    ApplyZoom();
}

void TQRPreview::ApplyZoom() {
    const QSizeF paper = FView->PaperPixels();
    const QSize room = FScroll->maximumViewportSize() - QSize(2, 2);
    const int bar = FScroll->verticalScrollBar()->sizeHint().width();
    const QSize area = room - QSize(2 * kPageGap, 2 * kPageGap);
    double zoom = 1.0;
    if (FZoomMode == zmFit)
        zoom = std::min(area.width() / paper.width(), area.height() / paper.height());
    else if (FZoomMode == zmWidth)
        zoom = (area.width() - bar) / paper.width();
    FView->SetZoom(zoom);
    // The view fills what the page leaves free, so the grey surround is one piece
    // and no scroll bar shows that is not needed.
    const QSize hint = FView->sizeHint();
    const bool vbar = hint.height() > room.height();
    const bool hbar = hint.width() > room.width() - (vbar ? bar : 0);
    FView->resize(std::max(hint.width(), room.width() - (vbar ? bar : 0)),
                  std::max(hint.height(), room.height() - (hbar ? bar : 0)));
}

void TQRPreview::resizeEvent(QResizeEvent *e) {
    QMainWindow::resizeEvent(e);
    ApplyZoom();
}

bool TQRPreview::eventFilter(QObject *watched, QEvent *e) {
    // The page area gets its size after the window's own resize: fit again then.
    if (watched == FScroll && e->type() == QEvent::Resize) ApplyZoom();
    return QMainWindow::eventFilter(watched, e);
}

void TQRPreview::PagesChanged() {
    if (FStore && FStore->PageCount() > 0 && FView->PageIndex() >= FStore->PageCount()) FView->SetPage(0);
    FView->update();
    UpdateState();
}

void TQRPreview::UpdateState() {
    const int count = FStore ? FStore->PageCount() : 0;
    FPagePanel->setText(PageText());
    const bool finished = FStore && FStore->Finished();
    const bool running = (FReport && FReport->Running()) || FPrinting;
    Action(QStringLiteral("PrintSetup"))->setEnabled(finished && !running && !FLoaded && FReport);
    Action(QStringLiteral("Print"))->setEnabled(finished && !running && count > 0);
    Action(QStringLiteral("SaveReport"))->setEnabled(finished && count > 0);
    Action(QStringLiteral("LoadReport"))->setEnabled(!running);
    const int cur = CurrentPage();
    Action(QStringLiteral("FirstPage"))->setEnabled(cur > 1);
    Action(QStringLiteral("PrevPage"))->setEnabled(cur > 1);
    Action(QStringLiteral("NextPage"))->setEnabled(cur < count);
    Action(QStringLiteral("LastPage"))->setEnabled(cur < count);
}

QString TQRPreview::PageText() const {
    const int count = FStore ? FStore->PageCount() : 0;
    return QStringLiteral("Page %1 of %2").arg(CurrentPage()).arg(count);
}

void TQRPreview::SetProgress(int percent) {
    if (percent <= 0 || percent >= 100) {
        FProgressShown = 0;
        FProgressPanel->clear();
        return;
    }
    // Redrawing the panel for every record would slow long runs down.
    if (percent - FProgressShown < 5) return;
    FProgressShown = percent;
    FProgressPanel->setText(QString::number(percent) + QLatin1Char('%'));
}

QString TQRPreview::ProgressText() const {
    return FProgressPanel->text();
}

void TQRPreview::PrinterSetup() {
    if (!FReport || FLoaded || !FStore) return;
    // The dialog edits the report's own printer: Cancel leaves it as it was.
    PrintSetupDialog(this, FReport->Printer(), 1, std::max(1, FStore->PageCount()));
}

void TQRPreview::Print() {
    if (!FStore || !FStore->Finished()) return;
    if (FLoaded || !FReport) {
        if (!FReport) {
            QPrinter printer(QPrinter::HighResolution);
            PrintPages(*FStore, printer);
        } else {
            PrintPages(*FStore, FReport->Printer());
        }
        return;
    }
    // No second print, setup or load while this one runs its records.
    FPrinting = true;
    UpdateState();
    const kadrolin::TScopeExit done([this] {
        FPrinting = false;
        UpdateState();
    });
    PrintReport(*FReport);
}

void TQRPreview::SaveReport() {
    if (!FStore || FStore->PageCount() == 0) return;
    QString name;
    if (!SaveFileDialog(this, QStringLiteral("PDF files (*.pdf)"), name, QStringLiteral("Save report")))
        return;
    if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".pdf");
    SaveReportPdf(*FStore, name);
}

void TQRPreview::LoadReport() {
    if (!FStore || (FReport && FReport->Running())) return;
    QString name;
    if (!OpenFileDialog(this, QStringLiteral("PDF files (*.pdf);;All files (*)"), 0, name,
                        QStringLiteral("Load report")))
        return;
    LoadReportPdf(*FStore, name);
    FLoaded = true;
    ShowPage(1);
}

void TQRPreview::keyPressEvent(QKeyEvent *e) {
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    std::function<void()> f;
    switch (e->key()) {
    case Qt::Key_Escape:
        f = [this] { close(); };
        break;
    case Qt::Key_PageUp:
        f = ctrl ? std::function<void()>([this] { FirstPage(); }) : [this] { PrevPage(); };
        break;
    case Qt::Key_PageDown:
        f = ctrl ? std::function<void()>([this] { LastPage(); }) : [this] { NextPage(); };
        break;
    case Qt::Key_Home:
        f = [this] { FirstPage(); };
        break;
    case Qt::Key_End:
        f = [this] { LastPage(); };
        break;
    default:
        QMainWindow::keyPressEvent(e);
        return;
    }
    e->accept();
    Application().Guard(f);
}

void TQRPreview::closeEvent(QCloseEvent *e) {
    // Closing during the run cancels it after the current record.
    if (FReport && FReport->Running()) FReport->Cancel();
    e->accept();
    if (!FClosed) {
        FClosed = true;
        emit Closed();
    }
}

// ---------------------------------------------------------------- printing

bool PrinterAvailable(const QPrinter &printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) return true;
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

namespace {
// Sends only the pages inside the printer's range; the others are produced and dropped.
class TPrinterCanvas : public TReportCanvas {
  public:
    explicit TPrinterCanvas(QPrinter &printer) : FPrinter(printer) {
        if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
            FFrom = printer.fromPage();
            FTo = printer.toPage() > 0 ? printer.toPage() : INT_MAX;
        }
    }
    ~TPrinterCanvas() override { End(); }
    bool End() {
        FCanvas.reset();
        return FPainter.isActive() ? FPainter.end() : true;
    }
    int Sent() const { return FSent; }

    void BeginPage() override {
        ++FPage;
        FCanvas.reset();
        if (FPage < FFrom || FPage > FTo) return;
        if (!FPainter.isActive()) {
            if (!FPainter.begin(&FPrinter)) throw std::runtime_error("Printing could not start");
        } else {
            FPrinter.newPage();
        }
        ++FSent;
        FCanvas = std::make_unique<TPainterCanvas>(FPainter, FPrinter.logicalDpiX(), FPrinter.logicalDpiY());
        FCanvas->BeginPage();
    }
    void EndPage() override { FCanvas.reset(); }
    void FillRect(const QRectF &r, const QColor &c) override {
        if (FCanvas) FCanvas->FillRect(r, c);
    }
    void DrawShape(const QRectF &r) override {
        if (FCanvas) FCanvas->DrawShape(r);
    }
    void DrawText(const QRectF &b, const QString &t, const TQRFont &f, bool o) override {
        if (FCanvas) FCanvas->DrawText(b, t, f, o);
    }

  private:
    QPrinter &FPrinter;
    QPainter FPainter;
    std::unique_ptr<TPainterCanvas> FCanvas;
    int FPage = 0, FSent = 0, FFrom = 1, FTo = INT_MAX;
};
} // namespace

void PrintReport(TQuickRep &report) {
    QPrinter &printer = report.Printer();
    if (!PrinterAvailable(printer)) return;
    printer.setDocName(report.ReportTitle);
    printer.setFullPage(true);

    TQRPrintProgress progress;
    progress.show();
    QObject::connect(&progress, &TQRPrintProgress::CancelClicked, &report, [&report] { report.Cancel(); });

    // The page follows the printer's paper and orientation for this run.
    const TQRPageSetup saved = report.Page;
    const QRectF paper = printer.pageLayout().fullRect(QPageLayout::Millimeter);
    report.Page.Width = paper.width();
    report.Page.Length = paper.height();
    auto savedProgress = report.OnProgress;
    report.OnProgress = [&progress](int p) { progress.SetProgress(p); };
    const kadrolin::TScopeExit restore([&report, saved, savedProgress] {
        report.Page = saved;
        report.OnProgress = savedProgress;
    });

    TPrinterCanvas canvas(printer);
    report.Run(canvas);
    // A cancelled run still prints what it produced.
    if (!canvas.End()) throw std::runtime_error("Printing failed");
}

void PrintPages(const TPageStore &store, QPrinter &printer) {
    if (!PrinterAvailable(printer) || store.PageCount() == 0) return;
    printer.setDocName(store.Title());
    printer.setFullPage(true);
    int from = 1, to = store.PageCount();
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = printer.fromPage();
        if (printer.toPage() > 0) to = std::min(to, printer.toPage());
    }
    QPainter painter;
    bool first = true;
    for (int i = from; i <= to; ++i) {
        if (first) {
            if (!painter.begin(&printer)) throw std::runtime_error("Printing could not start");
            first = false;
        } else {
            printer.newPage();
        }
        const QRectF full = printer.pageLayout().fullRectPixels(printer.resolution());
        store.PaintPage(painter, i - 1, full);
    }
    if (painter.isActive() && !painter.end()) throw std::runtime_error("Printing failed");
}

// ---------------------------------------------------------------- preview operation

void TQuickRep::Preview() {
    FSinceEvents.invalidate();
    if (ProcessEvents) ProcessEvents();
    // Made before the store, so it runs after the store is gone.
    const kadrolin::TScopeExit giveBack([] { ReturnFreedMemory(); });
    // The store outlives its window: the window may go while the run draws.
    auto storeOwner = std::make_unique<TPageStore>();
    TPageStore *store = storeOwner.get();
    store->SetTitle(ReportTitle);
    store->SetPaperSize(QSizeF(Page.Width, Page.Length));
    QPointer<TQRPreview> preview = new TQRPreview(store, this);
    bool closed = false;
    QEventLoop loop;
    QObject::connect(preview, &TQRPreview::Closed, &loop, [&] {
        closed = true;
        loop.quit();
    });
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &loop, [&] {
        closed = true;
        loop.quit();
    });
    const kadrolin::TScopeExit cleanup([&preview] { delete preview.data(); });

    // Without a window manager nothing maximises a window: start it with the
    // whole screen so it looks the same either way.
    if (QScreen *screen = preview->screen()) preview->setGeometry(screen->availableGeometry());
    preview->showMaximized();
    if (TQRPreview::OnOpened) TQRPreview::OnOpened(preview);
    if (closed) return;

    const auto restore = kadrolin::ResetOnExit(OnProgress, OnProgress);
    OnProgress = [&preview](int p) {
        if (preview) preview->SetProgress(p);
    };

    Run(*store);
    if (Cancelled() || closed || !preview) return;
    store->SetFinished(true);
    preview->SetProgress(100);

    if (TQRPreview::OnWaiting) TQRPreview::OnWaiting(preview);
    if (!closed && preview && !Application().Terminated()) loop.exec();
}
