#include "platform/data/namekeys.h"

#include <sqlite3.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <unordered_set>

namespace kadrolin::data {

namespace {

std::string Quote(const std::string &name) {
    std::string q = "\"";
    for (char c : name) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

// The names of the derived pieces in the file, quoted.
struct TPieces {
    std::string Keys, Order, Irregular, Log, OnInsert, OnUpdate, OnDelete;
    explicit TPieces(const TNameIndex &ix) {
        const std::string base = ix.Table + "_namekey";
        Keys = base;
        Order = base + "_order";
        Irregular = base + "_irregular";
        Log = base + "_log";
        OnInsert = base + "_insert";
        OnUpdate = base + "_update";
        OnDelete = base + "_delete";
    }
};

// The statements that make the pieces, as the file keeps them in sqlite_master.
struct TPieceSql {
    std::string Name, Type, Sql;
};

std::vector<TPieceSql> PieceSql(const TNameIndex &ix) {
    const TPieces p(ix);
    const std::string t = Quote(ix.Table), k = Quote(ix.Key), c = Quote(ix.Column);
    const std::string log = "INSERT OR IGNORE INTO " + Quote(p.Log) + " (Id) VALUES ";
    return {
        {p.Keys, "table",
         "CREATE TABLE " + Quote(p.Keys) +
             " (Id INTEGER PRIMARY KEY, SortKey BLOB NOT NULL, Name, Irregular INTEGER NOT NULL)"},
        {p.Log, "table", "CREATE TABLE " + Quote(p.Log) + " (Id INTEGER PRIMARY KEY)"},
        {p.Order, "index", "CREATE INDEX " + Quote(p.Order) + " ON " + Quote(p.Keys) + " (SortKey, Name)"},
        {p.Irregular, "index",
         "CREATE INDEX " + Quote(p.Irregular) + " ON " + Quote(p.Keys) + " (SortKey, Name) WHERE Irregular"},
        {p.OnInsert, "trigger",
         "CREATE TRIGGER " + Quote(p.OnInsert) + " AFTER INSERT ON " + t + " BEGIN " + log + "(new." + k +
             "); END"},
        {p.OnUpdate, "trigger",
         "CREATE TRIGGER " + Quote(p.OnUpdate) + " AFTER UPDATE OF " + k + ", " + c + " ON " + t + " BEGIN " +
             log + "(old." + k + "); " + log + "(new." + k + "); END"},
        {p.OnDelete, "trigger",
         "CREATE TRIGGER " + Quote(p.OnDelete) + " AFTER DELETE ON " + t + " BEGIN " + log + "(old." + k +
             "); END"},
    };
}

UCollator *Collator() {
    thread_local struct TColl {
        UCollator *C = nullptr;
        TColl() {
            UErrorCode status = U_ZERO_ERROR;
            C = ucol_open("tr", &status);
            if (U_FAILURE(status)) C = nullptr;
        }
        ~TColl() { ucol_close(C); }
    } coll;
    if (!coll.C) throw EDatabaseError("Turkish collation is not available");
    return coll.C;
}

// ICU's sort key of a UTF-8 text, with its terminating zero byte.
std::string IcuKey(std::string_view text) {
    thread_local std::vector<UChar> u16;
    thread_local std::vector<uint8_t> key;
    u16.resize(text.size() + 1);
    int32_t len = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(u16.data(), static_cast<int32_t>(u16.size()), &len, text.data(),
                         static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) len = 0;
    if (key.size() < 64) key.resize(64);
    int32_t n = ucol_getSortKey(Collator(), u16.data(), len, key.data(), static_cast<int32_t>(key.size()));
    if (n > static_cast<int32_t>(key.size())) {
        key.resize(static_cast<size_t>(n));
        n = ucol_getSortKey(Collator(), u16.data(), len, key.data(), n);
    }
    return std::string(reinterpret_cast<const char *>(key.data()), static_cast<size_t>(n));
}

std::string WithoutTerminator(std::string key) {
    if (!key.empty() && key.back() == '\0') key.pop_back();
    return key;
}

// One part of the prefix range: the bound of the primary weights of the prefix.
std::string Bound(const std::string &key, UColBoundMode mode) {
    std::vector<uint8_t> out(key.size() + 8);
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucol_getBound(reinterpret_cast<const uint8_t *>(key.data()), static_cast<int32_t>(key.size()),
                              mode, 1, out.data(), static_cast<int32_t>(out.size()), &status);
    if (U_FAILURE(status)) throw EDatabaseError(std::string("Sort key bound failed: ") + u_errorName(status));
    return WithoutTerminator(std::string(reinterpret_cast<const char *>(out.data()), static_cast<size_t>(n)));
}

TValue Blob(std::string s) {
    return TValue::Blob(std::move(s));
}

// The text before the first wildcard.
std::string_view LiteralPrefix(std::string_view pattern) {
    return pattern.substr(0, std::min(pattern.find_first_of("%_"), pattern.size()));
}

// Builds the pieces anew from the table, in one write transaction.
void Rebuild(TDatabase &db, const TNameIndex &ix) {
    const TPieces p(ix);
    db.Exec("DROP TRIGGER IF EXISTS " + Quote(p.OnInsert) + "; DROP TRIGGER IF EXISTS " + Quote(p.OnUpdate) +
            "; DROP TRIGGER IF EXISTS " + Quote(p.OnDelete) + "; DROP TABLE IF EXISTS " + Quote(p.Keys) +
            "; DROP TABLE IF EXISTS " + Quote(p.Log));
    auto pieces = PieceSql(ix);
    db.Exec(pieces[0].Sql);
    db.Exec(pieces[1].Sql);
    TStatement read =
        db.Prepare("SELECT " + Quote(ix.Key) + ", " + Quote(ix.Column) + " FROM " + Quote(ix.Table));
    TStatement write = db.Prepare("INSERT INTO " + Quote(p.Keys) +
                                  " (Id, SortKey, Name, Irregular) VALUES (?1, ?2, ?3, ?4)");
    while (read.Step()) {
        TValue name = read.Column(1);
        write.Reset();
        write.BindAll({TValue::Int(read.ColumnInt(0)), Blob(NameSortKey(name)), name,
                       TValue::Int(name.Kind == TValue::vkText && RangeSearchable(name.Bytes) ? 0 : 1)});
        write.Step();
    }
    // Indexes after the rows: building them at once is faster than growing them.
    for (size_t i = 2; i < pieces.size(); ++i)
        db.Exec(pieces[i].Sql);
}

bool PiecesInPlace(TDatabase &db, const TNameIndex &ix) {
    TStatement st = db.Prepare("SELECT sql FROM sqlite_master WHERE type = ?1 AND name = ?2");
    for (const TPieceSql &piece : PieceSql(ix)) {
        st.Reset();
        st.BindAll({TValue::Text(piece.Type), TValue::Text(piece.Name)});
        if (!st.Step() || st.Column(0).Bytes != piece.Sql) return false;
    }
    return true;
}

// Works off the log of changed keys.
void CatchUp(TDatabase &db, const TNameIndex &ix) {
    const TPieces p(ix);
    struct TChange {
        long long Key;
        bool Exists;
        TValue Name;
    };
    std::vector<TChange> changes;
    {
        TStatement st = db.Prepare("SELECT l.Id, t." + Quote(ix.Key) + " IS NOT NULL, t." + Quote(ix.Column) +
                                   " FROM " + Quote(p.Log) + " AS l LEFT JOIN " + Quote(ix.Table) +
                                   " AS t ON t." + Quote(ix.Key) + " = l.Id");
        while (st.Step())
            changes.push_back({st.ColumnInt(0), st.ColumnInt(1) != 0, st.Column(2)});
    }
    TStatement put = db.Prepare("INSERT OR REPLACE INTO " + Quote(p.Keys) +
                                " (Id, SortKey, Name, Irregular) VALUES (?1, ?2, ?3, ?4)");
    TStatement drop = db.Prepare("DELETE FROM " + Quote(p.Keys) + " WHERE Id = ?1");
    for (const TChange &c : changes) {
        if (c.Exists) {
            put.Reset();
            put.BindAll(
                {TValue::Int(c.Key), Blob(NameSortKey(c.Name)), c.Name,
                 TValue::Int(c.Name.Kind == TValue::vkText && RangeSearchable(c.Name.Bytes) ? 0 : 1)});
            put.Step();
        } else {
            drop.Reset();
            drop.Bind(1, TValue::Int(c.Key));
            drop.Step();
        }
    }
    db.Exec("DELETE FROM " + Quote(p.Log));
}

long long Scalar(TDatabase &db, const std::string &sql) {
    auto v = db.ScalarValue(sql);
    return v ? v->Integer : 0;
}

std::vector<long long> Keys(TStatement &st) {
    std::vector<long long> keys;
    while (st.Step())
        keys.push_back(st.ColumnInt(0));
    return keys;
}

} // namespace

std::string NameSortKey(const TValue &value) {
    switch (value.Kind) {
    case TValue::vkNull:
        return std::string(1, '\0');
    case TValue::vkInteger: {
        // Numbers by value, as SQLite orders them: the double's bits made memcmp-ordered.
        auto bits = std::bit_cast<uint64_t>(static_cast<double>(value.Integer));
        bits = (bits & (1ULL << 63)) ? ~bits : bits | (1ULL << 63);
        std::string k(1, '\x01');
        for (int i = 7; i >= 0; --i)
            k += static_cast<char>((bits >> (8 * i)) & 0xFF);
        return k;
    }
    case TValue::vkText:
        return "\x02" + WithoutTerminator(IcuKey(value.Bytes));
    case TValue::vkBlob:
        return "\x03" + value.Bytes;
    }
    return {};
}

bool RangeSearchable(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        auto b = static_cast<unsigned char>(text[i]);
        char32_t c;
        if (b < 0x80) {
            c = b;
            ++i;
        } else if ((b & 0xE0) == 0xC0 && i + 1 < text.size() && (text[i + 1] & 0xC0) == 0x80) {
            c = ((b & 0x1F) << 6) | (text[i + 1] & 0x3F);
            i += 2;
        } else {
            return false; // beyond Latin Extended-A, or ill-formed
        }
        if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c > 0x17F) return false;
        // The soft hyphen weighs nothing; an I or i with an accent folds to the
        // dotted i but sorts with the dotless one in Turkish.
        if (c == 0xAD || (c >= 0xCC && c <= 0xCF) || (c >= 0xEC && c <= 0xEF) || (c >= 0x128 && c <= 0x12F))
            return false;
    }
    return true;
}

bool RefreshNameIndex(TDatabase &db, const TNameIndex &ix) {
    TDatabase::TNameIndexState &state = db.NameIndexState(ix.Table);
    const TPieces p(ix);
    try {
        const long long schema = Scalar(db, "PRAGMA schema_version");
        const long long data = Scalar(db, "PRAGMA data_version");
        // After another program's write, compare the counts too: a derived table
        // edited by hand must not go unnoticed.
        if (data != state.DataVersion) state.Counted = false;
        state.DataVersion = data;
        bool inPlace = schema == state.SchemaVersion || PiecesInPlace(db, ix);
        bool pending = inPlace && Scalar(db, "SELECT EXISTS (SELECT 1 FROM " + Quote(p.Log) + ")") != 0;
        if (inPlace && !state.Counted && !pending)
            inPlace = Scalar(db, "SELECT count(*) FROM " + Quote(p.Keys)) ==
                      Scalar(db, "SELECT count(*) FROM " + Quote(ix.Table));
        if (inPlace && !pending) {
            state.SchemaVersion = schema;
            state.Counted = true;
            return true;
        }
        if (db.ReadOnly()) return false;
        db.BeginWrite();
        try {
            if (!inPlace || !PiecesInPlace(db, ix)) {
                Rebuild(db, ix);
            } else {
                CatchUp(db, ix);
                if (!state.Counted && Scalar(db, "SELECT count(*) FROM " + Quote(p.Keys)) !=
                                          Scalar(db, "SELECT count(*) FROM " + Quote(ix.Table)))
                    Rebuild(db, ix);
            }
            db.Exec("COMMIT");
        } catch (...) {
            if (!sqlite3_get_autocommit(db.Handle())) db.Exec("ROLLBACK");
            throw;
        }
        state.SchemaVersion = Scalar(db, "PRAGMA schema_version");
        state.Counted = true;
        return true;
    } catch (const EDatabaseError &) {
        // Locked by another writer, or the file refuses writes: the ICU statements answer instead.
        state.SchemaVersion = -1;
        state.DataVersion = -1;
        state.Counted = false;
        return false;
    }
}

std::vector<long long> OrderedKeys(TDatabase &db, const TNameIndex &ix, bool handOn) {
    TDatabase::TNameIndexState &state = db.NameIndexState(ix.Table);
    std::vector<long long> handed = std::move(state.Handed);
    state.Handed.clear();
    const long long before[3] = {state.HandedStamp[0], state.HandedStamp[1], state.HandedStamp[2]};
    state.HandedStamp[0] = -1;
    if (!RefreshNameIndex(db, ix)) {
        TStatement st = db.Prepare("SELECT " + Quote(ix.Key) + " FROM " + Quote(ix.Table) + " ORDER BY " +
                                   Quote(ix.Column) + " COLLATE TR");
        return Keys(st);
    }
    const long long stamp[3] = {sqlite3_total_changes(db.Handle()), state.DataVersion, state.SchemaVersion};
    std::vector<long long> keys;
    if (before[0] >= 0 && std::equal(stamp, stamp + 3, before)) {
        keys = std::move(handed);
    } else {
        TStatement st = db.Prepare("SELECT Id FROM " + Quote(TPieces(ix).Keys) + " ORDER BY SortKey, Name");
        keys = Keys(st);
    }
    if (handOn) {
        state.Handed = keys;
        std::copy(stamp, stamp + 3, state.HandedStamp);
    }
    return keys;
}

std::vector<long long> LikeKeys(TDatabase &db, const TNameIndex &ix, std::string_view pattern) {
    const TValue like = TValue::Text(std::string(pattern));
    if (!RefreshNameIndex(db, ix)) {
        TStatement st =
            db.Prepare("SELECT " + Quote(ix.Key) + " FROM " + Quote(ix.Table) + " WHERE " + Quote(ix.Column) +
                       " LIKE ?1 ORDER BY " + Quote(ix.Column) + " COLLATE TR");
        st.Bind(1, like);
        return Keys(st);
    }
    const std::string keys = Quote(TPieces(ix).Keys);
    if (pattern.find_first_not_of('%') == std::string_view::npos && !pattern.empty()) {
        // Only '%': every value but NULL matches (the cleared search box), no need to ask each.
        TStatement st =
            db.Prepare("SELECT Id FROM " + keys + " WHERE SortKey >= x'01' ORDER BY SortKey, Name");
        return Keys(st);
    }
    const std::string_view prefix = LiteralPrefix(pattern);
    if (!RangeSearchable(prefix)) {
        TStatement st = db.Prepare("SELECT Id FROM " + keys + " WHERE Name LIKE ?1 ORDER BY SortKey, Name");
        st.Bind(1, like);
        return Keys(st);
    }
    std::string lo = "\x02", hi = "\x03";
    if (!prefix.empty()) {
        const std::string key = IcuKey(prefix);
        lo = "\x02" + Bound(key, UCOL_BOUND_LOWER);
        hi = "\x02" + Bound(key, UCOL_BOUND_UPPER_LONG);
    }
    TStatement range =
        db.Prepare("SELECT Id, SortKey FROM " + keys +
                   " WHERE SortKey >= ?2 AND SortKey <= ?3 AND Name LIKE ?1 ORDER BY SortKey, Name");
    range.BindAll({like, Blob(lo), Blob(hi)});
    // Rows the range cannot be trusted to find (other scripts, numbers, ill-formed text): few, read apart.
    TStatement odd = db.Prepare("SELECT Id, SortKey FROM " + keys +
                                " WHERE Irregular AND Name LIKE ?1 ORDER BY SortKey, Name");
    odd.Bind(1, like);
    std::vector<std::pair<std::string, long long>> extra;
    std::unordered_set<long long> extraKeys;
    while (odd.Step()) {
        extra.emplace_back(odd.Column(1).Bytes, odd.ColumnInt(0));
        extraKeys.insert(odd.ColumnInt(0));
    }
    if (extra.empty()) return Keys(range);
    std::vector<long long> out;
    size_t e = 0;
    while (range.Step()) {
        const long long id = range.ColumnInt(0);
        if (extraKeys.count(id)) continue; // irregular and in range: placed from the other list
        auto k = static_cast<const char *>(sqlite3_column_blob(range.Handle(), 1));
        std::string_view key(k ? k : "", static_cast<size_t>(sqlite3_column_bytes(range.Handle(), 1)));
        while (e < extra.size() && std::string_view(extra[e].first) < key)
            out.push_back(extra[e++].second);
        out.push_back(id);
    }
    while (e < extra.size())
        out.push_back(extra[e++].second);
    return out;
}

} // namespace kadrolin::data
