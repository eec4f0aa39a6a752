#pragma once
// A banded report: page setup, a title band, an optional column header band,
// a detail band printed once per row, and page elements drawn on every page
// after its bands. Geometry is given in millimetres and laid out in tenths of
// a millimetre, the print position always a whole number of tenths.
#include "platform/report/canvas.h"
#include "platform/report/dataset.h"

#include <QColor>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPrinter;

enum class TQRElementKind { Label, DBText, SysDate, SysPageNumber, Shape };
enum class TQRAlignment { Left, Right, Center };

struct TQRElement {
    QString Name;
    TQRElementKind Kind = TQRElementKind::Label;
    QString Text;         // caption of a label; column name of a data text
    double Left = 0;      // mm; the right edge of a right-aligned element, the centre of a centred one
    double Top = 0;       // mm
    double Width = 0;     // mm, shapes only: text elements are as wide as their text
    double Height = 4.50; // mm
    TQRFont Font;
    TQRAlignment Alignment = TQRAlignment::Left;
    bool Transparent = false;
};

enum class TQRBandType { Title, ColumnHeader, Detail };

struct TQRBand {
    QString Name;
    TQRBandType Type = TQRBandType::Detail;
    double Height = 0; // mm
    QColor Color = Qt::white;
    std::vector<TQRElement> Elements;

    // Height in whole tenths of a millimetre, as pagination counts it.
    int HeightTenths() const;
};

struct TQRPageSetup {
    double Width = 210, Length = 297; // A4 portrait
    double TopMargin = 10, BottomMargin = 10, LeftMargin = 10, RightMargin = 10;
    double BandWidth = 189.97; // printable width as the designer stores it
};

// Helpers that keep element tables short.
TQRElement QRLabel(const QString &name, const QString &caption, double left, double top, double height,
                   TQRFont font, TQRAlignment align = TQRAlignment::Left, bool transparent = false);
TQRElement QRDBText(const QString &name, const QString &field, double left, double top, double height,
                    TQRFont font);
TQRElement QRSysData(const QString &name, TQRElementKind kind, double left, double top, double height,
                     TQRFont font, TQRAlignment align = TQRAlignment::Left);
TQRElement QRShape(const QString &name, double left, double top, double width, double height);

class TQuickRep : public QObject {
    Q_OBJECT
  public:
    explicit TQuickRep(QObject *parent = nullptr);
    ~TQuickRep() override;

    QString ReportTitle;
    TQRPageSetup Page;
    std::vector<TQRBand> Bands;
    std::vector<TQRElement> PageElements;
    TReportDataSet *DataSet = nullptr; // not owned

    // Text of the date elements; the system's short date by default.
    std::function<QString()> DateText;
    // Called once per record to let pending events run. The default runs them
    // at most once a frame (LetEventsRun), so painting never costs the run
    // more than a fifth of its time.
    std::function<void()> ProcessEvents;
    // Progress figure after each record: records done * 100 / record count.
    std::function<void(int)> OnProgress;

    // Runs the report onto the canvas. Data errors end the run and propagate;
    // the page being drawn is finished first, so the canvas is never left open.
    void Run(TReportCanvas &canvas);
    // Stops a running report after its current record.
    void Cancel() { FCancelled = true; }
    bool Running() const { return FRunning; }
    bool Cancelled() const { return FCancelled; }
    int PageCount() const { return FPageCount; }
    int PrintPosition() const { return FPosition; }

    // Printer settings of this report: the system's default printer, one copy,
    // all pages, portrait, A4. Printer setup in the preview changes them.
    QPrinter &Printer();

    // The preview operation: opens a preview window, runs the report into its
    // page store and waits, letting events run, until the preview is closed.
    void Preview();

    const TQRBand *FindBand(TQRBandType type) const;
    // Finds an element of any band or of the page by its name.
    const TQRElement *FindElement(const QString &name) const;

    // Shows the data set's current row and runs pending events, unless the
    // last time was less than a frame ago (or less than four times what it cost).
    void LetEventsRun();

  private:
    void PrintBand(const TQRBand &band, bool empty = false);
    void NewPage();
    void FinishPage();
    void DrawElement(const TQRElement &e, double x, double y, bool empty);
    QString ElementText(const TQRElement &e, bool empty) const;

    TReportCanvas *FCanvas = nullptr;
    QString FDate;
    bool FRunning = false;
    bool FCancelled = false;
    bool FPageOpen = false;
    int FPageCount = 0;
    int FPosition = 0;
    std::unique_ptr<QPrinter> FPrinter;
    QElapsedTimer FSinceEvents;
    qint64 FEventsGapMs = 0;
};
