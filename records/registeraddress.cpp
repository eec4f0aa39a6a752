#include "records/registeraddress.h"

#include "platform/data/backend.h"
#include "records/recordlayout.h"

#include <libpq-fe.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace kadrolin::records {

namespace {

const char *const kSection = "[Veritabanı]";
const char *const kKey = "Adres";

std::string Trim(const std::string &s) {
    size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return {};
    size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

bool IsKeyLine(const std::string &line) {
    std::string t = Trim(line);
    size_t eq = t.find('=');
    return eq != std::string::npos && Trim(t.substr(0, eq)) == kKey;
}

// The keyword values of a server address; empty when libpq cannot read it.
std::vector<std::pair<std::string, std::string>> Keywords(const std::string &address) {
    std::vector<std::pair<std::string, std::string>> out;
    char *err = nullptr;
    PQconninfoOption *opts = PQconninfoParse(address.c_str(), &err);
    if (err) PQfreemem(err);
    if (!opts) return out;
    for (PQconninfoOption *o = opts; o->keyword; ++o)
        if (o->val && *o->val) out.emplace_back(o->keyword, o->val);
    PQconninfoFree(opts);
    return out;
}

} // namespace

std::string RegisterIniFileName() {
    namespace fs = std::filesystem;
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    fs::path base;
    if (xdg && *xdg)
        base = xdg;
    else if (const char *home = std::getenv("HOME"))
        base = fs::path(home) / ".config";
    else
        base = ".";
    return (base / "Kadrolin" / "kadrolin.ini").string();
}

std::string ReadRegisterAddress(const std::string &iniFile) {
    std::ifstream in(iniFile, std::ios::binary);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        std::string t = Trim(line);
        if (t.rfind("\xEF\xBB\xBF", 0) == 0) t = Trim(t.substr(3)); // a byte-order mark from an editor
        if (!t.empty() && t[0] == '[') {
            inSection = t == kSection;
            continue;
        }
        if (inSection && IsKeyLine(t)) return Trim(t.substr(t.find('=') + 1));
    }
    return {};
}

void WriteRegisterAddress(const std::string &iniFile, const std::string &address) {
    namespace fs = std::filesystem;
    const std::string a = Trim(address);
    if (data::IsServerAddress(a)) {
        for (auto &[k, v] : Keywords(a))
            if (k == "password")
                throw data::EDatabaseError(
                    "Adreste parola bulunamaz: parolayı ~/.pgpass dosyasına yazın ya "
                    "da sistem yöneticinizin verdiği hizmet adını (service=...) kullanın.");
    }
    std::vector<std::string> lines;
    {
        std::ifstream in(iniFile, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
    }
    bool inSection = false, done = false;
    size_t sectionEnd = std::string::npos;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string t = Trim(lines[i]);
        if (!t.empty() && t[0] == '[') {
            if (inSection && sectionEnd == std::string::npos) sectionEnd = i;
            inSection = t == kSection;
            continue;
        }
        if (inSection && IsKeyLine(t) && !done) {
            lines[i] = std::string(kKey) + "=" + a;
            done = true;
        }
    }
    if (!done) {
        bool have = false;
        for (auto &l : lines)
            have = have || Trim(l) == kSection;
        if (!have) {
            lines.push_back(kSection);
            lines.push_back(std::string(kKey) + "=" + a);
        } else {
            if (sectionEnd == std::string::npos) sectionEnd = lines.size();
            lines.insert(lines.begin() + static_cast<long>(sectionEnd), std::string(kKey) + "=" + a);
        }
    }
    std::error_code ec;
    fs::create_directories(fs::path(iniFile).parent_path(), ec);
    const std::string tmp = iniFile + ".yeni";
    {
        // Created owner-only before anything is written into it.
        mode_t old = umask(077);
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        umask(old);
        for (auto &l : lines)
            out << l << "\n";
        out.flush();
        if (!out) throw data::EDatabaseError("'" + iniFile + "' yazılamadı.");
    }
    chmod(tmp.c_str(), 0600);
    fs::rename(tmp, iniFile, ec);
    if (ec) {
        fs::remove(tmp, ec);
        throw data::EDatabaseError("'" + iniFile + "' yazılamadı.");
    }
}

std::string RegisterDatabaseName(const std::string &address) {
    return address.empty() ? std::string(kDatabaseFile) : address;
}

std::string RegisterDisplayName(const std::string &databaseName) {
    if (!data::IsServerAddress(databaseName)) return std::filesystem::path(databaseName).filename().string();
    std::string db, host, service;
    for (auto &[k, v] : Keywords(databaseName)) {
        if (k == "dbname") db = v;
        if (k == "host") host = v;
        if (k == "service") service = v;
    }
    std::string s = "Sunucu: " + (db.empty() ? service : db);
    if (!host.empty() && host[0] != '/') s += " (" + host + ")";
    return s;
}

} // namespace kadrolin::records
