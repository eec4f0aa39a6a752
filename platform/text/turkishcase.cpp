#include "platform/text/turkishcase.h"

#include "platform/text/cp1254.h"

#include <climits>
#include <memory>
#include <stdexcept>
#include <unicode/ucasemap.h>
#include <unicode/utf8.h>

namespace kadrolin {

unsigned char TurkishUpCase(unsigned char c) {
    switch (c) {
    case 0x69:
        return 0xDD; // i -> İ
    case 0xFD:
        return 0x49; // ı -> I
    case 0xE7:
        return 0xC7; // ç
    case 0xF0:
        return 0xD0; // ğ
    case 0xF6:
        return 0xD6; // ö
    case 0xFE:
        return 0xDE; // ş
    case 0xFC:
        return 0xDC; // ü
    default:
        break;
    }
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
    return c;
}

char32_t TurkishUpCaseCodePoint(char32_t c) {
    const auto b = CodePointToCp1254(c);
    if (!b) return c;
    return Cp1254ToCodePoint(TurkishUpCase(*b));
}

std::string TurkishUpCaseUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 8);
    if (utf8.size() > static_cast<size_t>(INT32_MAX)) throw std::length_error("text too long to convert");
    const auto *s = reinterpret_cast<const uint8_t *>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    int32_t i = 0;
    while (i < length) {
        const int32_t start = i;
        UChar32 cp;
        U8_NEXT(s, i, length, cp);
        if (cp < 0) {
            out.append(utf8.substr(static_cast<size_t>(start), static_cast<size_t>(i - start)));
        } else {
            AppendUtf8(out, TurkishUpCaseCodePoint(static_cast<char32_t>(cp)));
        }
    }
    return out;
}

namespace {

struct TCaseMapCloser {
    void operator()(UCaseMap *m) const { ucasemap_close(m); }
};

enum class TCaseOp { Upper, Lower, Fold };

std::string MapCase(std::string_view utf8, TCaseOp op) {
    if (utf8.empty()) return {};
    if (utf8.size() > static_cast<size_t>(INT32_MAX / 3)) throw std::length_error("text too long to convert");
    // ICU copies ill-formed UTF-8 through unchanged; clean it first so that the
    // result is always well-formed text.
    std::string clean;
    clean.reserve(utf8.size());
    {
        const auto *s = reinterpret_cast<const uint8_t *>(utf8.data());
        const auto length = static_cast<int32_t>(utf8.size());
        int32_t i = 0;
        while (i < length) {
            UChar32 cp;
            U8_NEXT(s, i, length, cp);
            AppendUtf8(clean, cp < 0 ? 0xFFFD : static_cast<char32_t>(cp));
        }
    }

    UErrorCode err = U_ZERO_ERROR;
    // Opening the locale's case map is the costly part; keep one per kind.
    thread_local std::unique_ptr<UCaseMap, TCaseMapCloser> maps[2];
    auto &map = maps[op == TCaseOp::Fold ? 1 : 0];
    if (!map) {
        const uint32_t options = op == TCaseOp::Fold ? U_FOLD_CASE_EXCLUDE_SPECIAL_I : 0;
        map.reset(ucasemap_open("tr", options, &err));
        if (U_FAILURE(err) || !map) {
            map.reset();
            throw std::runtime_error(std::string("Turkish case mapping unavailable: ") + u_errorName(err));
        }
    }

    auto run = [&](std::string &dest) {
        err = U_ZERO_ERROR;
        const auto cap = static_cast<int32_t>(dest.size());
        const auto srcLen = static_cast<int32_t>(clean.size());
        switch (op) {
        case TCaseOp::Upper:
            return ucasemap_utf8ToUpper(map.get(), dest.data(), cap, clean.data(), srcLen, &err);
        case TCaseOp::Lower:
            return ucasemap_utf8ToLower(map.get(), dest.data(), cap, clean.data(), srcLen, &err);
        case TCaseOp::Fold:
            return ucasemap_utf8FoldCase(map.get(), dest.data(), cap, clean.data(), srcLen, &err);
        }
        return int32_t{0};
    };

    std::string out(clean.size() + 16, '\0');
    int32_t n = run(out);
    if (err == U_BUFFER_OVERFLOW_ERROR) {
        out.assign(static_cast<size_t>(n) + 1, '\0');
        n = run(out);
    }
    if (U_FAILURE(err))
        throw std::runtime_error(std::string("Turkish case mapping failed: ") + u_errorName(err));
    out.resize(static_cast<size_t>(n));
    return out;
}

} // namespace

std::string TurkishUpper(std::string_view utf8) {
    return MapCase(utf8, TCaseOp::Upper);
}
std::string TurkishLower(std::string_view utf8) {
    return MapCase(utf8, TCaseOp::Lower);
}
std::string TurkishFold(std::string_view utf8) {
    return MapCase(utf8, TCaseOp::Fold);
}

unsigned char Cp1254FoldByte(unsigned char c) {
    switch (c) {
    case 0x49: // I
    case 0xDD: // İ
    case 0xFD: // ı
        return 0x69;
    case 0x8A:
        return 0x9A; // Š
    case 0x8C:
        return 0x9C; // Œ
    case 0x9F:
        return 0xFF; // Ÿ
    case 0xD7:
        return c; // × has no lower case
    default:
        break;
    }
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
    if (c >= 0xC0 && c <= 0xDE) return static_cast<unsigned char>(c + 0x20); // incl. Ç Ğ Ö Ş Ü
    return c;
}

bool Cp1254EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Cp1254FoldByte(static_cast<unsigned char>(a[i])) !=
            Cp1254FoldByte(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

} // namespace kadrolin
