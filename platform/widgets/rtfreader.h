#pragma once
// A small reader for rich text (RTF) into a QTextDocument: enough for the
// help text and for what word processors write. Groups, paragraphs, line
// breaks, tabs, bold/italic/underline/strike, font sizes, the colour table,
// \'xx escapes in code page 1254 and \uN with its fallback. Destinations it
// does not show (font table, style sheet, document info, pictures, anything
// behind \*) are skipped, and so is every control word it does not know.
//
// The file is untrusted: input that is not RTF is refused with an error;
// RTF that is damaged (truncated, unbalanced, nested absurdly deep) gives
// whatever text could be read. Nothing in it can crash or hang the reader.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <stdexcept>

class QTextDocument;

class TRtfError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What a read ran into; the text is in the document either way.
struct TRtfReadStats {
    int Paragraphs = 0;         // paragraphs in the document
    int UnclosedGroups = 0;     // groups still open at the end of the input
    bool DepthLimited = false;  // groups nested beyond the limit were skipped
    bool TextTruncated = false; // text beyond kRtfMaxTextChars was dropped
};

constexpr int kRtfMaxDepth = 200;                      // deeper groups are skipped whole
constexpr qint64 kRtfMaxTextChars = 1024 * 1024;       // characters shown at most
constexpr qint64 kRtfMaxFileSize = 32ll * 1024 * 1024; // larger files are refused

// Replaces the document's content with the RTF text. Throws TRtfError when the
// data does not start like RTF ("{\rtf").
TRtfReadStats ReadRtf(const QByteArray &rtf, QTextDocument *doc);

// Reads a file with ReadRtf. Throws TRtfError naming the file and the reason
// when it cannot be opened or read, is larger than kRtfMaxFileSize, or is not RTF.
TRtfReadStats LoadRtfFile(const QString &fileName, QTextDocument *doc);
