#pragma once
// A private PostgreSQL server for one test executable: a fresh cluster in a
// temporary directory, reachable only through a Unix socket in that
// directory, stopped and removed when the object goes. As root the server
// runs as the unprivileged "postgres" account (the server refuses root).
#include <libpq-fe.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace kadrolin::testing {

class TPgServer {
  public:
    static constexpr const char *kBin = "/usr/lib/postgresql/15/bin";
    static constexpr const char *kSuperUser = "kadrolin";

    TPgServer() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kadrolin-pg-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        FDir = tmpl;
        if (geteuid() == 0) {
            FRunAs = "postgres";
            Run({"chown", "postgres:", FDir});
        }
        chmod(FDir.c_str(), 0700);
        std::random_device rd;
        FPort = 20000 + static_cast<int>(rd() % 40000);
        Run({Bin("initdb"), "-D", DataDir(), "-U", kSuperUser, "--auth=trust", "--encoding=UTF8",
             "--locale=C.UTF-8", "--no-sync"},
            true);
        Start();
    }
    ~TPgServer() {
        Stop();
        std::error_code ec;
        std::filesystem::remove_all(FDir, ec);
    }
    TPgServer(const TPgServer &) = delete;
    TPgServer &operator=(const TPgServer &) = delete;

    void Start() {
        std::string opts = "-k " + FDir + " -p " + std::to_string(FPort) +
                           " -c listen_addresses='' -c fsync=off -c synchronous_commit=off"
                           " -c full_page_writes=off -c max_connections=40";
        Run({Bin("pg_ctl"), "-D", DataDir(), "-l", FDir + "/log", "-o", opts, "-w", "-t", "60", "start"},
            true);
        FRunning = true;
    }
    void Stop() {
        if (!FRunning) return;
        Run({Bin("pg_ctl"), "-D", DataDir(), "-m", "fast", "-w", "-t", "60", "stop"}, true, false);
        FRunning = false;
    }

    // The keyword string of a database on this server.
    std::string Address(const std::string &db = "postgres", const std::string &user = kSuperUser) const {
        return "host=" + FDir + " port=" + std::to_string(FPort) + " dbname=" + db + " user=" + user;
    }
    // The same database as a URI (the socket directory percent-encoded as the host).
    std::string Uri(const std::string &db) const {
        std::string host;
        for (char c : FDir)
            host += c == '/' ? std::string("%2F") : std::string(1, c);
        return "postgresql://" + host + ":" + std::to_string(FPort) + "/" + db + "?user=" + kSuperUser;
    }

    // A new empty database; each test takes its own.
    std::string CreateDatabase() {
        std::string name = "t" + std::to_string(++FCount);
        Exec("CREATE DATABASE " + name + " TEMPLATE template0");
        return name;
    }

    // Runs SQL as the superuser; throws with the server's text.
    std::string Exec(const std::string &sql, const std::string &db = "postgres") const {
        PGconn *c = PQconnectdb(Address(db).c_str());
        std::string out, err;
        if (PQstatus(c) != CONNECTION_OK) {
            err = PQerrorMessage(c);
        } else {
            PGresult *r = PQexec(c, sql.c_str());
            auto st = PQresultStatus(r);
            if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK)
                err = PQresultErrorMessage(r);
            else if (st == PGRES_TUPLES_OK && PQntuples(r) > 0 && !PQgetisnull(r, 0, 0))
                out = PQgetvalue(r, 0, 0);
            PQclear(r);
        }
        PQfinish(c);
        if (!err.empty()) throw std::runtime_error(err);
        return out;
    }

    const std::string &Dir() const { return FDir; }

  private:
    std::string Bin(const char *name) const { return std::string(kBin) + "/" + name; }
    std::string DataDir() const { return FDir + "/data"; }

    void Run(std::vector<std::string> args, bool asServer = false, bool check = true) const {
        if (asServer && !FRunAs.empty()) args.insert(args.begin(), {"runuser", "-u", FRunAs, "--"});
        pid_t pid = fork();
        if (pid == 0) {
            std::vector<char *> argv;
            for (auto &a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            // Keep the tools' chatter out of the test output; the log file has the server's.
            if (!freopen("/dev/null", "w", stdout)) _exit(126);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (check && (!WIFEXITED(status) || WEXITSTATUS(status) != 0))
            throw std::runtime_error("failed: " + args[asServer && !FRunAs.empty() ? 4 : 0]);
    }

    std::string FDir;
    std::string FRunAs;
    int FPort = 0;
    int FCount = 0;
    bool FRunning = false;
};

} // namespace kadrolin::testing
