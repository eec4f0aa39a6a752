// The whole main window over a real register: the record pages at their
// designed places, capitalising where the layout says, the colour list bound
// to the query, the mail button, hints, and a picture of it all.
#include "form1_testutil.h"
#include "mainwindow/form1.h"
#include "platform/system/shell.h"
#include "platform/widgets/application.h"
#include "platform/widgets/dbcontrols.h"
#include "records/recordlayout.h"

#include <QAccessible>
#include <QApplication>
#include <QEnterEvent>
#include <QGroupBox>
#include <QLabel>
#include <QTest>
#include <QWheelEvent>

using namespace kadrolin;
using namespace kadrolin::testing;

namespace {

const QColor RowColor(0xD6, 0xDF, 0xF7);
const QColor AltColor(0xE3, 0xEA, 0xF9);
const QColor White(255, 255, 255);

class MainWindow : public ::testing::Test {
  protected:
    void Open(std::initializer_list<const char *> names) {
        Dir = std::make_unique<TRegisterDir>(names);
        Form = std::make_unique<TForm1>();
        Form->show();
        QApplication::setActiveWindow(Form.get());
        Application().ProcessIdle();
    }
    void TearDown() override {
        Application().OnHint = nullptr;
        Form.reset();
        Dir.reset();
    }
    void Type(QWidget *w, const QString &text) {
        w->setFocus();
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    QString Text(QWidget *w) {
        if (auto *e = qobject_cast<QLineEdit *>(w)) return e->text();
        if (auto *c = qobject_cast<QComboBox *>(w)) return c->currentText();
        if (auto *m = qobject_cast<QPlainTextEdit *>(w)) return m->toPlainText();
        return {};
    }
    QColor Back(int row) {
        TSrDBGrid *g = Form->DBGrid1;
        const QRect r = g->visualRect(g->model()->index(row, 0));
        return g->viewport()->grab().toImage().pixelColor(r.right() - 6, r.center().y());
    }
    void Wheel(int delta) {
        QWheelEvent e(QPointF(20, 20), QPointF(20, 20), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Form->DBGrid1->viewport(), &e);
    }
    std::string Current() const { return Form->ADOQuery1->FieldByName("A_Adi").AsString(); }

    TDialogScript Script;
    std::unique_ptr<TRegisterDir> Dir;
    std::unique_ptr<TForm1> Form;
};

TEST_F(MainWindow, RecordControlsAtTheirDesignedPlaces) {
    Open({"Ali Veli"});
    int controls = 0, labels = 0;
    for (const records::TColumnLayout &c : records::RecordLayout()) {
        if (c.Kind == records::ckPicture) continue;
        QWidget *w = Form->Control(QString::fromUtf8(c.ControlName));
        ASSERT_NE(w, nullptr) << c.ControlName;
        ++controls;
        EXPECT_EQ(w->objectName(), QString::fromUtf8(c.ControlName));
        EXPECT_EQ(w->parentWidget(), Form->GroupBoxes[c.Page]) << c.ControlName;
        const int height = c.Kind == records::ckMemo ? 201 : 21;
        EXPECT_EQ(w->geometry(), QRect(c.Left, c.Top, c.Width, height)) << c.ControlName;
        if (c.Caption) {
            auto *l = qobject_cast<QLabel *>(Form->Control(QString::fromUtf8(c.LabelName)));
            ASSERT_NE(l, nullptr) << c.LabelName;
            ++labels;
            EXPECT_EQ(l->text(), QString::fromUtf8(c.Caption));
            EXPECT_EQ(l->pos(), QPoint(c.Left, c.Top - 16)) << c.LabelName;
        }
    }
    EXPECT_EQ(controls, 41); // 36 edit boxes, 4 drop-downs, the note box
    EXPECT_EQ(labels, 41);
    // Each page's frame sits at 3, 0 inside the page, the pages at 0, 72 of the client area.
    for (int i = 0; i < 4; ++i) {
        Form->TabSet1->SetTabIndex(i);
        QGroupBox *g = Form->GroupBoxes[i];
        EXPECT_EQ(QRect(g->mapTo(Form->ClientArea, QPoint(0, 0)), g->size()), QRect(3, 72, 481, 249));
        EXPECT_TRUE(g->isVisible());
    }
    // The note box: Arial 10 with a vertical scroll bar.
    auto *memo = qobject_cast<QPlainTextEdit *>(Form->Control("Yazi"));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->font().pointSize(), 10);
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    // The mail button right of the e-mail box.
    const QRect mail = Form->Control("DBEdit9")->geometry();
    EXPECT_EQ(Form->BtnMail->geometry().left(), mail.right() + 2);
}

TEST_F(MainWindow, TypedTextCapitalisedExactlyWhereTheLayoutSays) {
    Open({"Kişi"});
    int capitalised = 0;
    for (const records::TColumnLayout &c : records::RecordLayout()) {
        if (c.Kind == records::ckPicture) continue;
        QWidget *w = Form->Control(QString::fromUtf8(c.ControlName));
        Form->TabSet1->SetTabIndex(c.Page);
        if (auto *e = qobject_cast<QLineEdit *>(w)) e->clear();
        if (auto *m = qobject_cast<QPlainTextEdit *>(w)) m->clear();
        if (auto *cb = qobject_cast<QComboBox *>(w)) cb->setEditText(QString());
        Type(w, QString::fromUtf8("istanbul ırmak"));
        const QString expected = QString::fromUtf8(c.Capitalised ? "İstanbul Irmak" : "istanbul ırmak");
        EXPECT_EQ(Text(w), expected) << c.ControlName;
        capitalised += c.Capitalised;
        Form->ADOQuery1->Cancel();
    }
    EXPECT_EQ(capitalised, 30);
    // The search box capitalises too, and its text runs the search.
    Form->Edit1->clear();
    Type(Form->Edit1, QString::fromUtf8("kiş"));
    EXPECT_EQ(Form->Edit1->text(), QString::fromUtf8("Kiş"));
    EXPECT_EQ(Form->ADOQuery1->RecordCount(), 1);
    // Text the program puts in a box is never changed.
    EXPECT_EQ(Form->DBEdit1->text(), QString::fromUtf8("Kişi"));
    EXPECT_TRUE(Script.Errors.empty());
}

TEST_F(MainWindow, TypingIntoAnEmptyRegisterStartsANewRow) {
    Open({});
    Type(Form->DBEdit1, QString::fromUtf8("ali"));
    EXPECT_EQ(Form->DBEdit1->text(), "Ali");
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsInsert);
    // The new row is the current one: white with red text, no even record number.
    EXPECT_EQ(Back(0), White);
    Application().ProcessIdle();
    ASSERT_TRUE(Form->BtnKaydet->isEnabled());
    QTest::mouseClick(Form->BtnKaydet, Qt::LeftButton);
    EXPECT_EQ(Dir->Scalar("SELECT A_Adi FROM tarvelion"), "Ali");
    EXPECT_TRUE(Script.Errors.empty());
}

TEST_F(MainWindow, ListColoursFollowTheQuery) {
    Open({"Ali", "Banu", "Cem", "Deniz"});
    Form->ADOQuery1->Next();
    QApplication::processEvents();
    EXPECT_EQ(Current(), "Banu");
    EXPECT_EQ(Back(0), RowColor);
    EXPECT_EQ(Back(1), White);
    EXPECT_EQ(Back(2), RowColor);
    EXPECT_EQ(Back(3), AltColor);

    // While a new row is inserted no row has an even record number.
    Form->BtnEkle->click();
    ASSERT_EQ(Form->ADOQuery1->State(), data::dsInsert);
    QApplication::processEvents();
    const int newRow = Form->ADOQuery1->CurrentIndex();
    for (int r = 0; r < Form->DBGrid1->model()->rowCount(); ++r)
        EXPECT_EQ(Back(r), r == newRow ? White : RowColor) << r;
    Form->ADOQuery1->Cancel();
    QApplication::processEvents();
    EXPECT_EQ(Back(3), AltColor);
}

TEST_F(MainWindow, WheelTabAndEscapeInTheList) {
    Open({"Ali", "Banu", "Cem"});
    Form->DBGrid1->setFocus();
    Wheel(-120);
    EXPECT_EQ(Current(), "Banu");
    Wheel(-240);
    EXPECT_EQ(Current(), "Cem");
    Wheel(-120); // at the last person nothing moves
    EXPECT_EQ(Current(), "Cem");
    EXPECT_EQ(Form->ADOQuery1->RecordCount(), 3);
    Wheel(120);
    EXPECT_EQ(Current(), "Banu");
    EXPECT_EQ(Form->PanelText(0), QString::fromUtf8("  Toplam kayıt : 3 / 2"));

    QTest::keyClick(Form->DBGrid1, Qt::Key_Tab);
    EXPECT_EQ(Current(), "Cem");
    EXPECT_EQ(QApplication::focusWidget(), Form->DBGrid1);
    QTest::keyClick(Form->DBGrid1, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(Current(), "Banu");
    QTest::keyClick(Form->DBGrid1, Qt::Key_Down);
    QTest::keyClick(Form->DBGrid1, Qt::Key_Down);
    EXPECT_EQ(Current(), "Cem");
    EXPECT_EQ(Form->ADOQuery1->RecordCount(), 3);

    // Esc drops what was typed into the record's boxes.
    Type(Form->Control("DBEdit2"), "555");
    Form->DBGrid1->setFocus();
    ASSERT_EQ(Form->ADOQuery1->State(), data::dsEdit);
    QTest::keyClick(Form->DBGrid1, Qt::Key_Escape);
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsBrowse);
    EXPECT_EQ(Text(Form->Control("DBEdit2")), "");
    EXPECT_EQ(Dir->Scalar("SELECT A_EvTel FROM tarvelion WHERE A_Adi='Cem'"), "<null>");
    // Esc with nothing pending does nothing.
    QTest::keyClick(Form->DBGrid1, Qt::Key_Escape);
    EXPECT_EQ(Current(), "Cem");
    EXPECT_TRUE(Script.Errors.empty());
}

TEST_F(MainWindow, CtrlDeleteInTheListAsksInEnglishAndDeletes) {
    Open({"Ali", "Banu", "Cem"});
    Form->ADOQuery1->Next();
    Form->DBGrid1->setFocus();
    Script.Answers = {mrCancel, mrOk};
    QTest::keyClick(Form->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Dir->Scalar("SELECT COUNT(*) FROM tarvelion"), "3");
    QTest::keyClick(Form->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Dir->Scalar("SELECT COUNT(*) FROM tarvelion"), "2");
    EXPECT_EQ(Dir->Scalar("SELECT COUNT(*) FROM tarvelion WHERE A_Adi='Banu'"), "0");
    ASSERT_EQ(Script.Questions.size(), 2u);
    for (const auto &q : Script.Questions) {
        EXPECT_EQ(q.Text, "Delete record?");
        EXPECT_EQ(q.Caption, "Confirm");
        EXPECT_EQ(q.Buttons, mbOK | mbCancel);
    }
    // On an empty result nothing is asked.
    Script.Answers = {mrOk, mrOk};
    QTest::keyClick(Form->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    QTest::keyClick(Form->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Dir->Scalar("SELECT COUNT(*) FROM tarvelion"), "0");
    QTest::keyClick(Form->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Script.Questions.size(), 4u);
    EXPECT_TRUE(Script.Errors.empty());
}

TEST_F(MainWindow, MailButtonSendsTheShownAddress) {
    Open({"Ali", "Banu"});
    Dir->Exec("UPDATE tarvelion SET A_Mail='banu@örnek.com.tr' WHERE A_Adi='Banu'");
    Form->BtnYenile->click();
    Application().ProcessIdle();
    EXPECT_FALSE(Form->BtnMail->isEnabled());
    Form->ADOQuery1->Next();
    Application().ProcessIdle();
    ASSERT_TRUE(Form->BtnMail->isEnabled());
    TShellRecorder shell;
    QTest::mouseClick(Form->BtnMail, Qt::LeftButton);
    ASSERT_EQ(shell.Targets().size(), 1u);
    EXPECT_EQ(shell.Targets()[0], QString::fromUtf8("mailto:banu@örnek.com.tr"));
    EXPECT_TRUE(Script.Errors.empty());
}

TEST_F(MainWindow, HintsAndSearchBoxFocusAfterShow) {
    Open({"Ali"});
    EXPECT_EQ(QApplication::focusWidget(), Form->Edit1);
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(Form->BtnSil, &enter);
    EXPECT_EQ(Form->PanelText(1), QString::fromUtf8(" Aktif kaydı sil"));
    Form->DetayYazdir1->hover();
    EXPECT_EQ(Form->PanelText(1), " ");
}

TEST_F(MainWindow, ClosedResultTakesKeysWithoutHarm) {
    Open({"Ali", "Banu"});
    Form->ADOQuery1->Close();
    QApplication::processEvents();
    Type(Form->DBEdit1, "x");
    Form->DBGrid1->setFocus();
    Wheel(-120);
    QTest::keyClick(Form->DBGrid1, Qt::Key_Down);
    QTest::keyClick(Form->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    QTest::keyClick(Form->DBGrid1, Qt::Key_Escape);
    EXPECT_TRUE(Script.Questions.empty());
    EXPECT_EQ(Dir->Scalar("SELECT COUNT(*) FROM tarvelion"), "2");
    Form->BtnYenile->click();
    EXPECT_EQ(Form->ADOQuery1->RecordCount(), 2);
    EXPECT_EQ(Current(), "Ali");
}

TEST_F(MainWindow, MenuItemAndToolbarButtonAddAlike) {
    Open({"Ali"});
    Form->TabSet1->SetTabIndex(2);
    Form->BtnEkle->click();
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsInsert);
    EXPECT_EQ(Form->Notebook1->currentIndex(), 0);
    EXPECT_EQ(Form->TabSet1->TabIndex(), 0);
    Form->ADOQuery1->Cancel();
    Form->TabSet1->SetTabIndex(3);
    Form->Ekle1->trigger();
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsInsert);
    EXPECT_EQ(Form->Notebook1->currentIndex(), 0);
    EXPECT_EQ(Form->TabSet1->TabIndex(), 0);
    EXPECT_EQ(QApplication::focusWidget(), Form->DBEdit1);
}

TEST_F(MainWindow, LeavingTheListDropsAnUntouchedNewRow) {
    Open({"Ali"});
    Form->BtnEkle->click();
    ASSERT_EQ(Form->ADOQuery1->State(), data::dsInsert);
    Form->DBGrid1->setFocus();
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsInsert);
    // Another window taking the focus is no leaving of the list.
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(Form->DBGrid1, &away);
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsInsert);
    Form->Control("DBEdit2")->setFocus();
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsBrowse);
    EXPECT_EQ(Form->ADOQuery1->RecordCount(), 1);

    // A new row with something typed in stays.
    Form->BtnEkle->click();
    Type(Form->DBEdit1, "veli");
    Form->DBGrid1->setFocus();
    Form->Edit1->setFocus();
    EXPECT_EQ(Form->ADOQuery1->State(), data::dsInsert);
    EXPECT_EQ(Form->DBEdit1->text(), "Veli");
}

TEST_F(MainWindow, PictureWithAHandfulOfRecords) {
    Open({"Ali Veli", "Ayşe Yılmaz", "Çiğdem Öztürk", "İsmail Işık", "Şule Ünal"});
    Form->ADOQuery1->Next();
    Application().ProcessIdle();
    QApplication::processEvents();
    const QImage image = Form->grab().toImage();
    EXPECT_EQ(image.size(), Form->size());
    if (qEnvironmentVariableIsSet("KADROLIN_SHOTS")) {
        const QString dir = qEnvironmentVariable("KADROLIN_SHOTS");
        image.save(dir + "/mainwindow.png");
        for (int i = 1; i < 4; ++i) {
            Form->TabSet1->SetTabIndex(i);
            Form->grab().save(dir + QString("/mainwindow-page%1.png").arg(i + 1));
        }
    }
}

} // namespace

// What a screen reader announces: every record box by its label (without the
// trailing " :"), the search box, the list and every button by name and hint.
TEST_F(MainWindow, ScreenReaderNamesAndDescriptions) {
    Open({"Ali Veli"});
    const auto said = [](QObject *o, QAccessible::Text t) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(o);
        return a ? a->text(t) : QStringLiteral("<none>");
    };
    for (const records::TColumnLayout &c : records::RecordLayout()) {
        if (!c.Caption) continue;
        QString expected = QString::fromUtf8(c.Caption).trimmed();
        if (expected.endsWith(':')) expected = expected.chopped(1).trimmed();
        EXPECT_EQ(said(Form->Control(QString::fromUtf8(c.ControlName)), QAccessible::Name), expected)
            << c.ControlName;
    }
    EXPECT_EQ(said(Form->Control("DBEdit1"), QAccessible::Name), QString::fromUtf8("Adı Soyadı"));

    const struct {
        QWidget *Widget;
        const char *Name;
        const char *Description;
    } named[] = {
        {Form->BtnEkle, "Ekle", "Yeni kayıt ekle"},
        {Form->BtnDuzen, "Düzenle", "Aktif kaydı düzenle"},
        {Form->BtnSil, "Sil", "Aktif kaydı sil"},
        {Form->BtnKaydet, "Kaydet", "Değişiklikleri kaydet"},
        {Form->BtnYazdir, "Yazdır", "Yazdırma penceresini aç"},
        {Form->BtnAyar, "Ayar", "Ayarlar penceresini aç"},
        {Form->BtnCikis, "Çıkış", "Programı kapat"},
        {Form->BtnYenile, "Yenile", "Listeyi yenile / sırala"},
        {Form->BtnREkle, "Resim Ekle", "Resim ekle. Detaylar için açılır menüyü seç"},
        {Form->BtnRSil, "Resim Sil", "Resmi sil"},
        {Form->BtnMail, "E-posta gönder", "E-posta adresine yeni ileti yaz"},
        {Form->Edit1, "Ara", "Adın başını yazın, liste daralır"},
        {Form->DBGrid1, "Adı Soyadı listesi", "Seçilen kişi sayfalarda gösterilir"},
    };
    for (const auto &n : named) {
        EXPECT_EQ(said(n.Widget, QAccessible::Name), QString::fromUtf8(n.Name)) << n.Name;
        EXPECT_EQ(said(n.Widget, QAccessible::Description), QString::fromUtf8(n.Description)) << n.Name;
    }
}
