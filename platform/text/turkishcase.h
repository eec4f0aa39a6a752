#pragma once

// Turkish upper and lower case.
//
// Two families:
// - TurkishUpCase: the capitalising rule of the typing handlers. It works on a
//   single code page 1254 character and knows only the letters of its table
//   (a-z with i -> İ, and ı ç ğ ö ş ü); every other character, including
//   â î û and other accented lower-case letters, stays as it is.
// - TurkishUpper / TurkishLower / TurkishFold: full Unicode case mapping of
//   UTF-8 text with the Turkish locale rules of ICU (i <-> İ, ı <-> I), for
//   searching and comparing.

#include <string>
#include <string_view>

namespace kadrolin {

// One code page 1254 byte to its capital by the table; anything else unchanged.
unsigned char TurkishUpCase(unsigned char c);
inline char TurkishUpCase(char c) {
    return static_cast<char>(TurkishUpCase(static_cast<unsigned char>(c)));
}

// The same rule for one Unicode character (a typed key). A character outside
// code page 1254 is returned unchanged.
char32_t TurkishUpCaseCodePoint(char32_t c);

// The rule applied to every character of a UTF-8 text; ill-formed bytes are
// copied unchanged.
std::string TurkishUpCaseUtf8(std::string_view utf8);

// Full Turkish case mapping of UTF-8 text through ICU (locale "tr"). Ill-formed
// input never crashes; its bytes are replaced by U+FFFD.
std::string TurkishUpper(std::string_view utf8);
std::string TurkishLower(std::string_view utf8);

// Turkish case folding (dotted and dotless i kept apart the Turkish way), for
// case-insensitive comparison: TurkishFold(a) == TurkishFold(b).
std::string TurkishFold(std::string_view utf8);

// Case-insensitive equality of two code page 1254 bytes, the way profile
// files compare section and key names: letters of the code page fold to one
// case, and all four of I ı İ i count as one letter so that both the Latin
// and the Turkish pairing match.
unsigned char Cp1254FoldByte(unsigned char c);
bool Cp1254EqualNoCase(std::string_view a, std::string_view b);

} // namespace kadrolin
