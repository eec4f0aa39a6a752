#include "platform/system/memory.h"
#include "platform/system/shell.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

namespace {

TEST(MemoryStatus, ReadsTotalAndLoadFromMeminfo) {
    struct Case {
        const char *name, *content;
        uint64_t total;
        unsigned load;
    } cases[] = {
        {"modern", "MemTotal:       24000000 kB\nMemFree:  1000 kB\nMemAvailable:   18000000 kB\n",
         24000000ull * 1024, 25},
        // Over 4 GiB must not wrap.
        {"large", "MemTotal: 67108864 kB\nMemAvailable: 33554432 kB\n", 67108864ull * 1024, 50},
        {"no MemAvailable", "MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 100 kB\nCached: 300 kB\n", 1024000,
         50},
        {"empty", "", 0, 0},
        {"garbage", "\x01\x02 zzz\nMemTotal: lots\n", 0, 0},
        {"available above total", "MemTotal: 100 kB\nMemAvailable: 200 kB\n", 102400, 0},
    };
    QTemporaryDir dir;
    for (const auto &c : cases) {
        std::string path = dir.filePath("meminfo").toStdString();
        std::ofstream(path, std::ios::trunc) << c.content;
        TMemoryStatus s = GlobalMemoryStatus(path);
        EXPECT_EQ(s.TotalPhys, c.total) << c.name;
        EXPECT_EQ(s.MemoryLoad, c.load) << c.name;
    }
    EXPECT_EQ(GlobalMemoryStatus(dir.filePath("missing").toStdString()).TotalPhys, 0u);
    EXPECT_GT(GlobalMemoryStatus().TotalPhys, 0u);
}

TEST(ShellExecute, HandsTheTextToTheDesktopPercentEncoded) {
    TShellRecorder rec;
    ShellExecute("mailto:ali veli@example.com");
    ShellExecute(QString::fromUtf8("mailto:şükrü@example.org"));
    ShellExecute("http://www.example.net");
    ASSERT_EQ(rec.Urls().size(), 3u);
    EXPECT_EQ(rec.Targets()[0], "mailto:ali veli@example.com");
    EXPECT_EQ(rec.Urls()[0].toEncoded(), "mailto:ali%20veli@example.com");
    EXPECT_EQ(rec.Urls()[1].scheme(), "mailto");
    EXPECT_FALSE(rec.Urls()[1].toEncoded().contains("\xc5"));
    EXPECT_EQ(rec.Urls()[2].toString(), "http://www.example.net");
}

} // namespace
