#include "exchange/runs.h"

#include "exchange/exchange.h"
#include "exchange/photo.h"
#include "records/recordlayout.h"
#include "records/tckimlik.h"

#include <filesystem>

namespace kadrolin::exchange {

using data::TValue;

namespace {

// The length at which a single-line editing box would cut a value.
constexpr size_t kBoxLimit = 32767;
constexpr size_t kKeptWarnings = 1000;
constexpr long long kProgressEvery = 256;

size_t Utf8Length(const std::string &s) {
    size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

std::string FileName(const std::string &file) {
    return std::filesystem::path(file).filename().string();
}

std::string Place(const std::string &file, long long row) {
    return "'" + FileName(file) + "', satır " + std::to_string(row);
}

// Wraps an error of one cell or row with where it happened.
class TCellError : public EExchangeError {
  public:
    using EExchangeError::EExchangeError;
};

void Check(const TProgress &progress, double fraction) {
    if (progress && !progress(fraction)) throw ECancelled();
}

TMapping ChooseMapping(const TImportOptions &options, const std::vector<std::string> &columns,
                       const std::string &file) {
    TMapping m = options.Mapping           ? *options.Mapping
                 : options.MapFile.empty() ? GuessMapping(columns)
                                           : ReadMapFile(options.MapFile, columns);
    bool any = false;
    for (const auto &s : m.Sources)
        any = any || !s.empty();
    if (!any) {
        std::string list;
        for (const auto &c : columns)
            list += (list.empty() ? "" : ", ") + c;
        throw EExchangeError("'" + FileName(file) +
                             "': hiçbir sütun kayıt sütunlarından biriyle eşleşmedi (" + list +
                             "). Bir eşleme dosyası verin.");
    }
    return m;
}

} // namespace

std::vector<TValue> MapRow(const TMapping &mapping, const std::vector<std::string> &sourceColumns,
                           const std::vector<TValue> &source, const std::string &where,
                           std::vector<std::string> *warnings) {
    const auto &fields = ImportColumns();
    std::vector<TValue> out(fields.size());
    for (size_t f = 0; f < fields.size(); ++f) {
        const auto &sources = mapping.Sources[f];
        if (sources.empty()) continue;
        const bool photo = fields[f] == records::kPictureField;
        auto column = [&](int s) {
            return where + ", sütun '" + sourceColumns[static_cast<size_t>(s)] + "'";
        };
        if (photo) {
            // One source column holds the picture; the first that has one wins.
            for (int s : sources) {
                const TValue &v = source[static_cast<size_t>(s)];
                if (v.IsNull() || v.Bytes.empty()) continue;
                if (v.Kind != TValue::vkBlob)
                    throw TCellError(column(s) + ": resim sütununda metin var, resim değil.");
                try {
                    out[f] = TValue::Blob(PhotoToJpeg(v.Bytes));
                } catch (const std::exception &e) {
                    throw TCellError(column(s) + ": resim çözülemedi. " + e.what());
                }
                break;
            }
            continue;
        }
        std::string text;
        for (int s : sources) {
            const TValue &v = source[static_cast<size_t>(s)];
            if (v.Kind == TValue::vkBlob)
                throw TCellError(column(s) + ": metin sütununda ikili veri (resim ya da OLE nesnesi) var.");
            std::string part = v.Kind == TValue::vkInteger ? std::to_string(v.Integer) : v.Bytes;
            if (part.empty()) continue;
            if (!text.empty()) text += ' ';
            text += part;
        }
        if (text.empty()) continue;
        if (warnings) {
            if (Utf8Length(text) > kBoxLimit)
                warnings->push_back(where + ", " + fields[f] + ": değer " + std::to_string(Utf8Length(text)) +
                                    " karakter; bütünüyle saklandı, ama düzenleme kutusu " +
                                    std::to_string(kBoxLimit) + " karakterden fazlasını göstermez.");
            if (fields[f] == "K_TcNo")
                if (auto w = records::TcKimlikNoWarning(text); !w.empty())
                    warnings->push_back(where + ", K_TcNo '" + text + "': " + w +
                                        " Yazıldığı gibi saklandı.");
        }
        out[f] = TValue::Text(std::move(text));
    }
    return out;
}

std::string TImportResult::Summary() const {
    std::string s = std::to_string(Added) + " kişi eklendi";
    if (Duplicates > 0) s += ", " + std::to_string(Duplicates) + " kişi zaten kayıtlı olduğu için atlandı";
    if (!Unmapped.empty()) {
        s += "; eşlenmeyen sütunlar atlandı: ";
        for (size_t i = 0; i < Unmapped.size(); ++i)
            s += (i ? ", " : "") + Unmapped[i];
    }
    if (WarningCount > 0) s += "; " + std::to_string(WarningCount) + " uyarı";
    return s;
}

TImportResult ImportFile(data::TDatabase &db, const std::string &file, const TImportOptions &options) {
    auto reader = OpenReader(file, options.Table);
    const auto &columns = reader->Columns();
    const TMapping mapping = ChooseMapping(options, columns, file);
    TImportResult result;
    result.Unmapped = UnmappedColumns(mapping, columns);

    const auto &fields = ImportColumns();
    std::string names, marks;
    for (size_t i = 0; i < fields.size(); ++i) {
        names += (i ? "," : "") + fields[i];
        marks += (i ? ",?" : "?") + std::to_string(i + 1);
    }
    const int nameIndex = ImportColumnIndex(records::kNameField);
    const int tcIndex = ImportColumnIndex("K_TcNo");

    // A plain BEGIN: the journal mode is not switched, so a failed import
    // leaves the file's every byte as it was.
    db.Exec("BEGIN IMMEDIATE");
    try {
        auto insert = db.Prepare("INSERT INTO tarvelion (" + names + ") VALUES (" + marks + ")");
        auto existing = db.Prepare("SELECT 1 FROM tarvelion WHERE A_Adi IS ?1 AND K_TcNo IS ?2 LIMIT 1");
        std::vector<TValue> row;
        std::vector<std::string> warnings;
        long long n = 0;
        Check(options.Progress, 0);
        while (reader->Next(row)) {
            if (++n % kProgressEvery == 0) Check(options.Progress, reader->Fraction());
            const std::string where = Place(file, reader->RowNumber());
            warnings.clear();
            auto values = MapRow(mapping, columns, row, where, &warnings);
            bool empty = true;
            for (const auto &v : values)
                empty = empty && v.IsNull();
            if (empty) continue; // a blank line of a spreadsheet is nobody
            existing.Reset();
            existing.Bind(1, values[static_cast<size_t>(nameIndex)]);
            existing.Bind(2, values[static_cast<size_t>(tcIndex)]);
            if (existing.Step()) {
                ++result.Duplicates;
                if (!options.AddDuplicates) continue;
            }
            result.WarningCount += static_cast<long long>(warnings.size());
            for (auto &w : warnings)
                if (result.Warnings.size() < kKeptWarnings) result.Warnings.push_back(std::move(w));
            insert.Reset();
            for (size_t i = 0; i < values.size(); ++i)
                insert.Bind(static_cast<int>(i + 1), values[i]);
            try {
                insert.Step();
            } catch (const data::EDatabaseError &e) {
                throw EExchangeError(where + ": kaydedilemedi. " + e.what());
            }
            ++result.Added;
        }
        Check(options.Progress, 1);
        db.Exec("COMMIT");
    } catch (...) {
        try {
            db.Exec("ROLLBACK");
        } catch (...) {
        }
        throw;
    }
    if (options.AddDuplicates) result.Duplicates = 0;
    return result;
}

TImportPreview PreviewImport(const std::string &file, const TImportOptions &options, int rows) {
    auto reader = OpenReader(file, options.Table);
    TImportPreview p;
    p.SourceColumns = reader->Columns();
    p.Mapping = ChooseMapping(options, p.SourceColumns, file);
    std::vector<TValue> row;
    while (static_cast<int>(p.Rows.size()) < rows && reader->Next(row))
        p.Rows.push_back(MapRow(p.Mapping, p.SourceColumns, row, Place(file, reader->RowNumber()), nullptr));
    return p;
}

long long ExportFile(data::TDatabase &db, const std::string &file, const TProgress &progress) {
    auto writer = CreateWriter(file);
    const auto &fields = ImportColumns();
    std::string names;
    for (size_t i = 0; i < fields.size(); ++i)
        names += (i ? "," : "") + fields[i];
    const long long total = db.ScalarValue("SELECT count(*) FROM tarvelion")->Integer;
    // One read transaction: the file shows the register as it was at one moment.
    db.Exec("BEGIN");
    long long n = 0;
    try {
        auto st = db.Prepare("SELECT " + names + " FROM tarvelion ORDER BY A_Adi COLLATE TR, Id");
        std::vector<TValue> row(fields.size());
        Check(progress, 0);
        while (st.Step()) {
            for (size_t i = 0; i < fields.size(); ++i)
                row[i] = st.Column(static_cast<int>(i));
            writer->Write(row);
            if (++n % kProgressEvery == 0) Check(progress, total ? static_cast<double>(n) / total : 1);
        }
        Check(progress, 1);
        writer->Finish();
    } catch (...) {
        db.Exec("ROLLBACK");
        throw;
    }
    db.Exec("COMMIT");
    return n;
}

} // namespace kadrolin::exchange
