// The appearance settings and the settings dialog on the program's own main window.
#include "mainwindow/form1.h"
#include "platform/ini/inifile.h"
#include "settings/ayarfrm.h"
#include "settings/mainformview.h"
#include "settings/mainwindowsettings.h"
#include "settings/shape.h"
#include "tests/mainwindow/form1_testutil.h"

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <sys/stat.h>

using namespace kadrolin;
using namespace kadrolin::testing;

namespace {
class Form1Settings : public ::testing::Test {
  protected:
    void Start(const std::string &ini, bool withRegister = true) {
        Dir =
            std::make_unique<TRegisterDir>(std::initializer_list<const char *>{"Ali", "Veli"}, withRegister);
        IniFile = QString::fromStdString(Dir->Path + "/Tarvlon.ini");
        if (!ini.empty()) {
            std::FILE *out = std::fopen(IniFile.toLocal8Bit().constData(), "wb");
            std::fwrite(ini.data(), 1, ini.size(), out);
            std::fclose(out);
        }
        Form = std::make_unique<TForm1>();
        AttachAppearance(Form.get(), IniFile);
        Ayar =
            std::make_unique<TAyarFrm>(Form.get(), IniFile, QString::fromStdString(Dir->Path + "/win.ini"));
        Form->show();
    }
    void TearDown() override {
        Ayar.reset();
        Form.reset();
        Dir.reset();
    }
    int Showing(const QStringList &names, QPalette::ColorRole role, QRgb colour) const {
        int n = 0;
        for (const QString &name : names) {
            QWidget *w = Form->findChild<QWidget *>(name);
            EXPECT_TRUE(w) << name.toStdString();
            n += w && w->palette().color(QPalette::Active, role).rgb() == colour;
        }
        return n;
    }

    TDialogScript Script;
    std::unique_ptr<TRegisterDir> Dir;
    QString IniFile;
    std::unique_ptr<TForm1> Form;
    std::unique_ptr<TAyarFrm> Ayar;
};
} // namespace

// Every designed name the settings reach is on the main window, and the
// stored colours reach all of them; the name list's cells keep their colours.
TEST_F(Form1Settings, StoredColoursReachEveryNamedControl) {
    Start("[Zemin]\r\nRenk=255\r\n[Baslik]\r\nRenk=32768\r\n[Font]\r\nRenk=$FF0000\r\n[Grup]\r\nRenk="
          "65535\r\n");
    const TColor cells = Form->DBGrid1->Color();
    EXPECT_EQ(Showing(MainFormNames::ContentControls(), QPalette::Base, qRgb(255, 0, 0)), 42);
    EXPECT_EQ(Showing(MainFormNames::ContentControls(), QPalette::Text, qRgb(0, 0, 255)), 42);
    EXPECT_EQ(Showing(MainFormNames::CaptionLabels(), QPalette::WindowText, qRgb(0, 128, 0)), 41);
    EXPECT_EQ(Form->DBGrid1->TitleFontColor(), 32768);
    EXPECT_EQ(Form->DBGrid1->Color(), cells);
    EXPECT_EQ(Form->TabSet1->UnselectedColor(), 65535);
    EXPECT_EQ(Ayar->Shape1->BrushColor(), 255);
    EXPECT_TRUE(Script.Errors.empty());
    // A picture of the coloured window for a person to look at.
    const QString grabDir = qEnvironmentVariable("KADROLIN_GRAB_DIR");
    if (!grabDir.isEmpty()) Form->grab().save(grabDir + "/form1-colours.png");
}

// First run: the designed look, and the first close writes the six keys.
TEST_F(Form1Settings, FirstCloseWritesTheSixKeys) {
    Start("");
    EXPECT_EQ(Showing(MainFormNames::ContentControls(), QPalette::Base, ColorToQColor(clWindow).rgb()), 42);
    EXPECT_TRUE(Form->close());
    kadrolin::TIniFile ini(IniFile.toStdString());
    EXPECT_EQ(ini.ReadInteger("Zemin", "Renk", 0), -16777211);
    EXPECT_EQ(ini.ReadInteger("Baslik", "Renk", 0), -16777208);
    EXPECT_EQ(ini.ReadInteger("Font", "Renk", 0), -16777208);
    EXPECT_EQ(ini.ReadString("Resim", "Renk", "?"), "0");
    EXPECT_EQ(ini.ReadString("Resim", "Boyut", "?"), "1");
    EXPECT_EQ(ini.ReadInteger("Grup", "Renk", 0), -16777211);
    EXPECT_FALSE(ini.SectionExists("Seçim"));
}

// A settings file that cannot be written keeps the main window open.
TEST_F(Form1Settings, UnwritableFileKeepsTheMainWindowOpen) {
    Start("[Zemin]\r\nRenk=255\r\n");
    ::chmod(IniFile.toLocal8Bit().constData(), 0444);
    EXPECT_FALSE(Form->close());
    EXPECT_TRUE(Form->isVisible());
    ASSERT_EQ(Script.Errors.size(), 1u);
    EXPECT_EQ(Script.Errors[0], "Unable to write to " + IniFile);
    ::chmod(IniFile.toLocal8Bit().constData(), 0644);
    EXPECT_TRUE(Form->close());
}

// A register that cannot be opened stops creation before the appearance is
// loaded: the designed colours stay, and closing still writes them.
TEST_F(Form1Settings, NoRegisterNoAppearance) {
    Start("[Zemin]\r\nRenk=255\r\n", false);
    EXPECT_FALSE(Script.Errors.empty());
    EXPECT_EQ(TMainFormView(Form.get()).Color("DBEdit1"), clWindow);
}

// The tab strip's swatch recolours the real tab strip, and İptal keeps it.
TEST_F(Form1Settings, SwatchesActOnTheRealWindow) {
    Start("");
    Script.Dialogs.AnswerWith([](const TDialogCall &c) {
        if (c.Kind == "Color") *c.Color = QColor(255, 0, 0);
        return c.Kind == "Color" ? int(mrOk) : int(mrCancel);
    });
    Ayar->show();
    QTest::mouseClick(Ayar->Shape4, Qt::RightButton);
    QTest::mouseClick(Ayar->Shape3, Qt::LeftButton);
    QTest::mouseClick(Ayar->CancelBtn, Qt::LeftButton);
    EXPECT_EQ(Form->TabSet1->UnselectedColor(), 255);
    EXPECT_EQ(Showing(MainFormNames::ContentControls(), QPalette::Text, qRgb(255, 0, 0)), 42);
    EXPECT_TRUE(Form->close());
    kadrolin::TIniFile ini(IniFile.toStdString());
    EXPECT_EQ(ini.ReadInteger("Grup", "Renk", 0), 255);
    EXPECT_EQ(ini.ReadInteger("Font", "Renk", 0), 255);
}

// "Ayarlar ..." and the "Ayar" button both show the one settings dialog modally.
TEST_F(Form1Settings, SettingsCommandShowsTheDialog) {
    Start("");
    AttachSettingsDialog(Form.get(), Ayar.get());
    std::vector<QString> shown;
    Script.Dialogs.AnswerWith([&](const TDialogCall &c) {
        shown.push_back(c.DialogName);
        return int(mrCancel);
    });
    QTest::mouseClick(Form->BtnAyar, Qt::LeftButton);
    Form->Ayarlar1->trigger();
    EXPECT_EQ(shown, (std::vector<QString>{"AyarFrm", "AyarFrm"}));
}
