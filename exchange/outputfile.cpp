#include "exchange/outputfile.h"

#include "exchange/exchange.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <stdlib.h>
#include <unistd.h>

namespace kadrolin::exchange {

TOutputFile::TOutputFile(const std::string &target) : FTarget(target) {
    std::filesystem::path t(target);
    std::string tmpl = (t.parent_path() / ("." + t.filename().string() + ".XXXXXX")).string();
    if (t.parent_path().empty()) tmpl = "." + t.filename().string() + ".XXXXXX";
    int fd = mkstemp(tmpl.data());
    if (fd < 0) throw EExchangeError("'" + target + "' yazılamadı: " + std::strerror(errno));
    FTemp = tmpl;
    FFile = fdopen(fd, "wb");
    if (!FFile) {
        ::close(fd);
        Fail(std::strerror(errno));
    }
    std::setvbuf(FFile, nullptr, _IOFBF, 1 << 16);
}

TOutputFile::~TOutputFile() {
    if (FFile) std::fclose(FFile);
    if (!FCommitted && !FTemp.empty()) ::unlink(FTemp.c_str());
}

void TOutputFile::Fail(const std::string &why) {
    throw EExchangeError("'" + FTarget + "' yazılamadı: " + why);
}

const std::string &TOutputFile::HandOver() {
    if (FFile) std::fclose(FFile);
    FFile = nullptr;
    return FTemp;
}

void TOutputFile::Write(std::string_view bytes) {
    if (!FFile) Fail("dosya kapalı");
    if (std::fwrite(bytes.data(), 1, bytes.size(), FFile) != bytes.size()) Fail(std::strerror(errno));
}

void TOutputFile::Commit() {
    if (FFile) {
        bool ok = std::fflush(FFile) == 0 && fsync(fileno(FFile)) == 0;
        int err = errno;
        ok = (std::fclose(FFile) == 0) && ok;
        FFile = nullptr;
        if (!ok) Fail(std::strerror(err));
    }
    if (std::rename(FTemp.c_str(), FTarget.c_str()) != 0) Fail(std::strerror(errno));
    FCommitted = true;
}

} // namespace kadrolin::exchange
