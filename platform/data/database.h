#pragma once
// One SQLite connection with the rules every connection of this program
// follows: the Turkish collation "TR" and a Turkish case-insensitive like()
// registered right after opening, write-ahead log with full synchronous
// writes, and a short busy wait for a second writer.
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace kadrolin::data {

// Every failure of the data layer.
class EDatabaseError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A value bound to a statement parameter or read from a column.
struct TValue {
    enum TKind { vkNull, vkInteger, vkText, vkBlob };
    TKind Kind = vkNull;
    long long Integer = 0;
    std::string Bytes; // text (UTF-8) or blob bytes

    static TValue Null() { return {}; }
    static TValue Int(long long v) { return {vkInteger, v, {}}; }
    static TValue Text(std::string s) { return {vkText, 0, std::move(s)}; }
    static TValue Blob(std::string b) { return {vkBlob, 0, std::move(b)}; }
    bool IsNull() const { return Kind == vkNull; }
    bool operator==(const TValue &) const = default;
};

// A prepared statement owned by its connection's user; finalised on destruction.
class TStatement {
  public:
    TStatement() = default;
    TStatement(sqlite3 *db, const std::string &sql);
    ~TStatement();
    TStatement(TStatement &&o) noexcept;
    TStatement &operator=(TStatement &&o) noexcept;
    TStatement(const TStatement &) = delete;
    TStatement &operator=(const TStatement &) = delete;

    void Bind(int index, const TValue &v); // 1-based
    void BindAll(const std::vector<TValue> &values);
    // One step: true while a row is there.
    bool Step();
    void Reset();
    int ColumnCount() const;
    TValue Column(int i) const;
    long long ColumnInt(int i) const;
    sqlite3_stmt *Handle() const { return FStmt; }

  private:
    sqlite3 *FDb = nullptr;
    sqlite3_stmt *FStmt = nullptr;
};

class TDatabase {
  public:
    // Opens an existing database file; never creates one. A file that is not
    // an SQLite database (an old Access file, anything else) is refused with
    // a message that says what it is, and left untouched.
    explicit TDatabase(const std::string &fileName, int busyTimeoutMs = 2000);
    ~TDatabase();
    TDatabase(const TDatabase &) = delete;
    TDatabase &operator=(const TDatabase &) = delete;

    // Creates a new database file from a schema script; fails if the file exists.
    static void Create(const std::string &fileName, const std::string &schemaSql);

    const std::string &FileName() const { return FFileName; }
    sqlite3 *Handle() const { return FDb; }
    bool ReadOnly() const;

    void Exec(const std::string &sql);
    // Starts a write transaction (switching the file to the write-ahead log first).
    void BeginWrite();
    TStatement Prepare(const std::string &sql) { return TStatement(FDb, sql); }
    // Runs a statement and returns its first column of the first row.
    std::optional<TValue> ScalarValue(const std::string &sql, const std::vector<TValue> &params = {});
    long long LastInsertRowId() const;
    int Changes() const;

    // The engine's last message, for errors.
    std::string LastError() const;
    [[noreturn]] void Fail(const std::string &context) const;

    // What this connection last found of a table's derived name index (namekeys.cpp).
    struct TNameIndexState {
        long long SchemaVersion = -1; // the schema the pieces were checked against
        long long DataVersion = -1;   // moves when another connection commits
        bool Counted = false;         // row counts compared since then
        // One walk of the order handed from the start-up's first open to its
        // sorted open, valid while nothing at all was written in between.
        std::vector<long long> Handed;
        long long HandedStamp[3] = {-1, -1, -1};
    };
    TNameIndexState &NameIndexState(const std::string &table) { return FNameIndexStates[table]; }

  private:
    std::map<std::string, TNameIndexState> FNameIndexStates;
    std::string FFileName;
    sqlite3 *FDb = nullptr;
    bool FWalChecked = false;
};

// Registers the Turkish collation "TR" and the Turkish like() on a raw
// connection (also used by the benchmark's baseline).
void RegisterTurkishFunctions(sqlite3 *db);

// Turkish case-insensitive LIKE: '%' any run, '_' one character, optional
// escape character. Exposed for tests.
bool TurkishLike(std::string_view pattern, std::string_view text, char32_t escape = 0);

} // namespace kadrolin::data
