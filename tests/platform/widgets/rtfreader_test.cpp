#include "platform/widgets/rtfreader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>

namespace {

QString Text(const QTextDocument &doc) {
    // toRawText keeps line separators apart from paragraph ends.
    QString s = doc.toRawText();
    s.replace(QChar::ParagraphSeparator, '\n');
    s.replace(QChar::LineSeparator, "<br>");
    return s;
}

// Character format at the first occurrence of needle.
QTextCharFormat FormatAt(const QTextDocument &doc, const QString &needle) {
    QTextCursor c = doc.find(needle);
    if (c.isNull()) return {};
    QTextCursor at(const_cast<QTextDocument *>(&doc));
    at.setPosition(c.selectionStart() + 1);
    return at.charFormat();
}

QString U(const char *s) {
    return QString::fromUtf8(s);
}

TEST(RtfReader, TextFromTheConstructsOfRtf) {
    struct Case {
        const char *rtf;
        const char *text;
    };
    const Case cases[] = {
        {R"({\rtf1 Merhaba})", "Merhaba"},
        {R"({\rtf1 Bir\par Iki\par})", "Bir\nIki"},
        {R"({\rtf1 Bir\par\par Iki})", "Bir\n\nIki"},
        {"{\\rtf1 Bir\\\r\nIki}", "Bir\nIki"}, // "\" before a line end is a paragraph
        {R"({\rtf1 a\line b})", "a<br>b"},
        {R"({\rtf1 a\tab b})", "a\tb"},
        {"{\\rtf1 sat\r\nir}", "satir"}, // line ends in the file are not text
        {R"({\rtf1 \\ \{ \} x})", "\\ { } x"},
        {R"({\rtf1 a\~b})", "a\u00A0b"},
        {R"({\rtf1 \'fd\'f0\'fc\'fe\'f6\'e7 \'dd\'d0\'dc\'de\'d6\'c7})", "ığüşöç İĞÜŞÖÇ"},
        {R"({\rtf1 \'80 \'9e})", "€ \u009e"}, // euro sign; undefined byte kept as its C1 code
        {R"({\rtf1 \'zzx \'4)", "zzx 4"},     // a bad or cut escape is dropped, the rest read
        {R"({\rtf1 \u305?\u287?})", "ığ"},
        {R"({\rtf1 \u305\'3f\u287\'3fa})", "ığa"},
        {R"({\rtf1\uc2 \u305??b})", "ıb"},
        {R"({\rtf1\uc0 \u305 ?})", "ı?"},
        {R"({\rtf1 {\uc2 x}\u305?y})", "xıy"},          // \uc is scoped to its group
        {R"({\rtf1 \u305\par b})", "ıb"},               // a control word is one fallback unit
        {R"({\rtf1 \u-10179?\u-8704?})", "\U0001F600"}, // surrogate pair
        {R"({\rtf1 \u-10179?x})", "\uFFFDx"},           // lone high surrogate
        {R"({\rtf1 a\emdash b\bullet c\lquote d\rquote})", "a\u2014b\u2022c\u2018d\u2019"},
        {R"({\rtf1{\fonttbl{\f0\fswiss Arial;}}{\stylesheet{\s0 Normal;}}X})", "X"},
        {R"({\rtf1{\info{\title Gizli}{\author Biri}}X})", "X"},
        {R"({\rtf1{\*\generator Bir Program;}{\*\unknowndest abc}X})", "X"},
        {R"({\rtf1 A{\pict\pngblip 89504e47}B})", "AB"},
        {R"({\rtf1 A{\pict\bin3 }{}}B})", "AB"}, // binary data may hold braces
        {R"({\rtf1 A\bin999999999 })", "A"},     // longer than the input
        {R"({\rtf1 {a\fonttbl b}})", "ab"},      // only a group's first word makes it a destination
        {R"({\rtf1 {x\*\foo y}})", "xy"},
        {R"({\rtf1 \foo123 bar\xyz-5 baz})", "barbaz"},
        {R"({\rtf1 {\field{\*\fldinst HYPERLINK "x"}{\fldrslt Bag}}})", "Bag"},
        {R"({\rtf1 a{\v gizli}b})", "ab"},
        {R"({\rtf1 {\b Kalin)", "Kalin"},   // truncated
        {R"({\rtf1 son} sonrasi})", "son"}, // nothing after the outermost group
        {R"({\rtf1 a\)", "a"},              // lone backslash at the end
        {R"(  {\rtf1 bosluk})", "bosluk"},  // leading blanks before the header
        {"\xEF\xBB\xBF{\\rtf1 bom}", "bom"},
        {R"({\rtf1 a\abcdefghijklmnopqrstuvwxyzabcdefghijklmnop b})", "ab"}, // over-long word ignored
    };
    for (const Case &c : cases) {
        QTextDocument doc;
        ReadRtf(QByteArray(c.rtf), &doc);
        EXPECT_EQ(Text(doc), U(c.text)) << c.rtf;
    }
}

TEST(RtfReader, CharacterFormats) {
    QTextDocument doc;
    ReadRtf(R"({\rtf1{\colortbl;\red255\green0\blue0;\red0\green0\blue128;}
Normal {\b Kalin} {\i Egik} {\ul Alti} {\b\i\ul Hepsi\b0 Yok}
{\fs40 Buyuk} {\cf1 Kirmizi} {\cf2 Lacivert} {\cf9 Bilinmez} {\strike Cizik}
\b Devam\plain Duz {\ul a\ulnone Cizgisiz})",
            &doc);
    struct Case {
        const char *word;
        bool bold, italic, underline;
        double points;
        QColor color; // invalid: the automatic colour
    };
    const QColor none;
    const Case cases[] = {
        {"Normal", false, false, false, 12, none},
        {"Kalin", true, false, false, 12, none},
        {"Egik", false, true, false, 12, none},
        {"Alti", false, false, true, 12, none},
        {"Hepsi", true, true, true, 12, none},
        {"Yok", false, true, true, 12, none},
        {"Buyuk", false, false, false, 20, none},
        {"Kirmizi", false, false, false, 12, QColor(255, 0, 0)},
        {"Lacivert", false, false, false, 12, QColor(0, 0, 128)},
        {"Bilinmez", false, false, false, 12, none},
        {"Devam", true, false, false, 12, none},
        {"Duz", false, false, false, 12, none},
        {"Cizgisiz", false, false, false, 12, none},
    };
    for (const Case &c : cases) {
        QTextCharFormat f = FormatAt(doc, c.word);
        EXPECT_EQ(f.fontWeight() == QFont::Bold, c.bold) << c.word;
        EXPECT_EQ(f.fontItalic(), c.italic) << c.word;
        EXPECT_EQ(f.fontUnderline(), c.underline) << c.word;
        EXPECT_DOUBLE_EQ(f.fontPointSize(), c.points) << c.word;
        if (c.color.isValid())
            EXPECT_EQ(f.foreground().color(), c.color) << c.word;
        else
            EXPECT_FALSE(f.hasProperty(QTextFormat::ForegroundBrush)) << c.word;
    }
    EXPECT_TRUE(FormatAt(doc, "Cizik").fontStrikeOut());
}

TEST(RtfReader, ParagraphPropertiesBelongToTheParagraphTheyEnd) {
    QTextDocument doc;
    ReadRtf(R"({\rtf1\qc Orta\par\pard Sol\par\qr\li300\tx900\tx450 Sag\par\pard\qj {Son}})", &doc);
    ASSERT_EQ(doc.blockCount(), 4);
    EXPECT_EQ(doc.findBlockByNumber(0).blockFormat().alignment(), Qt::AlignHCenter);
    EXPECT_EQ(doc.findBlockByNumber(1).blockFormat().alignment(), Qt::AlignLeft);
    EXPECT_EQ(doc.findBlockByNumber(2).blockFormat().alignment(), Qt::AlignRight);
    EXPECT_DOUBLE_EQ(doc.findBlockByNumber(2).blockFormat().leftMargin(), 20.0);
    const QList<QTextOption::Tab> tabs = doc.findBlockByNumber(2).blockFormat().tabPositions();
    ASSERT_EQ(tabs.size(), 2);
    EXPECT_DOUBLE_EQ(tabs[0].position, 30.0);
    EXPECT_DOUBLE_EQ(tabs[1].position, 60.0);
    EXPECT_TRUE(doc.findBlockByNumber(3).blockFormat().tabPositions().isEmpty());
    // The last paragraph has no "\par"; it keeps what was set for it.
    EXPECT_EQ(doc.findBlockByNumber(3).blockFormat().alignment(), Qt::AlignJustify);
}

TEST(RtfReader, RefusesWhatIsNotRtf) {
    const QByteArray inputs[] = {
        QByteArray(),           QByteArray("Merhaba"),
        QByteArray("{\\rt"),    QByteArray("\x89PNG\r\n\x1a\n\0\0\0", 11),
        QByteArray(4096, '\0'),
    };
    for (const QByteArray &in : inputs) {
        QTextDocument doc;
        doc.setPlainText("eski");
        EXPECT_THROW(ReadRtf(in, &doc), TRtfError) << in.left(10).toHex().constData();
    }
}

TEST(RtfReader, DamagedInputGivesWhatCouldBeRead) {
    QByteArray deep = "{\\rtf1 once";
    for (int i = 0; i < 100000; ++i)
        deep += "{\\b ";
    deep += "derin";
    for (int i = 0; i < 100000; ++i)
        deep += "}";
    // The closes above end the outermost group, so add the tail inside a new document.
    QTextDocument doc;
    TRtfReadStats st = ReadRtf(deep, &doc);
    EXPECT_TRUE(st.DepthLimited);
    EXPECT_EQ(Text(doc), "once");

    QByteArray inside = "{\\rtf1 a";
    for (int i = 0; i < 1000; ++i)
        inside += "{";
    inside += "x";
    for (int i = 0; i < 1000; ++i)
        inside += "}";
    inside += "b}";
    st = ReadRtf(inside, &doc);
    EXPECT_TRUE(st.DepthLimited);
    EXPECT_EQ(Text(doc), "ab");

    // Binary data is skipped even inside groups beyond the limit; its braces count for nothing.
    QByteArray binary = "{\\rtf1 a";
    for (int i = 0; i < kRtfMaxDepth + 5; ++i)
        binary += "{";
    binary += "\\bin3 }}}";
    for (int i = 0; i < kRtfMaxDepth + 5; ++i)
        binary += "}";
    binary += "b}";
    st = ReadRtf(binary, &doc);
    EXPECT_EQ(Text(doc), "ab");

    // Within the limit nothing is lost.
    QByteArray shallow = "{\\rtf1 a";
    for (int i = 0; i < kRtfMaxDepth - 2; ++i)
        shallow += "{";
    shallow += "x";
    for (int i = 0; i < kRtfMaxDepth - 2; ++i)
        shallow += "}";
    shallow += "b}";
    st = ReadRtf(shallow, &doc);
    EXPECT_FALSE(st.DepthLimited);
    EXPECT_EQ(Text(doc), "axb");

    st = ReadRtf("{\\rtf1 {\\b {\\i acik", &doc);
    EXPECT_EQ(st.UnclosedGroups, 3);
    EXPECT_EQ(Text(doc), "acik");
}

TEST(RtfReader, RandomBytesAfterTheHeaderNeverCrash) {
    std::mt19937 rng(1254);
    const char alphabet[] = "{}\\'abuc0123456789-*; \r\nfxpar\x80\xfd\xff";
    QTextDocument doc;
    for (int round = 0; round < 3000; ++round) {
        QByteArray in = "{\\rtf1";
        int len = int(rng() % 200);
        for (int i = 0; i < len; ++i) {
            if (rng() % 4 == 0)
                in += char(rng() % 256);
            else
                in += alphabet[rng() % (sizeof alphabet - 1)];
        }
        ASSERT_NO_THROW(ReadRtf(in, &doc)) << in.toHex().constData();
    }
}

TEST(RtfReader, HugeTextIsCutAtTheLimit) {
    QByteArray big = "{\\rtf1 ";
    big.reserve(10 * 1024 * 1024 + 16);
    QByteArray para(99, 'a');
    para += "\\par ";
    while (big.size() < 10 * 1024 * 1024)
        big += para;
    big += "}";
    QTextDocument doc;
    TRtfReadStats st = ReadRtf(big, &doc);
    EXPECT_TRUE(st.TextTruncated);
    EXPECT_LE(doc.characterCount(), kRtfMaxTextChars + doc.blockCount() + 1);
    EXPECT_GT(doc.characterCount(), kRtfMaxTextChars / 2);
    // No empty paragraphs for the text that was dropped.
    EXPECT_LE(doc.blockCount(), kRtfMaxTextChars / 99 + 2);
    EXPECT_FALSE(doc.lastBlock().text().isEmpty());
}

TEST(RtfReader, FileFailuresNameTheFileAndTheReason) {
    QTemporaryDir dir;
    QString missing = dir.filePath("yok.rtf");
    QTextDocument doc;
    try {
        LoadRtfFile(missing, &doc);
        FAIL() << "no error for a missing file";
    } catch (const TRtfError &e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(missing)) << e.what();
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains("No such file")) << e.what();
    }
    EXPECT_THROW(LoadRtfFile(dir.path(), &doc), TRtfError);
    // A pipe with no writer would block forever if opened.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("boru.rtf")).constData(), 0600), 0);
    EXPECT_THROW(LoadRtfFile(dir.filePath("boru.rtf"), &doc), TRtfError);
    EXPECT_THROW(LoadRtfFile("/dev/zero", &doc), TRtfError);

    QFile big(dir.filePath("buyuk.rtf"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write("{\\rtf1 ");
    ASSERT_TRUE(big.resize(kRtfMaxFileSize + 1));
    big.close();
    EXPECT_THROW(LoadRtfFile(big.fileName(), &doc), TRtfError);

    QFile ok(dir.filePath("iyi.rtf"));
    ASSERT_TRUE(ok.open(QIODevice::WriteOnly));
    ok.write("{\\rtf1 iyi}");
    ok.close();
    LoadRtfFile(ok.fileName(), &doc);
    EXPECT_EQ(Text(doc), "iyi");
}

TEST(RtfReader, DocumentSavedByAWordProcessor) {
    QTextDocument doc;
    TRtfReadStats st = LoadRtfFile(KADROLIN_FIXTURES "/about/libreoffice.rtf", &doc);
    EXPECT_EQ(st.UnclosedGroups, 0);
    EXPECT_FALSE(st.DepthLimited);
    const QString text = Text(doc);
    const QStringList paragraphs = text.split('\n');
    ASSERT_EQ(paragraphs.size(), 8) << text.toStdString();
    EXPECT_EQ(paragraphs[0], U("Personel Listesi Notları"));
    EXPECT_EQ(paragraphs[1], U("Bu belge bir kelime işlemciyle kaydedildi. Türkçe harfler: ığüşöç İĞÜŞÖÇ."));
    EXPECT_EQ(paragraphs[2], U("Kalın yazı, eğik yazı, altı çizili ve kırmızı sözcükler."));
    EXPECT_EQ(paragraphs[5], U("\u2022\tBirinci madde")); // list bullets are the list's own text
    EXPECT_EQ(paragraphs[7], U("Euro işareti € ve tire — uzun tire."));
    // Nothing of the font table, style sheet, page styles or document info leaks into the text.
    for (const char *leak : {"Liberation", "Default Page Style", "Deneme", "LibreOffice", ";", "\\"})
        EXPECT_FALSE(text.contains(U(leak))) << leak;

    EXPECT_TRUE(FormatAt(doc, U("Kalın")).fontWeight() == QFont::Bold);
    EXPECT_FALSE(FormatAt(doc, U("eğik")).fontWeight() == QFont::Bold);
    EXPECT_TRUE(FormatAt(doc, U("eğik")).fontItalic());
    EXPECT_TRUE(FormatAt(doc, U("altı")).fontUnderline());
    EXPECT_EQ(FormatAt(doc, U("kırmızı")).foreground().color(), QColor(255, 0, 0));
    EXPECT_DOUBLE_EQ(FormatAt(doc, U("Büyük")).fontPointSize(), 20.0);
    EXPECT_DOUBLE_EQ(FormatAt(doc, U("Personel")).fontPointSize(), 24.0);
    EXPECT_TRUE(FormatAt(doc, U("Personel")).fontWeight() == QFont::Bold);
    EXPECT_EQ(doc.findBlockByNumber(3).blockFormat().alignment(), Qt::AlignHCenter);
    EXPECT_EQ(doc.findBlockByNumber(2).blockFormat().alignment(), Qt::AlignLeft);
}

} // namespace
