#pragma once
// The machine's memory figures, read from /proc/meminfo.
#include <cstdint>
#include <string>

struct TMemoryStatus {
    uint64_t TotalPhys = 0;  // bytes
    uint64_t AvailPhys = 0;  // bytes, never above TotalPhys
    unsigned MemoryLoad = 0; // percent of physical memory in use, 0..100
};

// Lines that are not "Key: number [kB]" are skipped; a figure that does not
// fit 64 bits in bytes counts as garbled. Without a usable MemTotal (file
// missing, unreadable, garbage) every figure is 0.
TMemoryStatus GlobalMemoryStatus(const std::string &meminfoPath = "/proc/meminfo");
