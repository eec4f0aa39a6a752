#pragma once
// The import and export runs over an open register.
#include "exchange/exchange.h"
#include "exchange/mapper.h"
#include "platform/data/database.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kadrolin::exchange {

// Called now and then with the share done (0 to 1); false cancels the run.
using TProgress = std::function<bool(double)>;

// A run cancelled through its progress callback; nothing was stored or written.
class ECancelled : public EExchangeError {
  public:
    ECancelled() : EExchangeError("İşlem iptal edildi; hiçbir şey değiştirilmedi.") {}
};

struct TImportOptions {
    std::string Table;               // sheet or Access table; empty: the format's default
    std::string MapFile;             // UTF-8 INI with an [Alanlar] section
    std::optional<TMapping> Mapping; // given by the preview dialog: used as it is
    bool AddDuplicates = false;      // else people already in the register are skipped
    TProgress Progress;
};

struct TImportResult {
    long long Added = 0;
    long long Duplicates = 0; // skipped, or added when asked to
    std::vector<std::string> Unmapped;
    long long WarningCount = 0;
    std::vector<std::string> Warnings; // the first ones, each naming the row and column
    // "102 kişi eklendi", then what was skipped and left out.
    std::string Summary() const;
};

// Reads the whole file in one transaction: on any error or cancel nothing is
// stored and the register is left as it was.
TImportResult ImportFile(data::TDatabase &db, const std::string &file, const TImportOptions &options);

// The first rows as the import would store them, for the preview.
struct TImportPreview {
    std::vector<std::string> SourceColumns;
    TMapping Mapping;
    std::vector<std::vector<data::TValue>> Rows; // ImportColumns() order
};
TImportPreview PreviewImport(const std::string &file, const TImportOptions &options, int rows = 5);
// One source row mapped onto the register's columns, photos converted.
// Warnings are added to warnings with the row's place in where.
std::vector<data::TValue> MapRow(const TMapping &mapping, const std::vector<std::string> &sourceColumns,
                                 const std::vector<data::TValue> &source, const std::string &where,
                                 std::vector<std::string> *warnings);

// Writes every person, sorted by name, in the format the extension names.
// Returns the number written. The file appears only when complete.
long long ExportFile(data::TDatabase &db, const std::string &file, const TProgress &progress = {});

} // namespace kadrolin::exchange
