#include "exchange/exchange.h"

#include "exchange/access.h"
#include "exchange/csv.h"
#include "exchange/vcard.h"
#include "exchange/xlsx.h"

#include <algorithm>
#include <filesystem>

namespace kadrolin::exchange {

std::string Extension(const std::string &file) {
    std::string ext = std::filesystem::path(file).extension().string();
    if (!ext.empty()) ext.erase(0, 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return c < 0x80 ? static_cast<char>(std::tolower(c)) : c; });
    return ext;
}

std::unique_ptr<TRecordReader> OpenReader(const std::string &file, const std::string &table) {
    const std::string ext = Extension(file);
    if (ext == "csv" || ext == "txt" || ext == "tsv") return OpenCsvReader(file);
    if (ext == "xlsx") return OpenXlsxReader(file, table);
    if (ext == "mdb" || ext == "accdb") return OpenAccessReader(file, table);
    throw EExchangeError("'" + std::filesystem::path(file).filename().string() +
                         "' okunamıyor: bu dosya türü içe aktarılamaz (" + Extension(file) + ").");
}

std::vector<std::string> SourceTables(const std::string &file) {
    const std::string ext = Extension(file);
    if (ext == "xlsx") return XlsxSheets(file);
    if (ext == "mdb" || ext == "accdb") return AccessTables(file);
    return {};
}

std::unique_ptr<TRecordWriter> CreateWriter(const std::string &file) {
    const std::string ext = Extension(file);
    if (ext == "csv") return CreateCsvWriter(file);
    if (ext == "xlsx") return CreateXlsxWriter(file);
    if (ext == "vcf") return CreateVCardWriter(file);
    throw EExchangeError("'" + std::filesystem::path(file).filename().string() +
                         "' yazılamıyor: bu dosya türüne dışa aktarılamaz (" + Extension(file) + ").");
}

} // namespace kadrolin::exchange
