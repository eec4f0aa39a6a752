#include "platform/system/memory.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <string_view>

namespace {
// /proc/meminfo is a couple of kilobytes; reading stops well beyond that, so a
// path that names something endless (a device, a pipe) cannot hang or exhaust us.
constexpr size_t MaxBytes = 256 * 1024;
constexpr size_t MaxLine = 4096;

// "Key:   12345 kB" -> key and bytes. False for anything else: no colon, no
// number, a sign, trailing junk, another unit, or a figure beyond 64 bits.
bool ParseLine(std::string_view line, std::string_view &key, uint64_t &bytes) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    key = line.substr(0, colon);
    std::string_view rest = line.substr(colon + 1);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
        rest.remove_prefix(1);
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (ec != std::errc() || end == rest.data()) return false;
    rest = rest.substr(size_t(end - rest.data()));
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
        rest.remove_prefix(1);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t'))
        rest.remove_suffix(1);
    uint64_t factor = 1;
    if (rest == "kB")
        factor = 1024;
    else if (!rest.empty())
        return false;
    return !__builtin_mul_overflow(value, factor, &bytes);
}

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
    uint64_t r;
    return __builtin_add_overflow(a, b, &r) ? UINT64_MAX : r;
}
} // namespace

TMemoryStatus GlobalMemoryStatus(const std::string &meminfoPath) {
    TMemoryStatus s;
    std::ifstream in(meminfoPath, std::ios::binary);
    if (!in) return s;
    bool haveTotal = false, haveAvail = false;
    uint64_t total = 0, avail = 0, freeB = 0, buffers = 0, cached = 0;
    std::string text(MaxBytes, '\0');
    in.read(text.data(), std::streamsize(text.size()));
    text.resize(size_t(in.gcount()));
    std::string_view rest = text;
    while (!rest.empty()) {
        const size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
        std::string_view key;
        uint64_t bytes = 0;
        if (line.size() > MaxLine || !ParseLine(line, key, bytes)) continue;
        // The first of a duplicated key counts, as the kernel writes each once.
        if (key == "MemTotal" && !haveTotal) {
            total = bytes;
            haveTotal = true;
        } else if (key == "MemAvailable" && !haveAvail) {
            avail = bytes;
            haveAvail = true;
        } else if (key == "MemFree")
            freeB = bytes;
        else if (key == "Buffers")
            buffers = bytes;
        else if (key == "Cached")
            cached = bytes;
    }
    if (!haveTotal || total == 0) return s;
    // Kernels before 3.14 have no MemAvailable; free + buffers + cache is the old estimate.
    if (!haveAvail) avail = SaturatingAdd(SaturatingAdd(freeB, buffers), cached);
    if (avail > total) avail = total;
    s.TotalPhys = total;
    s.AvailPhys = avail;
    // In floating point: used * 100 could overflow 64 bits; a percentage needs no more precision.
    s.MemoryLoad = unsigned(std::lround(double(total - avail) * 100.0 / double(total)));
    return s;
}
