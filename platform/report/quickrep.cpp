#include "platform/report/quickrep.h"

#include "platform/scopeexit.h"

#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <QPrinter>
#include <cmath>

int TQRBand::HeightTenths() const {
    return int(std::lround(Height * 10));
}

TQRElement QRLabel(const QString &name, const QString &caption, double left, double top, double height,
                   TQRFont font, TQRAlignment align, bool transparent) {
    TQRElement e;
    e.Name = name;
    e.Kind = TQRElementKind::Label;
    e.Text = caption;
    e.Left = left;
    e.Top = top;
    e.Height = height;
    e.Font = font;
    e.Alignment = align;
    e.Transparent = transparent;
    return e;
}

TQRElement QRDBText(const QString &name, const QString &field, double left, double top, double height,
                    TQRFont font) {
    TQRElement e = QRLabel(name, field, left, top, height, font);
    e.Kind = TQRElementKind::DBText;
    return e;
}

TQRElement QRSysData(const QString &name, TQRElementKind kind, double left, double top, double height,
                     TQRFont font, TQRAlignment align) {
    TQRElement e = QRLabel(name, QString(), left, top, height, font, align);
    e.Kind = kind;
    return e;
}

TQRElement QRShape(const QString &name, double left, double top, double width, double height) {
    TQRElement e;
    e.Name = name;
    e.Kind = TQRElementKind::Shape;
    e.Left = left;
    e.Top = top;
    e.Width = width;
    e.Height = height;
    return e;
}

TQuickRep::TQuickRep(QObject *parent) : QObject(parent) {
    DateText = [] { return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat); };
    ProcessEvents = [this] { LetEventsRun(); };
}

void TQuickRep::LetEventsRun() {
    if (FSinceEvents.isValid() && FSinceEvents.elapsed() < FEventsGapMs) return;
    // What is painted now must be the row the run stands on.
    if (DataSet) DataSet->Sync();
    QElapsedTimer cost;
    cost.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    constexpr qint64 kFrameMs = 16;
    FEventsGapMs = std::max(kFrameMs, 4 * cost.elapsed());
    FSinceEvents.restart();
}

TQuickRep::~TQuickRep() = default;

QPrinter &TQuickRep::Printer() {
    if (!FPrinter) {
        FPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        FPrinter->setPageSize(QPageSize(QPageSize::A4));
        FPrinter->setPageOrientation(QPageLayout::Portrait);
        FPrinter->setFullPage(true);
        FPrinter->setCopyCount(1);
        FPrinter->setDocName(ReportTitle);
    }
    return *FPrinter;
}

const TQRBand *TQuickRep::FindBand(TQRBandType type) const {
    for (const auto &b : Bands)
        if (b.Type == type) return &b;
    return nullptr;
}

const TQRElement *TQuickRep::FindElement(const QString &name) const {
    for (const auto &b : Bands)
        for (const auto &e : b.Elements)
            if (e.Name == name) return &e;
    for (const auto &e : PageElements)
        if (e.Name == name) return &e;
    return nullptr;
}

void TQuickRep::Run(TReportCanvas &canvas) {
    if (FRunning) throw std::runtime_error("Report is already running");
    FCanvas = &canvas;
    FRunning = true;
    FCancelled = false;
    FPageOpen = false;
    FPageCount = 0;
    FPosition = 0;
    FDate = DateText ? DateText() : QString();
    FSinceEvents.invalidate();
    const kadrolin::TScopeExit end([this] {
        // An error mid-run still closes the page it was drawing.
        if (FPageOpen) FinishPage();
        // The controls end on the row where the run ended, completed or not.
        try {
            if (DataSet) DataSet->Sync();
        } catch (...) {
        }
        FRunning = false;
        FCanvas = nullptr;
    });

    if (const TQRBand *title = FindBand(TQRBandType::Title)) PrintBand(*title);
    const TQRBand *detail = FindBand(TQRBandType::Detail);
    const TQRBand *header = FindBand(TQRBandType::ColumnHeader);
    if (!DataSet) throw std::runtime_error("No data set assigned to the report");
    DataSet->First();
    if (DataSet->Eof()) {
        // Print when empty: one detail band with its data texts blank.
        if (detail) PrintBand(*detail, true);
    } else {
        if (header) PrintBand(*header);
        int done = 0;
        while (!DataSet->Eof()) {
            if (detail) PrintBand(*detail);
            DataSet->Next();
            ++done;
            if (OnProgress) {
                const int count = DataSet->RecordCount();
                // The user may shrink the query during the run: never divide by
                // zero nor report more than done.
                OnProgress(count > 0 ? std::min(100, done * 100 / count) : 100);
            }
            if (ProcessEvents) ProcessEvents();
            if (FCancelled) break;
        }
    }
    if (FPageOpen) FinishPage();
}

void TQuickRep::PrintBand(const TQRBand &band, bool empty) {
    const int h = band.HeightTenths();
    const int pageBottom = int(std::lround((Page.Length - Page.BottomMargin) * 10));
    if (!FPageOpen || pageBottom - FPosition < h) NewPage();
    const double left = Page.LeftMargin * 10;
    FCanvas->FillRect(QRectF(left, FPosition, Page.BandWidth * 10, h), band.Color);
    for (const auto &e : band.Elements)
        DrawElement(e, left, FPosition, empty);
    FPosition += h;
}

void TQuickRep::NewPage() {
    if (FPageOpen) FinishPage();
    ++FPageCount;
    FCanvas->BeginPage();
    FPageOpen = true;
    FPosition = int(std::lround(Page.TopMargin * 10));
    if (FPageCount > 1)
        if (const TQRBand *header = FindBand(TQRBandType::ColumnHeader)) PrintBand(*header);
}

void TQuickRep::FinishPage() {
    FPageOpen = false;
    for (const auto &e : PageElements)
        DrawElement(e, 0, 0, false);
    FCanvas->EndPage();
}

QString TQuickRep::ElementText(const TQRElement &e, bool empty) const {
    switch (e.Kind) {
    case TQRElementKind::Label:
        return e.Text;
    case TQRElementKind::DBText:
        if (empty || !DataSet) return {};
        return QString::fromStdString(DataSet->FieldText(e.Text.toStdString()));
    case TQRElementKind::SysDate:
        return FDate;
    case TQRElementKind::SysPageNumber:
        return QString::number(FPageCount);
    case TQRElementKind::Shape:
        break;
    }
    return {};
}

void TQuickRep::DrawElement(const TQRElement &e, double x, double y, bool empty) {
    const double top = y + e.Top * 10;
    if (e.Kind == TQRElementKind::Shape) {
        FCanvas->DrawShape(QRectF(x + e.Left * 10, top, e.Width * 10, e.Height * 10));
        return;
    }
    const QString text = ElementText(e, empty);
    const double w = TextWidth(text, e.Font);
    double left = x + e.Left * 10;
    if (e.Alignment == TQRAlignment::Right)
        left -= w;
    else if (e.Alignment == TQRAlignment::Center)
        left -= w / 2;
    FCanvas->DrawText(QRectF(left, top, w, e.Height * 10), text, e.Font, !e.Transparent);
}
