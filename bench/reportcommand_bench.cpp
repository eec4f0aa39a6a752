// The print commands as the user waits for them: "Telefonları Yazdır ..." and
// "Detaylı Yazdır ..." on the real main window (offscreen) over a register of
// 10,000 and 100,000 people (a JPEG photo for every tenth), from the command
// to the finished run with "Page 1 of N" shown, against the report engine
// alone over the same rows held in memory into a page store (report_bench's
// engine run). Interleaved, repeated; prints min and median of each and the
// ratios, and the resident memory the preview took and gave back.
//
//   reportcommand_bench [people ...] [--runs N] [--phone-list]   (default: 10000 100000, 3 runs)
#include "mainwindow/form1.h"
#include "platform/report/pagestore.h"
#include "platform/report/preview.h"
#include "records/recordcommands.h"
#include "reports/form2.h"
#include "reports/querydata.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

long RssKb() {
    std::ifstream in("/proc/self/statm");
    long size = 0, resident = 0;
    in >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

std::string Jpeg(std::mt19937 &rng) {
    QImage img(160, 200, QImage::Format_RGB32);
    QPainter p(&img);
    p.fillRect(img.rect(), QColor::fromRgb(rng() & 0xFFFFFF));
    for (int i = 0; i < 40; ++i)
        p.fillRect(int(rng() % 160), int(rng() % 200), 30, 30, QColor::fromRgb(rng() & 0xFFFFFF));
    p.end();
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "JPG", 80);
    return bytes.toStdString();
}

std::string MakeRegister(int people) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("kadrolin-reportcmd-" + std::to_string(people));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "Data.mdb").string();
    if (std::filesystem::exists(file)) return dir.string();
    std::printf("generating %d people in %s ...\n", people, file.c_str());
    kadrolin::records::CreateRegister(file);
    sqlite3 *db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(
        db,
        "INSERT INTO tarvelion (A_Adi, A_EvTel, A_CepTel, F_Tel, A_Il, A_Ilce, A_Meslek, A_Adres, "
        "A_Mail, A_Resim) VALUES (?1, ?2, ?3, ?4, 'Memur', 'GİH', 'Şef', ?5, ?6, ?7)",
        -1, &st, nullptr);
    const char *first[] = {"Ahmet", "Ayşe", "Çağrı", "İbrahim", "Işıl", "Ömer", "Şule", "Ümran", "Zeynep"};
    std::mt19937 rng(7);
    std::vector<std::string> photos;
    for (int i = 0; i < 16; ++i)
        photos.push_back(Jpeg(rng));
    for (int i = 1; i <= people; ++i) {
        const std::string name = std::string(first[i % 9]) + " Soyadı " + std::to_string(i);
        const std::string tel = "0312 555 " + std::to_string(1000 + i % 9000);
        const std::string cep = "0532 444 " + std::to_string(1000 + i % 9000);
        const std::string sicil = "S-" + std::to_string(i);
        const std::string adres = "Atatürk Bulvarı No " + std::to_string(i) + " Çankaya Ankara";
        const std::string mail = "kisi" + std::to_string(i) + "@ornek.gov.tr";
        for (int k = 1; const std::string *v : {&name, &tel, &cep, &sicil, &adres, &mail})
            sqlite3_bind_text(st, k++, v->c_str(), -1, SQLITE_TRANSIENT);
        if (i % 10 == 0) {
            const std::string &ph = photos[size_t(i / 10) % photos.size()];
            sqlite3_bind_blob(st, 7, ph.data(), int(ph.size()), SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_null(st, 7);
        }
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return dir.string();
}

struct TFigures {
    std::vector<double> Ms;
    void Add(double ms) { Ms.push_back(ms); }
    double Min() const { return *std::min_element(Ms.begin(), Ms.end()); }
    double Median() const {
        auto v = Ms;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
};

// The rows of the query as the engine alone gets them.
std::vector<TMemoryDataSet::TRow> RowsOf(kadrolin::data::TQuery &q) {
    std::vector<TMemoryDataSet::TRow> rows;
    const char *fields[] = {"A_Adi",  "A_EvTel",  "A_CepTel", "F_Tel", "A_Il",
                            "A_Ilce", "A_Meslek", "A_Adres",  "A_Mail"};
    for (int i = 0; i < q.RecordCount(); ++i) {
        TMemoryDataSet::TRow row;
        for (const char *f : fields)
            row[f] = q.TextAt(i, q.FieldByName(f).Index());
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_NO_GLIB", "1");
    QApplication app(argc, argv);
    std::vector<int> sizes;
    int runs = 3;
    bool phoneOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--runs" && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (std::string(argv[i]) == "--phone-list")
            phoneOnly = true;
        else
            sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty()) sizes = {10000, 100000};
    const QString home = QDir::currentPath();

    for (int people : sizes) {
        QDir::setCurrent(QString::fromStdString(MakeRegister(people)));
        auto form = std::make_unique<TForm1>();
        form->show();
        QCoreApplication::processEvents();
        TMemoryDataSet memory(RowsOf(*form->ADOQuery1));

        for (bool detailed : {false, true}) {
            if (detailed && phoneOnly) break;
            TFigures engine, command, walk;
            long grown = 0, kept = 0, engineGrown = 0;
            size_t store = 0;
            QString pageText;
            for (int r = 0; r < runs; ++r) {
                // The floor: the engine over the same rows into a page store, nothing else.
                long engineBefore = RssKb();
                {
                    TForm2 defs(&memory);
                    TQuickRep &rep = detailed ? *defs.QuickRep2 : *defs.QuickRep1;
                    rep.ProcessEvents = nullptr;
                    QElapsedTimer t;
                    t.start();
                    TPageStore pages;
                    rep.Run(pages);
                    engine.Add(double(t.nsecsElapsed()) / 1e6);
                    store = pages.MemoryUsed();
                    engineGrown = RssKb() - engineBefore;
                }
                // A breakdown: only walking the main query as the run does, reading the printed texts.
                {
                    kadrolin::data::TQuery &q = *form->ADOQuery1;
                    QElapsedTimer t;
                    t.start();
                    size_t n = 0;
                    for (q.FirstDeferred(); !q.Eof(); q.MoveByDeferred(1))
                        n += q.FieldByName("A_Adi").AsString().size() +
                             q.FieldByName("F_Tel").AsString().size();
                    q.SyncControls();
                    walk.Add(double(t.nsecsElapsed()) / 1e6 + double(n) * 0);
                }
                // The command as the user starts it, until the run is done and page 1 shown.
                form->ADOQuery1->First();
                QCoreApplication::processEvents();
                const long before = RssKb();
                QElapsedTimer t;
                t.start();
                double ms = 0;
                TQRPreview::OnWaiting = [&](TQRPreview *p) {
                    ms = double(t.nsecsElapsed()) / 1e6;
                    pageText = p->PageText();
                    grown = RssKb() - before;
                    p->close();
                };
                if (detailed)
                    DetayYazdir1Click(*form);
                else
                    TelYazdr1Click(*form);
                TQRPreview::OnWaiting = nullptr;
                QCoreApplication::processEvents();
                kept = RssKb() - before;
                command.Add(ms);
            }
            const char *what = detailed ? "detailed report" : "phone list";
            std::printf("%-16s %7d people: \"%s\"  panel \"%s\"\n", what, people, qPrintable(pageText),
                        qPrintable(form->PanelText(0)));
            std::printf("  engine alone   min %9.1f ms  median %9.1f ms\n", engine.Min(), engine.Median());
            std::printf("  query walk     min %9.1f ms  median %9.1f ms   (part of the command)\n",
                        walk.Min(), walk.Median());
            std::printf("  command        min %9.1f ms  median %9.1f ms   ratio min %.2f median %.2f\n",
                        command.Min(), command.Median(), command.Min() / engine.Min(),
                        command.Median() / engine.Median());
            std::printf("  memory: page store %.1f MB; engine alone grew %.1f MB; the command grew %.1f MB "
                        "while open (%.2f x the store), kept %.1f MB after close\n",
                        store / 1048576.0, engineGrown / 1024.0, grown / 1024.0,
                        grown / 1024.0 / (store / 1048576.0), kept / 1024.0);
            std::fflush(stdout);
        }
        form.reset();
    }
    QDir::setCurrent(home);
    return 0;
}
