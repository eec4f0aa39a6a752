// The register in an SQLite file: statements run as written.
#include "platform/data/backend.h"

#include <sqlite3.h>

#include <algorithm>
#include <functional>

namespace kadrolin::data {

std::string QuoteIdent(const std::string &name) {
    std::string q = "\"";
    for (char c : name) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

// The statement as a sub-select: trailing blanks and semicolons would end it early.
std::string TrimmedStatement(const std::string &sql) {
    std::string s = sql;
    while (!s.empty() && (std::isspace(static_cast<unsigned char>(s.back())) || s.back() == ';'))
        s.pop_back();
    return s;
}

namespace {

class TSqliteTable : public TTableAccess {
  public:
    TSqliteTable(std::shared_ptr<TDatabase> db, std::string table, std::string key,
                 std::vector<TColumnInfo> columns)
        : FDb(std::move(db)), FTable(QuoteIdent(table)), FKey(QuoteIdent(key)), FColumns(std::move(columns)) {
        std::string cols;
        for (auto &c : FColumns) {
            if (!cols.empty()) cols += ", ";
            cols += c.Type == ftBlob ? "length(" + QuoteIdent(c.Origin) + ")" : QuoteIdent(c.Origin);
        }
        FFetch = FDb->Prepare("SELECT " + cols + " FROM " + FTable + " WHERE " + FKey + " = ?1");
    }

    bool Fetch(long long key, TRowBuffer &row) override {
        row.Key = key;
        row.Cells.assign(FColumns.size(), TCell{});
        FFetch.Reset();
        FFetch.Bind(1, TValue::Int(key));
        sqlite3_stmt *st = FFetch.Handle();
        if (!FFetch.Step()) return false;
        for (size_t i = 0; i < FColumns.size(); ++i) {
            TCell &c = row.Cells[i];
            const int col = static_cast<int>(i);
            if (sqlite3_column_type(st, col) == SQLITE_NULL) continue;
            c.Null = false;
            if (FColumns[i].Type == ftBlob) {
                c.Loaded = false;
                c.Size = sqlite3_column_int64(st, col);
            } else {
                auto p = reinterpret_cast<const char *>(sqlite3_column_text(st, col));
                c.Data.assign(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(st, col)));
                c.Size = static_cast<long long>(c.Data.size());
            }
        }
        FFetch.Reset();
        return true;
    }

    std::optional<TCell> ReadBlob(long long key, int column) override {
        TStatement st = FDb->Prepare("SELECT " + QuoteIdent(FColumns.at(static_cast<size_t>(column)).Origin) +
                                     " FROM " + FTable + " WHERE " + FKey + " = ?1");
        st.Bind(1, TValue::Int(key));
        if (!st.Step()) return std::nullopt;
        sqlite3_stmt *h = st.Handle();
        TCell fresh;
        if (sqlite3_column_type(h, 0) != SQLITE_NULL) {
            fresh.Null = false;
            auto p = static_cast<const char *>(sqlite3_column_blob(h, 0));
            fresh.Data.assign(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(h, 0)));
            fresh.Size = static_cast<long long>(fresh.Data.size());
        }
        return fresh;
    }

    TWriteResult Update(const TRowBuffer &original,
                        const std::vector<std::pair<int, TValue>> &changes) override {
        std::string set;
        std::vector<TValue> params;
        for (auto &[i, v] : changes) {
            params.push_back(v);
            set += (set.empty() ? "" : ", ") + QuoteIdent(FColumns[static_cast<size_t>(i)].Origin) + " = ?" +
                   std::to_string(params.size());
        }
        std::string where = WhereOriginal(original, params);
        bool done = false;
        RunWrite([&] {
            TStatement st = FDb->Prepare("UPDATE " + FTable + " SET " + set + " WHERE " + where);
            st.BindAll(params);
            st.Step();
            done = FDb->Changes() == 1;
        });
        return done ? wrDone : Exists(original.Key) ? wrChanged : wrDeleted;
    }

    long long Insert(const std::vector<std::pair<int, TValue>> &values) override {
        std::string cols, marks;
        std::vector<TValue> params;
        for (auto &[i, v] : values) {
            params.push_back(v);
            cols += (cols.empty() ? "" : ", ") + QuoteIdent(FColumns[static_cast<size_t>(i)].Origin);
            marks += (marks.empty() ? "?" : ", ?") + std::to_string(params.size());
        }
        long long key = 0;
        RunWrite([&] {
            std::string sql = cols.empty()
                                  ? "INSERT INTO " + FTable + " DEFAULT VALUES"
                                  : "INSERT INTO " + FTable + " (" + cols + ") VALUES (" + marks + ")";
            TStatement st = FDb->Prepare(sql);
            st.BindAll(params);
            st.Step();
            key = FDb->LastInsertRowId();
        });
        return key;
    }

    TWriteResult Delete(const TRowBuffer &original) override {
        std::vector<TValue> params;
        std::string where = WhereOriginal(original, params);
        bool done = false;
        RunWrite([&] {
            TStatement st = FDb->Prepare("DELETE FROM " + FTable + " WHERE " + where);
            st.BindAll(params);
            st.Step();
            done = FDb->Changes() == 1;
        });
        return done ? wrDone : Exists(original.Key) ? wrChanged : wrDeleted;
    }

    std::vector<long long> Find(int column, const std::string &value, bool caseInsensitive,
                                bool partialKey) override {
        std::string col = QuoteIdent(FColumns.at(static_cast<size_t>(column)).Origin);
        std::string where;
        std::vector<TValue> params;
        if (caseInsensitive) {
            std::string pattern;
            for (char c : value) {
                if (c == '%' || c == '_' || c == '\\') pattern += '\\';
                pattern += c;
            }
            if (partialKey) pattern += '%';
            where = col + " LIKE ?1 ESCAPE '\\'";
            params.push_back(TValue::Text(pattern));
        } else if (partialKey) {
            where = "substr(CAST(" + col + " AS TEXT), 1, length(?1)) = ?1";
            params.push_back(TValue::Text(value));
        } else {
            where = "CAST(" + col + " AS TEXT) = ?1";
            params.push_back(TValue::Text(value));
        }
        TStatement st = FDb->Prepare("SELECT " + FKey + " FROM " + FTable + " WHERE " + where);
        st.BindAll(params);
        std::vector<long long> hits;
        while (st.Step())
            hits.push_back(st.ColumnInt(0));
        return hits;
    }

  private:
    bool Exists(long long key) {
        return FDb->ScalarValue("SELECT 1 FROM " + FTable + " WHERE " + FKey + " = ?1", {TValue::Int(key)})
            .has_value();
    }

    // The row as it was read, value by value: the file keeps no row version.
    std::string WhereOriginal(const TRowBuffer &original, std::vector<TValue> &params) const {
        params.push_back(TValue::Int(original.Key));
        std::string where = FKey + " = ?" + std::to_string(params.size());
        for (size_t i = 0; i < FColumns.size(); ++i) {
            const TColumnInfo &f = FColumns[i];
            if (i >= original.Cells.size()) break;
            const TCell &c = original.Cells[i];
            std::string col = QuoteIdent(f.Origin);
            if (col == FKey) continue;
            if (f.Type == ftBlob && !c.Loaded) {
                params.push_back(c.Null ? TValue::Null() : TValue::Int(c.Size));
                where += " AND length(" + col + ") IS ?" + std::to_string(params.size());
            } else if (f.Type == ftBlob) {
                params.push_back(c.Null ? TValue::Null() : TValue::Blob(c.Data));
                where += " AND " + col + " IS ?" + std::to_string(params.size());
            } else {
                params.push_back(c.Null ? TValue::Null() : TValue::Text(c.Data));
                where += " AND CAST(" + col + " AS TEXT) IS ?" + std::to_string(params.size());
            }
        }
        return where;
    }

    void RunWrite(const std::function<void()> &work) {
        FDb->BeginWrite();
        try {
            work();
            FDb->Exec("COMMIT");
        } catch (...) {
            if (!sqlite3_get_autocommit(FDb->Handle())) {
                try {
                    FDb->Exec("ROLLBACK");
                } catch (...) {
                }
            }
            throw;
        }
    }

    std::shared_ptr<TDatabase> FDb;
    std::string FTable, FKey;
    std::vector<TColumnInfo> FColumns;
    TStatement FFetch;
};

class TSqliteBackend : public TBackend {
  public:
    explicit TSqliteBackend(std::shared_ptr<TDatabase> db) : FDb(std::move(db)) {}

    const std::string &Address() const override { return FDb->FileName(); }
    bool IsServer() const override { return false; }
    bool ReadOnly(const std::string &) override { return false; }
    TDatabase *File() override { return FDb.get(); }

    std::vector<TColumnInfo> Describe(const std::string &sql) override {
        TStatement meta = FDb->Prepare(sql);
        sqlite3_stmt *st = meta.Handle();
        std::vector<TColumnInfo> out;
        const int n = sqlite3_column_count(st);
        for (int i = 0; i < n; ++i) {
            TColumnInfo c;
            c.Name = sqlite3_column_name(st, i);
            const char *origin = sqlite3_column_origin_name(st, i);
            const char *table = sqlite3_column_table_name(st, i);
            if (origin) c.Origin = origin;
            if (table) c.Table = table;
            const char *decl = sqlite3_column_decltype(st, i);
            std::string d = decl ? decl : "";
            std::transform(d.begin(), d.end(), d.begin(), [](unsigned char ch) { return std::toupper(ch); });
            c.Type = d.find("BLOB") != std::string::npos  ? ftBlob
                     : d.find("INT") != std::string::npos ? ftInteger
                                                          : ftString;
            out.push_back(std::move(c));
        }
        return out;
    }

    std::vector<long long> Keys(const std::string &sql, const std::vector<TValue> &params,
                                const std::string &keyName) override {
        // The key column of the statement keeps its order.
        TStatement keys =
            FDb->Prepare("SELECT " + QuoteIdent(keyName) + " FROM (" + TrimmedStatement(sql) + ")");
        keys.BindAll(params);
        std::vector<long long> out;
        while (keys.Step())
            out.push_back(keys.ColumnInt(0));
        return out;
    }

    std::unique_ptr<TTableAccess> Table(const std::string &table, const std::string &keyColumn,
                                        const std::vector<TColumnInfo> &columns) override {
        return std::make_unique<TSqliteTable>(FDb, table, keyColumn, columns);
    }

  private:
    std::shared_ptr<TDatabase> FDb;
};

} // namespace

std::shared_ptr<TBackend> FileBackend(std::shared_ptr<TDatabase> db) {
    return std::make_shared<TSqliteBackend>(std::move(db));
}

} // namespace kadrolin::data
