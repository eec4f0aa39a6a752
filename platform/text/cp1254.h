#pragma once

// Windows Turkish code page 1254: the one conversion table of the program.
//
// Everything inside the program is UTF-8; code page 1254 appears only at the
// edges that are stored in it (INI files, the credits file, RTF escapes).
//
// The seven bytes the code page leaves undefined (0x81, 0x8D, 0x8E, 0x8F,
// 0x90, 0x9D, 0x9E) map to the C1 control code points of the same value
// (U+0081 ...), and back. So every one of the 256 bytes survives a round trip
// through UTF-8, and a stray byte in a file is never lost when the file is
// rewritten.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kadrolin {

// The code point a code page 1254 byte stands for. Never fails.
char32_t Cp1254ToCodePoint(unsigned char byte);

// The code page 1254 byte of a code point, or nothing when the code page has
// no such character.
std::optional<unsigned char> CodePointToCp1254(char32_t codePoint);

// Bytes in code page 1254 to UTF-8. Never fails.
std::string Cp1254ToUtf8(std::string_view bytes);

// UTF-8 to code page 1254. A character outside the code page, and each
// ill-formed UTF-8 sequence, becomes "?"; *substituted (when given) tells
// whether that happened.
std::string Utf8ToCp1254(std::string_view utf8, bool *substituted = nullptr);

// Result form of the above, for callers that prefer a value.
struct TCp1254Result {
    std::string Bytes;
    bool Substituted = false;
};
TCp1254Result EncodeCp1254(std::string_view utf8);

// True when every character of the UTF-8 text has a byte in code page 1254
// (and the text is well-formed), so storing it loses nothing.
bool IsCp1254Encodable(std::string_view utf8);

// Appends the UTF-8 form of one code point. Code points beyond U+10FFFF and
// surrogates become U+FFFD.
void AppendUtf8(std::string &out, char32_t codePoint);

} // namespace kadrolin
