#include "platform/data/database.h"

#include "platform/data/privatefiles.h"

#include <sqlite3.h>
#include <unicode/uchar.h>
#include <unicode/ucol.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace kadrolin::data {

// ---------------------------------------------------------------- statements

TStatement::TStatement(sqlite3 *db, const std::string &sql) : FDb(db) {
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &FStmt, nullptr) != SQLITE_OK) {
        std::string msg = sqlite3_errmsg(db);
        sqlite3_finalize(FStmt);
        FStmt = nullptr;
        throw EDatabaseError(msg);
    }
    if (!FStmt) throw EDatabaseError("Statement is empty");
}

TStatement::~TStatement() {
    sqlite3_finalize(FStmt);
}

TStatement::TStatement(TStatement &&o) noexcept : FDb(o.FDb), FStmt(o.FStmt) {
    o.FStmt = nullptr;
}

TStatement &TStatement::operator=(TStatement &&o) noexcept {
    if (this != &o) {
        sqlite3_finalize(FStmt);
        FDb = o.FDb;
        FStmt = o.FStmt;
        o.FStmt = nullptr;
    }
    return *this;
}

void TStatement::Bind(int index, const TValue &v) {
    int rc = SQLITE_OK;
    switch (v.Kind) {
    case TValue::vkNull:
        rc = sqlite3_bind_null(FStmt, index);
        break;
    case TValue::vkInteger:
        rc = sqlite3_bind_int64(FStmt, index, v.Integer);
        break;
    case TValue::vkText:
        rc = sqlite3_bind_text(FStmt, index, v.Bytes.data(), static_cast<int>(v.Bytes.size()),
                               SQLITE_TRANSIENT);
        break;
    case TValue::vkBlob:
        rc = sqlite3_bind_blob(FStmt, index, v.Bytes.data(), static_cast<int>(v.Bytes.size()),
                               SQLITE_TRANSIENT);
        break;
    }
    if (rc != SQLITE_OK) throw EDatabaseError(sqlite3_errmsg(FDb));
}

void TStatement::BindAll(const std::vector<TValue> &values) {
    if (static_cast<int>(values.size()) > sqlite3_bind_parameter_count(FStmt))
        throw EDatabaseError("Too many parameters for the statement");
    for (size_t i = 0; i < values.size(); ++i)
        Bind(static_cast<int>(i + 1), values[i]);
}

bool TStatement::Step() {
    int rc = sqlite3_step(FStmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    std::string msg = sqlite3_errmsg(FDb);
    sqlite3_reset(FStmt);
    throw EDatabaseError(msg);
}

void TStatement::Reset() {
    sqlite3_reset(FStmt);
    sqlite3_clear_bindings(FStmt);
}

int TStatement::ColumnCount() const {
    return sqlite3_column_count(FStmt);
}

TValue TStatement::Column(int i) const {
    switch (sqlite3_column_type(FStmt, i)) {
    case SQLITE_NULL:
        return TValue::Null();
    case SQLITE_INTEGER:
        return TValue::Int(sqlite3_column_int64(FStmt, i));
    case SQLITE_BLOB: {
        auto p = static_cast<const char *>(sqlite3_column_blob(FStmt, i));
        int n = sqlite3_column_bytes(FStmt, i);
        return TValue::Blob(std::string(p ? p : "", static_cast<size_t>(n)));
    }
    default: {
        auto p = reinterpret_cast<const char *>(sqlite3_column_text(FStmt, i));
        int n = sqlite3_column_bytes(FStmt, i);
        return TValue::Text(std::string(p ? p : "", static_cast<size_t>(n)));
    }
    }
}

long long TStatement::ColumnInt(int i) const {
    return sqlite3_column_int64(FStmt, i);
}

// ---------------------------------------------------------------- Turkish functions

namespace {

char32_t DecodeUtf8(std::string_view s, size_t &i) {
    auto b = static_cast<unsigned char>(s[i]);
    auto bad = [&] {
        ++i;
        return static_cast<char32_t>(0xDC00 + b); // a lone byte keeps its identity
    };
    if (b < 0x80) {
        ++i;
        return b;
    }
    int len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
    if (len == 0 || i + len > s.size()) return bad();
    char32_t c = b & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        auto t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) return bad();
        c = (c << 6) | (t & 0x3F);
    }
    i += len;
    return c;
}

// Turkish case folding of one character: I and ı are one letter, İ and i another.
inline char32_t FoldTr(char32_t c) {
    if (c < 0x80) {
        if (c == 'I') return 0x131;
        if (c >= 'A' && c <= 'Z') return c + 32;
        return c;
    }
    if (c == 0x130) return 'i';
    if (c >= 0xDC00 && c <= 0xDCFF) return c;
    return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

struct TFoldedPattern {
    std::string Source;
    std::vector<char32_t> Chars;
    std::vector<bool> Literal; // escaped wildcard characters
    // Characters before a tail of only '%' with no wildcard among them (a typed
    // search: "Ali%"); -1 for any other pattern.
    int PrefixLength = -1;
};

TFoldedPattern FoldPattern(std::string_view pattern, char32_t escape) {
    TFoldedPattern p;
    p.Source = pattern;
    size_t i = 0;
    while (i < pattern.size()) {
        char32_t c = DecodeUtf8(pattern, i);
        bool literal = false;
        if (escape && c == escape && i < pattern.size()) {
            c = DecodeUtf8(pattern, i);
            literal = true;
        }
        p.Chars.push_back(FoldTr(c));
        p.Literal.push_back(literal);
    }
    size_t tail = p.Chars.size();
    while (tail > 0 && !p.Literal[tail - 1] && p.Chars[tail - 1] == U'%')
        --tail;
    if (tail < p.Chars.size()) {
        p.PrefixLength = static_cast<int>(tail);
        for (size_t k = 0; k < tail; ++k)
            if (!p.Literal[k] && (p.Chars[k] == U'%' || p.Chars[k] == U'_')) p.PrefixLength = -1;
    }
    return p;
}

// "prefix%": only as many characters of the text are folded as the prefix has.
bool MatchPrefix(const TFoldedPattern &p, std::string_view text) {
    size_t i = 0;
    for (int k = 0; k < p.PrefixLength; ++k) {
        if (i >= text.size() || FoldTr(DecodeUtf8(text, i)) != p.Chars[static_cast<size_t>(k)]) return false;
    }
    return true;
}

bool MatchFolded(const TFoldedPattern &p, std::string_view text) {
    if (p.PrefixLength >= 0) return MatchPrefix(p, text);
    // One buffer per thread, reused: a keystroke search calls this once per row.
    thread_local std::vector<char32_t> buf;
    buf.clear();
    size_t i = 0;
    while (i < text.size())
        buf.push_back(FoldTr(DecodeUtf8(text, i)));
    const char32_t *t = buf.data();
    const size_t n = buf.size();

    // Greedy match with backtracking to the last '%'.
    size_t pi = 0, ti = 0, starP = SIZE_MAX, starT = 0;
    const size_t pn = p.Chars.size();
    while (ti < n) {
        if (pi < pn && !p.Literal[pi] && p.Chars[pi] == U'%') {
            starP = ++pi;
            starT = ti;
        } else if (pi < pn && ((!p.Literal[pi] && p.Chars[pi] == U'_') || p.Chars[pi] == t[ti])) {
            ++pi;
            ++ti;
        } else if (starP != SIZE_MAX) {
            pi = starP;
            ti = ++starT;
        } else {
            return false;
        }
    }
    while (pi < pn && !p.Literal[pi] && p.Chars[pi] == U'%')
        ++pi;
    return pi == pn;
}

void LikeFunction(sqlite3_context *ctx, int argc, sqlite3_value **argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return; // NULL result
    char32_t escape = 0;
    if (argc == 3) {
        auto e = reinterpret_cast<const char *>(sqlite3_value_text(argv[2]));
        std::string_view es(e ? e : "", static_cast<size_t>(sqlite3_value_bytes(argv[2])));
        size_t i = 0;
        if (es.empty() || (DecodeUtf8(es, i), i != es.size())) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
        i = 0;
        escape = DecodeUtf8(es, i);
    }
    auto pt = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    std::string_view pattern(pt ? pt : "", static_cast<size_t>(sqlite3_value_bytes(argv[0])));
    auto *cached = static_cast<TFoldedPattern *>(sqlite3_get_auxdata(ctx, 0));
    if (!cached || cached->Source != pattern) {
        cached = new TFoldedPattern(FoldPattern(pattern, escape));
        sqlite3_set_auxdata(ctx, 0, cached, [](void *p) { delete static_cast<TFoldedPattern *>(p); });
        cached = static_cast<TFoldedPattern *>(sqlite3_get_auxdata(ctx, 0));
        if (!cached) { // the engine dropped it at once (pattern not constant)
            TFoldedPattern local = FoldPattern(pattern, escape);
            auto tt = reinterpret_cast<const char *>(sqlite3_value_text(argv[1]));
            std::string_view text(tt ? tt : "", static_cast<size_t>(sqlite3_value_bytes(argv[1])));
            sqlite3_result_int(ctx, MatchFolded(local, text) ? 1 : 0);
            return;
        }
    }
    auto tt = reinterpret_cast<const char *>(sqlite3_value_text(argv[1]));
    std::string_view text(tt ? tt : "", static_cast<size_t>(sqlite3_value_bytes(argv[1])));
    sqlite3_result_int(ctx, MatchFolded(*cached, text) ? 1 : 0);
}

int CollateTr(void *arg, int la, const void *a, int lb, const void *b) {
    UErrorCode status = U_ZERO_ERROR;
    auto r = ucol_strcollUTF8(static_cast<UCollator *>(arg), static_cast<const char *>(a), la,
                              static_cast<const char *>(b), lb, &status);
    if (U_FAILURE(status)) { // ill-formed text: fall back to byte order, still a total order
        int c = std::memcmp(a, b, static_cast<size_t>(std::min(la, lb)));
        return c != 0 ? c : la - lb;
    }
    return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

} // namespace

bool TurkishLike(std::string_view pattern, std::string_view text, char32_t escape) {
    return MatchFolded(FoldPattern(pattern, escape), text);
}

void RegisterTurkishFunctions(sqlite3 *db) {
    UErrorCode status = U_ZERO_ERROR;
    UCollator *coll = ucol_open("tr", &status);
    if (U_FAILURE(status))
        throw EDatabaseError(std::string("Turkish collation is not available: ") + u_errorName(status));
    if (sqlite3_create_collation_v2(db, "TR", SQLITE_UTF8, coll, CollateTr,
                                    [](void *p) { ucol_close(static_cast<UCollator *>(p)); }) != SQLITE_OK) {
        ucol_close(coll);
        throw EDatabaseError(sqlite3_errmsg(db));
    }
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    if (sqlite3_create_function(db, "like", 2, flags, nullptr, LikeFunction, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_create_function(db, "like", 3, flags, nullptr, LikeFunction, nullptr, nullptr) != SQLITE_OK)
        throw EDatabaseError(sqlite3_errmsg(db));
}

// ---------------------------------------------------------------- connection

namespace {

std::string Quoted(const std::string &fileName) {
    return "'" + fileName + "'";
}

// Looks at the file before the engine does, so a foreign file gets a message
// that names it and is never written.
void CheckFileKind(const std::string &fileName) {
    namespace fs = std::filesystem;
    std::error_code ec;
    auto status = fs::status(fileName, ec);
    if (ec || !fs::exists(status))
        throw EDatabaseError("Could not find file " + Quoted(fs::absolute(fileName, ec).string()) + ".");
    if (!fs::is_regular_file(status)) throw EDatabaseError(Quoted(fileName) + " is not a file.");
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EDatabaseError("Cannot read file " + Quoted(fileName) + ": permission denied.");
    char head[32] = {};
    in.read(head, sizeof head);
    auto got = static_cast<size_t>(in.gcount());
    if (got == 0) throw EDatabaseError(Quoted(fileName) + " is empty: it holds no database.");
    std::string_view h(head, got);
    if (got >= 19 && h.substr(0, 4) == std::string_view("\0\x01\0\0", 4) &&
        (h.substr(4, 15) == "Standard Jet DB" || h.substr(4, 15) == "Standard ACE DB"))
        throw EDatabaseError(Quoted(fileName) +
                             " is an Access (Jet) database of an older program version. It cannot be opened "
                             "directly; convert its table into a new register. The file was not changed.");
    if (got < 16 || h.substr(0, 16) != std::string_view("SQLite format 3\0", 16))
        throw EDatabaseError(
            Quoted(fileName) +
            " is not a database of this program (unknown file format). The file was not changed.");
}

} // namespace

TDatabase::TDatabase(const std::string &fileName, int busyTimeoutMs) : FFileName(fileName) {
    CheckFileKind(fileName);
    // A register made by an older version, or under a loose umask, is readable by everybody.
    TightenRegisterFiles(fileName);
    int rc = sqlite3_open_v2(fileName.c_str(), &FDb, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = FDb ? sqlite3_errmsg(FDb) : "out of memory";
        sqlite3_close(FDb);
        throw EDatabaseError("Cannot open " + Quoted(fileName) + ": " + msg);
    }
    try {
        sqlite3_extended_result_codes(FDb, 1);
        sqlite3_busy_timeout(FDb, busyTimeoutMs);
        RegisterTurkishFunctions(FDb);
        // Reading the schema first: a damaged file fails here, before anything is written.
        Exec("SELECT count(*) FROM sqlite_master");
        Exec("PRAGMA synchronous=FULL");
    } catch (const EDatabaseError &e) {
        sqlite3_close(FDb);
        FDb = nullptr;
        throw EDatabaseError("Cannot open " + Quoted(fileName) + ": " + e.what());
    }
}

TDatabase::~TDatabase() {
    sqlite3_close_v2(FDb);
}

void TDatabase::Create(const std::string &fileName, const std::string &schemaSql) {
    std::error_code ec;
    if (std::filesystem::exists(fileName, ec)) throw EDatabaseError(Quoted(fileName) + " already exists.");
    // Made here, owner-only, before the engine sees it: the engine would make it through the umask.
    if (!CreateOwnerOnlyFile(fileName))
        throw EDatabaseError("Cannot create " + Quoted(fileName) + ": " + std::strerror(errno));
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(fileName.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        std::string msg = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        std::filesystem::remove(fileName, ec);
        throw EDatabaseError("Cannot create " + Quoted(fileName) + ": " + msg);
    }
    char *err = nullptr;
    if (sqlite3_exec(db, schemaSql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "unknown error";
        sqlite3_free(err);
        sqlite3_close(db);
        std::filesystem::remove(fileName, ec);
        throw EDatabaseError("Cannot create " + Quoted(fileName) + ": " + msg);
    }
    sqlite3_close(db);
}

void TDatabase::BeginWrite() {
    // The write-ahead log is switched on by the first write, not by opening:
    // a file that turns out not to be a register is never changed.
    if (!FWalChecked) {
        FWalChecked = true;
        auto mode = ScalarValue("PRAGMA journal_mode");
        if (!mode || mode->Bytes != "wal") {
            try {
                Exec("PRAGMA journal_mode=WAL");
            } catch (const EDatabaseError &) {
                // A write-protected directory keeps the rollback journal; still consistent.
            }
        }
    }
    Exec("BEGIN IMMEDIATE");
}

bool TDatabase::ReadOnly() const {
    return sqlite3_db_readonly(FDb, "main") == 1;
}

void TDatabase::Exec(const std::string &sql) {
    char *err = nullptr;
    if (sqlite3_exec(FDb, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(FDb);
        sqlite3_free(err);
        throw EDatabaseError(msg);
    }
}

std::optional<TValue> TDatabase::ScalarValue(const std::string &sql, const std::vector<TValue> &params) {
    TStatement st(FDb, sql);
    st.BindAll(params);
    if (!st.Step()) return std::nullopt;
    return st.Column(0);
}

long long TDatabase::LastInsertRowId() const {
    return sqlite3_last_insert_rowid(FDb);
}
int TDatabase::Changes() const {
    return sqlite3_changes(FDb);
}
std::string TDatabase::LastError() const {
    return sqlite3_errmsg(FDb);
}

void TDatabase::Fail(const std::string &context) const {
    throw EDatabaseError(context.empty() ? LastError() : context + ": " + LastError());
}

} // namespace kadrolin::data
