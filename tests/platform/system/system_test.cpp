#include "platform/system/memory.h"
#include "platform/system/shell.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

namespace {

TEST(MemoryStatus, ReadsTotalAndLoadFromMeminfo) {
    struct Case {
        const char *name;
        std::string content;
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
        {"no MemTotal", "MemFree: 100 kB\nMemAvailable: 50 kB\n", 0, 0},
        {"negative figure skipped", "MemTotal: -5 kB\nMemTotal: 1000 kB\nMemAvailable: 250 kB\n", 1024000,
         75},
        {"trailing junk skipped", "MemTotal: 12abc kB\nMemTotal: 2000 kB\nMemAvailable: 1000 kB\n", 2048000,
         50},
        {"other unit skipped", "MemTotal: 10 MB\nMemTotal: 400 kB\nMemAvailable: 100 kB\n", 409600, 75},
        {"no unit means bytes", "MemTotal: 4096\nMemAvailable: 1024\n", 4096, 75},
        {"CRLF and tabs", "MemTotal:\t 800 kB\r\nMemAvailable:\t200 kB \r\n", 819200, 75},
        {"last line without newline", "MemTotal: 800 kB\nMemAvailable: 600 kB", 819200, 25},
        {"first of a duplicate counts", "MemTotal: 800 kB\nMemTotal: 1 kB\nMemAvailable: 400 kB\n", 819200,
         50},
        // 2^54 kB is 2^64 bytes: beyond 64 bits, so garbled.
        {"beyond 64 bits", "MemTotal: 18014398509481984 kB\nMemAvailable: 1 kB\n", 0, 0},
        {"beyond 64 bits as a number", "MemTotal: 99999999999999999999999 kB\n", 0, 0},
        // The largest figure that fits, with nearly all of it in use.
        {"largest", "MemTotal: 18014398509481983 kB\nMemAvailable: 1 kB\n", 18014398509481983ull * 1024, 100},
        {"missing available estimate overflows",
         "MemTotal: 100 kB\nMemFree: 18014398509481983 kB\nCached: 18014398509481983 kB\n", 102400, 0},
        {"NUL bytes", std::string("MemTotal: 1000 kB\n\0\0\0\nMemAvailable: 500 kB\n", 43), 1024000, 50},
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
    EXPECT_EQ(GlobalMemoryStatus(dir.path().toStdString()).TotalPhys, 0u); // a directory
    // An endless source is read only so far.
    EXPECT_EQ(GlobalMemoryStatus("/dev/zero").TotalPhys, 0u);
    TMemoryStatus real = GlobalMemoryStatus();
    EXPECT_GT(real.TotalPhys, 0u);
    EXPECT_LE(real.AvailPhys, real.TotalPhys);
    EXPECT_LE(real.MemoryLoad, 100u);
}

// The start script must say in one line that there is no display to show the
// program on, before it installs or builds anything.
TEST(RunScript, RefusesAMissingOrUnreachableDisplayInOneLine) {
    // A display number nothing listens on.
    int free = 90;
    while (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(free)))
        ++free;
    struct Case {
        const char *name;
        QString display;
    } cases[] = {
        {"unset", QString()},
        {"no server", QStringLiteral(":%1").arg(free)},
        {"garbage", QStringLiteral("nonsense")},
    };
    for (const auto &c : cases) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(v));
        if (!c.display.isNull()) env.insert("DISPLAY", c.display);
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(KADROLIN_SOURCE_DIR "/scripts/run.sh"), {});
        ASSERT_TRUE(p.waitForFinished(60000)) << c.name;
        EXPECT_NE(p.exitCode(), 0) << c.name;
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(err.count('\n'), 1) << c.name << ": " << err.toStdString();
        EXPECT_TRUE(err.startsWith("run.sh: ")) << c.name;
        if (!c.display.isNull()) {
            EXPECT_TRUE(err.contains(c.display)) << c.name;
        }
        EXPECT_EQ(p.readAllStandardOutput(), "") << c.name;
    }
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
