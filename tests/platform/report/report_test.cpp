// The engine on its own: placement rules, runs that fail, are cancelled or
// see their rows move, the page store, saved reports and the preview window.
#include "platform/report/pagestore.h"
#include "platform/report/preview.h"
#include "platform/report/printprogress.h"
#include "platform/report/quickrep.h"
#include "platform/widgets/dialogs.h"
#include "tests/platform/report/recordingcanvas.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>
#include <poppler/qt6/poppler-qt6.h>

namespace {
const TQRFont kFont{9, false, Qt::black};

std::vector<TMemoryDataSet::TRow> MakeRows(int n) {
    std::vector<TMemoryDataSet::TRow> rows;
    for (int i = 1; i <= n; ++i)
        rows.push_back({{"Name", "Row " + std::to_string(i)}});
    return rows;
}

// A one-column list: title 10 mm, header 5 mm, detail 5.8 mm, page number at the foot.
void Define(TQuickRep &rep) {
    rep.ReportTitle = QStringLiteral("Test list");
    TQRBand title{QStringLiteral("Title"), TQRBandType::Title, 10.0, Qt::white, {}};
    title.Elements = {
        QRLabel(QStringLiteral("L1"), QStringLiteral("Heading"), 50, 1, 5.29, {12, true, Qt::black})};
    TQRBand header{QStringLiteral("Header"), TQRBandType::ColumnHeader, 5.03, Qt::black, {}};
    header.Elements = {QRLabel(QStringLiteral("H1"), QStringLiteral("Name"), 10, 0.79, 4.5,
                               {9, true, Qt::white}, TQRAlignment::Left, true)};
    TQRBand detail{QStringLiteral("Detail"), TQRBandType::Detail, 5.82, Qt::white, {}};
    detail.Elements = {QRDBText(QStringLiteral("D1"), QStringLiteral("Name"), 10, 0.53, 4.5, kFont)};
    rep.Bands = {title, header, detail};
    rep.PageElements = {
        QRSysData(QStringLiteral("P1"), TQRElementKind::SysPageNumber, 186.27, 285.75, 4.5, kFont)};
    rep.DateText = [] { return QStringLiteral("01.02.2026"); };
    rep.ProcessEvents = nullptr;
}

// Rows whose reading fails from a given row on, as a closed query does.
class TFailingData : public TMemoryDataSet {
  public:
    TFailingData(int n, size_t failAt) : TMemoryDataSet(MakeRows(n)), FFailAt(failAt) {}
    std::string FieldText(const std::string &name) const override {
        if (Position() >= FFailAt) throw std::runtime_error("Dataset not in edit or insert mode");
        return TMemoryDataSet::FieldText(name);
    }
    size_t FFailAt;
};

// A record count that reads 0 while rows remain (the user emptied the query).
class TZeroCountData : public TMemoryDataSet {
  public:
    using TMemoryDataSet::TMemoryDataSet;
    int RecordCount() const override { return 0; }
};

int NamesOn(const TRecordingCanvas &c, int page) {
    return int(
        c.Find(page, [](const TDrawOp &op) { return op.Text.startsWith(QStringLiteral("Row ")); }).size());
}

// Fails the test and closes every preview if one is left waiting.
struct TSafety {
    QTimer Timer;
    bool Fired = false;
    explicit TSafety(int ms = 20000) {
        Timer.setSingleShot(true);
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            Fired = true;
            for (QWidget *w : QApplication::topLevelWidgets())
                if (qobject_cast<TQRPreview *>(w)) w->close();
        });
        Timer.start(ms);
    }
    ~TSafety() { EXPECT_FALSE(Fired) << "a preview was left open"; }
};

struct THooks {
    THooks() = default;
    ~THooks() {
        TQRPreview::OnOpened = nullptr;
        TQRPreview::OnWaiting = nullptr;
    }
};
} // namespace

TEST(Engine, TextElementsAnchorAndSizeByTheirText) {
    struct {
        TQRAlignment Align;
        const char *Text;
    } cases[] = {{TQRAlignment::Left, "x"},   {TQRAlignment::Left, "A much longer caption"},
                 {TQRAlignment::Right, "x"},  {TQRAlignment::Right, "A much longer caption"},
                 {TQRAlignment::Center, "x"}, {TQRAlignment::Center, "A much longer caption"}};
    for (const auto &c : cases) {
        TMemoryDataSet data;
        TQuickRep rep;
        rep.ProcessEvents = nullptr;
        rep.DataSet = &data;
        TQRBand title{QStringLiteral("T"), TQRBandType::Title, 10, Qt::white, {}};
        title.Elements = {
            QRLabel(QStringLiteral("L"), QString::fromLatin1(c.Text), 100, 2, 4.5, kFont, c.Align)};
        rep.Bands = {title};
        TRecordingCanvas canvas;
        rep.Run(canvas);
        TDrawOp op = canvas.Texts(0, QString::fromLatin1(c.Text)).at(0);
        const double w = TextWidth(op.Text, kFont);
        EXPECT_GT(w, 0);
        EXPECT_TRUE(Near(op.Rect.width(), w));
        const double anchor = 100 + 1000; // left margin + position
        const double at = c.Align == TQRAlignment::Left    ? op.Rect.left()
                          : c.Align == TQRAlignment::Right ? op.Rect.right()
                                                           : op.Rect.center().x();
        EXPECT_TRUE(Near(at, anchor)) << c.Text << " " << at;
        EXPECT_TRUE(Near(op.Rect.top(), 120));
    }
    // Wider text, wider box; a bold font is wider than a regular one.
    EXPECT_GT(TextWidth(QStringLiteral("WWWW"), kFont), TextWidth(QStringLiteral("iiii"), kFont));
    EXPECT_GT(TextWidth(QStringLiteral("Adı Soyadı"), {9, true, Qt::black}),
              TextWidth(QStringLiteral("Adı Soyadı"), kFont));
    EXPECT_EQ(TextWidth(QString(), kFont), 0);
    // Arial is matched by its metric twin, so widths agree with the design.
    EXPECT_EQ(QFontInfo(ReportFont(kFont)).family(), QStringLiteral("Liberation Sans"));
    EXPECT_TRUE(QFontInfo(ReportFont({9, true, Qt::black})).bold());
}

TEST(Engine, PaginationFollowsTheSpaceLeft) {
    // 2870 - 100 - 100 - 50 = 2620 on page 1: 45 lines of 58; later pages 46.
    struct {
        int Rows;
        std::vector<int> PerPage;
    } cases[] = {{0, {0}}, {1, {1}}, {45, {45}}, {46, {45, 1}}, {91, {45, 46}}, {92, {45, 46, 1}}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Rows);
        TMemoryDataSet data(MakeRows(c.Rows));
        TQuickRep rep;
        Define(rep);
        rep.DataSet = &data;
        TRecordingCanvas canvas;
        rep.Run(canvas);
        ASSERT_EQ(canvas.Pages.size(), c.PerPage.size());
        EXPECT_EQ(canvas.Begins, canvas.Ends);
        for (size_t p = 0; p < c.PerPage.size(); ++p) {
            EXPECT_EQ(NamesOn(canvas, int(p)), c.PerPage[p]);
            // Header band first on later pages, at the top margin.
            if (p > 0) {
                ASSERT_FALSE(canvas.Pages[p].empty());
                EXPECT_EQ(canvas.Pages[p][0].Color, QColor(Qt::black));
                EXPECT_TRUE(Near(canvas.Pages[p][0].Rect.top(), 100));
            }
            EXPECT_EQ(canvas.Pages[p].back().Text, QString::number(p + 1));
        }
        // Empty: no header at all.
        if (c.Rows == 0) {
            EXPECT_TRUE(canvas.Texts(0, QStringLiteral("Name")).empty());
        }
        EXPECT_FALSE(rep.Running());
    }
}

TEST(Engine, ErrorsEndTheRunWithThePageClosed) {
    TFailingData data(60, 50);
    TQuickRep rep;
    Define(rep);
    rep.DataSet = &data;
    TRecordingCanvas canvas;
    try {
        rep.Run(canvas);
        FAIL() << "no error";
    } catch (const std::runtime_error &e) {
        EXPECT_STREQ(e.what(), "Dataset not in edit or insert mode");
    }
    EXPECT_FALSE(rep.Running());
    EXPECT_FALSE(canvas.Open);
    EXPECT_EQ(canvas.Begins, canvas.Ends);
    EXPECT_EQ(canvas.Pages.size(), 2u);
    EXPECT_EQ(canvas.Pages.back().back().Text, QStringLiteral("2"));
    // The report can run again afterwards.
    TMemoryDataSet good(MakeRows(3));
    rep.DataSet = &good;
    TRecordingCanvas again;
    rep.Run(again);
    EXPECT_EQ(NamesOn(again, 0), 3);
}

TEST(Engine, CancelStopsAfterTheCurrentRecord) {
    TMemoryDataSet data(MakeRows(100));
    TQuickRep rep;
    Define(rep);
    rep.DataSet = &data;
    int records = 0;
    rep.ProcessEvents = [&] {
        if (++records == 50) rep.Cancel();
    };
    TRecordingCanvas canvas;
    rep.Run(canvas);
    EXPECT_TRUE(rep.Cancelled());
    ASSERT_EQ(canvas.Pages.size(), 2u);
    EXPECT_EQ(NamesOn(canvas, 0) + NamesOn(canvas, 1), 50);
    EXPECT_EQ(canvas.Pages.back().back().Text, QStringLiteral("2")); // the page is finished
    EXPECT_EQ(data.Position(), 50u);                                 // where the run stopped
}

TEST(Engine, RowsMovedDuringTheRunArePrintedAsTheyCome) {
    TMemoryDataSet data(MakeRows(10));
    TQuickRep rep;
    Define(rep);
    rep.DataSet = &data;
    int records = 0;
    // The user jumps to row 8 right after row 3 was printed.
    rep.ProcessEvents = [&] {
        if (++records == 3) data.MoveTo(7);
    };
    TRecordingCanvas canvas;
    rep.Run(canvas);
    std::vector<QString> names;
    for (const auto &op : canvas.Pages[0])
        if (op.Text.startsWith(QStringLiteral("Row "))) names.push_back(op.Text);
    EXPECT_EQ(names, (std::vector<QString>{QStringLiteral("Row 1"), QStringLiteral("Row 2"),
                                           QStringLiteral("Row 3"), QStringLiteral("Row 8"),
                                           QStringLiteral("Row 9"), QStringLiteral("Row 10")}));
}

TEST(Engine, ProgressNeverDividesByZero) {
    TZeroCountData data(MakeRows(3));
    TQuickRep rep;
    Define(rep);
    rep.DataSet = &data;
    std::vector<int> seen;
    rep.OnProgress = [&](int p) { seen.push_back(p); };
    TRecordingCanvas canvas;
    rep.Run(canvas);
    EXPECT_EQ(seen, (std::vector<int>{100, 100, 100}));
}

TEST(PageStore, PagesAppearAsTheyAreFinished) {
    TMemoryDataSet data(MakeRows(100));
    TQuickRep rep;
    Define(rep);
    rep.DataSet = &data;
    TPageStore store;
    std::vector<int> countsSeenAtRecord;
    int records = 0;
    rep.ProcessEvents = [&] {
        ++records;
        if (records == 1 || records == 46 || records == 92) countsSeenAtRecord.push_back(store.PageCount());
    };
    rep.Run(store);
    // Page 1 is viewable once the 46th line started page 2.
    EXPECT_EQ(countsSeenAtRecord, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(store.PageCount(), 3);
    EXPECT_GT(store.MemoryUsed(), 0u);
    // A page plays back as the run drew it: black header bar under the heading.
    QImage img(794, 1123, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        store.PaintPage(p, 0, QRectF(0, 0, 794, 1123));
    }
    const int barY = int((206 + 25) / 254.0 * 96), barX = int(100 / 254.0 * 96) + 200;
    EXPECT_EQ(QColor(img.pixel(barX, barY)), QColor(Qt::black));
    EXPECT_EQ(QColor(img.pixel(barX, int(150 / 254.0 * 96))), QColor(Qt::white));
    store.Clear();
    EXPECT_EQ(store.PageCount(), 0);
}

TEST(SavedReport, RoundTripAndBadFiles) {
    QTemporaryDir dir;
    TMemoryDataSet data(MakeRows(100));
    TQuickRep rep;
    Define(rep);
    rep.DataSet = &data;
    TPageStore store;
    store.SetTitle(rep.ReportTitle);
    rep.Run(store);
    const QString file = dir.filePath(QStringLiteral("list.pdf"));
    SaveReportPdf(store, file);
    auto doc = Poppler::Document::load(file);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->numPages(), 3);
    EXPECT_EQ(doc->info(QStringLiteral("Title")), QStringLiteral("Test list"));

    TPageStore loaded;
    LoadReportPdf(loaded, file);
    EXPECT_EQ(loaded.PageCount(), 3);
    EXPECT_TRUE(loaded.Finished());
    EXPECT_NEAR(loaded.PaperSize().width(), 210, 0.5);
    EXPECT_NEAR(loaded.PaperSize().height(), 297, 0.5);
    {
        // The loaded page plays back like the page that was saved.
        QImage before(794, 1123, QImage::Format_RGB32), after(794, 1123, QImage::Format_RGB32);
        before.fill(Qt::white);
        after.fill(Qt::white);
        QPainter pb(&before), pa(&after);
        store.PaintPage(pb, 0, QRectF(0, 0, 794, 1123));
        loaded.PaintPage(pa, 0, QRectF(0, 0, 794, 1123));
        pb.end();
        pa.end();
        const int barY = int((206 + 25) / 254.0 * 96), barX = 300;
        EXPECT_EQ(QColor(after.pixel(barX, barY)), QColor(Qt::black));
        EXPECT_EQ(QColor(after.pixel(barX, int(150 / 254.0 * 96))), QColor(Qt::white));
        const QString keep = qEnvironmentVariable("KADROLIN_KEEP_REPORTS");
        if (!keep.isEmpty()) {
            before.save(keep + QStringLiteral("/store-page.png"));
            after.save(keep + QStringLiteral("/loaded-page.png"));
        }
    }

    // Bad files leave what is shown alone.
    QFile junk(dir.filePath(QStringLiteral("junk.pdf")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("%PDF-1.4\nthis is not really a pdf\n");
    junk.close();
    QFile empty(dir.filePath(QStringLiteral("empty.pdf")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    struct {
        QString File;
        const char *Message;
    } bad[] = {{dir.filePath(QStringLiteral("missing.pdf")), "File does not exist"},
               {dir.path(), "File does not exist"},
               {junk.fileName(), "is not a saved report"},
               {empty.fileName(), "is not a saved report"}};
    for (const auto &b : bad) {
        try {
            LoadReportPdf(loaded, b.File);
            ADD_FAILURE() << "loaded " << b.File.toStdString();
        } catch (const std::runtime_error &e) {
            EXPECT_NE(std::string(e.what()).find(b.Message), std::string::npos) << e.what();
        }
        EXPECT_EQ(loaded.PageCount(), 3);
    }
    // An unwritable place: a clear error, and an earlier file stays whole.
    EXPECT_THROW(SaveReportPdf(store, dir.filePath(QStringLiteral("no/such/dir/x.pdf"))), std::runtime_error);
    const QString ro = dir.filePath(QStringLiteral("ro"));
    QDir().mkpath(ro);
    QFile::setPermissions(ro, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (!QFile(ro + QStringLiteral("/probe")).open(QIODevice::WriteOnly)) { // root writes anyway
        EXPECT_THROW(SaveReportPdf(store, ro + QStringLiteral("/x.pdf")), std::runtime_error);
    }
    QFile::setPermissions(ro, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    TPageStore none;
    EXPECT_THROW(SaveReportPdf(none, file), std::runtime_error);
    EXPECT_EQ(Poppler::Document::load(file)->numPages(), 3);
}

TEST(Preview, WindowRolesAndNavigation) {
    TMemoryDataSet data(MakeRows(100));
    TQuickRep rep;
    Define(rep);
    rep.DataSet = &data;
    TPageStore store;
    store.SetTitle(rep.ReportTitle);
    TQRPreview preview(&store, &rep);
    preview.showMaximized();
    EXPECT_EQ(preview.windowTitle(), QStringLiteral("Test list"));
    EXPECT_TRUE(preview.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(preview.ZoomMode(), TQRPreview::zm100);
    EXPECT_DOUBLE_EQ(preview.PageView()->Zoom(), 1.0);

    // Toolbar hints, left to right, then the close button.
    auto *bar = preview.findChild<QToolBar *>(QStringLiteral("ToolBar"));
    ASSERT_TRUE(bar);
    QStringList hints;
    for (QAction *a : bar->actions())
        if (!a->isSeparator() && !a->toolTip().isEmpty() && a->objectName() != QString())
            hints << a->toolTip();
    EXPECT_EQ(hints,
              (QStringList{"Zoom to fit", "100%", "Zoom to width", "First page", "Previous page", "Next page",
                           "Last page", "Printer setup", "Print", "Save Report", "Load Report"}));
    auto *closeBtn = preview.findChild<QToolButton *>(QStringLiteral("Exit"));
    ASSERT_TRUE(closeBtn);
    EXPECT_EQ(closeBtn->text(), QStringLiteral("&Close"));

    EXPECT_FALSE(preview.Action(QStringLiteral("Print"))->isEnabled());
    EXPECT_FALSE(preview.Action(QStringLiteral("PrintSetup"))->isEnabled());
    rep.Run(store);
    store.SetFinished(true);
    EXPECT_TRUE(preview.Action(QStringLiteral("Print"))->isEnabled());
    EXPECT_TRUE(preview.Action(QStringLiteral("PrintSetup"))->isEnabled());
    EXPECT_EQ(preview.PageText(), QStringLiteral("Page 1 of 3"));

    struct {
        int Key;
        Qt::KeyboardModifiers Mods;
        int Page;
    } keys[] = {{Qt::Key_PageDown, Qt::NoModifier, 2},    {Qt::Key_PageDown, Qt::NoModifier, 3},
                {Qt::Key_PageDown, Qt::NoModifier, 3},    {Qt::Key_PageUp, Qt::NoModifier, 2},
                {Qt::Key_Home, Qt::NoModifier, 1},        {Qt::Key_End, Qt::NoModifier, 3},
                {Qt::Key_PageUp, Qt::ControlModifier, 1}, {Qt::Key_PageDown, Qt::ControlModifier, 3}};
    preview.activateWindow();
    for (const auto &k : keys) {
        QTest::keyClick(&preview, Qt::Key(k.Key), k.Mods);
        EXPECT_EQ(preview.CurrentPage(), k.Page) << k.Key;
    }
    EXPECT_EQ(preview.findChild<QLabel *>(QStringLiteral("PagePanel"))->text(),
              QStringLiteral("Page 3 of 3"));
    preview.Action(QStringLiteral("FirstPage"))->trigger();
    EXPECT_EQ(preview.CurrentPage(), 1);
    EXPECT_FALSE(preview.Action(QStringLiteral("PrevPage"))->isEnabled());
    preview.Action(QStringLiteral("NextPage"))->trigger();
    EXPECT_EQ(preview.CurrentPage(), 2);

    // Zoom: fit shows the whole page, width fills the window's width.
    preview.Action(QStringLiteral("ZoomToFit"))->trigger();
    const double fit = preview.PageView()->Zoom();
    preview.Action(QStringLiteral("ZoomToWidth"))->trigger();
    const double width = preview.PageView()->Zoom();
    EXPECT_LT(fit, width);
    EXPECT_TRUE(preview.Action(QStringLiteral("ZoomToWidth"))->isChecked());
    EXPECT_FALSE(preview.Action(QStringLiteral("ZoomToFit"))->isChecked());
    preview.Action(QStringLiteral("Zoom100"))->trigger();
    EXPECT_DOUBLE_EQ(preview.PageView()->Zoom(), 1.0);

    preview.showNormal();
    preview.resize(1000, 800);
    QCoreApplication::processEvents();
    preview.Action(QStringLiteral("ZoomToFit"))->trigger();
    QCoreApplication::processEvents();
    const QString shot = qEnvironmentVariable("KADROLIN_KEEP_REPORTS");
    if (!shot.isEmpty()) preview.grab().save(shot + QStringLiteral("/preview-fit.png"));
    preview.Action(QStringLiteral("Zoom100"))->trigger();
    preview.FirstPage();
    if (!shot.isEmpty()) preview.grab().save(shot + QStringLiteral("/preview-100.png"));

    QTest::keyClick(&preview, Qt::Key_Escape);
    EXPECT_FALSE(preview.isVisible());
}

TEST(Preview, ProgressPanelShowsStepsOfFive) {
    TPageStore store;
    TQRPreview preview(&store, nullptr);
    struct {
        int Figure;
        const char *Shown;
    } steps[] = {{0, ""},     {2, ""},     {4, ""},     {5, "5%"},   {7, "5%"},   {9, "5%"},
                 {10, "10%"}, {33, "33%"}, {37, "33%"}, {38, "38%"}, {99, "99%"}, {100, ""}};
    for (const auto &s : steps) {
        preview.SetProgress(s.Figure);
        EXPECT_EQ(preview.ProgressText(), QString::fromLatin1(s.Shown)) << s.Figure;
    }
}

TEST(Preview, OperationRunsWaitsAndReturnsOnClose) {
    THooks hooks;
    TSafety safety;
    TMemoryDataSet data(MakeRows(100));
    TQuickRep rep;
    Define(rep);
    rep.DataSet = &data;
    int waited = 0;
    QString caption, pages;
    bool maximised = false;
    TQRPreview::OnWaiting = [&](TQRPreview *p) {
        ++waited;
        caption = p->windowTitle();
        pages = p->PageText();
        maximised = p->windowState() & Qt::WindowMaximized;
        EXPECT_TRUE(p->Action(QStringLiteral("Print"))->isEnabled());
        EXPECT_EQ(p->ProgressText(), QString());
        p->close();
    };
    rep.Preview();
    EXPECT_EQ(waited, 1);
    EXPECT_EQ(caption, QStringLiteral("Test list"));
    EXPECT_EQ(pages, QStringLiteral("Page 1 of 3"));
    EXPECT_TRUE(maximised);
    EXPECT_EQ(data.Position(), 99u); // left on the last record
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<TQRPreview *>(w)) << "preview not released";
}

TEST(Preview, ClosingDuringTheRunCancelsIt) {
    THooks hooks;
    TSafety safety;
    TMemoryDataSet data(MakeRows(500));
    TQuickRep rep;
    Define(rep);
    rep.DataSet = &data;
    QPointer<TQRPreview> opened;
    TQRPreview::OnOpened = [&](TQRPreview *p) { opened = p; };
    TQRPreview::OnWaiting = [&](TQRPreview *p) {
        ADD_FAILURE() << "waited after a cancelled run";
        p->close();
    };
    int records = 0;
    rep.ProcessEvents = [&] {
        if (++records == 120 && opened) opened->close();
    };
    rep.Preview();
    EXPECT_TRUE(rep.Cancelled());
    EXPECT_EQ(records, 120);
    EXPECT_EQ(data.Position(), 119u); // one pass of events before the run, then one per record
    EXPECT_TRUE(opened.isNull());
}

TEST(Preview, ErrorDuringTheRunEndsTheOperation) {
    THooks hooks;
    TSafety safety;
    TFailingData data(30, 10);
    TQuickRep rep;
    Define(rep);
    rep.DataSet = &data;
    TQRPreview::OnWaiting = [&](TQRPreview *p) { p->close(); };
    EXPECT_THROW(rep.Preview(), std::runtime_error);
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<TQRPreview *>(w));
}

TEST(Printing, PrintsToFileWithRangeAndProgress) {
    QTemporaryDir dir;
    TMemoryDataSet data(MakeRows(200));
    TQuickRep rep;
    Define(rep);
    rep.DataSet = &data;
    struct {
        int From, To, Pages;
    } cases[] = {{0, 0, 5}, {2, 3, 2}, {5, 9, 1}};
    for (const auto &c : cases) {
        const QString file = dir.filePath(QStringLiteral("print%1.pdf").arg(c.From));
        QPrinter &printer = rep.Printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        if (c.From) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(c.From, c.To);
        } else {
            printer.setPrintRange(QPrinter::AllPages);
        }
        QStringList shown;
        rep.ProcessEvents = [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *p = qobject_cast<TQRPrintProgress *>(w)) {
                    EXPECT_EQ(p->windowTitle(), QStringLiteral("Printing progress"));
                    if (shown.isEmpty() || shown.back() != p->Text()) {
                        shown << p->Text();
                        const QString keep = qEnvironmentVariable("KADROLIN_KEEP_REPORTS");
                        if (!keep.isEmpty() && p->Value() == 50)
                            p->grab().save(keep + QStringLiteral("/progress.png"));
                    }
                }
        };
        PrintReport(rep);
        auto doc = Poppler::Document::load(file);
        ASSERT_TRUE(doc) << c.From;
        EXPECT_EQ(doc->numPages(), c.Pages);
        EXPECT_EQ(doc->info(QStringLiteral("Title")), QStringLiteral("Test list"));
        EXPECT_TRUE(shown.contains(QStringLiteral("5%  Completed")));
        EXPECT_FALSE(shown.contains(QStringLiteral("6%  Completed")));
        EXPECT_EQ(rep.Page.Length, 297); // restored after the run
    }
}

TEST(Printing, CancelFromTheProgressWindowPrintsWhatWasMade) {
    QTemporaryDir dir;
    TMemoryDataSet data(MakeRows(200));
    TQuickRep rep;
    Define(rep);
    rep.DataSet = &data;
    const QString file = dir.filePath(QStringLiteral("cut.pdf"));
    rep.Printer().setOutputFormat(QPrinter::PdfFormat);
    rep.Printer().setOutputFileName(file);
    int records = 0;
    rep.ProcessEvents = [&] {
        if (++records == 60)
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *p = qobject_cast<TQRPrintProgress *>(w)) p->CancelButton()->click();
    };
    PrintReport(rep);
    EXPECT_EQ(records, 60);
    auto doc = Poppler::Document::load(file);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->numPages(), 2);
}

TEST(Preview, SaveLoadAndSetupThroughTheDialogService) {
    QTemporaryDir dir;
    TMemoryDataSet data(MakeRows(100));
    TQuickRep rep;
    Define(rep);
    rep.DataSet = &data;
    TPageStore store;
    store.SetTitle(rep.ReportTitle);
    TQRPreview preview(&store, &rep);
    rep.Run(store);
    store.SetFinished(true);

    TScriptedDialogs script;
    const QString saved = dir.filePath(QStringLiteral("kept"));
    QString nextName;
    script.AnswerWith([&](const TDialogCall &call) {
        if (call.FileName) *call.FileName = nextName;
        if (call.Kind == QLatin1String("PrintSetup")) {
            // The dialog works on the report's own printer.
            if (call.Printer != &rep.Printer()) return int(mrCancel);
            call.Printer->setCopyCount(3);
            call.Printer->setPrintRange(QPrinter::PageRange);
            call.Printer->setFromTo(2, 99);
            return int(mrOk);
        }
        return call.Kind == QLatin1String("Error") ? int(mrOk) : int(mrOk);
    });
    nextName = saved;
    preview.Action(QStringLiteral("SaveReport"))->trigger();
    EXPECT_TRUE(QFile::exists(saved + QStringLiteral(".pdf")));
    EXPECT_EQ(script.Calls().back().Caption, QStringLiteral("Save report"));

    // Pages 1..page count are offered; a range past the end is cut there.
    preview.Action(QStringLiteral("PrintSetup"))->trigger();
    ASSERT_EQ(script.Calls().back().Kind, QStringLiteral("PrintSetup"));
    EXPECT_EQ(script.Calls().back().MinPage, 1);
    EXPECT_EQ(script.Calls().back().MaxPage, store.PageCount());
    EXPECT_EQ(script.Calls().back().Printer, nullptr);
    EXPECT_EQ(rep.Printer().copyCount(), 3);
    EXPECT_EQ(rep.Printer().fromPage(), 2);
    EXPECT_EQ(rep.Printer().toPage(), store.PageCount());
    rep.Printer().setPrintRange(QPrinter::AllPages);

    // A missing file: the message, and the preview keeps its pages.
    nextName = dir.filePath(QStringLiteral("nothing.pdf"));
    preview.Action(QStringLiteral("LoadReport"))->trigger();
    ASSERT_GE(script.Calls().size(), 2u);
    EXPECT_EQ(script.Calls().end()[-2].Caption, QStringLiteral("Load report"));
    ASSERT_EQ(script.Calls().back().Kind, QStringLiteral("Error"));
    EXPECT_EQ(script.Calls().back().Text, QStringLiteral("File does not exist"));
    EXPECT_FALSE(preview.Loaded());

    // A saved report of another run replaces the pages; setup is then off.
    TMemoryDataSet small(MakeRows(2));
    rep.DataSet = &small;
    TPageStore other;
    rep.Run(other);
    SaveReportPdf(other, dir.filePath(QStringLiteral("one.pdf")));
    preview.LastPage();
    nextName = dir.filePath(QStringLiteral("one.pdf"));
    preview.Action(QStringLiteral("LoadReport"))->trigger();
    EXPECT_TRUE(preview.Loaded());
    EXPECT_EQ(store.PageCount(), 1);
    EXPECT_EQ(preview.PageText(), QStringLiteral("Page 1 of 1"));
    EXPECT_FALSE(preview.Action(QStringLiteral("PrintSetup"))->isEnabled());
    EXPECT_TRUE(preview.Action(QStringLiteral("Print"))->isEnabled());

    // Print after a load prints the loaded pages as they are.
    const QString printed = dir.filePath(QStringLiteral("printed.pdf"));
    rep.Printer().setOutputFormat(QPrinter::PdfFormat);
    rep.Printer().setOutputFileName(printed);
    rep.Printer().setCopyCount(1);
    preview.Action(QStringLiteral("Print"))->trigger();
    auto doc = Poppler::Document::load(printed);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->numPages(), 1);
    EXPECT_EQ(small.Position(), 1u); // no second run over the rows
}

TEST(Printing, WithoutAPrinterPrintDoesNothing) {
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) GTEST_SKIP() << "a printer is installed here";
    TMemoryDataSet data(MakeRows(10));
    TQuickRep rep;
    Define(rep);
    rep.DataSet = &data;
    data.MoveTo(4);
    int records = 0;
    rep.ProcessEvents = [&] { ++records; };
    EXPECT_FALSE(PrinterAvailable(rep.Printer()));
    PrintReport(rep);
    EXPECT_EQ(records, 0);
    EXPECT_EQ(data.Position(), 4u); // the rows were not even touched
}
