#pragma once
// The machine's memory figures, read from /proc/meminfo.
#include <cstdint>
#include <string>

struct TMemoryStatus {
    uint64_t TotalPhys = 0;  // bytes
    uint64_t AvailPhys = 0;  // bytes
    unsigned MemoryLoad = 0; // percent of physical memory in use, 0..100
};

TMemoryStatus GlobalMemoryStatus(const std::string &meminfoPath = "/proc/meminfo");
