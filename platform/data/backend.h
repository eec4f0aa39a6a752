#pragma once
// What the query needs of a place that keeps a table: describe a statement,
// list the keys of its rows in its order, and read and write single rows by
// key. Two backends: the SQLite file (the default) and a PostgreSQL server.
// The dataset's own rules (keys read once, a bounded row cache, large objects
// on demand, the optimistic check, the current row) stay in TQuery.
#include "platform/data/database.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kadrolin::data {

enum TFieldType { ftInteger, ftString, ftBlob };

// One field value of a row buffer.
struct TCell {
    bool Null = true;
    bool Loaded = true; // false: a large object whose bytes were not read yet
    long long Size = 0;
    std::string Data;
    bool operator==(const TCell &) const = default;
};

struct TRowBuffer {
    long long Key = 0;
    bool Missing = false;  // removed by another writer since the result was opened
    long long Version = 0; // the server's row version when read; 0 on the file
    std::vector<TCell> Cells;
};

struct TColumnInfo {
    std::string Name;   // as the statement names it
    std::string Origin; // the table's column
    std::string Table;
    TFieldType Type = ftString;
};

// Why a store or delete was refused.
enum TWriteResult { wrDone, wrChanged, wrDeleted };

// Single-row access to one table, made for one open statement.
class TTableAccess {
  public:
    virtual ~TTableAccess() = default;
    // Reads the row; large objects come as size only (Loaded false). False: no such row.
    virtual bool Fetch(long long key, TRowBuffer &row) = 0;
    // The bytes of one large object; nullopt when the row is gone.
    virtual std::optional<TCell> ReadBlob(long long key, int column) = 0;
    // Changes the row only if it is still as it was read (by version on a
    // server, by every value on the file).
    virtual TWriteResult Update(const TRowBuffer &original,
                                const std::vector<std::pair<int, TValue>> &changes) = 0;
    virtual long long Insert(const std::vector<std::pair<int, TValue>> &values) = 0;
    virtual TWriteResult Delete(const TRowBuffer &original) = 0;
    // Keys of the rows whose column matches, in no particular order.
    virtual std::vector<long long> Find(int column, const std::string &value, bool caseInsensitive,
                                        bool partialKey) = 0;
};

class TBackend {
  public:
    virtual ~TBackend() = default;
    // The file name, or the server address as given (libpq keeps passwords elsewhere).
    virtual const std::string &Address() const = 0;
    virtual bool IsServer() const = 0;
    // True when this user may only read the table (a server role with SELECT
    // alone). A read-only file answers false: its stores fail with the engine's text.
    virtual bool ReadOnly(const std::string &table) = 0;
    // The columns of a statement written in the file's dialect (?N marks,
    // COLLATE TR, Turkish LIKE); the server rewrites it for itself.
    virtual std::vector<TColumnInfo> Describe(const std::string &sql) = 0;
    virtual std::vector<long long> Keys(const std::string &sql, const std::vector<TValue> &params,
                                        const std::string &keyName) = 0;
    virtual std::unique_ptr<TTableAccess> Table(const std::string &table, const std::string &keyColumn,
                                                const std::vector<TColumnInfo> &columns) = 0;
    // True once after another writer changed the table (a server's notice);
    // the first call starts listening. The file answers false.
    virtual bool TakeChanged(const std::string & /*table*/) { return false; }
    // The SQLite connection of a file backend; nullptr on a server.
    virtual TDatabase *File() { return nullptr; }
};

// True for a PostgreSQL URI ("postgresql://...", "postgres://...") or a
// keyword string ("service=kadrolin", "host=... dbname=...").
bool IsServerAddress(const std::string &address);

// Opens a file or connects to a server. serverSchema is run on a server
// database that has no table yet (in one transaction).
std::shared_ptr<TBackend> OpenBackend(const std::string &address, const std::string &serverSchema = {});
std::shared_ptr<TBackend> FileBackend(std::shared_ptr<TDatabase> db);

} // namespace kadrolin::data
