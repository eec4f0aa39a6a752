// The main window's frame: size and place, named pieces at their designed
// positions, commands reachable from menu and toolbar alike, hints, the mail button.
#include "mainwindow/mainform.h"

#include "platform/system/shell.h"
#include "platform/widgets/application.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

class MainFormTest : public testing::Test {
  protected:
    void SetUp() override {
        Form = std::make_unique<TMainForm>();
        Form->show();
        QApplication::setActiveWindow(Form.get());
        Application().OnHint = [this] { Form->HintGoster(); };
        QApplication::processEvents();
    }
    void TearDown() override { Application().OnHint = nullptr; }
    // A child's rectangle in the client area's coordinates.
    QRect InClient(const char *name) {
        auto *w = Form->findChild<QWidget *>(name);
        if (!w) return {};
        return QRect(w->mapTo(Form->ClientArea, QPoint(0, 0)), w->size());
    }
    QString Status() { return Form->StatusBar1->PanelText(1); }
    void Enter(QWidget *w) {
        QEnterEvent e(QPointF(2, 2), w->mapTo(Form.get(), QPointF(2, 2)), w->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(w, &e);
    }
    std::unique_ptr<TMainForm> Form;
};

TEST_F(MainFormTest, FixedWindowAsDesigned) {
    EXPECT_EQ(Form->windowTitle(), QString("Kadrolin 1.0"));
    EXPECT_EQ(Form->objectName(), "Form1");
    EXPECT_EQ(Form->minimumSize(), Form->maximumSize());
    EXPECT_EQ(Form->ClientArea->size(), QSize(672, 337));
    EXPECT_EQ(Form->ClientArea->mapTo(Form.get(), QPoint(0, 0)).y(), Form->menuBar()->height());
    EXPECT_FALSE(Form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(Form->windowFlags() & Qt::WindowMinimizeButtonHint);
    const QSize before = Form->size();
    Form->resize(900, 600);
    EXPECT_EQ(Form->size(), before);
    Form->showMaximized();
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(Form->size(), before);
    EXPECT_FALSE(Form->isMaximized());
    EXPECT_EQ(Form->font().pointSize(), 8);
    EXPECT_EQ(TMainForm().pos(), QPoint(281, 127));
}

TEST_F(MainFormTest, RegionsAtDesignedPositions) {
    const struct {
        const char *Name;
        QRect Expected;
    } regions[] = {
        {"ToolBar1", {0, 0, 672, 44}},
        {"TabSet1", {3, 48, 481, 21}},
        {"Notebook1", {0, 72, 488, 249}},
        {"Panel3", {488, 48, 181, 273}},
        {"StatusBar1", {0, 318, 672, 19}},
        {"Edit1", {488 + 8, 48 + 6, 129, 21}},
        {"DBGrid1", {496, 80, 164, 233}},
        {"ToolBar3", {488 + 144, 48 + 2, 29, 26}},
        {"GroupBox1", {3, 72, 481, 249}},
        {"Panel1", {3 + 360, 72 + 32, 113, 135}},
        {"ToolBar2", {363, 72 + 167, 113, 30}},
        {"BtnMail", {3 + 330, 72 + 192, 23, 22}},
        {"BtnEkle", {5, 2, 52, 36}},
        {"BtnDuzen", {57, 2, 52, 36}},
        {"BtnSil", {109, 2, 52, 36}},
        {"BtnKaydet", {161, 2, 52, 36}},
        {"BtnYazdir", {221, 2, 52, 36}},
        {"BtnAyar", {281, 2, 52, 36}},
        {"BtnCikis", {341, 2, 52, 36}},
    };
    for (const auto &r : regions)
        EXPECT_EQ(InClient(r.Name), r.Expected) << r.Name;
    EXPECT_EQ(Form->StatusBar1->Panel(0)->width(), 148);
    EXPECT_GT(Form->StatusBar1->Panel(1)->width(), 500);
}

TEST_F(MainFormTest, DesignedNamesAndCaptions) {
    const struct {
        const char *Name, *Caption;
    } items[] = {
        {"Ekle1", "Ekle"},
        {"Sil1", "Sil"},
        {"Kaydet1", "Kaydet"},
        {"Cikis1", "Çıkış"},
        {"Duzenle1", "Düzenle"},
        {"Ayarlar1", "Ayarlar ..."},
        {"TelYazdr1", "Telefonları Yazdır ..."},
        {"DetayYazdir1", "Detaylı Yazdır ..."},
        {"KiiselBilgileriYazdr1", "Kişisel Bilgileri Yazdır"},
        {"FirmaBilgileriniYazdr1", "Firma Bilgilerini Yazdır"},
        {"KimlikBilgileriniYazdr1", "Kimlik Bilgilerini Yazdır"},
        {"Yardim1", "Yardım ..."},
        {"Hakknda2", "Hakkında ..."},
        {"Ekle2", "Ekle"},
        {"Sil2", "Sil"},
        {"Kes2", "Kes"},
        {"Kopyala2", "Kopyala"},
        {"Yapistir2", "Yapıştır"},
    };
    for (const auto &i : items) {
        auto *a = Form->findChild<QAction *>(i.Name);
        ASSERT_NE(a, nullptr) << i.Name;
        EXPECT_EQ(a->text(), QString::fromUtf8(i.Caption)) << i.Name;
    }
    const struct {
        const char *Name, *Caption;
    } buttons[] = {{"BtnEkle", "Ekle"},     {"BtnDuzen", " Düzenle "}, {"BtnSil", "Sil"},
                   {"BtnKaydet", "Kaydet"}, {"BtnYazdir", "Yazdır"},   {"BtnAyar", "Ayar"},
                   {"BtnCikis", "Çıkış"}};
    for (const auto &b : buttons) {
        auto *w = Form->findChild<QToolButton *>(b.Name);
        ASSERT_NE(w, nullptr) << b.Name;
        EXPECT_EQ(w->text(), QString::fromUtf8(b.Caption));
        EXPECT_EQ(w->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    }
    QStringList menus;
    for (QAction *a : Form->menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, QStringList({"Dosya", "Düzen", "Rapor", "Hakkında"}));
    EXPECT_EQ(Form->TabSet1->Tabs(), QStringList({" Kişisel Bilgiler", " Görev / İş Bilgileri ",
                                                  " Kimlik Bilgileri ", " Diğer / Yakın Bilgileri"}));
    QStringList pages;
    for (auto *p : Form->Pages)
        pages << p->objectName();
    EXPECT_EQ(pages, QStringList({"Kisisel", "Firma", "Kimlik", "Diger"}));
    EXPECT_EQ(Form->AktifKayt1->title(), "Aktif Kayıt");
    EXPECT_EQ(Form->AktifKayt1->actions().size(), 3);
    for (QAction *a : Form->AktifKayt1->actions())
        EXPECT_FALSE(a->isEnabled());
    EXPECT_EQ(Form->Yardim1->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_TRUE(Form->Cikis1->icon().isNull());
    EXPECT_TRUE(Form->Yardim1->icon().isNull());
    EXPECT_FALSE(Form->DetayYazdir1->icon().isNull());
}

TEST_F(MainFormTest, MenuAndToolbarRunTheSameCommand) {
    const struct {
        QToolButton *Button;
        QAction *Item, *Runs;
    } pairs[] = {
        {Form->BtnEkle, Form->Ekle1, Form->Ekle1},
        {Form->BtnSil, Form->Sil1, Form->Sil1},
        {Form->BtnKaydet, Form->Kaydet1, Form->DataSetPost1},
        {Form->BtnDuzen, Form->Duzenle1, Form->DataSetEdit1},
        {Form->BtnYazdir, Form->TelYazdr1, Form->TelYazdr1},
        {Form->BtnAyar, Form->Ayarlar1, Form->Ayarlar1},
    };
    for (const auto &p : pairs) {
        QSignalSpy spy(p.Runs, &QAction::triggered);
        QTest::mouseClick(p.Button, Qt::LeftButton);
        EXPECT_EQ(spy.count(), 1) << p.Button->objectName().toStdString();
        p.Item->trigger();
        EXPECT_EQ(spy.count(), 2) << p.Item->objectName().toStdString();
    }
    // The edit and store commands follow their actions' enabled state.
    Form->DataSetEdit1->setEnabled(false);
    Form->DataSetPost1->setEnabled(false);
    EXPECT_FALSE(Form->BtnDuzen->isEnabled());
    EXPECT_FALSE(Form->Duzenle1->isEnabled());
    EXPECT_FALSE(Form->BtnKaydet->isEnabled());
    EXPECT_FALSE(Form->Kaydet1->isEnabled());
    QSignalSpy none(Form->DataSetPost1, &QAction::triggered);
    QTest::mouseClick(Form->BtnKaydet, Qt::LeftButton);
    EXPECT_EQ(none.count(), 0);
    Form->DataSetEdit1->setEnabled(true);
    EXPECT_TRUE(Form->BtnDuzen->isEnabled());
    EXPECT_TRUE(Form->Duzenle1->isEnabled());
}

TEST_F(MainFormTest, ExitAndHelpKeys) {
    QSignalSpy help(Form->Yardim1, &QAction::triggered);
    Form->Edit1->setFocus();
    QTest::keyClick(Form->Edit1, Qt::Key_F1);
    EXPECT_EQ(help.count(), 1);
    QTest::mouseClick(Form->BtnCikis, Qt::LeftButton);
    EXPECT_FALSE(Form->isVisible());
    Form->show();
    Form->Cikis1->trigger();
    EXPECT_FALSE(Form->isVisible());
}

TEST_F(MainFormTest, HintsGoToTheStatusBar) {
    Form->TelYazdr1->hover();
    EXPECT_EQ(Status(), QString::fromUtf8(" Yazdırma penceresini aç"));
    Form->DetayYazdir1->hover();
    EXPECT_EQ(Status(), " ");
    Form->Ekle1->hover();
    EXPECT_EQ(Status(), QString::fromUtf8(" Yeni kayıt ekle"));
    Form->Hakknda2->hover();
    EXPECT_EQ(Status(), " ");
    Enter(Form->BtnEkle);
    EXPECT_EQ(Status(), QString::fromUtf8(" Yeni kayıt ekle"));
    Enter(Form->BtnYenile);
    EXPECT_EQ(Status(), QString::fromUtf8(" Listeyi yenile / sırala"));
    Enter(Form->BtnREkle);
    EXPECT_EQ(Status(), QString::fromUtf8(" Resim ekle. Detaylar için açılır menüyü seç"));
    Enter(Form->Image1);
    EXPECT_EQ(Status(), QString::fromUtf8(" Eklemek için çift veya ters tıkla"));
    Enter(Form->DBGrid1);
    EXPECT_EQ(Status(), " ");

    // Tooltips only where designed, from the short part.
    EXPECT_EQ(Form->BtnYenile->toolTip(), "Yenile ");
    EXPECT_EQ(Form->BtnREkle->toolTip(), "Resim Ekle");
    EXPECT_EQ(Form->BtnRSil->toolTip(), "Resmi Sil ");
    for (QWidget *w :
         {static_cast<QWidget *>(Form->BtnEkle), static_cast<QWidget *>(Form->BtnKaydet),
          static_cast<QWidget *>(Form->BtnCikis), Form->Image1, static_cast<QWidget *>(Form->Edit1)})
        EXPECT_TRUE(w->toolTip().isEmpty()) << w->objectName().toStdString();
}

TEST_F(MainFormTest, TabsShowTheirPages) {
    EXPECT_EQ(Form->TabSet1->TabIndex(), 0);
    EXPECT_EQ(Form->Notebook1->currentIndex(), 0);
    for (int i : {2, 3, 1, 0}) {
        QTest::mouseClick(Form->TabSet1, Qt::LeftButton, Qt::NoModifier, Form->TabSet1->TabRect(i).center());
        EXPECT_EQ(Form->Notebook1->currentIndex(), i);
    }
    Form->TabSet1->SetTabIndex(3);
    EXPECT_EQ(Form->Notebook1->currentWidget()->objectName(), "Diger");
}

TEST_F(MainFormTest, MailButtonFollowsTheAddressBox) {
    QLineEdit mail(Form->GroupBox1);
    Form->SetMailBox(&mail);
    TShellRecorder shell;
    Application().ProcessIdle();
    EXPECT_FALSE(Form->BtnMail->isEnabled());
    QTest::mouseClick(Form->BtnMail, Qt::LeftButton);
    EXPECT_TRUE(shell.Targets().empty());

    const struct {
        const char *Address, *Target;
    } cases[] = {
        {"ali@example.com", "mailto:ali@example.com"},
        {"ali veli@örnek.com", "mailto:ali veli@örnek.com"},
    };
    for (const auto &c : cases) {
        mail.setText(QString::fromUtf8(c.Address));
        Application().ProcessIdle();
        ASSERT_TRUE(Form->BtnMail->isEnabled());
        QTest::mouseClick(Form->BtnMail, Qt::LeftButton);
        ASSERT_FALSE(shell.Targets().empty());
        EXPECT_EQ(shell.Targets().back(), QString::fromUtf8(c.Target));
        const QByteArray sent = shell.Urls().back().toEncoded();
        EXPECT_FALSE(sent.contains(' ')) << sent.constData();
        for (char ch : sent)
            EXPECT_LT(static_cast<unsigned char>(ch), 0x80) << sent.constData();
    }
    mail.clear();
    Application().ProcessIdle();
    EXPECT_FALSE(Form->BtnMail->isEnabled());
    Form->SetMailBox(nullptr);
}

TEST_F(MainFormTest, SearchBoxCapitalises) {
    Form->Edit1->setFocus();
    for (QChar c : QString::fromUtf8("ali ışık"))
        QTest::sendKeyEvent(QTest::Click, Form->Edit1, Qt::Key_unknown, QString(c), Qt::NoModifier);
    EXPECT_EQ(Form->Edit1->text(), QString::fromUtf8("Ali Işık"));
    if (qEnvironmentVariableIsSet("KADROLIN_SHOTS"))
        Form->grab().save(qEnvironmentVariable("KADROLIN_SHOTS") + "/mainform.png");
}

} // namespace

// The designed place where the window fits; on a screen too small for the
// scaled window (150 % on 1366 x 768, 200 % on 1600 x 1000) just far enough in.
TEST(MainFormPlace, DesignedPlaceUnlessTheScaledWindowWouldLeaveTheScreen) {
    const struct {
        QPoint Designed;
        QSize Frame;
        QRect Available;
        QPoint Expected;
    } cases[] = {
        {{281, 127}, {688, 387}, {0, 0, 1280, 800}, {281, 127}},
        {{422, 191}, {1016, 565}, {0, 0, 1366, 740}, {350, 175}},
        {{562, 254}, {1352, 742}, {0, 0, 1600, 1000}, {248, 254}},
        {{281, 127}, {688, 387}, {1280, 24, 1280, 776}, {1280, 127}},
        {{281, 127}, {2000, 1200}, {0, 0, 1280, 800}, {0, 0}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PlaceOnScreen(c.Designed, c.Frame, c.Available), c.Expected) << c.Frame.width();
}
