// The appearance settings file as the main window reads and writes it.
#include "platform/ini/inifile.h"
#include "platform/widgets/dialogs.h"
#include "settings/appearance.h"
#include "settings/mainformview.h"
#include "tests/settings/settingstestutil.h"

#include <QApplication>
#include <QFileInfo>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QRgb Red = qRgb(255, 0, 0);

QRgb WindowBackground() {
    return ColorToQColor(clWindow).rgb();
}
QRgb WindowTextColour() {
    return ColorToQColor(clWindowText).rgb();
}

std::string ContentOf(const QString &zemin) {
    return "[Zemin]\r\nRenk=" + zemin.toStdString() + "\r\n";
}
} // namespace

// Written back unchanged, a system colour stays one; a changed colour becomes RGB.
TEST(AppearanceColours, SystemColoursStaySystemColours) {
    EXPECT_EQ(KeepStoredColor(ColorToQColor(clWindow), clWindow), -16777211);
    EXPECT_EQ(KeepStoredColor(ColorToQColor(clWindowText), clWindowText), -16777208);
    EXPECT_EQ(KeepStoredColor(QColor(255, 0, 0), clWindow), 255);
    EXPECT_EQ(KeepStoredColor(QColor(0, 0, 255), 255), 0x00FF0000);
}

// Beside the executable where the user can write (a build tree, a portable
// copy); else in the configuration directory. The installed program's /usr
// directory never takes the file, not even from root.
TEST(AppearanceFile, LiesBesideTheExecutableOnlyWhereWritable) {
    TTempDir dir;
    const QString exe = QFileInfo(dir.Ini()).absolutePath();
    const QString config = QStringLiteral("/home/someone/.config/Kadrolin");
    const struct {
        QString ExecutableDir;
        QString Expected;
    } cases[] = {
        {exe, exe + "/Tarvlon.ini"},
        {QStringLiteral("/usr/lib/kadrolin"), config + "/Tarvlon.ini"},
        {QStringLiteral("/usr/bin"), config + "/Tarvlon.ini"},
        {exe + "/missing", config + "/Tarvlon.ini"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SettingsFileNameFor(c.ExecutableDir, config), c.Expected) << c.ExecutableDir.toStdString();
    EXPECT_EQ(SettingsFileName(), QCoreApplication::applicationDirPath() + "/Tarvlon.ini");
}

// First run: the designed look stays, and the first close writes exactly the
// main window's six keys, in their order, and no "Seçim" section.
TEST(AppearanceFile, FirstRunWritesTheSixKeys) {
    TTempDir dir;
    std::unique_ptr<TTestMainForm> form(BuildMainForm());
    LoadAppearance(form.get(), dir.Ini());
    TMainFormView f(form.get());
    for (const QString &n : MainFormNames::ContentControls()) {
        EXPECT_EQ(f.Color(n), clWindow) << n.toStdString();
        EXPECT_EQ(f.FontColor(n), clWindowText) << n.toStdString();
    }
    EXPECT_FALSE(FileExists(dir.Ini()));

    SaveAppearance(form.get(), dir.Ini());
    EXPECT_EQ(ReadBytes(dir.Ini()), "[Zemin]\r\nRenk=-16777211\r\n\r\n"
                                    "[Baslik]\r\nRenk=-16777208\r\n\r\n"
                                    "[Font]\r\nRenk=-16777208\r\n\r\n"
                                    "[Resim]\r\nRenk=0\r\nBoyut=1\r\n\r\n"
                                    "[Grup]\r\nRenk=-16777211\r\n");
}

// "Zemin"/"Renk" in every form a hand-edited file may hold: numbers in either
// base colour all 42 content controls alike; anything else keeps the look.
TEST(AppearanceFile, BackgroundValueForms) {
    struct TCase {
        const char *Raw;
        QRgb Expected; // 0: the designed window colour stays
    };
    const TCase cases[] = {
        {"255", Red},
        {"0xFF", Red},
        {"$FF", Red},
        {"0XFF", Red},
        {" 255 ", Red},
        {"\"255\"", Red},
        {"clBlue", 0},
        {"clRed", 0},
        {"", 0},
        {"255abc", 0},
        {"0x", 0},
        {"$", 0},
        {"99999999999", 0},
        {"-16777211", 0},
        {"1e3", 0},
        {"16711680", qRgb(0, 0, 255)},
        {"$00FF00", qRgb(0, 255, 0)},
    };
    for (const auto &c : cases) {
        TTempDir dir;
        WriteBytes(dir.Ini(), ContentOf(c.Raw));
        std::unique_ptr<TTestMainForm> form(BuildMainForm());
        auto *grid = form->findChild<TSrDBGrid *>("DBGrid1");
        const TColor cellsBefore = grid->Color();
        const QRgb viewportBefore = Shown(grid->viewport(), QPalette::Base);
        LoadAppearance(form.get(), dir.Ini());
        const QRgb want = c.Expected ? c.Expected : WindowBackground();
        int coloured = 0;
        for (const QString &n : MainFormNames::ContentControls()) {
            QWidget *w = form->findChild<QWidget *>(n);
            ASSERT_TRUE(w) << n.toStdString();
            coloured += Shown(w, QPalette::Base) == want;
        }
        EXPECT_EQ(coloured, 42) << c.Raw;
        // The name list's cells and the captions are not content controls.
        EXPECT_EQ(grid->Color(), cellsBefore) << c.Raw;
        EXPECT_EQ(Shown(grid->viewport(), QPalette::Base), viewportBefore) << c.Raw;
        EXPECT_EQ(Shown(form->findChild<QWidget *>("Label7"), QPalette::WindowText), WindowTextColour())
            << c.Raw;
    }
}

// Caption colour: all 41 labels and the grid's titles, not its cells; text
// colour: all 42 content controls.
TEST(AppearanceFile, CaptionAndTextColours) {
    TTempDir dir;
    WriteBytes(dir.Ini(), "[Baslik]\r\nRenk=255\r\n[Font]\r\nRenk=$FF0000\r\n[Grup]\r\nRenk=65280\r\n");
    std::unique_ptr<TTestMainForm> form(BuildMainForm());
    auto *grid = form->findChild<TSrDBGrid *>("DBGrid1");
    const TColor selectText = grid->ColorSelectText();
    LoadAppearance(form.get(), dir.Ini());
    for (const QString &n : MainFormNames::CaptionLabels())
        EXPECT_EQ(Shown(form->findChild<QWidget *>(n), QPalette::WindowText), Red) << n.toStdString();
    EXPECT_EQ(grid->TitleFontColor(), 255);
    EXPECT_EQ(Shown(grid->horizontalHeader(), QPalette::ButtonText), Red);
    EXPECT_EQ(grid->ColorSelectText(), selectText);
    for (const QString &n : MainFormNames::ContentControls())
        EXPECT_EQ(Shown(form->findChild<QWidget *>(n), QPalette::Text), qRgb(0, 0, 255)) << n.toStdString();
    EXPECT_EQ(form->findChild<TTabSet *>("TabSet1")->UnselectedColor(), 65280);
}

// Booleans: any integer but 0 is true; a word counts as absent.
TEST(AppearanceFile, PictureOptionValueForms) {
    struct TCase {
        const char *Raw;
        bool Gray;    // "Resim"/"Renk", designed false
        bool Stretch; // "Resim"/"Boyut", designed true
    };
    const TCase cases[] = {
        {"0", false, false}, {"1", true, true},     {"2", true, true},
        {"-1", true, true},  {"yes", false, true},  {"true", false, true},
        {"", false, true},   {"0x0", false, false}, {"$10", true, true},
    };
    for (const auto &c : cases) {
        TTempDir dir;
        WriteBytes(dir.Ini(), std::string("[Resim]\r\nRenk=") + c.Raw + "\r\nBoyut=" + c.Raw + "\r\n");
        std::unique_ptr<TTestMainForm> form(BuildMainForm());
        LoadAppearance(form.get(), dir.Ini());
        TMainFormView f(form.get());
        EXPECT_EQ(form->JPGCompr.GrayScaleOutput, c.Gray) << c.Raw;
        EXPECT_EQ(form->findChild<TTestPicture *>("Image1")->Stretch(), c.Stretch) << c.Raw;
    }
}

// Files that are not what they should be read as defaults and never crash.
TEST(AppearanceFile, UnusableFilesReadAsDefaults) {
    struct TCase {
        const char *Name;
        std::function<void(const TTempDir &)> Make;
    };
    const TCase cases[] = {
        {"missing", [](const TTempDir &) {}},
        {"empty", [](const TTempDir &d) { WriteBytes(d.Ini(), ""); }},
        {"binary",
         [](const TTempDir &d) {
             std::string bytes;
             for (int i = 0; i < 4096; ++i)
                 bytes += static_cast<char>((i * 7919 + 13) & 0xFF);
             WriteBytes(d.Ini(), bytes);
         }},
        {"NULs around the key",
         [](const TTempDir &d) { WriteBytes(d.Ini(), std::string("\0\0[Zemin\0]\r\n\0", 12)); }},
        {"a directory", [](const TTempDir &d) { std::filesystem::create_directory(d.File("Tarvlon.ini")); }},
        {"sections only",
         [](const TTempDir &d) { WriteBytes(d.Ini(), "[Zemin]\r\n[Baslik]\r\n[Resim]\r\n"); }},
        {"keys without section", [](const TTempDir &d) { WriteBytes(d.Ini(), "Renk=255\r\nBoyut=0\r\n"); }},
    };
    for (const auto &c : cases) {
        TTempDir dir;
        c.Make(dir);
        std::unique_ptr<TTestMainForm> form(BuildMainForm());
        LoadAppearance(form.get(), dir.Ini());
        TMainFormView f(form.get());
        EXPECT_EQ(f.Color("Yazi"), clWindow) << c.Name;
        EXPECT_EQ(f.FontColor("Label41"), clWindowText) << c.Name;
        EXPECT_EQ(f.UnselectedTabColor(), clWindow) << c.Name;
        EXPECT_FALSE(f.GrayScaleOutput()) << c.Name;
        EXPECT_TRUE(f.Stretch()) << c.Name;
    }
}

// What was loaded is written back as it was: system colours stay negative,
// chosen colours stay RGB, other sections are kept.
TEST(AppearanceFile, RoundTripKeepsValuesAndOtherSections) {
    TTempDir dir;
    const std::string before = "[Se\xE7im]\r\nCRBox=1\r\nCRBBox=0\r\n\r\n"
                               "[Zemin]\r\nRenk=8454143\r\n\r\n[Baslik]\r\nRenk=-16777198\r\n\r\n"
                               "[Font]\r\nRenk=-16777208\r\n\r\n[Resim]\r\nRenk=1\r\nBoyut=0\r\n\r\n"
                               "[Grup]\r\nRenk=-16777201\r\n";
    WriteBytes(dir.Ini(), before);
    std::unique_ptr<TTestMainForm> form(BuildMainForm());
    LoadAppearance(form.get(), dir.Ini());
    SaveAppearance(form.get(), dir.Ini());
    EXPECT_EQ(ReadBytes(dir.Ini()), before);
}

// An executable directory or file that cannot be written: the close shows
// "Unable to write to <path>" and the window stays open; the next close retries.
TEST(AppearanceFile, UnwritableFileKeepsTheMainWindowOpen) {
    struct TCase {
        const char *Name;
        std::function<QString(const TTempDir &)> Make; // returns the settings file path
        bool SkipAsRoot;
        std::function<void(const TTempDir &)> Mend;
    };
    const TCase cases[] = {
        {"read-only file",
         [](const TTempDir &d) {
             WriteBytes(d.Ini(), "[Zemin]\r\nRenk=255\r\n");
             ::chmod(d.File("Tarvlon.ini").c_str(), 0444);
             return d.Ini();
         },
         false, [](const TTempDir &d) { ::chmod(d.File("Tarvlon.ini").c_str(), 0644); }},
        {"file is a directory",
         [](const TTempDir &d) {
             std::filesystem::create_directory(d.File("Tarvlon.ini"));
             return d.Ini();
         },
         false, [](const TTempDir &d) { std::filesystem::remove(d.File("Tarvlon.ini")); }},
        {"read-only directory",
         [](const TTempDir &d) {
             std::filesystem::create_directory(d.File("bin"));
             ::chmod(d.File("bin").c_str(), 0555);
             return d.QFile("bin/Tarvlon.ini");
         },
         true, [](const TTempDir &d) { ::chmod(d.File("bin").c_str(), 0755); }},
    };
    for (const auto &c : cases) {
        if (c.SkipAsRoot && ::geteuid() == 0) continue; // root writes there regardless
        TTempDir dir;
        const QString path = c.Make(dir);
        std::unique_ptr<TTestMainForm> form(BuildMainForm());
        form->SettingsFile = path;
        LoadAppearance(form.get(), path);
        form->show();
        TScriptedDialogs script;
        EXPECT_FALSE(form->close()) << c.Name;
        EXPECT_TRUE(form->isVisible()) << c.Name;
        ASSERT_EQ(script.Calls().size(), 1u) << c.Name;
        EXPECT_EQ(script.Calls()[0].Kind, "Error");
        EXPECT_EQ(script.Calls()[0].Text, "Unable to write to " + path) << c.Name;

        c.Mend(dir);
        EXPECT_TRUE(form->close()) << c.Name;
        EXPECT_EQ(script.Calls().size(), 1u) << c.Name;
        kadrolin::TIniFile ini(path.toStdString());
        EXPECT_EQ(ini.ReadInteger("Zemin", "Renk", 0),
                  std::string(c.Name) == "read-only file" ? 255 : -16777211)
            << c.Name;
    }
}
