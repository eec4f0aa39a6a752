#pragma once
// Capitalising entry for names and addresses: a character typed at the start
// of the text, or right after a blank or a full stop, becomes its Turkish
// capital. The key is changed before the box inserts it, so text that arrives
// without a key press (pasted, set by the program) is never touched.
#include <QString>

class QWidget;

// The rule for one typed character. caret is the start of the selection (0 is
// before the first character); before is the character at caret - 1 in the
// box's text (ignored when caret is 0).
char32_t CapitaliseTyped(int caret, char32_t before, char32_t typed);

// The text a box would insert for a key that types typed, capitalised where
// the rule says, given the box's caret: QLineEdit (and its subclasses),
// QTextEdit and QPlainTextEdit; any other widget gets typed back.
QString CapitaliseKeyText(const QWidget *box, const QString &typed);
