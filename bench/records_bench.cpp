// The register engine on 100,000 people (10,000 with a ~20 KB photo),
// each figure against the raw SQLite C API doing the same work on the same
// file in the same process. Prints milliseconds and the ratio ours/raw.
#include "platform/data/dataset.h"
#include "records/recordcommands.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace kadrolin;

namespace {

double Ms(const std::function<void()> &f) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long RssKb() {
    std::ifstream in("/proc/self/statm");
    long size = 0, resident = 0;
    in >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void Check(int rc, sqlite3 *db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

void Generate(const std::string &file) {
    records::CreateRegister(file);
    const char *first[] = {"Ahmet",  "Mehmet", "Ayşe",  "Fatma",  "Ali",     "Veli",   "İsmail",  "Işıl",
                           "Çağlar", "Özgür",  "Şule",  "Ümit",   "Gül",     "Hakan",  "Zeynep",  "Emine",
                           "Murat",  "Ece",    "Ömer",  "Yusuf",  "İbrahim", "Hatice", "Mustafa", "Elif",
                           "Burak",  "Cem",    "Deniz", "Gökhan", "Kübra"};
    const char *last[] = {"Yılmaz", "Kaya",  "Demir",   "Şahin",  "Çelik",   "Yıldız", "Yıldırım",
                          "Öztürk", "Aydın", "Özdemir", "Arslan", "Doğan",   "Kılıç",  "Aslan",
                          "Çetin",  "Kara",  "Koç",     "Kurt",   "Özkan",   "Şimşek", "Polat",
                          "Ünal",   "Güneş", "İnce",    "Işık",   "Erdoğan", "Bulut"};
    sqlite3 *db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *st = nullptr;
    Check(sqlite3_prepare_v2(
              db,
              "INSERT INTO tarvelion (A_Adi, A_EvTel, A_Adres, A_Ilce, A_Il, A_CepTel, A_Meslek, "
              "A_Cins, A_Mail, F_Adi, F_Tel, K_TcNo, K_Il, D_Aciklama, A_Resim) VALUES "
              "(?1, ?2, ?3, 'Memur', 'Kadrolu', ?4, 'Öğretmen', ?5, ?6, 'Merkez Okulu', ?7, ?8, "
              "'Ankara', ?9, ?10)",
              -1, &st, nullptr),
          db);
    std::mt19937 rng(42);
    std::string photo(20 * 1024, '\0');
    for (int i = 0; i < 100000; ++i) {
        std::string name = std::string(first[rng() % std::size(first)]) + " " + last[rng() % std::size(last)];
        std::string tel = "0312 " + std::to_string(1000000 + rng() % 8999999);
        std::string adres = "Atatürk Cad. No:" + std::to_string(rng() % 300) + " Çankaya";
        std::string cep = "0532 " + std::to_string(1000000 + rng() % 8999999);
        std::string mail = "kisi" + std::to_string(i) + "@example.com";
        std::string sicil = std::to_string(100000 + i);
        std::string tc = std::to_string(10000000000LL + i * 7LL);
        std::string note = i % 10 == 0 ? "Görev yeri değişikliği talebi var." : "";
        sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, tel.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, adres.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, cep.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 5, i % 2 ? "Erkek" : "Bayan", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 6, mail.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 7, sicil.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 8, tc.c_str(), -1, SQLITE_TRANSIENT);
        if (note.empty())
            sqlite3_bind_null(st, 9);
        else
            sqlite3_bind_text(st, 9, note.c_str(), -1, SQLITE_TRANSIENT);
        if (i % 10 == 0) {
            for (auto &c : photo)
                c = static_cast<char>(rng());
            sqlite3_bind_blob(st, 10, photo.data(), static_cast<int>(photo.size()), SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_null(st, 10);
        }
        Check(sqlite3_step(st), db);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// The raw side: step a statement and read every column of every row, as a
// client-side result has to; keep=true holds the rows in memory as well.
struct TRaw {
    sqlite3 *Db = nullptr;
    explicit TRaw(const std::string &file) {
        sqlite3_open_v2(file.c_str(), &Db, SQLITE_OPEN_READWRITE, nullptr);
        data::RegisterTurkishFunctions(Db);
        sqlite3_exec(Db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    }
    ~TRaw() { sqlite3_close(Db); }
    size_t Run(const char *sql, const std::string *param, std::vector<std::vector<std::string>> *keep) {
        sqlite3_stmt *st = nullptr;
        Check(sqlite3_prepare_v2(Db, sql, -1, &st, nullptr), Db);
        if (param) sqlite3_bind_text(st, 1, param->c_str(), -1, SQLITE_TRANSIENT);
        size_t rows = 0, bytes = 0;
        const int n = sqlite3_column_count(st);
        while (sqlite3_step(st) == SQLITE_ROW) {
            ++rows;
            std::vector<std::string> row;
            for (int i = 0; i < n; ++i) {
                const void *p = sqlite3_column_blob(st, i);
                int len = sqlite3_column_bytes(st, i);
                bytes += static_cast<size_t>(len);
                if (keep) row.emplace_back(static_cast<const char *>(p ? p : ""), static_cast<size_t>(len));
            }
            if (keep) keep->push_back(std::move(row));
        }
        sqlite3_finalize(st);
        return rows + bytes * 0;
    }
};

void Line(const char *what, double ours, double raw, const char *unit = "ms") {
    std::printf("%-34s ours %9.2f %s   raw %9.2f %s   ratio %.2f\n", what, ours, unit, raw, unit, ours / raw);
}

} // namespace

int main(int argc, char **argv) {
    std::string dir =
        argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "kadrolin-bench").string();
    std::filesystem::create_directories(dir);
    std::string file = dir + "/Data.mdb";
    if (!std::filesystem::exists(file)) {
        std::printf("generating 100,000 people in %s ...\n", file.c_str());
        Generate(file);
    }
    const int kRuns = 5;
    const auto ordered = records::OrderedStatement();

    // Memory first, while the process is small: our open against holding the raw result.
    long before = RssKb();
    data::TQuery q("ADOQuery1");
    q.SetDatabaseName(file);
    records::RunStatement(q, ordered);
    long oursKb = RssKb() - before;
    before = RssKb();
    long rawKb = 0;
    {
        TRaw raw(file);
        std::vector<std::vector<std::string>> rows;
        raw.Run(ordered.Sql.c_str(), nullptr, &rows);
        rawKb = RssKb() - before;
    }
    std::printf("rows: %d\n", q.RecordCount());
    Line("resident memory after open", oursKb / 1024.0, std::max(1L, rawKb) / 1024.0, "MB");

    TRaw raw(file);
    {
        std::vector<double> o, r;
        for (int i = 0; i < kRuns; ++i) {
            o.push_back(Ms([&] {
                records::RunStatement(q, ordered);
                for (int k = 0; k < 15; ++k) // what the grid shows
                    q.TextAt(k, q.FieldByName("A_Adi").Index());
            }));
            r.push_back(Ms([&] { raw.Run(ordered.Sql.c_str(), nullptr, nullptr); }));
        }
        Line("open, sorted by name", Median(o), Median(r));
        // The stricter baseline: raw stepping of only the keys of the same statement.
        const std::string keys = "SELECT Id FROM (" + ordered.Sql + ")";
        std::vector<double> k;
        for (int i = 0; i < kRuns; ++i)
            k.push_back(Ms([&] { raw.Run(keys.c_str(), nullptr, nullptr); }));
        Line("  same, against raw keys only", Median(o), Median(k));
    }
    for (const char *prefix : {"A", "Ay", "Ayş", "İ", "Işı"}) {
        const auto search = records::SearchStatement(prefix);
        const std::string pattern = std::string(prefix) + "%";
        std::vector<double> o, r;
        int count = 0;
        for (int i = 0; i < kRuns; ++i) {
            o.push_back(Ms([&] {
                records::RunStatement(q, search);
                count = q.RecordCount();
                for (int k = 0; k < std::min(15, count); ++k)
                    q.TextAt(k, q.FieldByName("A_Adi").Index());
            }));
            r.push_back(Ms([&] { raw.Run(search.Sql.c_str(), &pattern, nullptr); }));
        }
        char what[64];
        std::snprintf(what, sizeof what, "keystroke \"%s\" (%d rows)", prefix, count);
        Line(what, Median(o), Median(r));
        const std::string keys = "SELECT Id FROM (" + search.Sql + ")";
        std::vector<double> k;
        for (int i = 0; i < kRuns; ++i)
            k.push_back(Ms([&] { raw.Run(keys.c_str(), &pattern, nullptr); }));
        Line("  same, against raw keys only", Median(o), Median(k));
    }
    {
        records::RunStatement(q, ordered);
        q.SetRecNo(500);
        std::vector<double> o, r;
        sqlite3_stmt *st = nullptr;
        Check(sqlite3_prepare_v2(raw.Db, "UPDATE tarvelion SET A_EvTel = ?1 WHERE Id = ?2", -1, &st, nullptr),
              raw.Db);
        const long long id = std::stoll(q.FieldByName("Id").AsString()) + 1;
        for (int i = 0; i < kRuns * 2; ++i) {
            o.push_back(Ms([&] {
                q.Edit();
                q.FieldByName("A_EvTel").SetAsString("0312 " + std::to_string(i));
                q.Post();
            }));
            r.push_back(Ms([&] {
                sqlite3_exec(raw.Db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
                std::string v = "0312 " + std::to_string(i);
                sqlite3_bind_text(st, 1, v.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_int64(st, 2, id);
                Check(sqlite3_step(st), raw.Db);
                sqlite3_reset(st);
                sqlite3_exec(raw.Db, "COMMIT", nullptr, nullptr, nullptr);
            }));
        }
        sqlite3_finalize(st);
        Line("post of one edited row", Median(o), Median(r));
    }
    return 0;
}
