#pragma once
// A register of either kind for a test: a fresh file in a temporary
// directory, or a fresh database on the executable's one private server.
#include "platform/data/dataset.h"
#include "platform/data/pgbackend.h"
#include "records/recordcommands.h"
#include "tests/common/pgserver.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <string>

namespace kadrolin::testing {

// The server lives as long as the test executable.
inline TPgServer &Server() {
    static TPgServer *server = new TPgServer; // stopped by the environment below
    return *server;
}

class TServerEnvironment : public ::testing::Environment {
  public:
    void TearDown() override { delete &Server(); }
};

enum TKind { kFile, kServer };

inline std::string KindName(const ::testing::TestParamInfo<TKind> &info) {
    return info.param == kFile ? "File" : "Server";
}

class TRegister {
  public:
    explicit TRegister(TKind kind) : Kind(kind) {
        if (kind == kFile) {
            std::string tmpl = (std::filesystem::temp_directory_path() / "kadrolin-reg-XXXXXX").string();
            FDir = mkdtemp(tmpl.data());
            Address = FDir + "/Data.mdb";
            records::CreateRegister(Address);
        } else {
            Database = Server().CreateDatabase();
            Address = Server().Address(Database);
            // The program makes the schema on first use.
            data::OpenBackend(Address, records::ServerSchemaSql());
        }
    }
    ~TRegister() {
        std::error_code ec;
        if (!FDir.empty()) std::filesystem::remove_all(FDir, ec);
    }

    // SQL both dialects read alike, run as another program would.
    void Exec(const std::string &sql) const {
        if (Kind == kServer) {
            Server().Exec(sql, Database);
            return;
        }
        sqlite3 *db = nullptr;
        ASSERT_EQ(sqlite3_open(Address.c_str(), &db), SQLITE_OK);
        char *err = nullptr;
        int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
        std::string msg = err ? err : "";
        sqlite3_free(err);
        sqlite3_close(db);
        ASSERT_EQ(rc, SQLITE_OK) << msg;
    }

    // A query of the program on this register, opened with a statement.
    std::unique_ptr<data::TQuery>
    Open(const records::TStatementText &st = records::OrderedStatement()) const {
        auto q = std::make_unique<data::TQuery>("ADOQuery1");
        q->SetDatabaseName(Address);
        q->SetServerSchema(records::ServerSchemaSql());
        records::RunStatement(*q, st);
        return q;
    }

    TKind Kind;
    std::string Address;
    std::string Database;

  private:
    std::string FDir;
};

inline std::string Quoted(const std::string &s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("''") : std::string(1, c);
    return q + "'";
}

} // namespace kadrolin::testing
