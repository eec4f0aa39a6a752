#include "platform/text/cp1254.h"

#include <algorithm>
#include <array>
#include <climits>
#include <stdexcept>
#include <unicode/utf8.h>

namespace kadrolin {

namespace {

// 0x80..0x9F; 0xA0..0xFF are Latin-1 except the six Turkish letters below.
constexpr std::array<char32_t, 32> kHigh80 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x008E, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x009E, 0x0178, // 98-9F
};

constexpr char32_t Decode(unsigned char b) {
    if (b < 0x80) return b;
    if (b < 0xA0) return kHigh80[b - 0x80];
    switch (b) {
    case 0xD0:
        return 0x011E; // Ğ
    case 0xDD:
        return 0x0130; // İ
    case 0xDE:
        return 0x015E; // Ş
    case 0xF0:
        return 0x011F; // ğ
    case 0xFD:
        return 0x0131; // ı
    case 0xFE:
        return 0x015F; // ş
    default:
        return b;
    }
}

constexpr std::array<char32_t, 256> MakeTable() {
    std::array<char32_t, 256> t{};
    for (int b = 0; b < 256; ++b)
        t[b] = Decode(static_cast<unsigned char>(b));
    return t;
}

constexpr std::array<char32_t, 256> kToUnicode = MakeTable();

struct TReverseEntry {
    char32_t CodePoint;
    unsigned char Byte;
};

// The upper half sorted by code point, for the way back.
constexpr std::array<TReverseEntry, 128> MakeReverse() {
    std::array<TReverseEntry, 128> r{};
    for (int b = 0x80; b < 256; ++b)
        r[b - 0x80] = {kToUnicode[b], static_cast<unsigned char>(b)};
    for (size_t i = 1; i < r.size(); ++i) {
        for (size_t j = i; j > 0 && r[j].CodePoint < r[j - 1].CodePoint; --j) {
            const TReverseEntry t = r[j];
            r[j] = r[j - 1];
            r[j - 1] = t;
        }
    }
    return r;
}

constexpr std::array<TReverseEntry, 128> kFromUnicode = MakeReverse();

} // namespace

char32_t Cp1254ToCodePoint(unsigned char byte) {
    return kToUnicode[byte];
}

std::optional<unsigned char> CodePointToCp1254(char32_t cp) {
    if (cp < 0x80) return static_cast<unsigned char>(cp);
    const auto it = std::lower_bound(kFromUnicode.begin(), kFromUnicode.end(), cp,
                                     [](const TReverseEntry &e, char32_t v) { return e.CodePoint < v; });
    if (it == kFromUnicode.end() || it->CodePoint != cp) return std::nullopt;
    return it->Byte;
}

void AppendUtf8(std::string &out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string Cp1254ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char c : bytes)
        AppendUtf8(out, kToUnicode[static_cast<unsigned char>(c)]);
    return out;
}

std::string Utf8ToCp1254(std::string_view utf8, bool *substituted) {
    std::string out;
    out.reserve(utf8.size());
    bool lost = false;
    const auto *s = reinterpret_cast<const uint8_t *>(utf8.data());
    // ICU's decoding macro counts in int32_t; no text of this program comes near 2 GiB.
    if (utf8.size() > static_cast<size_t>(INT32_MAX)) throw std::length_error("text too long to convert");
    const auto length = static_cast<int32_t>(utf8.size());
    int32_t i = 0;
    while (i < length) {
        UChar32 cp;
        U8_NEXT(s, i, length, cp);
        std::optional<unsigned char> b;
        if (cp >= 0) b = CodePointToCp1254(static_cast<char32_t>(cp));
        if (b) {
            out.push_back(static_cast<char>(*b));
        } else {
            out.push_back('?');
            lost = true;
        }
    }
    if (substituted) *substituted = lost;
    return out;
}

TCp1254Result EncodeCp1254(std::string_view utf8) {
    TCp1254Result r;
    r.Bytes = Utf8ToCp1254(utf8, &r.Substituted);
    return r;
}

bool IsCp1254Encodable(std::string_view utf8) {
    bool lost = false;
    Utf8ToCp1254(utf8, &lost);
    return !lost;
}

} // namespace kadrolin
