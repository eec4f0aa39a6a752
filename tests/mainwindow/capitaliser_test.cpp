// Capitalising entry, typed the way a keyboard delivers text: one key event
// per character, non-ASCII included. The boxes here get the key text through
// CapitaliseKeyText just before they insert it, as the main window's key
// handler does.
#include "mainwindow/capitaliser.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Hands a box the capitalised key, as the main window's key-press handler does.
class TKeyPress : public QObject {
  public:
    explicit TKeyPress(QWidget *box) { box->installEventFilter(this); }

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto *key = static_cast<QKeyEvent *>(event);
        auto *box = static_cast<QWidget *>(watched);
        const QString replaced = CapitaliseKeyText(box, key->text());
        if (key->text().isEmpty() || replaced == key->text()) return false;
        QKeyEvent copy(key->type(), key->key(), key->modifiers(), replaced);
        QCoreApplication::sendEvent(box, &copy);
        return true;
    }
};

void Type(QWidget *w, const QString &text) {
    for (QChar c : text) {
        if (c == '\n')
            QTest::keyClick(w, Qt::Key_Return);
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// The three kinds of box the main window capitalises, behind one interface.
struct TBox {
    virtual ~TBox() = default;
    virtual QWidget *Widget() = 0;
    virtual QString Text() = 0;
    virtual void SetText(const QString &t) = 0;
    virtual void SetCaret(int pos) = 0;
    virtual void Select(int start, int length) = 0;
    virtual void Paste() = 0;
};

template <class E> struct TTextBox : TBox {
    E Edit;
    QWidget *Widget() override { return &Edit; }
    QString Text() override { return Edit.toPlainText(); }
    void SetText(const QString &t) override { Edit.setPlainText(t); }
    void SetCaret(int pos) override {
        auto c = Edit.textCursor();
        c.setPosition(pos);
        Edit.setTextCursor(c);
    }
    void Select(int start, int length) override {
        auto c = Edit.textCursor();
        c.setPosition(start);
        c.setPosition(start + length, QTextCursor::KeepAnchor);
        Edit.setTextCursor(c);
    }
    void Paste() override { Edit.paste(); }
};

struct TLineBox : TBox {
    QLineEdit Edit;
    QWidget *Widget() override { return &Edit; }
    QString Text() override { return Edit.text(); }
    void SetText(const QString &t) override { Edit.setText(t); }
    void SetCaret(int pos) override { Edit.setCursorPosition(pos); }
    void Select(int start, int length) override { Edit.setSelection(start, length); }
    void Paste() override { Edit.paste(); }
};

enum class TKind { Line, Text, Plain };

std::unique_ptr<TBox> MakeBox(TKind k) {
    switch (k) {
    case TKind::Line:
        return std::make_unique<TLineBox>();
    case TKind::Text:
        return std::make_unique<TTextBox<QTextEdit>>();
    case TKind::Plain:
        return std::make_unique<TTextBox<QPlainTextEdit>>();
    }
    return nullptr;
}

class CapitaliserTest : public testing::TestWithParam<TKind> {
  protected:
    void SetUp() override {
        Box = MakeBox(GetParam());
        KeyPress = std::make_unique<TKeyPress>(Box->Widget());
        Box->Widget()->show();
    }
    std::unique_ptr<TBox> Box;
    std::unique_ptr<TKeyPress> KeyPress;
};

TEST_P(CapitaliserTest, WordStartsGetTurkishCapitals) {
    const struct {
        const char *Typed, *Expected;
    } cases[] = {
        {"ali veli", "Ali Veli"},
        {"istanbul", "İstanbul"},
        {"ırmak", "Irmak"},
        {"şule", "Şule"},
        {"çiğdem", "Çiğdem"},
        {"ğ ü ö", "Ğ Ü Ö"},
        {"üzüm öykü", "Üzüm Öykü"},
        {"a.b", "A.B"},
        {"ali-veli", "Ali-veli"},
        {"ali,veli", "Ali,veli"},
        {"o'nun", "O'nun"},
        {"âli", "âli"},
        {"ali âli", "Ali âli"},
        {"ALİ VELİ", "ALİ VELİ"},
        {"12 ab", "12 Ab"},
        {"a  b", "A  B"},
        {"x. y", "X. Y"},
        {"éa", "éa"},
        {"ßa", "ßa"},
    };
    for (const auto &c : cases) {
        Box->SetText(QString());
        Type(Box->Widget(), QString::fromUtf8(c.Typed));
        EXPECT_EQ(Box->Text(), QString::fromUtf8(c.Expected)) << c.Typed;
    }
}

TEST_P(CapitaliserTest, CaretAndSelectionDecide) {
    // Whole text selected: the selection starts at 0, so the key is capitalised.
    Box->SetText("ali veli");
    Box->Select(0, 8);
    Type(Box->Widget(), "m");
    EXPECT_EQ(Box->Text(), "M");

    // A selection that starts after a letter is not a word start.
    Box->SetText("abc");
    Box->Select(1, 2);
    Type(Box->Widget(), "x");
    EXPECT_EQ(Box->Text(), "ax");

    // A selection that starts after a blank is.
    Box->SetText("ab cd");
    Box->Select(3, 2);
    Type(Box->Widget(), "x");
    EXPECT_EQ(Box->Text(), "ab X");

    // Caret moved behind a blank inside existing text.
    Box->SetText("ali veli");
    Box->SetCaret(4);
    Type(Box->Widget(), QString::fromUtf8("ş"));
    EXPECT_EQ(Box->Text(), QString::fromUtf8("ali Şveli"));

    // Middle of a word keeps its case.
    Box->SetText("ali");
    Box->SetCaret(2);
    Type(Box->Widget(), "i");
    EXPECT_EQ(Box->Text(), "alii");

    // Caret at the very start of existing text.
    Box->SetText("li");
    Box->SetCaret(0);
    Type(Box->Widget(), "a");
    EXPECT_EQ(Box->Text(), "Ali");
}

TEST_P(CapitaliserTest, TextNotTypedStaysUnchanged) {
    Box->SetText("ali veli");
    EXPECT_EQ(Box->Text(), "ali veli");

    QApplication::clipboard()->setText(QString::fromUtf8("istanbul ırmak"));
    Box->SetText(QString());
    Box->Paste();
    EXPECT_EQ(Box->Text(), QString::fromUtf8("istanbul ırmak"));

    // Pasting by keyboard is a key too, but it types no character.
    Box->SetText(QString());
    QTest::keyClick(Box->Widget(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Box->Text(), QString::fromUtf8("istanbul ırmak"));

    // Backspace at a word start is no character to capitalise.
    Box->SetText(QString());
    Type(Box->Widget(), "ab ");
    QTest::keyClick(Box->Widget(), Qt::Key_Backspace);
    Type(Box->Widget(), "c");
    EXPECT_EQ(Box->Text(), "Abc");
}

INSTANTIATE_TEST_SUITE_P(Boxes, CapitaliserTest, testing::Values(TKind::Line, TKind::Text, TKind::Plain));

TEST(CapitaliserMultiLine, LineBreakStartsNoWord) {
    QPlainTextEdit memo;
    TKeyPress keyPress(&memo);
    memo.show();
    Type(&memo, "ali\nveli\tx");
    EXPECT_EQ(memo.toPlainText(), "Ali\nveli\tx");
}

TEST(CapitaliserRule, OneCharacterByTheTable) {
    const struct {
        int Caret;
        char32_t Before, Typed, Expected;
    } cases[] = {
        {0, 0, U'i', U'İ'},       {0, 0, U'ı', U'I'},         {3, U' ', U'ç', U'Ç'},
        {3, U'.', U'ğ', U'Ğ'},    {3, U'a', U'ö', U'ö'},      {3, U'-', U'ş', U'ş'},
        {3, U',', U'ü', U'ü'},    {3, U'\t', U'a', U'a'},     {0, 0, U'â', U'â'},
        {0, 0, U'î', U'î'},       {0, 0, U'û', U'û'},         {0, 0, U'7', U'7'},
        {0, 0, U'\x08', U'\x08'}, {0, 0, U'я', U'я'},         {0, 0, U'z', U'Z'},
        {1, U' ', U'j', U'J'},    {1, U'\u00A0', U'a', U'a'}, {0, 0, U'\U0001F600', U'\U0001F600'},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CapitaliseTyped(c.Caret, c.Before, c.Typed), c.Expected)
            << "caret " << c.Caret << " typed U+" << std::hex << static_cast<unsigned>(c.Typed);
}

} // namespace
