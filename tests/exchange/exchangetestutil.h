#pragma once
// A register in a temporary directory, filled through plain SQL, and helpers
// to read people back and compare files byte for byte.
#include "platform/data/database.h"
#include "records/recordcommands.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace kadrolin::testing {

class TTempDir {
  public:
    TTempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kadrolin-ex-XXXXXX").string();
        FPath = mkdtemp(tmpl.data());
    }
    ~TTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    std::string operator/(const std::string &name) const { return (FPath / name).string(); }
    const std::filesystem::path &Path() const { return FPath; }

  private:
    std::filesystem::path FPath;
};

using TPerson = std::map<std::string, std::string>; // column -> value; absent: NULL

inline std::string ReadBytes(const std::string &file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteBytes(const std::string &file, const std::string &bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

inline void AddPerson(data::TDatabase &db, const TPerson &p) {
    std::string names, marks;
    std::vector<data::TValue> values;
    for (const auto &[k, v] : p) {
        names += (names.empty() ? "" : ",") + k;
        marks += (marks.empty() ? "?" : ",?");
        values.push_back(k == "A_Resim" ? data::TValue::Blob(v) : data::TValue::Text(v));
    }
    auto st = db.Prepare("INSERT INTO tarvelion (" + names + ") VALUES (" + marks + ")");
    st.BindAll(values);
    st.Step();
}

inline std::string MakeRegister(const TTempDir &dir, const std::vector<TPerson> &people,
                                const std::string &name = "Data.mdb") {
    std::string file = dir / name;
    records::CreateRegister(file);
    data::TDatabase db(file);
    for (const auto &p : people)
        AddPerson(db, p);
    return file;
}

// Every person, sorted by name then key, without the key.
inline std::vector<TPerson> People(const std::string &file) {
    data::TDatabase db(file);
    auto st = db.Prepare("SELECT * FROM tarvelion ORDER BY A_Adi, Id");
    std::vector<TPerson> out;
    while (st.Step()) {
        TPerson p;
        for (int i = 0; i < st.ColumnCount(); ++i) {
            std::string name = sqlite3_column_name(st.Handle(), i);
            auto v = st.Column(i);
            if (name != "Id" && !v.IsNull()) p[name] = v.Bytes;
        }
        out.push_back(std::move(p));
    }
    return out;
}

} // namespace kadrolin::testing
