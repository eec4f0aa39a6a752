#include "exchange/access.h"

#include "platform/text/turkishcase.h"
#include "records/recordlayout.h"

#include <mdbtools.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace kadrolin::exchange {

using data::TValue;

namespace {

// Memo fields hold up to 65,535 characters: room for them in UTF-8.
constexpr size_t kBindSize = 256 * 1024;

std::string BaseName(const std::string &file) {
    return std::filesystem::path(file).filename().string();
}

// libmdb believes whatever a file says; a file that does not start as an
// Access database never reaches it.
void CheckSignature(const std::string &file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw EExchangeError("'" + BaseName(file) + "' açılamadı.");
    char head[20] = {};
    in.read(head, sizeof head);
    std::string_view h(head, static_cast<size_t>(in.gcount()));
    if (h.size() < 19 || h.substr(0, 4) != std::string_view("\0\x01\0\0", 4) ||
        (h.substr(4, 15) != "Standard Jet DB" && h.substr(4, 15) != "Standard ACE DB"))
        throw EExchangeError("'" + BaseName(file) + "' bir Access veritabanı değil.");
}

struct TMdbCloser {
    void operator()(MdbHandle *m) const { mdb_close(m); }
};
using TMdb = std::unique_ptr<MdbHandle, TMdbCloser>;

TMdb Open(const std::string &file) {
    CheckSignature(file);
    TMdb mdb(mdb_open(file.c_str(), MDB_NOFLAGS));
    if (!mdb) throw EExchangeError("'" + BaseName(file) + "' açılamadı: Access dosyası okunamıyor.");
    mdb_set_bind_size(mdb.get(), kBindSize);
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        throw EExchangeError("'" + BaseName(file) + "' bozuk: tablo listesi okunamadı.");
    return mdb;
}

std::vector<std::string> UserTables(MdbHandle *mdb) {
    std::vector<std::string> names;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto *e = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (e->object_type == MDB_TABLE && !mdb_is_system_table(e)) names.emplace_back(e->object_name);
    }
    return names;
}

// An Access date: days since 30.12.1899, the fraction the time of day (for
// days before it, the whole part counts back and the fraction still forward).
std::string DateText(double v) {
    double days = std::trunc(v);
    double frac = std::fabs(v - days);
    long long seconds = std::llround(frac * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        days += v < 0 ? -1 : 1;
    }
    long long z = static_cast<long long>(days) - 25569 + 719468; // to days since 0000-03-01
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const long long y = yoe + era * 400 + (m <= 2);
    char buf[64];
    const int hh = static_cast<int>(seconds / 3600), mm = static_cast<int>(seconds / 60 % 60),
              ss = static_cast<int>(seconds % 60);
    if (days == 0 && seconds != 0) {
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", hh, mm, ss); // a time of day alone
    } else if (seconds == 0) {
        std::snprintf(buf, sizeof buf, "%02d.%02d.%04lld", d, m, y);
    } else {
        std::snprintf(buf, sizeof buf, "%02d.%02d.%04lld %02d:%02d:%02d", d, m, y, hh, mm, ss);
    }
    return buf;
}

class TAccessReader : public TRecordReader {
  public:
    TAccessReader(const std::string &file, const std::string &table) : FFile(file), FMdb(Open(file)) {
        const auto tables = UserTables(FMdb.get());
        std::string chosen;
        const std::string wanted = table.empty() ? records::kTableName : table;
        for (const auto &t : tables)
            if (TurkishFold(t) == TurkishFold(wanted)) chosen = t;
        if (chosen.empty()) {
            std::string list;
            for (const auto &t : tables)
                list += (list.empty() ? "" : ", ") + t;
            throw EExchangeError(
                "'" + BaseName(file) + "' içinde " +
                (table.empty()
                     ? std::string("\"tarvelion\" tablosu yok (eski programın dosyası değil); hangi tablonun "
                                   "alınacağını seçin (--table): ")
                     : "'" + table + "' tablosu yok; tablolar: ") +
                (list.empty() ? "hiç tablo yok" : list) + ".");
        }
        FTable = mdb_read_table_by_name(FMdb.get(), chosen.data(), MDB_TABLE);
        if (!FTable || !mdb_read_columns(FTable) || mdb_rewind_table(FTable) != 0)
            throw EExchangeError("'" + BaseName(file) + "' bozuk: '" + chosen + "' tablosu okunamadı.");
        FBuffers.resize(FTable->num_cols);
        FLengths.resize(FTable->num_cols);
        for (unsigned i = 0; i < FTable->num_cols; ++i) {
            auto *c = static_cast<MdbColumn *>(g_ptr_array_index(FTable->columns, i));
            FColumns.emplace_back(c->name);
            FBuffers[i].assign(kBindSize, '\0');
            mdb_bind_column(FTable, static_cast<int>(i + 1), FBuffers[i].data(), &FLengths[i]);
        }
        FTotal = FTable->num_rows;
    }
    ~TAccessReader() override {
        if (FTable) mdb_free_tabledef(FTable);
    }

    const std::vector<std::string> &Columns() const override { return FColumns; }
    long long RowNumber() const override { return FRow; }
    double Fraction() const override { return FTotal ? static_cast<double>(FRow) / FTotal : 1; }

    bool Next(std::vector<TValue> &row) override {
        if (!mdb_fetch_row(FTable)) return false;
        ++FRow;
        row.assign(FColumns.size(), TValue::Null());
        for (unsigned i = 0; i < FTable->num_cols; ++i) {
            auto *c = static_cast<MdbColumn *>(g_ptr_array_index(FTable->columns, i));
            const int len = FLengths[i];
            switch (c->col_type) {
            case MDB_OLE:
            case MDB_BINARY: {
                if (len <= 0) break;
                size_t size = 0;
                void *bytes = c->col_type == MDB_OLE ? mdb_ole_read_full(FMdb.get(), c, &size) : nullptr;
                if (c->col_type == MDB_OLE) {
                    if (bytes && size) row[i] = TValue::Blob(std::string(static_cast<char *>(bytes), size));
                    std::free(bytes);
                } else {
                    row[i] = TValue::Blob(std::string(FBuffers[i].data(), static_cast<size_t>(len)));
                }
                break;
            }
            case MDB_DATETIME:
                // The stored number, not libmdb's text: that loses the years outside 1900..9999 and the time.
                if (c->cur_value_len == 8) {
                    double v = 0;
                    std::memcpy(&v, FMdb->pg_buf + c->cur_value_start, 8);
                    if (std::isfinite(v) && std::fabs(v) < 3e6) row[i] = TValue::Text(DateText(v));
                }
                break;
            default:
                if (len > 0) row[i] = TValue::Text(std::string(FBuffers[i].data(), static_cast<size_t>(len)));
            }
        }
        return true;
    }

  private:
    std::string FFile;
    TMdb FMdb;
    MdbTableDef *FTable = nullptr;
    std::vector<std::string> FColumns;
    std::vector<std::string> FBuffers;
    std::vector<int> FLengths;
    long long FRow = 0, FTotal = 0;
};

} // namespace

std::unique_ptr<TRecordReader> OpenAccessReader(const std::string &file, const std::string &table) {
    return std::make_unique<TAccessReader>(file, table);
}

std::vector<std::string> AccessTables(const std::string &file) {
    return UserTables(Open(file).get());
}

} // namespace kadrolin::exchange
