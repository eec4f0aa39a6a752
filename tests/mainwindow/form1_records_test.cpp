// The main window over a real register: the list, the search, the record
// commands, the count panel and the close question.
#include "form1_testutil.h"
#include "mainwindow/form1.h"
#include "platform/widgets/application.h"
#include "platform/widgets/dbcontrols.h"

#include <QAction>
#include <QApplication>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <set>

using namespace kadrolin;
using namespace kadrolin::testing;

namespace {

class Form1Records : public ::testing::Test {
  protected:
    void Open(std::initializer_list<const char *> names) {
        Dir = std::make_unique<TRegisterDir>(names);
        Form = std::make_unique<TForm1>();
        Form->show();
    }
    void TearDown() override {
        Form.reset();
        Dir.reset();
    }
    std::vector<std::string> List() const {
        std::vector<std::string> out;
        auto *m = Form->DBGrid1->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out.push_back(m->data(m->index(r, 0)).toString().toStdString());
        return out;
    }
    std::string Panel() const { return Form->PanelText(0).toStdString(); }
    std::string Current() const { return Form->ADOQuery1->FieldByName("A_Adi").AsString(); }
    void TypeInto(QWidget *w, const QString &text) {
        w->setFocus();
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    void ClickRow(int row) {
        QTest::mouseClick(Form->DBGrid1->viewport(), Qt::LeftButton, {},
                          Form->DBGrid1->visualRect(Form->DBGrid1->model()->index(row, 0)).center());
    }

    TDialogScript Script;
    std::unique_ptr<TRegisterDir> Dir;
    std::unique_ptr<TForm1> Form;
};

using V = std::vector<std::string>;
std::string OrderedStatementSql() {
    return records::OrderedStatement().Sql;
}

} // namespace

TEST_F(Form1Records, StartShowsTheListSortedByNameWithTheFirstCurrent) {
    Open({"Zeki", "Çetin", "Ali", "İlker", "Irmak", "Ömer", "Osman"});
    EXPECT_EQ(List(), (V{"Ali", "Çetin", "Irmak", "İlker", "Osman", "Ömer", "Zeki"}));
    EXPECT_EQ(Panel(), "  Toplam kayıt : 7 / 1");
    EXPECT_EQ(Form->DBEdit1->text(), "Ali");
    EXPECT_EQ(Form->focusWidget(), Form->Edit1);
    EXPECT_TRUE(Script.Errors.empty());
    EXPECT_EQ(Form->windowTitle(), "Kadrolin 1.0");
}

TEST_F(Form1Records, SearchNarrowsInTheTurkishOrderAndRefreshRestoresTheSortedList) {
    Open({"Ayşe", "Zeki", "Ali", "ahmet", "Çetin"});
    const V sorted{"ahmet", "Ali", "Ayşe", "Çetin", "Zeki"};
    Form->Edit1->setText("A");
    EXPECT_EQ(List(), (V{"ahmet", "Ali", "Ayşe"}));
    EXPECT_EQ(Panel(), "  Toplam kayıt : 3 / 1");
    Form->Edit1->setText("Ali");
    EXPECT_EQ(List(), V{"Ali"});
    Form->Edit1->setText("");
    // The index that finds the names gives the Turkish order: Ç is not put after Z.
    EXPECT_EQ(List(), sorted);
    Form->Edit1->setText("X");
    EXPECT_TRUE(List().empty());
    EXPECT_EQ(Panel(), "  Toplam kayıt : 0 / 0"); // never stale on an empty result
    Form->BtnYenile->click();
    EXPECT_EQ(Form->Edit1->text(), "");
    EXPECT_EQ(List(), sorted);
    EXPECT_EQ(Panel(), "  Toplam kayıt : 5 / 1");
    // Quotes are characters of the name, not of the statement.
    for (const char *t : {"\"", "'", "A\"\"", "%'--"})
        Form->Edit1->setText(QString::fromUtf8(t));
    EXPECT_TRUE(Script.Errors.empty());
}

TEST_F(Form1Records, SearchChangeStoresAChangedRowAndDropsAnUnchangedOne) {
    Open({"Ali", "Veli"});
    TypeInto(Form->DBEdit1, " Can");
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsEdit); // typing started editing
    Form->Edit1->setText("V");
    EXPECT_EQ(Dir->Scalar("SELECT A_Adi FROM tarvelion WHERE Id=1"), "Ali Can");
    EXPECT_EQ(List(), V{"Veli"});
    // Unchanged: nothing is written, no question.
    Form->DataSetEdit1->setEnabled(true);
    Form->DataSetEdit1->trigger();
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsEdit);
    Form->Edit1->setText("");
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsBrowse);
    EXPECT_TRUE(Script.Questions.empty());
    EXPECT_TRUE(Script.Errors.empty());
}

TEST_F(Form1Records, ARowThatCannotBeStoredKeepsItsValuesAndTheOldList) {
    Open({"Ali", "Veli"});
    TypeInto(Form->DBEdit1, "m");
    Dir->Exec("UPDATE tarvelion SET A_Adi = 'Başkası' WHERE Id = 1"); // another writer
    Form->Edit1->setText("V");
    ASSERT_EQ(Script.Errors.size(), 1u);
    EXPECT_TRUE(Script.Errors[0].contains("Row cannot be located for updating"));
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsEdit);
    EXPECT_EQ(Form->DBEdit1->text(), "Alim");
    EXPECT_EQ(Form->ADOQuery1->RecordCount(), 2); // the search did not run
    Form->BtnYenile->click();                     // nor does the refresh, and the box keeps its text
    EXPECT_EQ(Script.Errors.size(), 2u);
    EXPECT_EQ(Form->Edit1->text(), "V");
    EXPECT_EQ(Dir->Scalar("SELECT A_Adi FROM tarvelion WHERE Id=1"), "Başkası");
}

TEST_F(Form1Records, ClickingAnotherNameStoresTheChangedRow) {
    Open({"Ali", "Veli", "Zeki"});
    TypeInto(Form->Control("DBEdit2"), "555 12 12");
    ClickRow(2);
    EXPECT_EQ(Current(), "Zeki");
    EXPECT_EQ(Panel(), "  Toplam kayıt : 3 / 3");
    EXPECT_EQ(Dir->Scalar("SELECT A_EvTel FROM tarvelion WHERE A_Adi='Ali'"), "555 12 12");
    EXPECT_EQ(Form->DBGrid1->currentIndex().row(), 2);
    EXPECT_TRUE(Script.Errors.empty());
}

TEST_F(Form1Records, AddThenDeleteDropsTheNewRow) {
    Open({"Ali", "Veli", "Zeki"});
    ClickRow(1);
    Form->Notebook1->setCurrentIndex(2);
    Form->BtnEkle->click();
    EXPECT_EQ(Form->Notebook1->currentIndex(), 0);
    EXPECT_EQ(Form->focusWidget(), Form->DBEdit1);
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsInsert);
    EXPECT_EQ(Panel(), "  Toplam kayıt : 4 / 2");
    EXPECT_EQ(Form->DBGrid1->model()->rowCount(), 4);
    Script.Answers.push_back(mrYes);
    Form->BtnSil->click();
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsBrowse);
    EXPECT_EQ(Current(), "Veli");
    EXPECT_EQ(Panel(), "  Toplam kayıt : 3 / 2");
    EXPECT_EQ(Dir->Scalar("SELECT count(*) FROM tarvelion"), "3");
}

TEST_F(Form1Records, AddTypeAndStoreKeepsTheNewRowWhereItWasAdded) {
    Open({"Ali", "Zeki"});
    Form->Ekle1->trigger(); // the menu item does what the button does
    TypeInto(Form->DBEdit1, "Nur");
    Form->DataSetPost1->setEnabled(true);
    Form->DataSetPost1->trigger();
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsBrowse);
    EXPECT_EQ(List(), (V{"Nur", "Ali", "Zeki"}));
    EXPECT_EQ(Panel(), "  Toplam kayıt : 3 / 1");
    EXPECT_EQ(Dir->Scalar("SELECT A_Adi FROM tarvelion WHERE Id=3"), "Nur");
}

TEST_F(Form1Records, DeleteQuestionNamesThePersonWithQuotesDoubled) {
    Open({"Ali", "O'Brien", "Zeki"});
    ClickRow(1);
    Form->Sil1->trigger(); // answered No
    ASSERT_EQ(Script.Questions.size(), 1u);
    EXPECT_EQ(Script.Questions[0].Kind, "MessageDlg");
    EXPECT_EQ(Script.Questions[0].Type, mtWarning);
    EXPECT_EQ(Script.Questions[0].Buttons, mbYes | mbNo);
    EXPECT_EQ(Script.Questions[0].Text,
              QString::fromUtf8("'O''Brien' adlı kişiye ait tüm kayıtlar silinsin mi?"));
    EXPECT_EQ(Dir->Scalar("SELECT count(*) FROM tarvelion"), "3");
    Script.Answers.push_back(mrYes);
    Form->Sil1->trigger();
    EXPECT_EQ(Current(), "Zeki");
    EXPECT_EQ(Panel(), "  Toplam kayıt : 2 / 2");
    EXPECT_EQ(Dir->Scalar("SELECT count(*) FROM tarvelion WHERE A_Adi LIKE 'O%'"), "0");
    // The last person gone: the empty list asks with an empty name, and Yes fails cleanly.
    Script.Answers = {mrYes, mrYes, mrYes};
    Form->Sil1->trigger();
    Form->Sil1->trigger();
    EXPECT_EQ(Panel(), "  Toplam kayıt : 0 / 0");
    Form->Sil1->trigger();
    EXPECT_EQ(Script.Questions.back().Text,
              QString::fromUtf8("'' adlı kişiye ait tüm kayıtlar silinsin mi?"));
    ASSERT_EQ(Script.Errors.size(), 1u);
    EXPECT_TRUE(Script.Errors[0].contains("empty dataset"));
}

TEST_F(Form1Records, EditAndStoreCommandsFollowTheRowState) {
    Open({"Ali"});
    Form->UpdateRecordActions();
    EXPECT_TRUE(Form->DataSetEdit1->isEnabled());
    EXPECT_FALSE(Form->DataSetPost1->isEnabled());
    EXPECT_FALSE(Form->BtnKaydet->isEnabled());
    TypeInto(Form->Control("DBEdit9"), "ali@example.com");
    Form->UpdateRecordActions();
    EXPECT_FALSE(Form->DataSetEdit1->isEnabled());
    EXPECT_TRUE(Form->BtnKaydet->isEnabled());
    Form->BtnKaydet->click();
    EXPECT_EQ(Dir->Scalar("SELECT A_Mail FROM tarvelion"), "ali@example.com");
    EXPECT_EQ(Form->ADOQuery1->RecNo(), 1);
}

TEST_F(Form1Records, DropDownAndNoteBoxesStoreTypedTextUnchanged) {
    Open({"Ali"});
    auto *combo = static_cast<TDBComboBox *>(Form->Control("DBComboBox5"));
    EXPECT_EQ(combo->count(), 81);
    EXPECT_EQ(combo->itemText(80), "Düzce");
    TypeInto(combo, "Atlantis");
    auto *memo = static_cast<TDBMemo *>(Form->Control("Yazi"));
    TypeInto(memo, "bir");
    QTest::keyClick(memo, Qt::Key_Tab); // a tab character, not the next control
    TypeInto(memo, "iki");
    Form->UpdateRecordActions();
    Form->DataSetPost1->trigger();
    EXPECT_EQ(Dir->Scalar("SELECT K_Il FROM tarvelion"), "Atlantis");
    EXPECT_EQ(Dir->Scalar("SELECT D_Aciklama FROM tarvelion"), "bir\tiki");
}

TEST_F(Form1Records, CloseQuestionStoresOrDropsThenSavesTheAppearance) {
    struct Case {
        const char *Name;
        bool Insert;
        int Answer;
        const char *Expect; // names in the file after closing
    } cases[] = {
        {"edit-yes", false, mrYes, "Ali Can"},
        {"edit-no", false, mrNo, "Ali"},
        {"insert-no", true, mrNo, "Ali"},
        {"insert-yes", true, mrYes, "Ali,Can"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        Open({"Ali"});
        std::string atSave;
        Form->OnSaveAppearance = [&](TForm1 &) {
            atSave = Dir->Scalar("SELECT group_concat(A_Adi) FROM tarvelion");
        };
        if (c.Insert) Form->BtnEkle->click();
        TypeInto(Form->DBEdit1, c.Insert ? "Can" : " Can");
        Script.Questions.clear();
        Script.Answers = {c.Answer};
        EXPECT_TRUE(Form->close());
        ASSERT_EQ(Script.Questions.size(), 1u);
        EXPECT_EQ(Script.Questions[0].Kind, "MessageBox");
        EXPECT_EQ(Script.Questions[0].Text, QString::fromUtf8("Değişiklikleri kaydetmek istiyor musunuz?"));
        EXPECT_EQ(Script.Questions[0].Caption, "Dikkat !");
        EXPECT_EQ(atSave, c.Expect); // stored before the appearance is written
        TearDown();
    }
}

TEST_F(Form1Records, ClosingWhileBrowsingAsksNothing) {
    Open({"Ali"});
    bool saved = false;
    Form->OnSaveAppearance = [&](TForm1 &) { saved = true; };
    EXPECT_TRUE(Form->close());
    EXPECT_TRUE(saved);
    EXPECT_TRUE(Script.Questions.empty());
}

TEST_F(Form1Records, AFailedStoreAtCloseKeepsTheWindowOpenAndAsksAgainLater) {
    Open({"Ali"});
    bool saved = false;
    Form->OnSaveAppearance = [&](TForm1 &) { saved = true; };
    TypeInto(Form->DBEdit1, "x");
    Dir->Exec("DELETE FROM tarvelion"); // removed by another writer
    Script.Answers = {mrYes};
    EXPECT_FALSE(Form->close());
    EXPECT_TRUE(Form->isVisible());
    EXPECT_FALSE(saved);
    EXPECT_EQ(Script.Errors.size(), 1u);
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsEdit);
    EXPECT_EQ(Form->DBEdit1->text(), "Alix");
    Script.Answers = {mrNo};
    EXPECT_TRUE(Form->close());
    EXPECT_TRUE(saved);
    EXPECT_EQ(Script.Questions.size(), 2u);
}

TEST_F(Form1Records, LooksRightOffscreen) {
    Open({"Ali Veli", "Ayşe Yılmaz", "Çiğdem Öztürk", "İsmail Işık", "Şule Ünal"});
    const char *out = std::getenv("KADROLIN_GRAB_DIR");
    QImage image = Form->grab().toImage();
    EXPECT_EQ(image.width(), Form->width());
    if (out) image.save(QString::fromUtf8(out) + "/form1.png");
    // Every page holds the controls of its columns, none outside its frame.
    Form->BtnEkle->click();
    for (int page = 0; page < 4; ++page) {
        Form->TabSet1->SetTabIndex(page);
        EXPECT_EQ(Form->Notebook1->currentIndex(), page);
        QWidget *shown = Form->Notebook1->currentWidget();
        for (QWidget *w : shown->findChildren<QWidget *>()) {
            if (w->property("dataField").isValid()) {
                EXPECT_TRUE(QRect(0, 0, 481, 249).contains(w->geometry())) << w->objectName().toStdString();
            }
        }
        if (out) Form->grab().save(QString::fromUtf8(out) + QString("/form1-page%1.png").arg(page + 1));
    }
}

TEST_F(Form1Records, RefreshWithAnEmptySearchBoxRunsOnlyTheOrderedStatement) {
    Open({"Zeki", "Ali"});
    std::vector<std::string> statements;
    auto recount = Form->ADOQuery1->AfterOpen;
    Form->ADOQuery1->AfterOpen = [&](data::TQuery &q) {
        statements.push_back(q.SQL());
        recount(q);
    };
    Form->BtnYenile->click();
    EXPECT_EQ(statements, std::vector<std::string>{OrderedStatementSql()});
    statements.clear();
    Form->Edit1->setText("Z");
    Form->BtnYenile->click();
    EXPECT_EQ(statements.size(), 3u); // the typed search, the emptied search, then the ordered list
    EXPECT_EQ(statements.back(), OrderedStatementSql());
    EXPECT_EQ(List(), (V{"Ali", "Zeki"}));
}

TEST_F(Form1Records, EditCommandOnAnEmptyListStartsANewRow) {
    Open({});
    EXPECT_EQ(Panel(), "  Toplam kayıt : 0 / 0");
    Form->UpdateRecordActions();
    Form->DataSetEdit1->trigger();
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsInsert);
    EXPECT_EQ(Panel(), "  Toplam kayıt : 1 / 1");
    TypeInto(Form->DBEdit1, "Ali");
    Form->UpdateRecordActions();
    Form->DataSetPost1->trigger();
    EXPECT_EQ(Panel(), "  Toplam kayıt : 1 / 1");
    EXPECT_EQ(Dir->Scalar("SELECT A_Adi FROM tarvelion"), "Ali");
}
