// Report runs against their floors, in the same process:
//  - paginating the phone list of 100,000 people vs. only reading the rows and
//    measuring their texts;
//  - the phone list and the detailed report of 10,000 people into the page
//    store and into a PDF vs. drawing the same pages with plain painter calls
//    and no data access.
// Prints each ratio and the page store's memory for 223 pages.
#include "platform/report/pagestore.h"
#include "reports/form2.h"

#include <QApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>

namespace {
std::vector<TMemoryDataSet::TRow> People(int n) {
    std::vector<TMemoryDataSet::TRow> rows;
    rows.reserve(n);
    for (int i = 1; i <= n; ++i)
        rows.push_back({{"A_Adi", "Kişi Soyadı " + std::to_string(i)},
                        {"A_EvTel", "0312 555 " + std::to_string(1000 + i % 9000)},
                        {"A_CepTel", "0532 444 " + std::to_string(1000 + i % 9000)},
                        {"F_Tel", "S-" + std::to_string(i)},
                        {"A_Il", "Memur"},
                        {"A_Ilce", "GİH"},
                        {"A_Meslek", "Şef"},
                        {"A_Adres", "Atatürk Bulvarı No " + std::to_string(i) + " Çankaya Ankara"},
                        {"A_Mail", "kisi" + std::to_string(i) + "@ornek.gov.tr"}});
    return rows;
}

class TNullCanvas : public TReportCanvas {
  public:
    int Pages = 0;
    void BeginPage() override { ++Pages; }
    void EndPage() override {}
    void FillRect(const QRectF &, const QColor &) override {}
    void DrawShape(const QRectF &) override {}
    void DrawText(const QRectF &, const QString &, const TQRFont &, bool) override {}
};

TMemoryDataSet &Data(int n) {
    static std::map<int, TMemoryDataSet> sets;
    auto it = sets.find(n);
    if (it == sets.end()) it = sets.emplace(n, TMemoryDataSet(People(n))).first;
    return it->second;
}

TQuickRep &Report(bool detailed) {
    static TMemoryDataSet none;
    static TForm2 *form = [] {
        auto *f = new TForm2(&none);
        for (TQuickRep *r : {f->QuickRep1, f->QuickRep2}) {
            r->ProcessEvents = nullptr;
            r->DateText = [] { return QStringLiteral("09.12.2026"); };
        }
        return f;
    }();
    return detailed ? *form->QuickRep2 : *form->QuickRep1;
}

// ---- 100,000 people: pagination vs. reading rows and measuring texts

void BM_Floor_ReadAndMeasure100k(benchmark::State &state) {
    TMemoryDataSet &data = Data(100000);
    const TQRFont bold{9, true, Qt::black}, plain{9, false, Qt::black};
    for (auto _ : state) {
        double sum = 0;
        for (data.First(); !data.Eof(); data.Next()) {
            sum += TextWidth(QString::fromStdString(data.FieldText("A_Adi")), bold);
            sum += TextWidth(QString::fromStdString(data.FieldText("A_EvTel")), plain);
            sum += TextWidth(QString::fromStdString(data.FieldText("A_CepTel")), plain);
            sum += TextWidth(QString::fromStdString(data.FieldText("F_Tel")), plain);
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_Floor_ReadAndMeasure100k)->Unit(benchmark::kMillisecond);

void BM_PaginatePhoneList100k(benchmark::State &state) {
    TQuickRep &rep = Report(false);
    rep.DataSet = &Data(100000);
    int pages = 0;
    for (auto _ : state) {
        TNullCanvas canvas;
        rep.Run(canvas);
        pages = canvas.Pages;
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_PaginatePhoneList100k)->Unit(benchmark::kMillisecond);

// ---- 10,000 people onto pages: the engine vs. plain painter calls

// What the pages hold, prepared beforehand, so the floor draws without data access.
struct TPlainPage {
    std::vector<std::pair<QRectF, QColor>> Fills;
    std::vector<QRectF> Shapes;
    struct TText {
        QRectF Box;
        QString Text;
        TQRFont Font;
        bool Opaque;
    };
    std::vector<TText> Texts;
};

class TCollectCanvas : public TReportCanvas {
  public:
    std::vector<TPlainPage> Pages;
    void BeginPage() override { Pages.emplace_back(); }
    void EndPage() override {}
    void FillRect(const QRectF &r, const QColor &c) override { Pages.back().Fills.push_back({r, c}); }
    void DrawShape(const QRectF &r) override { Pages.back().Shapes.push_back(r); }
    void DrawText(const QRectF &b, const QString &t, const TQRFont &f, bool o) override {
        Pages.back().Texts.push_back({b, t, f, o});
    }
};

const std::vector<TPlainPage> &Plain(bool detailed) {
    static std::map<bool, std::vector<TPlainPage>> cache;
    auto it = cache.find(detailed);
    if (it == cache.end()) {
        TQuickRep &rep = Report(detailed);
        rep.DataSet = &Data(10000);
        TCollectCanvas c;
        rep.Run(c);
        it = cache.emplace(detailed, std::move(c.Pages)).first;
    }
    return it->second;
}

void DrawPlain(QPainter &p, const TPlainPage &page) {
    TPainterCanvas canvas(p, p.device()->logicalDpiX(), p.device()->logicalDpiY());
    canvas.BeginPage();
    for (const auto &f : page.Fills)
        canvas.FillRect(f.first, f.second);
    for (const auto &s : page.Shapes)
        canvas.DrawShape(s);
    for (const auto &t : page.Texts)
        canvas.DrawText(t.Box, t.Text, t.Font, t.Opaque);
}

void FloorToPictures(benchmark::State &state, bool detailed) {
    const auto &pages = Plain(detailed);
    const double dpi = TPageStore::PictureDpi();
    for (auto _ : state) {
        std::vector<std::unique_ptr<QPicture>> out;
        for (const auto &page : pages) {
            auto pic = std::make_unique<QPicture>();
            QPainter p(pic.get());
            TPainterCanvas canvas(p, dpi, dpi);
            canvas.BeginPage();
            for (const auto &f : page.Fills)
                canvas.FillRect(f.first, f.second);
            for (const auto &s : page.Shapes)
                canvas.DrawShape(s);
            for (const auto &t : page.Texts)
                canvas.DrawText(t.Box, t.Text, t.Font, t.Opaque);
            p.end();
            out.push_back(std::move(pic));
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["pages/s"] =
        benchmark::Counter(double(pages.size()), benchmark::Counter::kIsIterationInvariantRate);
}

void EngineToStore(benchmark::State &state, bool detailed) {
    TQuickRep &rep = Report(detailed);
    rep.DataSet = &Data(10000);
    int pages = 0;
    for (auto _ : state) {
        TPageStore store;
        rep.Run(store);
        pages = store.PageCount();
    }
    state.counters["pages/s"] = benchmark::Counter(pages, benchmark::Counter::kIsIterationInvariantRate);
}

QString PdfPath() {
    static QTemporaryDir dir;
    return dir.filePath(QStringLiteral("bench.pdf"));
}

void FloorToPdf(benchmark::State &state, bool detailed) {
    const auto &pages = Plain(detailed);
    for (auto _ : state) {
        QPdfWriter pdf(PdfPath());
        pdf.setResolution(1200);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter p(&pdf);
        for (size_t i = 0; i < pages.size(); ++i) {
            if (i) pdf.newPage();
            DrawPlain(p, pages[i]);
        }
    }
    state.counters["pages/s"] =
        benchmark::Counter(double(pages.size()), benchmark::Counter::kIsIterationInvariantRate);
}

void EngineToPdf(benchmark::State &state, bool detailed) {
    TQuickRep &rep = Report(detailed);
    rep.DataSet = &Data(10000);
    int pages = 0;
    for (auto _ : state) {
        TPageStore store;
        store.SetTitle(rep.ReportTitle);
        rep.Run(store);
        SaveReportPdf(store, PdfPath());
        pages = store.PageCount();
    }
    state.counters["pages/s"] = benchmark::Counter(pages, benchmark::Counter::kIsIterationInvariantRate);
}

// Only the save of pages already prepared ("Save Report" in the preview):
// each recorded page is unpacked and played into the PDF.
void SavePreparedToPdf(benchmark::State &state, bool detailed) {
    TQuickRep &rep = Report(detailed);
    rep.DataSet = &Data(10000);
    TPageStore store;
    store.SetTitle(rep.ReportTitle);
    rep.Run(store);
    for (auto _ : state)
        SaveReportPdf(store, PdfPath());
    state.counters["pages/s"] =
        benchmark::Counter(double(store.PageCount()), benchmark::Counter::kIsIterationInvariantRate);
}

// The engine drawing straight onto a PDF, as a print run does.
class TPdfCanvas : public TReportCanvas {
  public:
    explicit TPdfCanvas(QPdfWriter &pdf) : FPdf(pdf), FPainter(&pdf), FCanvas(FPainter, 1200, 1200) {}
    void BeginPage() override {
        if (FPages++) FPdf.newPage();
        FCanvas.BeginPage();
    }
    void EndPage() override {}
    void FillRect(const QRectF &r, const QColor &c) override { FCanvas.FillRect(r, c); }
    void DrawShape(const QRectF &r) override { FCanvas.DrawShape(r); }
    void DrawText(const QRectF &b, const QString &t, const TQRFont &f, bool o) override {
        FCanvas.DrawText(b, t, f, o);
    }

  private:
    QPdfWriter &FPdf;
    QPainter FPainter;
    TPainterCanvas FCanvas;
    int FPages = 0;
};

void EngineDirectToPdf(benchmark::State &state, bool detailed) {
    TQuickRep &rep = Report(detailed);
    rep.DataSet = &Data(10000);
    for (auto _ : state) {
        QPdfWriter pdf(PdfPath());
        pdf.setResolution(1200);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        TPdfCanvas canvas(pdf);
        rep.Run(canvas);
    }
}

BENCHMARK_CAPTURE(FloorToPictures, PhoneList10k, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EngineToStore, PhoneList10k, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FloorToPictures, Detailed10k, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EngineToStore, Detailed10k, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FloorToPdf, PhoneList10k, false)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(EngineToPdf, PhoneList10k, false)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(EngineDirectToPdf, PhoneList10k, false)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(EngineDirectToPdf, Detailed10k, true)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(FloorToPdf, Detailed10k, true)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(EngineToPdf, Detailed10k, true)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(SavePreparedToPdf, PhoneList10k, false)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(SavePreparedToPdf, Detailed10k, true)->Unit(benchmark::kMillisecond)->Iterations(2);

class TRatioReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> Times;
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const auto &r : runs)
            Times[r.benchmark_name()] = r.GetAdjustedCPUTime(); // the machine is shared: count our own time
        ConsoleReporter::ReportRuns(runs);
    }
};
} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto ratio = [&](const char *what, const std::string &engine, const std::string &floor) {
        auto e = reporter.Times.find(engine), f = reporter.Times.find(floor);
        if (e != reporter.Times.end() && f != reporter.Times.end() && f->second > 0)
            std::printf("ratio %-44s %.2f\n", what, e->second / f->second);
    };
    ratio("paginate phone list 100k / read+measure", "BM_PaginatePhoneList100k",
          "BM_Floor_ReadAndMeasure100k");
    ratio("phone list 10k to page store / plain", "EngineToStore/PhoneList10k",
          "FloorToPictures/PhoneList10k");
    ratio("detailed 10k to page store / plain", "EngineToStore/Detailed10k", "FloorToPictures/Detailed10k");
    ratio("phone list 10k run to PDF / plain", "EngineDirectToPdf/PhoneList10k/iterations:2",
          "FloorToPdf/PhoneList10k/iterations:2");
    ratio("detailed 10k run to PDF / plain", "EngineDirectToPdf/Detailed10k/iterations:2",
          "FloorToPdf/Detailed10k/iterations:2");
    ratio("phone list 10k to store, saved / plain", "EngineToPdf/PhoneList10k/iterations:2",
          "FloorToPdf/PhoneList10k/iterations:2");
    ratio("detailed 10k to store, saved / plain", "EngineToPdf/Detailed10k/iterations:2",
          "FloorToPdf/Detailed10k/iterations:2");
    ratio("phone list 10k save of prepared / plain", "SavePreparedToPdf/PhoneList10k/iterations:2",
          "FloorToPdf/PhoneList10k/iterations:2");
    ratio("detailed 10k save of prepared / plain", "SavePreparedToPdf/Detailed10k/iterations:2",
          "FloorToPdf/Detailed10k/iterations:2");

    // Memory of the page store for 223 pages of the phone list (10,250 people).
    TQuickRep &rep = Report(false);
    rep.DataSet = &Data(10250);
    TPageStore store;
    rep.Run(store);
    std::printf("page store: %d pages, %.1f KiB (%.1f KiB a page)\n", store.PageCount(),
                store.MemoryUsed() / 1024.0, store.MemoryUsed() / 1024.0 / store.PageCount());
    benchmark::Shutdown();
    return 0;
}
