// The bound controls on their own: the key hook, automatic editing, paste and Esc.
#include "form1_testutil.h"
#include "platform/widgets/dbcontrols.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>

using namespace kadrolin;
using namespace kadrolin::testing;

namespace {

void Type(QWidget *w, const QString &text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

struct TBound {
    explicit TBound(std::initializer_list<const char *> names) : Dir(names) {
        Query.SetDatabaseName("Data.mdb");
        Query.SetSQL("SELECT * FROM tarvelion");
        Source.SetDataSet(&Query);
        Edit.SetDataSource(&Source);
        Edit.SetDataField("A_Adi");
    }
    ~TBound() { Query.Close(); }
    TRegisterDir Dir;
    TDialogScript Script;
    data::TQuery Query{"ADOQuery1"};
    data::TDataSource Source;
    TDBEdit Edit;
};

} // namespace

TEST(BoundControls, KeyHookSeesEachTypedCharacterBeforeItIsInserted) {
    TBound b({"Ali"});
    b.Query.Open();
    // A hook in the style of the capitalising handler: caret and text before insertion.
    std::vector<std::pair<int, QString>> seen;
    b.Edit.OnKeyPress = [&](QWidget *sender, QChar &key) {
        auto *e = static_cast<QLineEdit *>(sender);
        const int p = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
        seen.emplace_back(p, e->text());
        if (key == 'i' && (p == 0 || e->text()[p - 1] == ' ')) key = QChar(0x130);
        if (key == '#') key = QChar(); // swallowed
    };
    b.Edit.selectAll();
    Type(&b.Edit, "ismail #i");
    EXPECT_EQ(b.Edit.text(), QString::fromUtf8("İsmail İ"));
    ASSERT_EQ(seen.size(), 9u);
    EXPECT_EQ(seen[0],
              (std::pair<int, QString>{0, "Ali"})); // the whole text selected, caret read before typing
    EXPECT_EQ(b.Query.State(), data::dsEdit);
    b.Query.Post();
    EXPECT_EQ(b.Dir.Scalar("SELECT A_Adi FROM tarvelion"), "İsmail İ");
}

TEST(BoundControls, PasteEditsTheRowWithTheTextUnchangedAndEscRestoresTheField) {
    TBound b({"Ali"});
    b.Query.Open();
    int hooked = 0;
    b.Edit.OnKeyPress = [&](QWidget *, QChar &) { ++hooked; };
    QApplication::clipboard()->setText("veli");
    b.Edit.setCursorPosition(3);
    b.Edit.paste();
    EXPECT_EQ(hooked, 0);
    EXPECT_EQ(b.Edit.text(), "Aliveli");
    EXPECT_EQ(b.Query.State(), data::dsEdit);
    QTest::keyClick(&b.Edit, Qt::Key_Escape);
    EXPECT_EQ(b.Edit.text(), "Ali");
    b.Query.Post(); // nothing changed: nothing written
    EXPECT_EQ(b.Dir.Scalar("SELECT A_Adi FROM tarvelion"), "Ali");
}

TEST(BoundControls, TypingIsRefusedWhenTheRowCannotBeEdited) {
    TBound b({"Ali"});
    Type(&b.Edit, "x"); // closed query
    EXPECT_EQ(b.Edit.text(), "");
    b.Query.Open();
    b.Edit.SetReadOnly(true);
    Type(&b.Edit, "x");
    EXPECT_EQ(b.Edit.text(), "Ali");
    EXPECT_EQ(b.Query.State(), data::dsBrowse);
    b.Edit.SetReadOnly(false);
    b.Source.AutoEdit = false;
    Type(&b.Edit, "x");
    EXPECT_EQ(b.Edit.text(), "Ali");
    EXPECT_TRUE(b.Script.Errors.empty());
}

TEST(BoundControls, LeavingTheBoxWritesItsTextIntoTheRow) {
    TBound b({"Ali"});
    b.Query.Open();
    TEdit other;
    b.Edit.show();
    other.show();
    b.Edit.activateWindow();
    b.Edit.setFocus();
    Type(&b.Edit, "m");
    EXPECT_EQ(b.Query.FieldByName("A_Adi").AsString(), "Ali"); // not yet
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&b.Edit, &out);
    EXPECT_EQ(b.Query.FieldByName("A_Adi").AsString(), "Alim");
    EXPECT_TRUE(b.Query.Modified());
}
