#include "platform/widgets/rtfreader.h"

#include "platform/text/cp1254.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace {

enum class TDest { Text, ColorTable, Skip };

// Character properties: text with equal properties goes into one run.
struct TCharProps {
    bool Bold = false, Italic = false, Underline = false, Strike = false, Hidden = false;
    int VAlign = 0;      // 1 superscript, -1 subscript
    int HalfPoints = 24; // \fs: the size in half points
    int Color = 0;       // \cf: colour table index, 0 is the automatic colour
    int BackColor = 0;   // \cb, \highlight
    bool operator==(const TCharProps &) const = default;
};

struct TParaProps {
    Qt::Alignment Align = Qt::AlignLeft;
    int LeftTwips = 0, RightTwips = 0, FirstTwips = 0, BeforeTwips = 0, AfterTwips = 0;
    std::vector<int> TabTwips; // \tx tab stops
};

struct TState {
    TDest Dest = TDest::Text;
    TCharProps Char;
    TParaProps Para;
    int Uc = 1; // \uc: fallback characters after each \uN
};

// Destinations whose content is never shown. Anything behind \* is skipped too.
constexpr std::array<std::string_view, 54> kSkippedDestinations = {
    "fonttbl",      "stylesheet", "info",      "pict",     "object",     "objdata",
    "header",       "headerl",    "headerr",   "headerf",  "footer",     "footerl",
    "footerr",      "footerf",    "footnote",  "filetbl",  "listtable",  "listoverridetable",
    "revtbl",       "rsidtbl",    "generator", "xmlnstbl", "themedata",  "colorschememapping",
    "latentstyles", "datastore",  "mmathPr",   "pgdsctbl", "private",    "nonshppict",
    "shppict",      "shp",        "shpinst",   "comment",  "annotation", "atnid",
    "atnauthor",    "template",   "docvar",    "xe",       "tc",         "txe",
    "rxe",          "userprops",  "operator",  "author",   "title",      "company",
    "ftnsep",       "ftnsepc",    "aftnsep",   "aftnsepc", "do",         "fldinst"};

bool IsSkippedDestination(std::string_view word) {
    return std::find(kSkippedDestinations.begin(), kSkippedDestinations.end(), word) !=
           kSkippedDestinations.end();
}

constexpr int kMaxColors = 4096;
constexpr int kMaxWordLength = 32;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

class TRtfParser {
  public:
    TRtfParser(const QByteArray &data, QTextDocument *doc)
        : FPos(data.constData()), FEnd(data.constData() + data.size()), FDoc(doc), FCursor(doc) {}

    TRtfReadStats Run();

  private:
    void OpenGroup();
    void CloseGroup();
    void ControlWord(std::string_view word, bool hasParam, int param);
    void ControlSymbol(char c);
    void Character(char32_t cp);
    void Byte(unsigned char b) { Character(kadrolin::Cp1254ToCodePoint(b)); }
    void Unicode(int n);
    void Paragraph();
    void Flush();
    void MaterializeParagraphs();
    QTextCharFormat CharFormat(const TCharProps &p) const;
    QTextBlockFormat BlockFormat(const TParaProps &p) const;
    QColor ColorAt(int index) const;
    // One fallback unit after \uN consumed; true when it was to be skipped.
    bool SkipFallback() {
        if (FFallback <= 0) return false;
        --FFallback;
        return true;
    }

    const char *FPos;
    const char *FEnd;
    QTextDocument *FDoc;
    QTextCursor FCursor;
    TState FState;
    std::vector<TState> FStack;
    int FOverflow = 0; // groups open beyond the depth limit; their content is dropped
    int FFallback = 0;
    char16_t FHighSurrogate = 0;
    bool FStarPending = false; // "\*" seen: the group is an optional destination
    bool FGroupStart = false;  // nothing but "{" (and "\*") read in this group yet
    std::vector<QColor> FColors;
    int FRed = -1, FGreen = -1, FBlue = -1;
    QString FPending;
    TCharProps FPendingProps;
    int FPendingParagraphs = 0;
    bool FBlockHasText = false;
    TParaProps FLastPara;
    qint64 FTextChars = 0;
    TRtfReadStats FStats;
};

TRtfReadStats TRtfParser::Run() {
    while (FPos < FEnd) {
        char c = *FPos++;
        switch (c) {
        case '{':
            OpenGroup();
            break;
        case '}':
            CloseGroup();
            break;
        case '\\': {
            if (FPos >= FEnd) break; // a lone backslash at the very end
            char n = *FPos;
            if (IsLetter(n)) {
                const char *start = FPos;
                while (FPos < FEnd && IsLetter(*FPos))
                    ++FPos;
                std::string_view word(start, size_t(FPos - start));
                bool neg = false, hasParam = false;
                long long param = 0;
                if (FPos < FEnd && *FPos == '-' && FPos + 1 < FEnd && *(FPos + 1) >= '0' &&
                    *(FPos + 1) <= '9') {
                    neg = true;
                    ++FPos;
                }
                while (FPos < FEnd && *FPos >= '0' && *FPos <= '9') {
                    hasParam = true;
                    // Saturate: a parameter beyond 32 bits is nonsense, not a reason to overflow.
                    if (param < 10'000'000'000ll) param = param * 10 + (*FPos - '0');
                    ++FPos;
                }
                if (FPos < FEnd && *FPos == ' ') ++FPos;
                param = std::clamp<long long>(neg ? -param : param, -2147483647ll, 2147483647ll);
                if (word.size() <= size_t(kMaxWordLength)) ControlWord(word, hasParam, int(param));
            } else {
                ++FPos;
                if (n == '\'') {
                    int hi = FPos < FEnd ? HexValue(*FPos) : -1;
                    int lo = FPos + 1 < FEnd ? HexValue(*(FPos + 1)) : -1;
                    if (hi >= 0 && lo >= 0) {
                        FPos += 2;
                        FGroupStart = FStarPending = false;
                        if (FOverflow == 0 && !SkipFallback()) Byte((unsigned char)(hi * 16 + lo));
                    }
                } else {
                    ControlSymbol(n);
                }
            }
            break;
        }
        case '\r':
        case '\n':
            break; // line ends in the file are not text
        default:
            // Text means the group is not a destination.
            FGroupStart = false;
            FStarPending = false;
            if (FOverflow > 0) break;
            if (SkipFallback()) break;
            Byte((unsigned char)c);
        }
    }
    FStats.UnclosedGroups = int(FStack.size()) + FOverflow;
    Flush();
    // A last paragraph without "\par" keeps the properties its text had, not those after the final "}".
    if (FPendingParagraphs == 0 && FBlockHasText) FCursor.setBlockFormat(BlockFormat(FLastPara));
    FStats.Paragraphs = FDoc->blockCount();
    return FStats;
}

void TRtfParser::OpenGroup() {
    FFallback = 0;
    if (FOverflow > 0 || int(FStack.size()) >= kRtfMaxDepth) {
        ++FOverflow;
        FStats.DepthLimited = true;
        return;
    }
    FStack.push_back(FState);
    FStarPending = false;
    FGroupStart = true;
}

void TRtfParser::CloseGroup() {
    FFallback = 0;
    FGroupStart = false;
    FStarPending = false;
    if (FOverflow > 0) {
        --FOverflow;
        return;
    }
    if (FStack.empty()) return;
    if (FState.Dest == TDest::ColorTable && (FRed >= 0 || FGreen >= 0 || FBlue >= 0)) {
        // A last entry without its ";"
        if (int(FColors.size()) < kMaxColors)
            FColors.push_back(QColor(std::max(FRed, 0), std::max(FGreen, 0), std::max(FBlue, 0)));
        FRed = FGreen = FBlue = -1;
    }
    FState = FStack.back();
    FStack.pop_back();
    // The document ends with its outermost group; whatever follows is not RTF.
    if (FStack.empty()) FPos = FEnd;
}

void TRtfParser::ControlWord(std::string_view w, bool hasParam, int param) {
    // \bin N: N raw bytes follow; they are data, never text or braces, even where nothing is read.
    if (w == "bin") {
        long long n = hasParam ? std::max(param, 0) : 0;
        FPos += std::min<long long>(n, FEnd - FPos);
        return;
    }
    if (FOverflow > 0) return;
    bool groupStart = FGroupStart;
    FGroupStart = false;
    if (groupStart && (FStarPending || IsSkippedDestination(w))) {
        FState.Dest = TDest::Skip;
        FStarPending = false;
        return;
    }
    FStarPending = false;
    if (FState.Dest == TDest::Skip) return;
    if (w == "colortbl") {
        FState.Dest = TDest::ColorTable;
        FColors.clear();
        FRed = FGreen = FBlue = -1;
        return;
    }
    if (FState.Dest == TDest::ColorTable) {
        int v = std::clamp(param, 0, 255);
        if (w == "red")
            FRed = v;
        else if (w == "green")
            FGreen = v;
        else if (w == "blue")
            FBlue = v;
        return;
    }
    // Inside the fallback of a \uN every control word counts as one character.
    if (w != "u" && SkipFallback()) return;

    TCharProps &c = FState.Char;
    TParaProps &p = FState.Para;
    bool on = !hasParam || param != 0;
    if (w == "par" || w == "sect" || w == "page" || w == "row")
        Paragraph();
    else if (w == "line")
        Character(QChar::LineSeparator);
    else if (w == "tab" || w == "cell")
        Character('\t');
    else if (w == "u")
        Unicode(param);
    else if (w == "uc")
        FState.Uc = std::clamp(param, 0, 10);
    else if (w == "b")
        c.Bold = on;
    else if (w == "i")
        c.Italic = on;
    else if (w == "strike" || w == "striked")
        c.Strike = on;
    else if (w == "ulnone")
        c.Underline = false;
    else if (w.substr(0, 2) == "ul" && w != "ulc")
        c.Underline = on;
    else if (w == "v")
        c.Hidden = on;
    else if (w == "super")
        c.VAlign = 1;
    else if (w == "sub")
        c.VAlign = -1;
    else if (w == "nosupersub")
        c.VAlign = 0;
    else if (w == "fs")
        c.HalfPoints = hasParam ? std::clamp(param, 2, 1000) : 24;
    else if (w == "cf")
        c.Color = std::max(param, 0);
    else if (w == "cb" || w == "highlight")
        c.BackColor = std::max(param, 0);
    else if (w == "plain")
        c = TCharProps();
    else if (w == "pard")
        p = TParaProps();
    else if (w == "ql")
        p.Align = Qt::AlignLeft;
    else if (w == "qr")
        p.Align = Qt::AlignRight;
    else if (w == "qc")
        p.Align = Qt::AlignHCenter;
    else if (w == "qj")
        p.Align = Qt::AlignJustify;
    else if (w == "li")
        p.LeftTwips = std::clamp(param, -20000, 20000);
    else if (w == "ri")
        p.RightTwips = std::clamp(param, -20000, 20000);
    else if (w == "fi")
        p.FirstTwips = std::clamp(param, -20000, 20000);
    else if (w == "sb")
        p.BeforeTwips = std::clamp(param, 0, 20000);
    else if (w == "sa")
        p.AfterTwips = std::clamp(param, 0, 20000);
    else if (w == "tx") {
        if (p.TabTwips.size() < 64) p.TabTwips.push_back(std::clamp(param, 0, 40000));
    } else if (w == "emdash")
        Character(0x2014);
    else if (w == "endash")
        Character(0x2013);
    else if (w == "bullet")
        Character(0x2022);
    else if (w == "lquote")
        Character(0x2018);
    else if (w == "rquote")
        Character(0x2019);
    else if (w == "ldblquote")
        Character(0x201C);
    else if (w == "rdblquote")
        Character(0x201D);
    else if (w == "emspace" || w == "enspace" || w == "qmspace")
        Character(' ');
    // Everything else (fonts, page setup, list and table details) changes nothing we show.
}

void TRtfParser::ControlSymbol(char c) {
    if (FOverflow > 0) return;
    if (c == '*') {
        if (FGroupStart) FStarPending = true;
        return;
    }
    FGroupStart = false;
    FStarPending = false;
    if (FState.Dest != TDest::Text) return;
    if (SkipFallback()) return;
    switch (c) {
    case '\\':
    case '{':
    case '}':
        Character(char32_t(c));
        break;
    case '~':
        Character(0x00A0);
        break;
    case '_':
        Character(0x2011);
        break;
    case '\r':
    case '\n':
        Paragraph();
        break;
    default:
        break; // "\-" optional hyphen, "\:" index entry, "\|" formula: nothing to show
    }
}

void TRtfParser::Unicode(int n) {
    if (n < 0) n += 65536;
    FFallback = FState.Uc;
    if (n < 0 || n > 0xFFFF) {
        Character(0xFFFD);
        return;
    }
    char16_t u = char16_t(n);
    if (QChar::isHighSurrogate(u)) {
        FHighSurrogate = u;
        return;
    }
    if (QChar::isLowSurrogate(u)) {
        char16_t high = FHighSurrogate;
        FHighSurrogate = 0;
        Character(high ? QChar::surrogateToUcs4(high, u) : 0xFFFD);
        return;
    }
    Character(u);
}

void TRtfParser::Character(char32_t cp) {
    if (FState.Dest == TDest::ColorTable) {
        if (cp == ';') {
            if (int(FColors.size()) < kMaxColors) {
                // An entry without components is the automatic colour.
                if (FRed < 0 && FGreen < 0 && FBlue < 0)
                    FColors.push_back(QColor());
                else
                    FColors.push_back(QColor(std::max(FRed, 0), std::max(FGreen, 0), std::max(FBlue, 0)));
            }
            FRed = FGreen = FBlue = -1;
        }
        return;
    }
    if (FState.Dest != TDest::Text || FState.Char.Hidden) return;
    if (FHighSurrogate) {
        // A high surrogate whose partner never came.
        FHighSurrogate = 0;
        Character(0xFFFD);
    }
    if (cp < 0x20 && cp != '\t') return;
    if (FTextChars >= kRtfMaxTextChars) {
        FStats.TextTruncated = true;
        return;
    }
    ++FTextChars;
    if (FPendingParagraphs > 0) MaterializeParagraphs();
    FBlockHasText = true;
    FLastPara = FState.Para;
    if (!FPending.isEmpty() && !(FPendingProps == FState.Char)) Flush();
    FPendingProps = FState.Char;
    if (cp > 0xFFFF) {
        FPending.append(QChar::highSurrogate(cp));
        FPending.append(QChar::lowSurrogate(cp));
    } else {
        FPending.append(QChar(char16_t(cp)));
    }
}

void TRtfParser::Paragraph() {
    if (FState.Dest != TDest::Text || FState.Char.Hidden) return;
    // Past the text limit paragraph ends would only pile up empty lines.
    if (FStats.TextTruncated) return;
    if (FPendingParagraphs > 0) MaterializeParagraphs();
    Flush();
    // Paragraph properties belong to the paragraph they end.
    FCursor.setBlockFormat(BlockFormat(FState.Para));
    FBlockHasText = false;
    // The break itself waits for the next text, so the usual closing "\par" leaves no empty line.
    ++FPendingParagraphs;
}

void TRtfParser::MaterializeParagraphs() {
    for (; FPendingParagraphs > 0; --FPendingParagraphs)
        FCursor.insertBlock(BlockFormat(FState.Para), CharFormat(FState.Char));
}

void TRtfParser::Flush() {
    if (FPending.isEmpty()) return;
    FCursor.insertText(FPending, CharFormat(FPendingProps));
    FPending.clear();
}

QColor TRtfParser::ColorAt(int index) const {
    if (index <= 0 || index >= int(FColors.size())) return QColor();
    return FColors[size_t(index)];
}

QTextCharFormat TRtfParser::CharFormat(const TCharProps &p) const {
    QTextCharFormat f;
    f.setFontWeight(p.Bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(p.Italic);
    f.setFontUnderline(p.Underline);
    f.setFontStrikeOut(p.Strike);
    f.setFontPointSize(p.HalfPoints / 2.0);
    if (p.VAlign > 0)
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (p.VAlign < 0)
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    QColor fore = ColorAt(p.Color);
    if (fore.isValid()) f.setForeground(fore);
    QColor back = ColorAt(p.BackColor);
    if (back.isValid()) f.setBackground(back);
    return f;
}

QTextBlockFormat TRtfParser::BlockFormat(const TParaProps &p) const {
    // Twips to pixels at 96 dpi.
    QTextBlockFormat f;
    f.setAlignment(p.Align);
    f.setLeftMargin(std::max(p.LeftTwips, 0) / 15.0);
    f.setRightMargin(std::max(p.RightTwips, 0) / 15.0);
    f.setTextIndent(p.FirstTwips / 15.0);
    f.setTopMargin(p.BeforeTwips / 15.0);
    f.setBottomMargin(p.AfterTwips / 15.0);
    if (!p.TabTwips.empty()) {
        QList<QTextOption::Tab> tabs;
        for (int t : p.TabTwips)
            tabs.append(QTextOption::Tab(t / 15.0, QTextOption::LeftTab));
        std::sort(tabs.begin(), tabs.end(),
                  [](const auto &a, const auto &b) { return a.position < b.position; });
        f.setTabPositions(tabs);
    }
    return f;
}

} // namespace

TRtfReadStats ReadRtf(const QByteArray &rtf, QTextDocument *doc) {
    qsizetype start = 0;
    if (rtf.startsWith("\xEF\xBB\xBF")) start = 3;
    while (start < rtf.size() &&
           (rtf[start] == ' ' || rtf[start] == '\r' || rtf[start] == '\n' || rtf[start] == '\t'))
        ++start;
    if (rtf.mid(start, 5) != "{\\rtf") throw TRtfError("The text is not in RTF format");
    bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    TRtfReadStats stats;
    {
        // The parser reads through pointers; the bytes must outlive it.
        const QByteArray body = start ? rtf.mid(start) : rtf;
        TRtfParser parser(body, doc);
        stats = parser.Run();
    }
    doc->setUndoRedoEnabled(undo);
    return stats;
}

TRtfReadStats LoadRtfFile(const QString &fileName, QTextDocument *doc) {
    QFile f(fileName);
    QString path = QFileInfo(fileName).absoluteFilePath();
    const QFileInfo info(fileName);
    if (info.isDir())
        throw TRtfError(QStringLiteral("Cannot open file \"%1\". Is a directory").arg(path).toStdString());
    // A pipe or device would block the window or never end; only plain files are read.
    if (info.exists() && !info.isFile())
        throw TRtfError(
            QStringLiteral("Cannot open file \"%1\". Not a regular file").arg(path).toStdString());
    if (!f.open(QIODevice::ReadOnly))
        throw TRtfError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(path, f.errorString()).toStdString());
    if (f.size() > kRtfMaxFileSize)
        throw TRtfError(QStringLiteral("File \"%1\" is too large").arg(path).toStdString());
    // Read at most one byte past the limit: a file that grows or lies about its size is still bounded.
    QByteArray data = f.read(kRtfMaxFileSize + 1);
    if (f.error() != QFileDevice::NoError)
        throw TRtfError(
            QStringLiteral("Cannot read file \"%1\". %2").arg(path, f.errorString()).toStdString());
    if (data.size() > kRtfMaxFileSize)
        throw TRtfError(QStringLiteral("File \"%1\" is too large").arg(path).toStdString());
    return ReadRtf(data, doc);
}
