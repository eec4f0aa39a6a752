#include "exchange/exchange.h"

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

std::unique_ptr<TRecordReader> OpenReader(const std::string &file, const std::string & /*table*/) {
    throw EExchangeError("'" + file + "' okunamıyor: bu dosya türü içe aktarılamaz (" + Extension(file) +
                         ").");
}

std::unique_ptr<TRecordWriter> CreateWriter(const std::string &file) {
    throw EExchangeError("'" + file + "' yazılamıyor: bu dosya türüne dışa aktarılamaz (" + Extension(file) +
                         ").");
}

} // namespace kadrolin::exchange
