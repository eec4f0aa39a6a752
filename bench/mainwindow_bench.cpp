// The name list over a large result: showing it must cost the same as over a
// small one, because only the visible rows are read and drawn. Prints the
// ratio of 100,000 rows to 100 rows, for the bare grid and for the main
// window over a real register file.
#include "mainwindow/form1.h"
#include "mainwindow/srdbgrid.h"
#include "records/recordcommands.h"

#include <QApplication>
#include <QDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

namespace {

class TRowsModel : public QAbstractTableModel {
  public:
    explicit TRowsModel(int rows) : FRows(rows) {}
    int rowCount(const QModelIndex &p = {}) const override { return p.isValid() ? 0 : FRows; }
    int columnCount(const QModelIndex &p = {}) const override { return p.isValid() ? 0 : 1; }
    QVariant data(const QModelIndex &i, int role) const override {
        return role == Qt::DisplayRole ? QVariant(QString("Kişi %1").arg(i.row())) : QVariant();
    }
    QVariant headerData(int, Qt::Orientation o, int role) const override {
        return o == Qt::Horizontal && role == Qt::DisplayRole ? QVariant("A_Adi") : QVariant();
    }

  private:
    int FRows;
};

void GridShow(benchmark::State &state) {
    TRowsModel model(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TSrDBGrid grid;
        grid.resize(164, 233);
        grid.SetColumns({{"A_Adi", "  Adı Soyadı ", 140}});
        grid.setModel(&model);
        grid.SetDefaultDrawing(false);
        QImage image = grid.grab().toImage();
        benchmark::DoNotOptimize(image.bits());
        grid.setModel(nullptr);
    }
}

std::string MakeRegister(int rows) {
    const auto dir = std::filesystem::temp_directory_path() / ("kadrolin-bench-" + std::to_string(rows));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "Data.mdb").string();
    std::filesystem::remove(file);
    kadrolin::records::CreateRegister(file);
    sqlite3 *db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO tarvelion (A_Adi) VALUES (?1)", -1, &st, nullptr);
    for (int i = 0; i < rows; ++i) {
        const std::string name = "Kişi " + std::to_string(i);
        sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return dir.string();
}

void WindowShow(benchmark::State &state) {
    const QString old = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(MakeRegister(static_cast<int>(state.range(0)))));
    for (auto _ : state) {
        TForm1 form;
        form.show();
        QImage image = form.grab().toImage();
        benchmark::DoNotOptimize(image.bits());
    }
    QDir::setCurrent(old);
}

BENCHMARK(GridShow)->Arg(100)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(WindowShow)->Arg(100)->Arg(100000)->Unit(benchmark::kMillisecond);

// Keeps each run's time per iteration so the ratios can be printed at the end.
class TRatioReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> Times, CpuTimes;
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &r : runs)
            if (r.iterations > 0) {
                Times[r.benchmark_name()] = r.GetAdjustedRealTime();
                CpuTimes[r.benchmark_name()] = r.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_NO_GLIB", "1");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char *name : {"GridShow", "WindowShow"}) {
        const std::string small = std::string(name) + "/100", large = std::string(name) + "/100000";
        if (reporter.Times.count(small) && reporter.Times.count(large))
            std::printf("%s: 100000 rows / 100 rows = %.2f (CPU time %.2f)\n", name,
                        reporter.Times[large] / reporter.Times[small],
                        reporter.CpuTimes[large] / reporter.CpuTimes[small]);
    }
    return 0;
}
