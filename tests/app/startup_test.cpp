// Start-up and shutdown with a real main window on the offscreen platform.
#include "../mainwindow/form1_testutil.h"
#include "app/startup.h"
#include "mainwindow/form1.h"
#include "platform/widgets/application.h"
#include "platform/widgets/dbcontrols.h"

#include <QApplication>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <fstream>

using namespace kadrolin;
using namespace kadrolin::testing;

namespace {

std::string ReadAll(const std::string &file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(Startup, RunsItsStepsInOrderAndEndsWhenTheMainWindowCloses) {
    TRegisterDir dir({"Zeki", "Ali", "Çetin"});
    TDialogScript script;
    std::vector<std::string> order;
    app::TStartupSteps steps;
    steps.CreatePassWdFrm = [&](TForm1 &f) {
        // The main window exists and its creation opened the list, unsorted, before anything else.
        order.push_back("PassWdFrm");
        EXPECT_FALSE(f.isVisible());
        EXPECT_EQ(f.ADOQuery1->SQL(), "Select * From tarvelion");
        EXPECT_EQ(f.ADOQuery1->RecordCount(), 3);
    };
    steps.CreateAyarFrm = [&](TForm1 &) { order.push_back("AyarFrm"); };
    steps.CheckPassword = [&](TForm1 &f) {
        order.push_back("CheckPassword");
        EXPECT_FALSE(f.isVisible()); // nothing of the register is seen before the password
        return true;
    };
    steps.DestroyWindows = [&] { order.push_back("destroy"); };
    bool saved = false;
    {
        app::TKadrolin k(steps);
        EXPECT_TRUE(k.Start());
        TForm1 &f = *k.Form1();
        EXPECT_TRUE(f.isVisible());
        EXPECT_EQ(f.ADOQuery1->FieldByName("A_Adi").AsString(), "Ali"); // sorted by the show handler
        EXPECT_EQ(f.PanelText(0), QString::fromUtf8("  Toplam kayıt : 3 / 1"));
        EXPECT_EQ(f.focusWidget(), f.Edit1);
        EXPECT_EQ(Application().Title(), "Kadrolin");
        EXPECT_EQ(QCoreApplication::applicationName(), "Kadrolin");
        k.Form1()->OnSaveAppearance = [&](TForm1 &) { saved = true; };
        QApplication::setQuitOnLastWindowClosed(true);
        QTimer::singleShot(0, k.Form1(), [&] { k.Form1()->Cikis1->trigger(); });
        EXPECT_EQ(RunLoop(), 0);
        QApplication::setQuitOnLastWindowClosed(false);
    }
    EXPECT_TRUE(saved);
    EXPECT_EQ(order, (std::vector<std::string>{"PassWdFrm", "AyarFrm", "CheckPassword", "destroy"}));
    EXPECT_TRUE(script.Errors.empty());
}

TEST(Startup, RefusedPasswordEndsWithoutTheCloseTimeWork) {
    TRegisterDir dir({"Ali"});
    TDialogScript script;
    bool saved = false;
    app::TStartupSteps steps;
    steps.CheckPassword = [&](TForm1 &f) {
        f.OnSaveAppearance = [&](TForm1 &) { saved = true; };
        f.ADOQuery1->Edit(); // even a row in editing is not asked about
        f.ADOQuery1->FieldByName("A_Adi").SetAsString("Veli");
        return false;
    };
    {
        app::TKadrolin k(steps);
        EXPECT_FALSE(k.Start());
        EXPECT_TRUE(k.Refused());
        EXPECT_FALSE(k.Form1()->isVisible()); // never shown
        EXPECT_EQ(RunLoop(), 0);
    }
    EXPECT_FALSE(saved);
    EXPECT_TRUE(script.Questions.empty());
    EXPECT_EQ(dir.Scalar("SELECT A_Adi FROM tarvelion"), "Ali");
}

TEST(Startup, MissingOrForeignRegisterShowsTheErrorAndRunsWithAnEmptyList) {
    std::string jet = std::string("\0\x01\0\0Standard Jet DB\0", 20) + std::string(4000, '\x11');
    struct Case {
        const char *Name;
        const char *Content; // nullptr: no file
        size_t Size;
        const char *Says;
    } cases[] = {
        {"missing", nullptr, 0, "Could not find file"},
        {"jet", jet.data(), jet.size(), "Access (Jet) database"},
        {"garbage", "MZ\x90\0garbage", 10, "unknown file format"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        TRegisterDir dir({}, false);
        std::string content = c.Content ? std::string(c.Content, c.Size) : std::string();
        if (c.Content) std::ofstream(dir.File(), std::ios::binary) << content;
        TDialogScript script;
        app::TKadrolin k;
        EXPECT_TRUE(k.Start());
        // Once from the creation handler, once from the show handler.
        ASSERT_EQ(script.Errors.size(), 2u);
        EXPECT_TRUE(script.Errors[0].contains(c.Says)) << script.Errors[0].toStdString();
        TForm1 *f = k.Form1();
        EXPECT_TRUE(f->isVisible());
        EXPECT_FALSE(f->ADOQuery1->Active());
        EXPECT_EQ(f->DBGrid1->model()->rowCount(), 0);
        EXPECT_EQ(f->PanelText(0), QString::fromUtf8("  Toplam kayıt : 0 / 0"));
        // Commands on the closed list fail with the data layer's message and nothing else happens.
        f->Ekle1->trigger();
        f->Sil1->trigger();
        EXPECT_EQ(script.Errors.size(), 4u);
        EXPECT_TRUE(script.Questions.empty()); // no delete question without a name
        if (c.Content) {
            EXPECT_EQ(ReadAll(dir.File()), content);
        } else {
            EXPECT_FALSE(std::filesystem::exists(dir.File()));
        }
        EXPECT_FALSE(std::filesystem::exists(dir.File() + "-wal"));
        EXPECT_TRUE(f->close()); // nothing to store: closes
    }
}
