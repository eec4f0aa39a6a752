// The settings dialog over a stand-in main window with the designed names.
#include "platform/ini/inifile.h"
#include "platform/widgets/dialogs.h"
#include "settings/appearance.h"
#include "settings/ayarfrm.h"
#include "settings/mainformview.h"
#include "settings/shape.h"
#include "tests/security/securitytestutil.h"
#include "tests/settings/settingstestutil.h"

#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <memory>
#include <sys/stat.h>

namespace {
const QRgb Red = qRgb(255, 0, 0);

// Start-up as the program runs it: the main window applies the file, then
// the dialog is created over it.
struct TStartUp {
    TTempDir Dir;
    std::unique_ptr<TTestMainForm> Form;
    std::unique_ptr<TAyarFrm> Dlg;

    explicit TStartUp(const std::optional<std::string> &ini = std::nullopt,
                      const std::optional<std::string> &winIni = std::nullopt) {
        if (ini) WriteBytes(Dir.Ini(), *ini);
        if (winIni) WriteBytes(WinIni(), *winIni);
        Form.reset(BuildMainForm());
        Form->SettingsFile = Dir.Ini();
        LoadAppearance(Form.get(), Dir.Ini());
        Dlg = std::make_unique<TAyarFrm>(Form.get(), Dir.Ini(), WinIni());
    }
    QString WinIni() const { return Dir.QFile("win.ini"); }
    ~TStartUp() {
        // The dialog writes its protection state at program end; nothing to show here.
        TScriptedDialogs quiet;
        Dlg.reset();
    }
    TMainFormView View() const { return TMainFormView(Form.get()); }
};

// Answers every colour dialog with `chosen`, remembering what it opened on.
struct TColourAnswer {
    explicit TColourAnswer(QColor chosen) : Chosen(chosen) {}
    QColor Chosen;
    bool Accept = true;
    std::vector<QColor> OpenedOn;
    int operator()(const TDialogCall &c) {
        if (c.Kind != "Color") return mrCancel;
        OpenedOn.push_back(*c.Color);
        if (!Accept) return mrCancel;
        *c.Color = Chosen;
        return mrOk;
    }
};

int CountShowing(QWidget *form, const QStringList &names, QPalette::ColorRole role, QRgb colour) {
    int n = 0;
    for (const QString &name : names)
        n += Shown(form->findChild<QWidget *>(name), role) == colour;
    return n;
}
} // namespace

// The two picture options at start-up: "Resim" applied first, then a ticked
// "Seçim" box overrides it through its click handler; an unticked one fires nothing.
TEST(AyarFrm, StartUpPictureOptions) {
    struct TCase {
        const char *Name;
        const char *Ini;
        bool Gray, Stretch, ChkResim, ChkResim2;
    };
    const TCase cases[] = {
        {"no file", nullptr, false, true, false, false},
        {"Boyut=0, no Seçim", "[Resim]\r\nBoyut=0\r\n", false, false, false, false},
        {"CRBBox=1 overrides Boyut=1", "[Resim]\r\nBoyut=1\r\n[Se\xE7im]\r\nCRBBox=1\r\n", false, false,
         false, true},
        {"CRBox=1 overrides Renk=0", "[Resim]\r\nRenk=0\r\n[Se\xE7im]\r\nCRBox=1\r\n", true, true, true,
         false},
        {"CRBox=0 keeps Renk=1", "[Resim]\r\nRenk=1\r\n[Se\xE7im]\r\nCRBox=0\r\n", true, true, false, false},
        {"CRBox=2, CRBBox=-1", "[Se\xE7im]\r\nCRBox=2\r\nCRBBox=-1\r\n", true, false, true, true},
        {"words count as absent", "[Se\xE7im]\r\nCRBox=yes\r\nCRBBox=clBlue\r\n", false, true, false, false},
        {"section in another case", "[SE\xC7\xDDM]\r\nCRBBox=1\r\n", false, false, false, true},
        {"UTF-8 section name is another section", "[Se\xC3\xA7im]\r\nCRBBox=1\r\n", false, true, false,
         false},
    };
    for (const auto &c : cases) {
        TStartUp s(c.Ini ? std::optional<std::string>(c.Ini) : std::nullopt);
        EXPECT_EQ(s.View().GrayScaleOutput(), c.Gray) << c.Name;
        EXPECT_EQ(s.View().Stretch(), c.Stretch) << c.Name;
        EXPECT_EQ(s.Dlg->ChkResim->isChecked(), c.ChkResim) << c.Name;
        EXPECT_EQ(s.Dlg->ChkResim2->isChecked(), c.ChkResim2) << c.Name;
    }
}

// Swatches show the stored colours, or what the main window shows when a key is missing or bad.
TEST(AyarFrm, SwatchesStartFromTheFileOrTheMainWindow) {
    {
        TStartUp s("[Zemin]\r\nRenk=255\r\n[Baslik]\r\nRenk=$FF00\r\n[Font]\r\nRenk=16711680\r\n[Grup]"
                   "\r\nRenk=-16777201\r\n");
        EXPECT_EQ(s.Dlg->Shape1->BrushColor(), 255);
        EXPECT_EQ(s.Dlg->Shape2->BrushColor(), 0xFF00);
        EXPECT_EQ(s.Dlg->Shape3->BrushColor(), 0xFF0000);
        EXPECT_EQ(s.Dlg->Shape4->BrushColor(), clBtnFace);
    }
    {
        TStartUp s("[Zemin]\r\nRenk=clRed\r\n");
        EXPECT_EQ(s.Dlg->Shape1->BrushColor(), clWindow);
        EXPECT_EQ(s.Dlg->Shape2->BrushColor(), clWindowText);
        EXPECT_EQ(s.Dlg->Shape3->BrushColor(), clWindowText);
        EXPECT_EQ(s.Dlg->Shape4->BrushColor(), clWindow);
    }
}

// Any mouse button on a swatch runs the colour dialog; the choice goes to the
// swatch and at once to its set of main-window controls, and not to the file.
TEST(AyarFrm, SwatchesRecolourTheMainWindowAtOnce) {
    struct TCase {
        const char *Name;
        TShape *TAyarFrm::*Swatch;
        Qt::MouseButton Button;
    };
    const TCase cases[] = {
        {"Shape1 left", &TAyarFrm::Shape1, Qt::LeftButton},
        {"Shape1 right", &TAyarFrm::Shape1, Qt::RightButton},
        {"Shape2 right", &TAyarFrm::Shape2, Qt::RightButton},
        {"Shape3 middle", &TAyarFrm::Shape3, Qt::MiddleButton},
        {"Shape4 left", &TAyarFrm::Shape4, Qt::LeftButton},
    };
    for (const auto &c : cases) {
        TStartUp s;
        s.Dlg->show();
        s.Dlg->PageControl1->setCurrentIndex(1);
        TScriptedDialogs script;
        TColourAnswer answer{QColor(255, 0, 0)};
        script.AnswerWith(std::ref(answer));
        TShape *swatch = (*s.Dlg).*c.Swatch;
        QTest::mouseClick(swatch, c.Button, Qt::NoModifier, QPoint(5, 5));
        ASSERT_EQ(script.Calls().size(), 1u) << c.Name;
        EXPECT_EQ(script.Calls()[0].Kind, "Color") << c.Name;
        EXPECT_EQ(swatch->BrushColor(), 255) << c.Name;

        QWidget *form = s.Form.get();
        const bool s1 = swatch == s.Dlg->Shape1, s2 = swatch == s.Dlg->Shape2, s3 = swatch == s.Dlg->Shape3,
                   s4 = swatch == s.Dlg->Shape4;
        const auto &content = MainFormNames::ContentControls();
        const auto &labels = MainFormNames::CaptionLabels();
        EXPECT_EQ(CountShowing(form, content, QPalette::Base, Red), s1 ? 42 : 0) << c.Name;
        EXPECT_EQ(CountShowing(form, content, QPalette::Text, Red), s3 ? 42 : 0) << c.Name;
        EXPECT_EQ(CountShowing(form, labels, QPalette::WindowText, Red), s2 ? 41 : 0) << c.Name;
        auto *grid = form->findChild<TSrDBGrid *>("DBGrid1");
        EXPECT_EQ(grid->TitleFontColor() == clRed, s2) << c.Name;
        EXPECT_NE(grid->Color(), clRed) << c.Name;
        EXPECT_EQ(form->findChild<TTabSet *>("TabSet1")->UnselectedColor() == clRed, s4) << c.Name;
        EXPECT_FALSE(FileExists(s.Dir.Ini())) << c.Name;
        s.Dlg->hide();
    }
}

// The colour dialog opens on the colour last chosen in it (black at first),
// not on the swatch's; cancelling it changes nothing.
TEST(AyarFrm, ColourDialogRemembersItsLastChoice) {
    TStartUp s("[Zemin]\r\nRenk=65280\r\n");
    TScriptedDialogs script;
    TColourAnswer answer{QColor(0, 0, 255)};
    script.AnswerWith(std::ref(answer));
    QTest::mouseClick(s.Dlg->Shape4, Qt::LeftButton);
    answer.Accept = false;
    QTest::mouseClick(s.Dlg->Shape1, Qt::LeftButton);
    ASSERT_EQ(answer.OpenedOn.size(), 2u);
    EXPECT_EQ(answer.OpenedOn[0], QColor(Qt::black));
    EXPECT_EQ(answer.OpenedOn[1], QColor(0, 0, 255));
    EXPECT_EQ(s.Dlg->Shape1->BrushColor(), 65280);
    EXPECT_EQ(s.View().Color("Yazi"), 65280);
}

// İptal does not undo colours: they stay on the main window and its close stores them.
TEST(AyarFrm, CancelKeepsNewColours) {
    TStartUp s;
    s.Form->show();
    s.Dlg->show();
    TScriptedDialogs script;
    TColourAnswer answer{QColor(255, 0, 0)};
    script.AnswerWith(std::ref(answer));
    QTest::mouseClick(s.Dlg->Shape1, Qt::LeftButton);
    QTest::mouseClick(s.Dlg->Shape2, Qt::RightButton);
    QTest::mouseClick(s.Dlg->CancelBtn, Qt::LeftButton);
    EXPECT_FALSE(s.Dlg->isVisible());
    EXPECT_EQ(CountShowing(s.Form.get(), MainFormNames::ContentControls(), QPalette::Base, Red), 42);
    EXPECT_TRUE(s.Form->close());
    kadrolin::TIniFile ini(s.Dir.Ini().toStdString());
    EXPECT_EQ(ini.ReadInteger("Zemin", "Renk", 0), 255);
    EXPECT_EQ(ini.ReadInteger("Baslik", "Renk", 0), 255);
    EXPECT_EQ(ini.ReadInteger("Font", "Renk", 0), -16777208);
    EXPECT_EQ(ini.ReadInteger("Grup", "Renk", 0), -16777211);
}

// Every way of ending the dialog writes the two picture options, in code page
// 1254 and after whatever the file held; none writes the colours.
TEST(AyarFrm, EveryCloseWritesThePictureOptions) {
    struct TCase {
        const char *Name;
        std::function<void(TAyarFrm *)> End;
    };
    const TCase cases[] = {
        {"Tamam", [](TAyarFrm *d) { QTest::mouseClick(d->OKBtn, Qt::LeftButton); }},
        {"Enter", [](TAyarFrm *d) { QTest::keyClick(d, Qt::Key_Return); }},
        {"İptal", [](TAyarFrm *d) { QTest::mouseClick(d->CancelBtn, Qt::LeftButton); }},
        {"Esc", [](TAyarFrm *d) { QTest::keyClick(d, Qt::Key_Escape); }},
        {"close box", [](TAyarFrm *d) { d->close(); }},
    };
    for (const auto &c : cases) {
        TStartUp s("[Zemin]\r\nRenk=255\r\n");
        s.Dlg->show();
        s.Dlg->ChkResim2->setChecked(true);
        c.End(s.Dlg.get());
        EXPECT_FALSE(s.Dlg->isVisible()) << c.Name;
        EXPECT_EQ(ReadBytes(s.Dir.Ini()), "[Zemin]\r\nRenk=255\r\n\r\n[Se\xE7im]\r\nCRBox=0\r\nCRBBox=1\r\n")
            << c.Name;
        EXPECT_FALSE(s.View().Stretch()) << c.Name;
    }
}

// A settings file that cannot be written keeps the dialog open with the
// error shown; closing again once it can be written succeeds.
TEST(AyarFrm, UnwritableFileKeepsTheDialogOpen) {
    TStartUp s("[Zemin]\r\nRenk=255\r\n");
    ::chmod(s.Dir.File("Tarvlon.ini").c_str(), 0444);
    s.Dlg->show();
    s.Dlg->ChkResim->setChecked(true);
    TScriptedDialogs script;
    QTest::mouseClick(s.Dlg->OKBtn, Qt::LeftButton);
    EXPECT_TRUE(s.Dlg->isVisible());
    s.Dlg->close();
    EXPECT_TRUE(s.Dlg->isVisible());
    ASSERT_EQ(script.Calls().size(), 2u);
    for (const auto &call : script.Calls()) {
        EXPECT_EQ(call.Kind, "Error");
        EXPECT_EQ(call.Text, "Unable to write to " + s.Dir.Ini());
    }
    ::chmod(s.Dir.File("Tarvlon.ini").c_str(), 0644);
    s.Dlg->close();
    EXPECT_FALSE(s.Dlg->isVisible());
    EXPECT_EQ(script.Calls().size(), 2u);
    EXPECT_TRUE(kadrolin::TIniFile(s.Dir.Ini().toStdString()).ReadBool("Seçim", "CRBox", false));
}

// The dialog lives for the whole run and reopens as it was left.
TEST(AyarFrm, ReopensAsItWasLeft) {
    TStartUp s;
    s.Dlg->show();
    EXPECT_EQ(s.Dlg->PageControl1->currentWidget(), s.Dlg->TabSheet1);
    s.Dlg->PageControl1->setCurrentWidget(s.Dlg->TabSheet3);
    s.Dlg->ChkResim->setChecked(true);
    QTest::mouseClick(s.Dlg->CancelBtn, Qt::LeftButton);
    s.Dlg->show();
    EXPECT_EQ(s.Dlg->PageControl1->currentWidget(), s.Dlg->TabSheet3);
    EXPECT_TRUE(s.Dlg->ChkResim->isChecked());
}

// The picture boxes act on the main window at once, both ways.
TEST(AyarFrm, PictureBoxesActAtOnce) {
    TStartUp s;
    auto *picture = s.Form->findChild<TTestPicture *>("Image1");
    const int redraws = picture->Redraws;
    s.Dlg->show();
    s.Dlg->PageControl1->setCurrentWidget(s.Dlg->TabSheet3);
    QTest::mouseClick(s.Dlg->ChkResim2, Qt::LeftButton);
    EXPECT_FALSE(s.View().Stretch());
    EXPECT_GT(picture->Redraws, redraws);
    QTest::mouseClick(s.Dlg->ChkResim, Qt::LeftButton);
    EXPECT_TRUE(s.View().GrayScaleOutput());
    QTest::mouseClick(s.Dlg->ChkResim2, Qt::LeftButton);
    QTest::mouseClick(s.Dlg->ChkResim, Qt::LeftButton);
    EXPECT_TRUE(s.View().Stretch());
    EXPECT_FALSE(s.View().GrayScaleOutput());
}

// Creation shows the stored protection state without asking for the
// password; with no password stored the box is disabled, and the other
// pages work regardless.
TEST(AyarFrmPassword, CreationLoadsTheBoxWithoutAsking) {
    struct TCase {
        const char *Name;
        std::optional<std::string> WinIni;
        bool Checked, Enabled;
    };
    const TCase cases[] = {
        {"no file", std::nullopt, false, false},
        {"on with a password", "[Tarvelion 2.1]\r\nActive=1\r\nSSifre=abc\r\n", true, true},
        {"off with a password", "[Tarvelion 2.1]\r\nActive=0\r\nSSifre=abc\r\n", false, true},
        {"on without a password", "[Tarvelion 2.1]\r\nActive=2\r\n", true, false},
        {"a word for the flag", "[Tarvelion 2.1]\r\nActive=yes\r\nSSifre=abc\r\n", false, true},
    };
    for (const auto &c : cases) {
        TScriptedDialogs script;
        TStartUp s(std::nullopt, c.WinIni);
        EXPECT_EQ(s.Dlg->SifreChk->isChecked(), c.Checked) << c.Name;
        EXPECT_EQ(s.Dlg->SifreChk->isEnabled(), c.Enabled) << c.Name;
        EXPECT_TRUE(script.Calls().empty()) << c.Name;
        EXPECT_TRUE(s.Dlg->ChkResim->isEnabled()) << c.Name;
        EXPECT_TRUE(s.Dlg->Shape1->isEnabled()) << c.Name;
    }
}

// Toggling the box asks for the password. İptal puts it back to the store
// without asking; Tamam stores it; the close box keeps what it shows until
// the next Tamam or the program's end.
TEST(AyarFrmPassword, TamamStoresIptalRestoresCloseBoxKeeps) {
    TStartUp s(std::nullopt, std::string("[Tarvelion 2.1]\r\nActive=0\r\nSSifre=abc\r\n"));
    kadrolin::TIniFile store(s.WinIni().toStdString());
    TScriptedDialogs script;
    TPasswordUser user;
    user.Attempts = {{"abc"}, {"abc"}, {"abc"}};
    user.Install(script);

    s.Dlg->show();
    QTest::mouseClick(s.Dlg->SifreChk, Qt::LeftButton);
    EXPECT_EQ(user.EnterDialogs, 1);
    EXPECT_TRUE(s.Dlg->SifreChk->isChecked());
    QTest::mouseClick(s.Dlg->CancelBtn, Qt::LeftButton);
    EXPECT_FALSE(s.Dlg->SifreChk->isChecked());
    EXPECT_EQ(user.EnterDialogs, 1); // putting it back asked nothing
    EXPECT_EQ(store.ReadString("Tarvelion 2.1", "Active", "?"), "0");

    s.Dlg->show();
    QTest::mouseClick(s.Dlg->SifreChk, Qt::LeftButton);
    QTest::mouseClick(s.Dlg->OKBtn, Qt::LeftButton);
    EXPECT_FALSE(s.Dlg->isVisible());
    EXPECT_EQ(user.EnterDialogs, 2);
    EXPECT_EQ(store.ReadString("Tarvelion 2.1", "Active", "?"), "1");

    s.Dlg->show();
    QTest::mouseClick(s.Dlg->SifreChk, Qt::LeftButton);
    s.Dlg->close();
    EXPECT_EQ(user.EnterDialogs, 3);
    EXPECT_EQ(store.ReadString("Tarvelion 2.1", "Active", "?"), "1");
    s.Dlg->show();
    EXPECT_FALSE(s.Dlg->SifreChk->isChecked());
    s.Dlg->close();

    s.Dlg.reset(); // program end writes what the box shows
    EXPECT_EQ(store.ReadString("Tarvelion 2.1", "Active", "?"), "0");
    EXPECT_TRUE(user.Messages.isEmpty());
}

// Tamam when "win.ini" cannot be written: the error is shown, the dialog
// still closes and writes its picture options, and the box keeps asking for
// the password afterwards (its handler came back).
TEST(AyarFrmPassword, TamamWithAnUnwritableStoreStillCloses) {
    TStartUp s(std::nullopt, std::string("[Tarvelion 2.1]\r\nActive=1\r\nSSifre=abc\r\n"));
    ::chmod(s.WinIni().toLocal8Bit().constData(), 0444);
    TScriptedDialogs script;
    TPasswordUser user;
    user.Attempts = {{"abc"}, {"abc"}};
    user.Install(script);
    s.Dlg->show();
    QTest::mouseClick(s.Dlg->SifreChk, Qt::LeftButton);
    ASSERT_FALSE(s.Dlg->SifreChk->isChecked());
    QTest::mouseClick(s.Dlg->OKBtn, Qt::LeftButton);
    EXPECT_FALSE(s.Dlg->isVisible());
    EXPECT_EQ(user.Messages, QStringList{"Unable to write to " + s.WinIni()});
    EXPECT_TRUE(FileExists(s.Dir.Ini()));
    EXPECT_EQ(kadrolin::TIniFile(s.WinIni().toStdString()).ReadString("Tarvelion 2.1", "Active", "?"), "1");

    s.Dlg->show();
    QTest::mouseClick(s.Dlg->SifreChk, Qt::LeftButton);
    EXPECT_EQ(user.EnterDialogs, 2);
    EXPECT_TRUE(s.Dlg->SifreChk->isChecked());
    ::chmod(s.WinIni().toLocal8Bit().constData(), 0644);
}

// Pictures of the three pages for a person to look at (KADROLIN_GRAB_DIR).
TEST(AyarFrm, GrabPages) {
    const QString dir = qEnvironmentVariable("KADROLIN_GRAB_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "KADROLIN_GRAB_DIR not set";
    TStartUp s("[Zemin]\r\nRenk=8454143\r\n[Baslik]\r\nRenk=128\r\n[Grup]\r\nRenk=-16777201\r\n");
    s.Dlg->show();
    for (int i = 0; i < 3; ++i) {
        s.Dlg->PageControl1->setCurrentIndex(i);
        QApplication::processEvents();
        EXPECT_TRUE(s.Dlg->grab()
                        .scaled(s.Dlg->size() * 2)
                        .save(QDir(dir).filePath(QString("ayarfrm-%1.png").arg(i + 1))));
    }
}

// The dialog may be owned by the main window and has components of the same
// names; recolouring the main window's captions leaves the dialog's alone,
// even where the main window lacks one of the names.
TEST(AyarFrm, OwnedByTheMainWindowItRecoloursOnlyTheMainWindow) {
    TTempDir dir;
    std::unique_ptr<TTestMainForm> form(BuildMainForm());
    delete form->findChild<QWidget *>("Label5");
    auto *dlg = new TAyarFrm(form.get(), dir.Ini(), dir.QFile("win.ini"), form.get());
    const QRgb dialogCaption = Shown(dlg->Label1, QPalette::WindowText);
    ASSERT_EQ(Shown(dlg->Label5, QPalette::WindowText), dialogCaption);
    TScriptedDialogs script;
    TColourAnswer answer(QColor(255, 0, 0));
    script.AnswerWith(std::ref(answer));
    QTest::mouseClick(dlg->Shape2, Qt::LeftButton);
    EXPECT_EQ(Shown(dlg->Label1, QPalette::WindowText), dialogCaption);
    EXPECT_EQ(Shown(dlg->Label5, QPalette::WindowText), dialogCaption);
    EXPECT_EQ(Shown(form->findChild<QWidget *>("Label1"), QPalette::WindowText), Red);
}
