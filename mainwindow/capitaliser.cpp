#include "mainwindow/capitaliser.h"

#include "platform/text/turkishcase.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTextEdit>
#include <QVariant>

namespace {
const char *const AttachedProperty = "kadrolinCapitalised";

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

TCapitaliser::TCapitaliser(QObject *parent) : QObject(parent) {}

void TCapitaliser::Attach(QWidget *box) {
    if (!box || IsAttached(box)) return;
    box->setProperty(AttachedProperty, true);
    box->installEventFilter(this);
}

void TCapitaliser::Detach(QWidget *box) {
    if (!box) return;
    box->setProperty(AttachedProperty, QVariant());
    box->removeEventFilter(this);
}

bool TCapitaliser::IsAttached(const QWidget *box) {
    return box && box->property(AttachedProperty).toBool();
}

QString TCapitaliser::CapitaliseKeyText(const QWidget *box, const QString &typed) {
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

bool TCapitaliser::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto *box = qobject_cast<QWidget *>(watched);
    if (!box || !IsAttached(box)) return false;
    auto *key = static_cast<QKeyEvent *>(event);
    const QString typed = key->text();
    if (typed.isEmpty() || typed.at(0) < QChar(0x20)) return false;
    const QString replaced = CapitaliseKeyText(box, typed);
    if (replaced == typed) return false;
    // Qt offers no way to change a key event's text, so the box gets a copy
    // carrying the capital instead; the copy passes through here unchanged
    // because a capital maps to itself.
    QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->nativeScanCode(), key->nativeVirtualKey(),
                   key->nativeModifiers(), replaced, key->isAutoRepeat(), static_cast<quint16>(key->count()),
                   key->device());
    QCoreApplication::sendEvent(box, &copy);
    key->setAccepted(copy.isAccepted());
    return true;
}
