// The register engine on 100,000 and 1,000,000 people, each figure against
// the true floor on the same file in the same process, interleaved and
// repeated (min and median):
//  - a search keystroke (statement run, count known, the visible names read)
//    against stepping the keys of a prefix range of the plain name index;
//  - the sorted open against a walk of the plain name index;
//  - a post against the raw UPDATE; resident memory of an open result.
//
//   records_bench [dir] [people ...]     (default: 100000 1000000)
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

void Generate(const std::string &file, int people) {
    // Photos (~20 KB) for every tenth of 100,000, for every thousandth beyond.
    const int photoEvery = people > 100000 ? 1000 : 10;
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
    for (int i = 0; i < people; ++i) {
        std::string name = std::string(first[rng() % std::size(first)]) + " " + last[rng() % std::size(last)];
        std::string tel = "0312 " + std::to_string(1000000 + rng() % 8999999);
        std::string adres = "Atatürk Cad. No:" + std::to_string(rng() % 300) + " Çankaya";
        std::string cep = "0532 " + std::to_string(1000000 + rng() % 8999999);
        std::string mail = "kisi" + std::to_string(i) + "@example.com";
        std::string sicil = std::to_string(100000 + i);
        std::string tc = std::to_string(10000000000LL + i * 7LL);
        std::string note = i % photoEvery == 0 ? "Görev yeri değişikliği talebi var." : "";
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
        if (i % photoEvery == 0) {
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

struct TFigures {
    std::vector<double> Ms;
    double Min() const { return *std::min_element(Ms.begin(), Ms.end()); }
    double Median() const { return ::Median(Ms); }
};

void Line(const std::string &what, const TFigures &ours, const TFigures &floor) {
    std::printf(
        "%-30s ours min %8.2f med %8.2f ms | floor min %8.2f med %8.2f ms | ratio min %5.2f med %5.2f\n",
        what.c_str(), ours.Min(), ours.Median(), floor.Min(), floor.Median(), ours.Min() / floor.Min(),
        ours.Median() / floor.Median());
}

// The floor: step the keys of a statement on a plain connection, keeping them as a result must.
struct TRaw {
    sqlite3 *Db = nullptr;
    explicit TRaw(const std::string &file) {
        sqlite3_open_v2(file.c_str(), &Db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(Db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    }
    ~TRaw() { sqlite3_close(Db); }
    size_t Keys(const char *sql, const std::vector<std::string> &params = {}) {
        sqlite3_stmt *st = nullptr;
        Check(sqlite3_prepare_v2(Db, sql, -1, &st, nullptr), Db);
        for (size_t i = 0; i < params.size(); ++i)
            sqlite3_bind_text(st, int(i + 1), params[i].data(), int(params[i].size()), SQLITE_TRANSIENT);
        std::vector<long long> keys;
        while (sqlite3_step(st) == SQLITE_ROW)
            keys.push_back(sqlite3_column_int64(st, 0));
        sqlite3_finalize(st);
        return keys.size();
    }
};

// The byte range of names that begin with the prefix as typed.
std::vector<std::string> ByteRange(const std::string &prefix) {
    std::string hi = prefix;
    hi.back() = static_cast<char>(static_cast<unsigned char>(hi.back()) + 1);
    return {prefix, hi};
}

void Bench(const std::string &dir, int people, int runs) {
    std::filesystem::create_directories(dir);
    const std::string file = dir + "/Data.mdb";
    if (!std::filesystem::exists(file)) {
        std::printf("generating %d people in %s ...\n", people, file.c_str());
        Generate(file, people);
    }
    const auto ordered = records::OrderedStatement();
    const long before = RssKb();
    data::TQuery q("ADOQuery1");
    q.SetDatabaseName(file);
    std::printf("%d people\n", people);
    // The first open of a register without the Turkish index builds it (once).
    std::printf("  first sorted open (builds the index if missing): %.0f ms\n",
                Ms([&] { records::RunStatement(q, ordered); }));
    std::printf("  resident memory of the open result: %.1f MB, %.1f bytes a person\n",
                (RssKb() - before) / 1024.0, (RssKb() - before) * 1024.0 / q.RecordCount());
    TRaw raw(file);
    auto visible = [&] {
        for (int k = 0; k < std::min(15, q.RecordCount()); ++k)
            q.TextAt(k, q.FieldByName("A_Adi").Index());
    };
    {
        TFigures o, f;
        for (int i = 0; i < runs; ++i) {
            o.Ms.push_back(Ms([&] {
                records::RunStatement(q, ordered);
                visible();
            }));
            f.Ms.push_back(
                Ms([&] { raw.Keys("SELECT Id FROM tarvelion INDEXED BY tarvelion_A_Adi ORDER BY A_Adi"); }));
        }
        Line("sorted open / index walk", o, f);
    }
    for (const char *prefix : {"A", "Ay", "Ayş", "İ", "Işı", "M", "Me", "Meh", "Z"}) {
        const auto search = records::SearchStatement(prefix);
        TFigures o, f;
        int count = 0;
        size_t floorCount = 0;
        for (int i = 0; i < runs; ++i) {
            o.Ms.push_back(Ms([&] {
                records::RunStatement(q, search);
                count = q.RecordCount();
                visible();
            }));
            f.Ms.push_back(Ms([&] {
                floorCount =
                    raw.Keys("SELECT Id FROM tarvelion WHERE A_Adi >= ?1 AND A_Adi < ?2", ByteRange(prefix));
            }));
        }
        char what[96];
        std::snprintf(what, sizeof what, "keystroke \"%s\" %d/%zu rows", prefix, count, floorCount);
        Line(what, o, f);
    }
    {
        records::RunStatement(q, ordered);
        q.SetRecNo(500);
        TFigures o, f;
        sqlite3_stmt *st = nullptr;
        Check(sqlite3_prepare_v2(raw.Db, "UPDATE tarvelion SET A_EvTel = ?1 WHERE Id = ?2", -1, &st, nullptr),
              raw.Db);
        const long long id = std::stoll(q.FieldByName("Id").AsString()) + 1;
        for (int i = 0; i < runs * 3; ++i) {
            o.Ms.push_back(Ms([&] {
                q.Edit();
                q.FieldByName("A_EvTel").SetAsString("0312 " + std::to_string(i));
                q.Post();
            }));
            f.Ms.push_back(Ms([&] {
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
        Line("post of one edited row", o, f);
    }
}

} // namespace

int main(int argc, char **argv) {
    std::string dir = (std::filesystem::temp_directory_path() / "kadrolin-bench").string();
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (std::isdigit(static_cast<unsigned char>(argv[i][0])))
            sizes.push_back(std::atoi(argv[i]));
        else
            dir = argv[i];
    }
    if (sizes.empty()) sizes = {100000, 1000000};
    for (int people : sizes)
        Bench(dir + "-" + std::to_string(people), people, 7);
    return 0;
}
