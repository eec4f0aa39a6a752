#include "platform/system/memory.h"

#include <fstream>
#include <sstream>

TMemoryStatus GlobalMemoryStatus(const std::string &meminfoPath) {
    TMemoryStatus s;
    std::ifstream in(meminfoPath);
    std::string line;
    bool haveAvail = false;
    uint64_t freeKb = 0, buffersKb = 0, cachedKb = 0;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::string key;
        unsigned long long kb = 0;
        if (!(ls >> key >> kb)) continue;
        if (key == "MemTotal:")
            s.TotalPhys = kb * 1024ull;
        else if (key == "MemAvailable:") {
            s.AvailPhys = kb * 1024ull;
            haveAvail = true;
        } else if (key == "MemFree:")
            freeKb = kb;
        else if (key == "Buffers:")
            buffersKb = kb;
        else if (key == "Cached:")
            cachedKb = kb;
    }
    // Kernels before 3.14 have no MemAvailable; free + buffers + cache is the old estimate.
    if (!haveAvail) s.AvailPhys = (freeKb + buffersKb + cachedKb) * 1024ull;
    if (s.AvailPhys > s.TotalPhys) s.AvailPhys = s.TotalPhys;
    if (s.TotalPhys > 0) {
        uint64_t used = s.TotalPhys - s.AvailPhys;
        s.MemoryLoad = unsigned((used * 100 + s.TotalPhys / 2) / s.TotalPhys);
    }
    return s;
}
