#include "platform/text/cp1254.h"
#include "platform/text/turkishcase.h"

#include <gtest/gtest.h>

using namespace kadrolin;

// The capitalising table on code page 1254 bytes, every one of the 256.
TEST(TurkishUpCase, TableOverAllBytes) {
    for (int b = 0; b < 256; ++b) {
        const auto c = static_cast<unsigned char>(b);
        unsigned char want = c;
        switch (b) {
        case 0x69:
            want = 0xDD;
            break;
        case 0xFD:
            want = 0x49;
            break;
        case 0xE7:
            want = 0xC7;
            break;
        case 0xF0:
            want = 0xD0;
            break;
        case 0xF6:
            want = 0xD6;
            break;
        case 0xFE:
            want = 0xDE;
            break;
        case 0xFC:
            want = 0xDC;
            break;
        default:
            if (b >= 0x61 && b <= 0x7A) want = static_cast<unsigned char>(b - 0x20);
        }
        EXPECT_EQ(TurkishUpCase(c), want) << "byte " << b;
    }
}

TEST(TurkishUpCase, CharactersAndTexts) {
    struct TCase {
        const char *In;
        const char *Out;
    };
    const TCase cases[] = {
        {"istanbul", "İSTANBUL"},
        {"ırmak", "IRMAK"},
        {"şule", "ŞULE"},
        {"çiğdem", "ÇİĞDEM"},
        {"öykü", "ÖYKÜ"},
        {"âîû", "âîû"},
        {"éàß", "éàß"},
        {"Ali 12.-,'\t", "ALİ 12.-,'\t"},
        {"ελ", "ελ"},
        {"a\xFFz", "A\xFFZ"}, // a stray byte is kept, the letters around it change
    };
    for (const auto &c : cases)
        EXPECT_EQ(TurkishUpCaseUtf8(c.In), c.Out) << c.In;

    EXPECT_EQ(TurkishUpCaseCodePoint(U'i'), U'İ');
    EXPECT_EQ(TurkishUpCaseCodePoint(U'ı'), U'I');
    EXPECT_EQ(TurkishUpCaseCodePoint(U'\b'), U'\b');
    EXPECT_EQ(TurkishUpCaseCodePoint(U'ж'), U'ж');
    EXPECT_EQ(TurkishUpCase('q'), 'Q');
}

TEST(TurkishCase, IcuLocaleMapping) {
    struct TCase {
        const char *In;
        const char *Upper;
        const char *Lower;
    };
    const TCase cases[] = {
        {"istanbul", "İSTANBUL", "istanbul"},
        {"IRMAK", "IRMAK", "ırmak"},
        {"İzmir", "İZMİR", "izmir"},
        {"Çiğdem Şule Öykü", "ÇİĞDEM ŞULE ÖYKÜ", "çiğdem şule öykü"},
        {"âli", "ÂLİ", "âli"},
        {"", "", ""},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(TurkishUpper(c.In), c.Upper) << c.In;
        EXPECT_EQ(TurkishLower(c.In), c.Lower) << c.In;
    }
    // Folding keeps the Turkish pairs: I goes with ı, İ with i.
    EXPECT_EQ(TurkishFold("IRMAK"), TurkishFold("ırmak"));
    EXPECT_EQ(TurkishFold("İZMİR"), TurkishFold("izmir"));
    EXPECT_NE(TurkishFold("I"), TurkishFold("i"));
    // Ill-formed input gives well-formed output, no crash.
    EXPECT_EQ(TurkishUpper("a\xFF"), "A\xEF\xBF\xBD");
    const std::string longText(100000, 'i');
    EXPECT_EQ(TurkishUpper(longText).size(), longText.size() * 2);
}

TEST(Cp1254Fold, ProfileNameMatching) {
    struct TCase {
        const char *A;
        const char *B;
        bool Equal;
    };
    const TCase cases[] = {
        {"Seçim", "SEÇİM", true},
        {"Seçim", "SEÇIM", true},
        {"seçim", "Secim", false},
        {"Active", "ACTIVE", true},
        {"SSifre", "ssıfre", true},
        {"Renk", "Renkk", false},
        {"Tarvelion 2.1", "TARVELION 2.1", true},
        {"ŠŒŸ", "šœÿ", true},
        {"×", "÷", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Cp1254EqualNoCase(Utf8ToCp1254(c.A), Utf8ToCp1254(c.B)), c.Equal) << c.A << " / " << c.B;
}
