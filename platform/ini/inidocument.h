#pragma once

// The text of one profile file, as code page 1254 bytes, split into lines
// that keep their own line ends. Lookups and edits work on these bytes so
// that every line a write does not concern is kept byte for byte.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kadrolin {

class TIniDocument {
  public:
    explicit TIniDocument(std::string bytes);

    const std::string &Bytes() const { return FBytes; }

    // The raw value text after "=" of the first matching key (in the first
    // section of that name holding it), or nothing. Names are code page 1254.
    std::optional<std::string_view> FindValue(std::string_view section, std::string_view key) const;
    bool HasSection(std::string_view section) const;

    // Sets the key's value text (already encoded, quoted if need be),
    // replacing the first matching key or adding it to the first section of
    // that name, or adding the section at the end.
    void SetValue(std::string_view section, std::string_view key, std::string_view valueText);

  private:
    struct TLine {
        size_t Begin = 0;
        size_t End = 0;     // content ends here, before the line end
        size_t LineEnd = 0; // length of "\r\n", "\n" or 0 for a last line without one
    };
    struct TLocation {
        std::optional<size_t> KeyLine;
        std::optional<size_t> SectionLine; // header of the first matching section
        size_t LastKeyLine = 0;            // its last key line, or the header
    };

    std::string_view Content(const TLine &line) const;
    TLocation Locate(std::string_view section, std::string_view key) const;
    void Split();

    std::string FBytes;
    size_t FBodyStart = 0; // after a byte order mark, if the file has one
    std::vector<TLine> FLines;
    std::string FLineEnd = "\r\n";
};

// Helpers shared with the file class.
bool IsIniBlank(char c);
std::string_view TrimIniBlanks(std::string_view s);

// The value as the old functions return it: blanks around it and one pair of
// matching surrounding quotes removed.
std::string_view UnquoteIniValue(std::string_view raw);

// The text to put after "=" so that UnquoteIniValue gives value back.
std::string QuoteIniValue(std::string_view value);

// Integer text as described at TIniFile::ReadInteger.
std::optional<int32_t> ParseIniInteger(std::string_view text);

} // namespace kadrolin
