#pragma once
// Capitalising entry for names and addresses: a character typed at the start
// of the text, or right after a blank or a full stop, becomes its Turkish
// capital. The key is changed before the box inserts it, so text that arrives
// without a key press (pasted, set by the program) is never touched.
#include <QObject>

class QKeyEvent;
class QWidget;

// The rule for one typed character. caret is the start of the selection (0 is
// before the first character); before is the character at caret - 1 in the
// box's text (ignored when caret is 0).
char32_t CapitaliseTyped(int caret, char32_t before, char32_t typed);

// An event filter that applies the rule to every key typed into the boxes it
// watches: QLineEdit (and its subclasses), QTextEdit and QPlainTextEdit.
class TCapitaliser : public QObject {
    Q_OBJECT
  public:
    explicit TCapitaliser(QObject *parent = nullptr);

    void Attach(QWidget *box);
    void Detach(QWidget *box);
    static bool IsAttached(const QWidget *box);

    // The text the box would insert for this key, capitalised where the rule says.
    static QString CapitaliseKeyText(const QWidget *box, const QString &typed);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
