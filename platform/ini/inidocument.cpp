#include "platform/ini/inidocument.h"

#include "platform/text/turkishcase.h"

namespace kadrolin {

bool IsIniBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view TrimIniBlanks(std::string_view s) {
    while (!s.empty() && IsIniBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsIniBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

namespace {

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

bool IsQuotedPair(std::string_view s) {
    return s.size() >= 2 && IsQuote(s.front()) && s.back() == s.front();
}

// A section header's name, or nothing when the line is not one.
std::optional<std::string_view> SectionName(std::string_view content) {
    content = TrimIniBlanks(content);
    if (content.empty() || content.front() != '[') return std::nullopt;
    const size_t close = content.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return TrimIniBlanks(content.substr(1, close - 1));
}

struct TKeyLine {
    std::string_view Key;
    std::string_view Value;
};

std::optional<TKeyLine> KeyLine(std::string_view content) {
    const std::string_view t = TrimIniBlanks(content);
    if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
    const size_t eq = content.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    const std::string_view key = TrimIniBlanks(content.substr(0, eq));
    if (key.empty()) return std::nullopt;
    return TKeyLine{key, content.substr(eq + 1)};
}

} // namespace

std::string_view UnquoteIniValue(std::string_view raw) {
    std::string_view v = TrimIniBlanks(raw);
    if (IsQuotedPair(v)) v = v.substr(1, v.size() - 2);
    return v;
}

std::string QuoteIniValue(std::string_view value) {
    const bool needsQuotes =
        !value.empty() && (IsIniBlank(value.front()) || IsIniBlank(value.back()) || IsQuotedPair(value));
    if (!needsQuotes) return std::string(value);
    std::string out;
    out.reserve(value.size() + 2);
    out += '"';
    out += value;
    out += '"';
    return out;
}

std::optional<int32_t> ParseIniInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    bool hex = false;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hex = true;
        text.remove_prefix(2);
    } else if (!text.empty() && text.front() == '$') {
        hex = true;
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;

    // Accumulate in 64 bits and stop before anything could overflow.
    const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t magnitude = 0;
    for (char c : text) {
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        magnitude = magnitude * (hex ? 16 : 10) + digit;
        if (magnitude > limit) return std::nullopt;
    }
    // Hexadecimal is a 32-bit pattern (colours above 0x7FFFFFFF are system
    // colour references and read as the negative numbers they are stored as).
    const uint32_t bits = static_cast<uint32_t>(negative ? (0 - magnitude) : magnitude);
    return static_cast<int32_t>(bits);
}

TIniDocument::TIniDocument(std::string bytes) : FBytes(std::move(bytes)) {
    Split();
}

void TIniDocument::Split() {
    FLines.clear();
    FBodyStart = FBytes.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    bool styleKnown = false;
    size_t pos = FBodyStart;
    while (pos < FBytes.size()) {
        const size_t nl = FBytes.find('\n', pos);
        TLine line;
        line.Begin = pos;
        if (nl == std::string::npos) {
            line.End = FBytes.size();
            line.LineEnd = 0;
            pos = FBytes.size();
        } else {
            const bool crlf = nl > pos && FBytes[nl - 1] == '\r';
            line.End = crlf ? nl - 1 : nl;
            line.LineEnd = crlf ? 2 : 1;
            pos = nl + 1;
            if (!styleKnown) {
                // The first line end sets the style of the lines we add.
                FLineEnd = crlf ? "\r\n" : "\n";
                styleKnown = true;
            }
        }
        FLines.push_back(line);
    }
}

std::string_view TIniDocument::Content(const TLine &line) const {
    return std::string_view(FBytes).substr(line.Begin, line.End - line.Begin);
}

TIniDocument::TLocation TIniDocument::Locate(std::string_view section, std::string_view key) const {
    TLocation loc;
    bool inMatch = false;
    bool inFirstMatch = false;
    for (size_t i = 0; i < FLines.size(); ++i) {
        const std::string_view content = Content(FLines[i]);
        if (const auto name = SectionName(content)) {
            inMatch = Cp1254EqualNoCase(*name, section);
            inFirstMatch = inMatch && !loc.SectionLine;
            if (inFirstMatch) {
                loc.SectionLine = i;
                loc.LastKeyLine = i;
            }
            continue;
        }
        // New keys go after the last key, so a comment that heads the next
        // section stays with it.
        if (inFirstMatch && KeyLine(content)) loc.LastKeyLine = i;
        if (!inMatch || key.empty() || loc.KeyLine) continue;
        if (const auto kl = KeyLine(content); kl && Cp1254EqualNoCase(kl->Key, key)) loc.KeyLine = i;
    }
    return loc;
}

std::optional<std::string_view> TIniDocument::FindValue(std::string_view section,
                                                        std::string_view key) const {
    const TLocation loc = Locate(section, key);
    if (!loc.KeyLine) return std::nullopt;
    return KeyLine(Content(FLines[*loc.KeyLine]))->Value;
}

bool TIniDocument::HasSection(std::string_view section) const {
    return Locate(section, {}).SectionLine.has_value();
}

void TIniDocument::SetValue(std::string_view section, std::string_view key, std::string_view valueText) {
    const TLocation loc = Locate(section, key);
    std::string out;
    out.reserve(FBytes.size() + section.size() + key.size() + valueText.size() + 16);

    if (loc.KeyLine) {
        // Rewrite just that line, keeping the key as spelt in the file and its line end.
        const TLine &line = FLines[*loc.KeyLine];
        const std::string_view fileKey = KeyLine(Content(line))->Key;
        out.append(FBytes, 0, line.Begin);
        out += fileKey;
        out += '=';
        out += valueText;
        out.append(FBytes, line.End, std::string::npos);
    } else {
        std::string added;
        size_t insertAt;     // byte offset where the new lines go
        bool needBreakFirst; // the line before has no line end (end of file)
        if (loc.SectionLine) {
            const TLine &after = FLines[loc.LastKeyLine];
            insertAt = after.End + after.LineEnd;
            needBreakFirst = after.LineEnd == 0;
        } else {
            insertAt = FBytes.size();
            needBreakFirst = !FLines.empty() && FLines.back().LineEnd == 0;
            if (!FLines.empty()) {
                // Keep sections apart by one blank line, as people write them.
                const bool lastBlank = TrimIniBlanks(Content(FLines.back())).empty();
                if (needBreakFirst) added += FLineEnd;
                needBreakFirst = false;
                if (!lastBlank) added += FLineEnd;
            }
            added += '[';
            added += section;
            added += ']';
            added += FLineEnd;
        }
        if (needBreakFirst) added.insert(0, FLineEnd);
        added += key;
        added += '=';
        added += valueText;
        added += FLineEnd;
        out.append(FBytes, 0, insertAt);
        out += added;
        out.append(FBytes, insertAt, std::string::npos);
    }
    FBytes = std::move(out);
    Split();
}

} // namespace kadrolin
