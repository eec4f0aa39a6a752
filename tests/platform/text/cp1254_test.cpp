#include "platform/text/cp1254.h"

#include <gtest/gtest.h>
#include <memory>
#include <unicode/ucnv.h>

using namespace kadrolin;

namespace {

constexpr unsigned char kUndefined[] = {0x81, 0x8D, 0x8E, 0x8F, 0x90, 0x9D, 0x9E};

bool IsUndefined(int b) {
    for (unsigned char u : kUndefined)
        if (u == b) return true;
    return false;
}

struct TConverterCloser {
    void operator()(UConverter *c) const { ucnv_close(c); }
};

} // namespace

// Our table must agree with an independent one (ICU's) on every defined byte.
TEST(Cp1254, AgreesWithIcuOnEveryDefinedByte) {
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<UConverter, TConverterCloser> conv(ucnv_open("windows-1254", &err));
    ASSERT_TRUE(U_SUCCESS(err)) << u_errorName(err);
    for (int b = 0; b < 256; ++b) {
        if (IsUndefined(b)) continue;
        const char in = static_cast<char>(b);
        UChar out[4] = {};
        err = U_ZERO_ERROR;
        ucnv_reset(conv.get());
        const int32_t n = ucnv_toUChars(conv.get(), out, 4, &in, 1, &err);
        ASSERT_TRUE(U_SUCCESS(err)) << b;
        ASSERT_EQ(n, 1) << b;
        EXPECT_EQ(Cp1254ToCodePoint(static_cast<unsigned char>(b)), static_cast<char32_t>(out[0]))
            << "byte " << b;
    }
}

TEST(Cp1254, EveryByteRoundTripsThroughUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const std::string utf8 = Cp1254ToUtf8(all);
    bool substituted = true;
    EXPECT_EQ(Utf8ToCp1254(utf8, &substituted), all);
    EXPECT_FALSE(substituted);
    for (int b = 0; b < 256; ++b) {
        const auto back = CodePointToCp1254(Cp1254ToCodePoint(static_cast<unsigned char>(b)));
        ASSERT_TRUE(back.has_value()) << b;
        EXPECT_EQ(*back, b);
    }
}

TEST(Cp1254, UndefinedBytesPassThroughAsC1Controls) {
    for (unsigned char b : kUndefined)
        EXPECT_EQ(Cp1254ToCodePoint(b), char32_t{b});
    // The other C1 positions hold real characters, so U+0080 itself has no byte.
    EXPECT_FALSE(CodePointToCp1254(0x80).has_value());
    EXPECT_EQ(CodePointToCp1254(0x20AC), 0x80); // €
}

TEST(Cp1254, TurkishLettersAndSectionNameBytes) {
    EXPECT_EQ(Utf8ToCp1254("Seçim"), "\x53\x65\xE7\x69\x6D");
    EXPECT_EQ(Utf8ToCp1254("ĞğİıŞşÇçÖöÜü"), "\xD0\xF0\xDD\xFD\xDE\xFE\xC7\xE7\xD6\xF6\xDC\xFC");
    EXPECT_EQ(Cp1254ToUtf8("\xDE\x69\x66re yaz\xFDlamad\xFD"), "Şifre yazılamadı");
}

TEST(Cp1254, SubstitutionIsReported) {
    struct TCase {
        const char *Utf8;
        const char *Bytes;
        bool Substituted;
    };
    const TCase cases[] = {
        {"", "", false},
        {"Ankara", "Ankara", false},
        {"çay €5", "\xE7\x61y \x80\x35", false},
        {"Ελλάδα", "??????", true},    // Greek: not in the code page
        {"a\xE2\x82", "a?", true},     // truncated sequence
        {"\xFF\xFE", "??", true},      // bytes that are never UTF-8
        {"\xC0\xAF", "??", true},      // overlong "/"
        {"\xED\xA0\x80", "???", true}, // surrogate
        {"x😀y", "x?y", true},          // outside the BMP
        {"ā", "?", true},              // no best fit: just "?"
    };
    for (const auto &c : cases) {
        bool substituted = !c.Substituted;
        EXPECT_EQ(Utf8ToCp1254(c.Utf8, &substituted), c.Bytes) << c.Utf8;
        EXPECT_EQ(substituted, c.Substituted) << c.Utf8;
        const auto r = EncodeCp1254(c.Utf8);
        EXPECT_EQ(r.Bytes, c.Bytes);
        EXPECT_EQ(r.Substituted, c.Substituted);
        EXPECT_EQ(IsCp1254Encodable(c.Utf8), !c.Substituted) << c.Utf8;
    }
}
