// The register on a PostgreSQL server, over libpq. Statements are written in
// the file's dialect; the few places where the two differ are rewritten
// here: parameter marks, the Turkish collation and the Turkish
// case-insensitive LIKE (lower() under the ICU Turkish collation, which
// applies Turkish case rules), and where NULLs sort. Rows carry a version
// column kept by a trigger, so a store checks one number, not every value.
#include "platform/data/pgbackend.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cctype>
#include <map>

namespace kadrolin::data {

std::string QuoteIdent(const std::string &name);
std::string TrimmedStatement(const std::string &sql);

const char *const kServerCollation = "\"tr-TR-x-icu\"";
const char *const kVersionColumn = "surum";

namespace {

std::string Trim(std::string s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.pop_back();
    return s;
}

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

struct TToken {
    std::string Text;
    bool Word = false;
};

// Words, quoted names, literals, ?N marks and single punctuation; blanks dropped.
std::vector<TToken> Tokens(const std::string &sql) {
    std::vector<TToken> out;
    size_t i = 0;
    while (i < sql.size()) {
        char c = sql[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '\'' || c == '"') {
            size_t j = i + 1;
            while (j < sql.size()) {
                if (sql[j] == c) {
                    if (j + 1 < sql.size() && sql[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out.push_back({sql.substr(i, j + 1 - i), false});
            i = j + 1;
        } else if (c == '?') {
            size_t j = i + 1;
            while (j < sql.size() && std::isdigit(static_cast<unsigned char>(sql[j])))
                ++j;
            out.push_back({"$" + sql.substr(i + 1, j - i - 1), false});
            i = j;
        } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' ||
                   static_cast<unsigned char>(c) >= 0x80) {
            size_t j = i;
            while (j < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[j])) || sql[j] == '_' ||
                                      sql[j] == '.' || static_cast<unsigned char>(sql[j]) >= 0x80))
                ++j;
            out.push_back({sql.substr(i, j - i), true});
            i = j;
        } else {
            out.push_back({std::string(1, c), false});
            ++i;
        }
    }
    return out;
}

} // namespace

std::string ServerStatement(const std::string &sql) {
    std::vector<TToken> t = Tokens(TrimmedStatement(sql));
    const std::string coll = kServerCollation;
    std::vector<std::string> out;
    bool inOrder = false;
    int depth = 0, orderDepth = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        std::string u = t[i].Word ? Upper(t[i].Text) : t[i].Text;
        if (u == "(") ++depth;
        if (u == ")") {
            if (inOrder && depth == orderDepth) inOrder = false;
            --depth;
        }
        if (u == "ORDER" && i + 1 < t.size() && Upper(t[i + 1].Text) == "BY") {
            inOrder = true;
            orderDepth = depth;
        }
        if (u == "LIMIT" || u == "OFFSET") inOrder = false;
        if (u == "COLLATE" && i + 1 < t.size() && Upper(t[i + 1].Text) == "TR") {
            out.push_back("COLLATE " + coll);
            ++i;
            if (inOrder) {
                // The file sorts NULL as the smallest value.
                bool desc = false;
                if (i + 1 < t.size() && (Upper(t[i + 1].Text) == "ASC" || Upper(t[i + 1].Text) == "DESC")) {
                    desc = Upper(t[i + 1].Text) == "DESC";
                    out.push_back(t[++i].Text);
                }
                out.push_back(desc ? "NULLS LAST" : "NULLS FIRST");
            }
            continue;
        }
        if (u == "LIKE" && !out.empty() && i + 1 < t.size()) {
            std::string left = out.back();
            out.pop_back();
            std::string right = t[++i].Text;
            std::string escape = "''"; // the file's LIKE has no escape character unless one is named
            if (i + 2 < t.size() && Upper(t[i + 1].Text) == "ESCAPE") {
                escape = t[i + 2].Text;
                i += 2;
            }
            out.push_back("lower(" + left + " COLLATE " + coll + ") LIKE lower(" + right + " COLLATE " +
                          coll + ") ESCAPE " + escape);
            continue;
        }
        out.push_back(t[i].Text);
    }
    std::string s;
    for (auto &p : out) {
        if (!s.empty()) s += ' ';
        s += p;
    }
    return s;
}

// ---------------------------------------------------------------- connection

namespace {

struct TParams {
    std::vector<std::string> Storage;
    std::vector<const char *> Values;
    std::vector<int> Lengths, Formats;
    explicit TParams(const std::vector<TValue> &values) {
        Storage.reserve(values.size());
        for (auto &v : values) {
            switch (v.Kind) {
            case TValue::vkNull:
                Storage.emplace_back();
                break;
            case TValue::vkInteger:
                Storage.push_back(std::to_string(v.Integer));
                break;
            default:
                Storage.push_back(v.Bytes);
            }
        }
        for (size_t i = 0; i < values.size(); ++i) {
            Values.push_back(values[i].IsNull() ? nullptr : Storage[i].data());
            Lengths.push_back(static_cast<int>(Storage[i].size()));
            Formats.push_back(values[i].Kind == TValue::vkBlob ? 1 : 0);
        }
    }
};

} // namespace

class TPgResult {
  public:
    explicit TPgResult(PGresult *r) : R(r) {}
    ~TPgResult() { PQclear(R); }
    TPgResult(const TPgResult &) = delete;
    TPgResult &operator=(const TPgResult &) = delete;
    int Rows() const { return PQntuples(R); }
    bool IsNull(int row, int col) const { return PQgetisnull(R, row, col); }
    std::string Text(int row, int col) const {
        return std::string(PQgetvalue(R, row, col), static_cast<size_t>(PQgetlength(R, row, col)));
    }
    long long Int(int row, int col) const { return std::stoll(PQgetvalue(R, row, col)); }
    int Changed() const {
        const char *n = PQcmdTuples(R);
        return n && *n ? std::atoi(n) : 0;
    }
    PGresult *R;
};

TPgConnection::TPgConnection(std::string address) : FAddress(std::move(address)) {
    Connect();
}

TPgConnection::~TPgConnection() {
    PQfinish(FConn);
}

void TPgConnection::Connect() {
    if (FConn) PQfinish(FConn);
    FConn = PQconnectdb(FAddress.c_str());
    if (PQstatus(FConn) != CONNECTION_OK) {
        std::string msg = Trim(PQerrorMessage(FConn));
        PQfinish(FConn);
        FConn = nullptr;
        throw EServerUnreachable("Veritabanı sunucusuna bağlanılamadı: " + msg);
    }
    PQsetClientEncoding(FConn, "UTF8");
    // Notices (a table that already exists, and the like) are not the user's business.
    PQsetNoticeProcessor(
        FConn, [](void *, const char *) {}, nullptr);
}

bool TPgConnection::Connected() const {
    return FConn && PQstatus(FConn) == CONNECTION_OK;
}

void TPgConnection::EnsureConnected() {
    if (Connected()) return;
    Connect(); // a lost connection is made again on the next command
    if (OnReconnect) OnReconnect();
}

std::unique_ptr<TPgResult> TPgConnection::Run(const std::string &sql, const std::vector<TValue> &params,
                                              bool binary) {
    EnsureConnected();
    TParams p(params);
    PGresult *r = PQexecParams(FConn, sql.c_str(), static_cast<int>(params.size()), nullptr, p.Values.data(),
                               p.Lengths.data(), p.Formats.data(), binary ? 1 : 0);
    auto res = std::make_unique<TPgResult>(r);
    auto st = PQresultStatus(r);
    if (st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK) return res;
    std::string msg = Trim(r ? PQresultErrorMessage(r) : PQerrorMessage(FConn));
    if (msg.empty()) msg = Trim(PQerrorMessage(FConn));
    if (PQstatus(FConn) != CONNECTION_OK)
        throw EServerUnreachable("Veritabanı sunucusuyla bağlantı koptu: " + msg);
    const char *state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    // 57P01 and friends: the server is shutting down; the connection is gone with it.
    if (state && std::string(state).rfind("57P", 0) == 0) {
        PQfinish(FConn);
        FConn = nullptr;
        throw EServerUnreachable("Veritabanı sunucusuyla bağlantı koptu: " + msg);
    }
    throw EDatabaseError(msg);
}

void TPgConnection::Exec(const std::string &sql) {
    EnsureConnected();
    TPgResult r(PQexec(FConn, sql.c_str()));
    auto st = PQresultStatus(r.R);
    if (st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK) return;
    std::string msg = Trim(PQresultErrorMessage(r.R));
    if (PQstatus(FConn) != CONNECTION_OK)
        throw EServerUnreachable("Veritabanı sunucusuyla bağlantı koptu: " + msg);
    throw EDatabaseError(msg);
}

std::optional<std::string> TPgConnection::Scalar(const std::string &sql, const std::vector<TValue> &params) {
    auto r = Run(sql, params);
    if (r->Rows() == 0 || r->IsNull(0, 0)) return std::nullopt;
    return r->Text(0, 0);
}

std::vector<std::string> TPgConnection::Notifications() {
    std::vector<std::string> out;
    if (!Connected()) return out;
    PQconsumeInput(FConn);
    while (PGnotify *n = PQnotifies(FConn)) {
        out.push_back(n->relname);
        PQfreemem(n);
    }
    return out;
}

int TPgConnection::Socket() const {
    return FConn ? PQsocket(FConn) : -1;
}

// ---------------------------------------------------------------- table access

namespace {

class TPgTable : public TTableAccess {
  public:
    TPgTable(std::shared_ptr<TPgConnection> c, const std::string &table, const std::string &key,
             std::vector<TColumnInfo> columns)
        : FConn(std::move(c)), FTable(QuoteIdent(table)), FKey(QuoteIdent(key)),
          FColumns(std::move(columns)) {
        FHasVersion =
            FConn
                ->Scalar("SELECT 1 FROM pg_attribute WHERE attrelid = $1::regclass AND attname = $2 "
                         "AND NOT attisdropped",
                         {TValue::Text(FTable), TValue::Text(kVersionColumn)})
                .has_value();
        std::string cols;
        for (auto &c : FColumns)
            cols += (c.Type == ftBlob ? "octet_length(" + QuoteIdent(c.Origin) + ")" : QuoteIdent(c.Origin)) +
                    ", ";
        cols += FHasVersion ? QuoteIdent(kVersionColumn) : std::string("0");
        FFetch = "SELECT " + cols + " FROM " + FTable + " WHERE " + FKey + " = $1";
    }

    bool Fetch(long long key, TRowBuffer &row) override {
        row.Key = key;
        row.Cells.assign(FColumns.size(), TCell{});
        auto r = FConn->Run(FFetch, {TValue::Int(key)});
        if (r->Rows() == 0) return false;
        for (size_t i = 0; i < FColumns.size(); ++i) {
            const int col = static_cast<int>(i);
            if (r->IsNull(0, col)) continue;
            TCell &c = row.Cells[i];
            c.Null = false;
            if (FColumns[i].Type == ftBlob) {
                c.Loaded = false;
                c.Size = r->Int(0, col);
            } else {
                c.Data = r->Text(0, col);
                c.Size = static_cast<long long>(c.Data.size());
            }
        }
        row.Version = r->Int(0, static_cast<int>(FColumns.size()));
        return true;
    }

    std::optional<TCell> ReadBlob(long long key, int column) override {
        auto r = FConn->Run("SELECT " + QuoteIdent(FColumns.at(static_cast<size_t>(column)).Origin) +
                                " FROM " + FTable + " WHERE " + FKey + " = $1::bigint",
                            {TValue::Int(key)}, true);
        if (r->Rows() == 0) return std::nullopt;
        TCell c;
        if (!r->IsNull(0, 0)) {
            c.Null = false;
            c.Data = r->Text(0, 0);
            c.Size = static_cast<long long>(c.Data.size());
        }
        return c;
    }

    TWriteResult Update(const TRowBuffer &original,
                        const std::vector<std::pair<int, TValue>> &changes) override {
        std::vector<TValue> params;
        std::string set;
        for (auto &[i, v] : changes) {
            params.push_back(v);
            set += (set.empty() ? "" : ", ") + QuoteIdent(FColumns[static_cast<size_t>(i)].Origin) + " = $" +
                   std::to_string(params.size());
        }
        auto r = FConn->Run("UPDATE " + FTable + " SET " + set + " WHERE " + Where(original, params), params);
        return r->Changed() == 1 ? wrDone : Outcome(original.Key);
    }

    long long Insert(const std::vector<std::pair<int, TValue>> &values) override {
        std::string cols, marks;
        std::vector<TValue> params;
        for (auto &[i, v] : values) {
            params.push_back(v);
            cols += (cols.empty() ? "" : ", ") + QuoteIdent(FColumns[static_cast<size_t>(i)].Origin);
            marks += (marks.empty() ? "$" : ", $") + std::to_string(params.size());
        }
        std::string sql = cols.empty() ? "INSERT INTO " + FTable + " DEFAULT VALUES"
                                       : "INSERT INTO " + FTable + " (" + cols + ") VALUES (" + marks + ")";
        auto r = FConn->Run(sql + " RETURNING " + FKey, params);
        return r->Int(0, 0);
    }

    TWriteResult Delete(const TRowBuffer &original) override {
        std::vector<TValue> params;
        auto r = FConn->Run("DELETE FROM " + FTable + " WHERE " + Where(original, params), params);
        return r->Changed() == 1 ? wrDone : Outcome(original.Key);
    }

    std::vector<long long> Find(int column, const std::string &value, bool caseInsensitive,
                                bool partialKey) override {
        std::string col = QuoteIdent(FColumns.at(static_cast<size_t>(column)).Origin) + "::text";
        std::string where;
        if (caseInsensitive) {
            std::string pattern;
            for (char c : value) {
                if (c == '%' || c == '_' || c == '\\') pattern += '\\';
                pattern += c;
            }
            if (partialKey) pattern += '%';
            where = ServerStatement(col + " LIKE ?1 ESCAPE '\\'");
            return KeysWhere(where, pattern);
        }
        where = partialKey ? "left(" + col + ", length($1)) = $1" : col + " = $1";
        return KeysWhere(where, value);
    }

  private:
    std::vector<long long> KeysWhere(const std::string &where, const std::string &value) {
        auto r = FConn->Run("SELECT " + FKey + " FROM " + FTable + " WHERE " + where, {TValue::Text(value)});
        std::vector<long long> out;
        for (int i = 0; i < r->Rows(); ++i)
            out.push_back(r->Int(i, 0));
        return out;
    }

    std::string Where(const TRowBuffer &original, std::vector<TValue> &params) const {
        params.push_back(TValue::Int(original.Key));
        std::string where = FKey + " = $" + std::to_string(params.size()) + "::bigint";
        if (FHasVersion) {
            params.push_back(TValue::Int(original.Version));
            where +=
                " AND " + QuoteIdent(kVersionColumn) + " = $" + std::to_string(params.size()) + "::bigint";
        }
        return where;
    }

    TWriteResult Outcome(long long key) {
        return FConn->Scalar("SELECT 1 FROM " + FTable + " WHERE " + FKey + " = $1::bigint",
                             {TValue::Int(key)})
                   ? wrChanged
                   : wrDeleted;
    }

    std::shared_ptr<TPgConnection> FConn;
    std::string FTable, FKey;
    std::vector<TColumnInfo> FColumns;
    bool FHasVersion = false;
    std::string FFetch;
};

int ParamCount(const std::string &sql) {
    int n = 0;
    for (size_t i = 0; i < sql.size(); ++i)
        if (sql[i] == '$' && i + 1 < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i + 1])))
            n = std::max(n, std::atoi(sql.c_str() + i + 1));
    return n;
}

} // namespace

// ---------------------------------------------------------------- backend

TPgBackend::TPgBackend(const std::string &address, const std::string &schema)
    : FConn(std::make_shared<TPgConnection>(address)) {
    if (!schema.empty()) EnsureSchema(schema);
}

void TPgBackend::EnsureSchema(const std::string &schema) {
    auto empty = [&] {
        return !FConn->Scalar("SELECT 1 FROM pg_tables WHERE schemaname = current_schema() LIMIT 1");
    };
    if (!empty()) return;
    // Two clerks starting at once on an empty database: the second waits and finds the table.
    FConn->Exec("BEGIN");
    try {
        FConn->Exec("SELECT pg_advisory_xact_lock(7241)");
        if (empty()) FConn->Exec(schema);
        FConn->Exec("COMMIT");
    } catch (...) {
        try {
            FConn->Exec("ROLLBACK");
        } catch (...) {
        }
        throw;
    }
}

const std::string &TPgBackend::Address() const {
    return FConn->Address();
}

bool TPgBackend::ReadOnly(const std::string &table) {
    auto v = FConn->Scalar("SELECT current_setting('transaction_read_only') = 'on' OR NOT ("
                           "has_table_privilege($1, 'INSERT') AND has_table_privilege($1, 'UPDATE') AND "
                           "has_table_privilege($1, 'DELETE'))",
                           {TValue::Text(QuoteIdent(table))});
    return v && *v == "t";
}

bool TPgBackend::TakeChanged(const std::string &table) {
    if (std::find(FListening.begin(), FListening.end(), table) == FListening.end()) {
        FConn->Exec("LISTEN " + QuoteIdent(table));
        FListening.push_back(table);
        FConn->OnReconnect = [this] {
            // A new connection listens again; what happened meanwhile counts as a change.
            for (auto &t : FListening)
                FConn->Exec("LISTEN " + QuoteIdent(t));
            FMissed = true;
        };
        return false;
    }
    bool changed = std::exchange(FMissed, false);
    for (auto &n : FConn->Notifications())
        if (n == table) changed = true;
    return changed;
}

std::vector<TColumnInfo> TPgBackend::Describe(const std::string &sql) {
    FConn->EnsureConnected();
    std::string s = ServerStatement(sql);
    PGconn *c = FConn->Handle();
    TPgResult prep(PQprepare(c, "", s.c_str(), ParamCount(s), nullptr));
    if (PQresultStatus(prep.R) != PGRES_COMMAND_OK) {
        std::string msg = Trim(PQresultErrorMessage(prep.R));
        if (PQstatus(c) != CONNECTION_OK)
            throw EServerUnreachable("Veritabanı sunucusuyla bağlantı koptu: " + msg);
        throw EDatabaseError(msg);
    }
    TPgResult d(PQdescribePrepared(c, ""));
    if (PQresultStatus(d.R) != PGRES_COMMAND_OK) throw EDatabaseError(Trim(PQresultErrorMessage(d.R)));
    std::vector<TColumnInfo> out;
    for (int i = 0; i < PQnfields(d.R); ++i) {
        TColumnInfo col;
        col.Name = PQfname(d.R, i);
        Oid table = PQftable(d.R, i);
        int attnum = PQftablecol(d.R, i);
        if (table != InvalidOid && attnum > 0) {
            auto key = std::make_pair(static_cast<unsigned>(table), attnum);
            auto it = FOrigins.find(key);
            if (it == FOrigins.end()) {
                auto r = FConn->Run("SELECT c.relname, a.attname FROM pg_class c JOIN pg_attribute a ON "
                                    "a.attrelid = c.oid WHERE c.oid = $1::oid AND a.attnum = $2::int",
                                    {TValue::Int(table), TValue::Int(attnum)});
                std::pair<std::string, std::string> v;
                if (r->Rows() == 1) v = {r->Text(0, 0), r->Text(0, 1)};
                it = FOrigins.emplace(key, v).first;
            }
            col.Table = it->second.first;
            col.Origin = it->second.second;
        }
        // The row version is the server's own bookkeeping, no field of the record.
        if (col.Origin == kVersionColumn) continue;
        switch (PQftype(d.R, i)) {
        case 17: // bytea
            col.Type = ftBlob;
            break;
        case 20: // int8
        case 21: // int2
        case 23: // int4
            col.Type = ftInteger;
            break;
        default:
            col.Type = ftString;
        }
        out.push_back(std::move(col));
    }
    return out;
}

std::vector<long long> TPgBackend::Keys(const std::string &sql, const std::vector<TValue> &params,
                                        const std::string &keyName) {
    auto r =
        FConn->Run("SELECT " + QuoteIdent(keyName) + " FROM (" + ServerStatement(sql) + ") AS k", params);
    std::vector<long long> out;
    out.reserve(static_cast<size_t>(r->Rows()));
    for (int i = 0; i < r->Rows(); ++i)
        out.push_back(std::strtoll(PQgetvalue(r->R, i, 0), nullptr, 10));
    return out;
}

std::unique_ptr<TTableAccess> TPgBackend::Table(const std::string &table, const std::string &keyColumn,
                                                const std::vector<TColumnInfo> &columns) {
    return std::make_unique<TPgTable>(FConn, table, keyColumn, columns);
}

// ---------------------------------------------------------------- addresses

bool IsServerAddress(const std::string &address) {
    if (address.rfind("postgresql://", 0) == 0 || address.rfind("postgres://", 0) == 0) return true;
    // A keyword string: word=value pairs. A file name may hold '=' too, but not a word before it.
    size_t eq = address.find('=');
    if (eq == std::string::npos || eq == 0) return false;
    size_t start = address.find_first_not_of(' ');
    for (size_t i = start; i < eq; ++i)
        if (!std::isalpha(static_cast<unsigned char>(address[i])) && address[i] != '_' && address[i] != ' ')
            return false;
    return true;
}

std::shared_ptr<TBackend> OpenBackend(const std::string &address, const std::string &serverSchema) {
    if (IsServerAddress(address)) return std::make_shared<TPgBackend>(address, serverSchema);
    return FileBackend(std::make_shared<TDatabase>(address));
}

} // namespace kadrolin::data
