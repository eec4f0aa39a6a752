#pragma once
// The preview window of a report run: pages appear as they are finished,
// with zoom, page navigation, printer setup, print, save and load.
#include <QMainWindow>
#include <QPointer>
#include <functional>

class QAction;
class QActionGroup;
class QLabel;
class QPrinter;
class QScrollArea;
class QToolButton;
class TPageStore;
class TQuickRep;

class TQRPageView : public QWidget {
    Q_OBJECT
  public:
    explicit TQRPageView(QWidget *parent = nullptr);
    void SetStore(TPageStore *store) { FStore = store; }
    void SetPage(int index);
    int PageIndex() const { return FPage; }
    void SetZoom(double zoom); // 1.0 = the paper's real size on this screen
    double Zoom() const { return FZoom; }
    // Size of the paper at 100 % on this screen, in pixels.
    QSizeF PaperPixels() const;
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent *) override;

  private:
    TPageStore *FStore = nullptr;
    int FPage = 0;
    double FZoom = 1.0;
};

class TQRPreview : public QMainWindow {
    Q_OBJECT
  public:
    enum TZoomMode { zmFit, zm100, zmWidth };
    // report may be null (a loaded report only); neither is owned.
    TQRPreview(TPageStore *store, TQuickRep *report, QWidget *parent = nullptr);
    ~TQRPreview() override;

    int CurrentPage() const; // 1-based; 0 when there is none
    void ShowPage(int page); // 1-based, clamped
    void FirstPage();
    void PrevPage();
    void NextPage();
    void LastPage();
    void SetZoomMode(TZoomMode mode);
    TZoomMode ZoomMode() const { return FZoomMode; }
    TQRPageView *PageView() const { return FView; }

    // Progress figure of the run (0..100).
    void SetProgress(int percent);
    QString ProgressText() const;
    QString PageText() const;

    void PrinterSetup();
    void Print();
    void SaveReport();
    void LoadReport();
    bool Loaded() const { return FLoaded; }

    QAction *Action(const QString &name) const;

    // Called with every preview when its report has been run and the command
    // starts waiting for it to close (tests close it from here).
    static std::function<void(TQRPreview *)> OnWaiting;
    // Called with every preview right after it opens, before the run.
    static std::function<void(TQRPreview *)> OnOpened;

  signals:
    void Closed();

  protected:
    void closeEvent(QCloseEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

  private:
    QAction *AddAction(const QString &name, const QString &hint, const QIcon &icon,
                       const std::function<void()> &f);
    void UpdateState();
    void PagesChanged();
    void ApplyZoom();

    QPointer<TPageStore> FStore;
    QPointer<TQuickRep> FReport;
    TQRPageView *FView = nullptr;
    QScrollArea *FScroll = nullptr;
    QLabel *FProgressPanel = nullptr;
    QLabel *FPagePanel = nullptr;
    QActionGroup *FZoomGroup = nullptr;
    TZoomMode FZoomMode = zm100;
    int FProgressShown = 0;
    bool FLoaded = false;
    bool FClosed = false;
    bool FPrinting = false;
};

// Runs the report a second time straight to its printer, with the
// "Printing progress" window; pages outside the printer's range are produced
// but not sent. Does nothing when no printer is installed and the printer
// does not write to a file.
void PrintReport(TQuickRep &report);
// Prints prepared pages as they are.
void PrintPages(const TPageStore &store, QPrinter &printer);
// True when the printer can take a job: an installed printer, or file output.
bool PrinterAvailable(const QPrinter &printer);
