#include "exchange/backup.h"

#include "exchange/exchange.h"
#include "platform/data/database.h"
#include "records/recordlayout.h"

#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <set>

namespace kadrolin::exchange {

namespace fs = std::filesystem;

namespace {

struct TConnectionCloser {
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
using TConnection = std::unique_ptr<sqlite3, TConnectionCloser>;

std::string Quoted(const std::string &name) {
    return "'" + name + "'";
}

TConnection OpenRaw(const std::string &fileName, int flags) {
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(fileName.c_str(), &db, flags, nullptr);
    TConnection c(db);
    if (rc != SQLITE_OK)
        throw EExchangeError(Quoted(fileName) + " açılamadı: " + (db ? sqlite3_errmsg(db) : "out of memory"));
    sqlite3_busy_timeout(db, 5000);
    return c;
}

// Copies every page of from into to in one consistent read of from. A writer
// holding the file only delays the copy; it never sees it half-done.
void CopyPages(sqlite3 *from, sqlite3 *to, const std::string &what) {
    sqlite3_backup *b = sqlite3_backup_init(to, "main", from, "main");
    if (!b) throw EExchangeError(what + ": " + sqlite3_errmsg(to));
    int rc;
    int busyRounds = 0;
    while ((rc = sqlite3_backup_step(b, -1)) == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        if (++busyRounds > 100) break; // about ten seconds of another program's write
        sqlite3_sleep(100);
    }
    sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE) throw EExchangeError(what + ": " + sqlite3_errstr(rc));
}

void Exec(sqlite3 *db, const char *sql, const std::string &what) {
    char *err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(db);
        sqlite3_free(err);
        throw EExchangeError(what + ": " + msg);
    }
}

long long CountPeople(sqlite3 *db) {
    sqlite3_stmt *st = nullptr;
    long long n = 0;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM tarvelion", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return n;
}

// Writes a copy of the open database from into file, under a temporary name
// beside it first, then renamed over it: file is either the old one or the
// whole new copy. The copy is a single self-contained file, owner-only.
void WriteCopy(sqlite3 *from, const std::string &file, const std::string &what) {
    fs::path target(file);
    fs::path temp = target;
    temp += ".yeni";
    std::error_code ec;
    fs::remove(temp, ec);
    try {
        {
            TConnection to = OpenRaw(temp.string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
            CopyPages(from, to.get(), what);
            Exec(to.get(), "PRAGMA journal_mode=DELETE", what);
        }
        fs::permissions(temp, fs::perms::owner_read | fs::perms::owner_write, ec);
        fs::rename(temp, target);
    } catch (const fs::filesystem_error &e) {
        fs::remove(temp, ec);
        throw EExchangeError(what + ": " + e.code().message());
    } catch (...) {
        fs::remove(temp, ec);
        throw;
    }
}

bool SameFile(const std::string &a, const std::string &b) {
    std::error_code ec;
    return fs::exists(a, ec) && fs::exists(b, ec) && fs::equivalent(a, b, ec);
}

} // namespace

std::string PreviousRegisterName(const std::string &registerFile) {
    return registerFile + ".önceki";
}

void CheckRegisterFile(const std::string &fileName) {
    const std::string notOurs = Quoted(fileName) + " bir Kadrolin kayıt dosyası değil";
    std::unique_ptr<data::TDatabase> db;
    try {
        db = std::make_unique<data::TDatabase>(fileName);
    } catch (const data::EDatabaseError &e) {
        throw EExchangeError(notOurs + ". " + e.what());
    }
    std::set<std::string> columns;
    try {
        auto st = db->Prepare("PRAGMA table_info(tarvelion)");
        while (st.Step())
            columns.insert(st.Column(1).Bytes);
    } catch (const data::EDatabaseError &e) {
        throw EExchangeError(notOurs + ". " + e.what());
    }
    if (columns.empty()) throw EExchangeError(notOurs + ": \"tarvelion\" tablosu yok.");
    for (const auto &c : records::RecordLayout())
        if (!columns.contains(c.FieldName))
            throw EExchangeError(notOurs + ": \"tarvelion\" tablosunda " + c.FieldName + " sütunu yok.");
    std::optional<data::TValue> check;
    try {
        check = db->ScalarValue("PRAGMA quick_check");
    } catch (const data::EDatabaseError &e) {
        throw EExchangeError(notOurs + " (dosya bozuk). " + e.what());
    }
    if (!check || check->Bytes != "ok")
        throw EExchangeError(notOurs + " (dosya bozuk). " + (check ? check->Bytes : std::string()));
}

long long BackupRegister(const std::string &registerFile, const std::string &dest) {
    CheckRegisterFile(registerFile);
    if (SameFile(registerFile, dest))
        throw EExchangeError("Yedek, kayıt dosyasının kendisinin üzerine yazılamaz.");
    TConnection from = OpenRaw(registerFile, SQLITE_OPEN_READONLY);
    WriteCopy(from.get(), dest, Quoted(dest) + " yedeği yazılamadı");
    return CountPeople(from.get());
}

long long RestoreRegister(const std::string &source, const std::string &registerFile) {
    CheckRegisterFile(source);
    if (SameFile(source, registerFile)) throw EExchangeError("Yedek dosyası, kayıt dosyasının kendisi.");
    TConnection from = OpenRaw(source, SQLITE_OPEN_READONLY);
    std::error_code ec;
    if (!fs::exists(registerFile, ec)) {
        WriteCopy(from.get(), registerFile, Quoted(registerFile) + " yazılamadı");
        return CountPeople(from.get());
    }
    // Keep what is replaced: through the backup API when it is a database
    // (so pages still in the write-ahead log are kept too), else its bytes.
    const std::string previous = PreviousRegisterName(registerFile);
    const std::string keepWhat = Quoted(previous) + " yazılamadı";
    bool isDatabase = true;
    try {
        CheckRegisterFile(registerFile);
    } catch (const EExchangeError &) {
        isDatabase = false;
    }
    if (isDatabase) {
        TConnection current = OpenRaw(registerFile, SQLITE_OPEN_READONLY);
        WriteCopy(current.get(), previous, keepWhat);
    } else {
        fs::copy_file(registerFile, previous, fs::copy_options::overwrite_existing, ec);
        if (ec) throw EExchangeError(keepWhat + ": " + ec.message());
    }
    if (isDatabase) {
        // Into the live file, so a running program's connection sees the restored register.
        TConnection to = OpenRaw(registerFile, SQLITE_OPEN_READWRITE);
        CopyPages(from.get(), to.get(), Quoted(registerFile) + " geri yüklenemedi");
    } else {
        WriteCopy(from.get(), registerFile, Quoted(registerFile) + " geri yüklenemedi");
    }
    return CountPeople(from.get());
}

} // namespace kadrolin::exchange
