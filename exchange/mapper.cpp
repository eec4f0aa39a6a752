#include "exchange/mapper.h"

#include "exchange/exchange.h"
#include "platform/text/turkishcase.h"
#include "records/recordlayout.h"

#include <fstream>
#include <set>

namespace kadrolin::exchange {

namespace {

std::string Trim(std::string_view s) {
    const char *blanks = " \t\r\n";
    auto b = s.find_first_not_of(blanks);
    if (b == std::string_view::npos) return {};
    auto e = s.find_last_not_of(blanks);
    return std::string(s.substr(b, e - b + 1));
}

int FindSource(const std::vector<std::string> &sourceColumns, const std::string &name) {
    // The exact name first, then the same comparison as the guess.
    for (size_t i = 0; i < sourceColumns.size(); ++i)
        if (sourceColumns[i] == name) return static_cast<int>(i);
    const std::string key = HeaderKey(name);
    for (size_t i = 0; i < sourceColumns.size(); ++i)
        if (HeaderKey(sourceColumns[i]) == key) return static_cast<int>(i);
    return -1;
}

} // namespace

const std::vector<std::string> &ImportColumns() {
    static const std::vector<std::string> columns = [] {
        std::vector<std::string> c;
        for (const auto &l : records::RecordLayout())
            c.emplace_back(l.FieldName);
        return c;
    }();
    return columns;
}

int ImportColumnIndex(const std::string &fieldName) {
    const auto &c = ImportColumns();
    for (size_t i = 0; i < c.size(); ++i)
        if (c[i] == fieldName) return static_cast<int>(i);
    return -1;
}

const std::vector<std::string> &ExportHeaders() {
    static const std::vector<std::string> headers = [] {
        std::vector<std::string> h;
        for (const auto &l : records::RecordLayout()) {
            if (l.Kind == records::ckPicture) continue;
            std::string c = l.Caption ? Trim(l.Caption) : std::string(l.FieldName);
            while (!c.empty() && (c.back() == ':' || c.back() == ' '))
                c.pop_back();
            h.push_back(c);
        }
        return h;
    }();
    return headers;
}

std::string HeaderKey(const std::string &header) {
    std::string s = Trim(header);
    while (!s.empty() && (s.back() == ':' || s.back() == ' '))
        s.pop_back();
    std::string noBlanks;
    for (char c : s)
        if (c != ' ' && c != '\t') noBlanks += c;
    return TurkishFold(noBlanks);
}

TMapping GuessMapping(const std::vector<std::string> &sourceColumns) {
    TMapping m;
    m.Sources.resize(ImportColumns().size());
    std::set<int> taken;
    auto layout = records::RecordLayout();
    for (size_t f = 0; f < layout.size(); ++f) {
        const std::string byName = HeaderKey(layout[f].FieldName);
        const std::string byCaption = layout[f].Caption ? HeaderKey(layout[f].Caption) : std::string();
        for (size_t i = 0; i < sourceColumns.size(); ++i) {
            const std::string key = HeaderKey(sourceColumns[i]);
            if (key.empty() || taken.contains(static_cast<int>(i))) continue;
            if (key == byName || key == byCaption) {
                m.Sources[f].push_back(static_cast<int>(i));
                taken.insert(static_cast<int>(i));
                break;
            }
        }
    }
    return m;
}

TMapping ReadMapFile(const std::string &mapFile, const std::vector<std::string> &sourceColumns) {
    std::ifstream in(mapFile, std::ios::binary);
    if (!in) throw EExchangeError("Eşleme dosyası '" + mapFile + "' açılamadı.");
    TMapping m = GuessMapping(sourceColumns);
    std::set<int> usedByMap;
    std::vector<std::pair<int, std::vector<int>>> entries;
    std::string line, section;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (lineNo == 1 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
        auto where = [&] {
            return "Eşleme dosyası '" + mapFile + "', satır " + std::to_string(lineNo) + ": ";
        };
        std::string t = Trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t[0] == '[') {
            auto close = t.find(']');
            if (close == std::string::npos) throw EExchangeError(where() + "bölüm adı ']' ile bitmiyor.");
            section = Trim(t.substr(1, close - 1));
            continue;
        }
        if (section != "Alanlar") continue;
        // A comment may follow the value after a semicolon.
        if (auto semi = t.find(';'); semi != std::string::npos) t = Trim(t.substr(0, semi));
        auto eq = t.find('=');
        if (eq == std::string::npos) throw EExchangeError(where() + "'Sütun=Kaynak' biçiminde değil.");
        std::string field = Trim(t.substr(0, eq));
        int f = ImportColumnIndex(field);
        if (f < 0) throw EExchangeError(where() + "kayıt dosyasında '" + field + "' sütunu yok.");
        std::vector<int> sources;
        std::string list = t.substr(eq + 1);
        size_t pos = 0;
        while (pos <= list.size()) {
            auto comma = list.find(',', pos);
            std::string name =
                Trim(list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
            if (!name.empty()) {
                int s = FindSource(sourceColumns, name);
                if (s < 0) throw EExchangeError(where() + "içe aktarılan dosyada '" + name + "' sütunu yok.");
                sources.push_back(s);
                usedByMap.insert(s);
            }
            if (comma == std::string::npos) break;
            pos = comma + 1;
        }
        entries.emplace_back(f, std::move(sources));
    }
    // A source column the map places elsewhere no longer fills what the guess gave it.
    for (auto &s : m.Sources)
        std::erase_if(s, [&](int i) { return usedByMap.contains(i); });
    for (auto &[f, sources] : entries)
        m.Sources[static_cast<size_t>(f)] = std::move(sources);
    return m;
}

std::vector<std::string> UnmappedColumns(const TMapping &mapping,
                                         const std::vector<std::string> &sourceColumns) {
    std::set<int> used;
    for (const auto &s : mapping.Sources)
        used.insert(s.begin(), s.end());
    std::vector<std::string> out;
    for (size_t i = 0; i < sourceColumns.size(); ++i)
        if (!used.contains(static_cast<int>(i))) out.push_back(sourceColumns[i]);
    return out;
}

} // namespace kadrolin::exchange
