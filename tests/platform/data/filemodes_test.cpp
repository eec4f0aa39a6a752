// The register holds personal data: its file and the engine's side files are
// owner-only, for a fresh register whatever the umask, and an existing one
// is tightened when it is opened.
#include "datatestutil.h"
#include "platform/data/database.h"

#include <sys/stat.h>

namespace kadrolin::data::testing {
namespace {

mode_t ModeOf(const std::string &path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    return st.st_mode & 07777;
}

void WriteOneRow(TDatabase &db) {
    db.BeginWrite();
    db.Exec("INSERT INTO people (Name) VALUES ('Ali')");
    db.Exec("COMMIT");
}

TEST(RegisterFiles, AFreshRegisterAndItsSideFilesAreOwnerOnlyWhateverTheUmask) {
    for (const mode_t mask : {mode_t(0), mode_t(022), mode_t(0277)}) {
        TTempDir dir;
        const std::string file = dir.File("Data.mdb");
        const mode_t before = ::umask(mask);
        TDatabase::Create(file, kPeopleSchema);
        {
            TDatabase db(file);
            WriteOneRow(db); // the first write switches to the write-ahead log
            EXPECT_EQ(ModeOf(file + "-wal"), 0600u) << mask;
            EXPECT_EQ(ModeOf(file + "-shm"), 0600u) << mask;
        }
        ::umask(before);
        EXPECT_EQ(ModeOf(file), 0600u) << mask;
        EXPECT_EQ(RawScalar(file, "SELECT count(*) FROM people"), "1") << mask;
    }
}

TEST(RegisterFiles, AnExistingRegisterIsTightenedWhenOpened) {
    struct TCase {
        mode_t Before, After;
    } cases[] = {{0644, 0600}, {0666, 0600}, {0640, 0600}, {0600, 0600}, {0400, 0400}};
    for (const auto &c : cases) {
        TTempDir dir;
        const std::string file = MakePeople(dir, {"A"});
        // Another program holds the file in write-ahead mode, so all three exist.
        sqlite3 *other = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, "PRAGMA journal_mode=WAL; INSERT INTO people (Name) VALUES ('B');",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        for (const char *suffix : {"", "-wal", "-shm"})
            ::chmod((file + suffix).c_str(), suffix[0] ? 0644 : c.Before);
        {
            TDatabase db(file);
            EXPECT_EQ(ModeOf(file), c.After) << c.Before;
            EXPECT_EQ(ModeOf(file + "-wal"), 0600u) << c.Before;
            EXPECT_EQ(ModeOf(file + "-shm"), 0600u) << c.Before;
        }
        sqlite3_close(other);
        EXPECT_EQ(RawScalar(file, "SELECT count(*) FROM people"), "2") << c.Before;
    }
}

} // namespace
} // namespace kadrolin::data::testing
