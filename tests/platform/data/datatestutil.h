#pragma once
// A real SQLite file in a fresh temporary directory for each test.
#include "platform/data/dataset.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace kadrolin::data::testing {

inline const char *const kPeopleSchema =
    "CREATE TABLE people (Id INTEGER PRIMARY KEY, Name TEXT, Phone TEXT, Photo BLOB);";

class TTempDir {
  public:
    TTempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kadrolin-XXXXXX").string();
        Path = mkdtemp(tmpl.data());
    }
    ~TTempDir() {
        std::error_code ec;
        std::filesystem::permissions(Path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(Path, ec);
    }
    std::string File(const std::string &name) const { return (std::filesystem::path(Path) / name).string(); }
    std::string Path;
};

inline std::string ReadAll(const std::string &file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs SQL on the file through a plain connection, as another program would.
inline void RawExec(const std::string &file, const std::string &sql) {
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    char *err = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
    std::string msg = err ? err : "";
    sqlite3_free(err);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << msg;
}

inline std::string RawScalar(const std::string &file, const std::string &sql) {
    sqlite3 *db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_stmt *st = nullptr;
    std::string out = "<none>";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        out = sqlite3_column_type(st, 0) == SQLITE_NULL
                  ? "<null>"
                  : reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

// A people file with the given names (in insertion order, keys 1..n).
inline std::string MakePeople(const TTempDir &dir, std::initializer_list<const char *> names,
                              const std::string &fileName = "Data.mdb") {
    std::string file = dir.File(fileName);
    TDatabase::Create(file, kPeopleSchema);
    std::string sql = "BEGIN;";
    for (const char *n : names) {
        std::string q;
        for (const char *p = n; *p; ++p)
            q += *p == '\'' ? std::string("''") : std::string(1, *p);
        sql += "INSERT INTO people (Name) VALUES ('" + q + "');";
    }
    sql += "COMMIT;";
    RawExec(file, sql);
    return file;
}

inline std::vector<std::string> Names(TQuery &q, const char *field = "Name") {
    std::vector<std::string> out;
    for (int i = 0; i < q.RecordCount(); ++i)
        out.push_back(q.TextAt(i, q.FieldByName(field).Index()));
    return out;
}

} // namespace kadrolin::data::testing
