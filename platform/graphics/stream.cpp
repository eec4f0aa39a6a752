#include "platform/graphics/stream.h"

#include <cstring>
#include <stdexcept>

namespace kadrolin {

void TStream::ReadBuffer(void *buffer, std::size_t count) {
    if (Read(buffer, count) != count) throw std::runtime_error("Stream read error");
}

void TStream::WriteBuffer(const void *buffer, std::size_t count) {
    if (Write(buffer, count) != count) throw std::runtime_error("Stream write error");
}

std::vector<std::uint8_t> TStream::ReadRest() {
    std::vector<std::uint8_t> out;
    std::uint8_t chunk[65536];
    for (;;) {
        std::size_t n = Read(chunk, sizeof chunk);
        if (n == 0) break;
        out.insert(out.end(), chunk, chunk + n);
    }
    return out;
}

TMemoryStream::TMemoryStream(const void *data, std::size_t size)
    : FData(static_cast<const std::uint8_t *>(data), static_cast<const std::uint8_t *>(data) + size) {}

std::size_t TMemoryStream::Read(void *buffer, std::size_t count) {
    if (FPos >= FData.size()) return 0;
    std::size_t n = std::min(count, FData.size() - FPos);
    std::memcpy(buffer, FData.data() + FPos, n);
    FPos += n;
    return n;
}

std::size_t TMemoryStream::Write(const void *buffer, std::size_t count) {
    if (count == 0) return 0;
    const auto *bytes = static_cast<const std::uint8_t *>(buffer);
    if (FPos == FData.size()) {
        // Appending, the common case: no zero-filling before the copy.
        FData.insert(FData.end(), bytes, bytes + count);
        FPos += count;
        return count;
    }
    if (FPos + count > FData.size()) FData.resize(FPos + count);
    std::memcpy(FData.data() + FPos, bytes, count);
    FPos += count;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    std::int64_t base = origin == TSeekOrigin::Begin     ? 0
                        : origin == TSeekOrigin::Current ? static_cast<std::int64_t>(FPos)
                                                         : static_cast<std::int64_t>(FData.size());
    std::int64_t pos = base + offset;
    if (pos < 0) throw std::runtime_error("Stream seek error");
    // Seeking past the end is allowed, as on a file; a write there fills the gap with zeros.
    FPos = static_cast<std::size_t>(pos);
    return pos;
}

TFileStream::TFileStream(const std::string &fileName, TFileMode mode) : FName(fileName) {
    FFile = std::fopen(fileName.c_str(), mode == TFileMode::OpenRead ? "rb" : "wb");
    if (!FFile)
        throw std::runtime_error(
            (mode == TFileMode::OpenRead ? "Cannot open file \"" : "Cannot create file \"") + fileName +
            "\"");
}

TFileStream::~TFileStream() {
    if (FFile) std::fclose(FFile);
}

void TFileStream::Close() {
    if (!FFile) return;
    bool bad = std::fflush(FFile) != 0 || std::ferror(FFile);
    bad = std::fclose(FFile) != 0 || bad;
    FFile = nullptr;
    if (bad) throw std::runtime_error("Cannot write file \"" + FName + "\"");
}

std::size_t TFileStream::Read(void *buffer, std::size_t count) {
    return FFile ? std::fread(buffer, 1, count, FFile) : 0;
}

std::size_t TFileStream::Write(const void *buffer, std::size_t count) {
    return FFile ? std::fwrite(buffer, 1, count, FFile) : 0;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    int whence = origin == TSeekOrigin::Begin     ? SEEK_SET
                 : origin == TSeekOrigin::Current ? SEEK_CUR
                                                  : SEEK_END;
    if (!FFile || fseeko(FFile, offset, whence) != 0) throw std::runtime_error("Stream seek error");
    return ftello(FFile);
}

std::int64_t TFileStream::Position() {
    return FFile ? ftello(FFile) : 0;
}

std::int64_t TFileStream::Size() {
    if (!FFile) return 0;
    auto pos = ftello(FFile);
    fseeko(FFile, 0, SEEK_END);
    auto size = ftello(FFile);
    fseeko(FFile, pos, SEEK_SET);
    return size;
}

} // namespace kadrolin
