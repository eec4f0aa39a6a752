// A writer killed at random moments never leaves a damaged file nor loses a
// post it had reported as done.
#include "datatestutil.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <random>
#include <sstream>

using namespace kadrolin::data;
using namespace kadrolin::data::testing;

namespace {

// The child: inserts a row, reports it, edits it, reports that; forever.
[[noreturn]] void WriterLoop(const std::string &file, int run, int fd) {
    try {
        TQuery q;
        q.SetDatabaseName(file);
        q.SetSQL("SELECT * FROM people");
        q.Open();
        for (int seq = 0;; ++seq) {
            std::string name = "r" + std::to_string(run) + "-" + std::to_string(seq);
            q.Append();
            q.FieldByName("Name").SetAsString(name);
            q.FieldByName("Photo").SetAsBytes(std::string(3000 + seq % 5000, static_cast<char>(seq)));
            q.Post();
            std::string ack = "I " + name + "\n";
            if (write(fd, ack.data(), ack.size()) < 0) _exit(3);
            q.Edit();
            q.FieldByName("Phone").SetAsString(name + "-e");
            q.Post();
            ack = "E " + name + "\n";
            if (write(fd, ack.data(), ack.size()) < 0) _exit(3);
        }
    } catch (const std::exception &e) {
        std::string msg = std::string("X ") + e.what() + "\n";
        [[maybe_unused]] auto n = write(fd, msg.data(), msg.size());
        _exit(2);
    }
}

} // namespace

TEST(CrashSafety, KilledWriterLeavesEveryAcknowledgedPostInAConsistentFile) {
    TTempDir dir;
    std::string file = MakePeople(dir, {"Ali"});
    std::mt19937 rng(20261209);
    std::map<std::string, bool> acked; // name -> edit acknowledged
    const int kRuns = 50;
    for (int run = 0; run < kRuns; ++run) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(fds[0]);
            WriterLoop(file, run, fds[1]);
        }
        close(fds[1]);
        // Let it write for a random while, then kill it mid-work.
        std::string received;
        int waitMs = std::uniform_int_distribution<int>(5, 80)(rng);
        pollfd p{fds[0], POLLIN, 0};
        int elapsedPolls = 0;
        while (elapsedPolls < waitMs) {
            if (poll(&p, 1, 1) > 0) {
                char buf[4096];
                ssize_t n = read(fds[0], buf, sizeof buf);
                if (n <= 0) break;
                received.append(buf, static_cast<size_t>(n));
            }
            ++elapsedPolls;
        }
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        char buf[4096];
        ssize_t n;
        while ((n = read(fds[0], buf, sizeof buf)) > 0)
            received.append(buf, static_cast<size_t>(n));
        close(fds[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "writer ended by itself: " << received;

        std::istringstream lines(received);
        std::string kind, name;
        while (lines >> kind) {
            std::getline(lines, name);
            name.erase(0, 1);
            ASSERT_NE(kind, "X") << name;
            if (kind == "I")
                acked.emplace(name, false);
            else if (kind == "E")
                acked[name] = true;
        }
        ASSERT_EQ(RawScalar(file, "PRAGMA integrity_check"), "ok") << "run " << run;
    }
    // Every acknowledged post is in the file.
    int checked = 0;
    for (auto &[name, edited] : acked) {
        std::string phone =
            RawScalar(file, "SELECT ifnull(Phone, '') FROM people WHERE Name = '" + name + "'");
        ASSERT_NE(phone, "<none>") << name << " was acknowledged but is missing";
        if (edited) {
            EXPECT_EQ(phone, name + "-e");
        }
        ++checked;
    }
    EXPECT_GT(checked, kRuns); // the writer got work done between kills
    TQuery q;
    q.SetDatabaseName(file);
    q.SetSQL("SELECT * FROM people");
    ASSERT_NO_THROW(q.Open());
}
