#include "mainwindow/capitaliser.h"

#include "platform/text/turkishcase.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTextEdit>

namespace {
// Selection start and the character before it, whatever kind of box it is.
bool CaretOf(const QWidget *box, int &caret, char32_t &before) {
    before = 0;
    if (auto *e = qobject_cast<const QLineEdit *>(box)) {
        caret = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
        const QString t = e->text();
        if (caret > 0 && caret <= t.size()) before = t.at(caret - 1).unicode();
        return true;
    }
    const QTextDocument *doc = nullptr;
    if (auto *t = qobject_cast<const QTextEdit *>(box)) {
        caret = t->textCursor().selectionStart();
        doc = t->document();
    } else if (auto *t = qobject_cast<const QPlainTextEdit *>(box)) {
        caret = t->textCursor().selectionStart();
        doc = t->document();
    } else {
        return false;
    }
    // A line break reads as a paragraph separator here, which starts no word.
    if (caret > 0) before = doc->characterAt(caret - 1).unicode();
    return true;
}
} // namespace

char32_t CapitaliseTyped(int caret, char32_t before, char32_t typed) {
    if (caret <= 0 || before == U' ' || before == U'.') return kadrolin::TurkishUpCaseCodePoint(typed);
    return typed;
}

QString CapitaliseKeyText(const QWidget *box, const QString &typed) {
    int caret = 0;
    char32_t before = 0;
    if (typed.isEmpty() || !CaretOf(box, caret, before)) return typed;
    // Several characters in one key event (compressed or composed keys) are
    // taken one after the other, each seeing the one typed before it.
    QString out;
    for (char32_t c : typed.toUcs4()) {
        const char32_t r = CapitaliseTyped(caret, before, c);
        out += QString::fromUcs4(&r, 1);
        before = r;
        ++caret;
    }
    return out;
}
