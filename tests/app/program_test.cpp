// The real program's start-up steps with a real main window, on profile
// files of the test's own.
#include "../mainwindow/form1_testutil.h"
#include "app/program.h"
#include "mainwindow/form1.h"
#include "pictures/dbjpegimage.h"
#include "pictures/jpegbitmap.h"
#include "pictures/jpegcodec.h"
#include "platform/graphics/qtimage.h"
#include "platform/graphics/stream.h"
#include "platform/widgets/application.h"
#include "platform/widgets/dialogs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>

#include <memory>

using namespace kadrolin;
using namespace kadrolin::testing;

namespace {

struct TFiles {
    QTemporaryDir Dir;
    app::TProgramFiles Files{Dir.filePath("exe/Tarvlon.ini"), Dir.filePath("config/kadrolin/win.ini")};
    TFiles() { QDir().mkpath(Dir.filePath("exe")); }
    QByteArray Read(const QString &f) const {
        QFile file(f);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

// Answers every window shown modally with the given result and notes its class.
struct TModalScript {
    TScriptedDialogs Dialogs;
    QStringList Shown;
    QStringList Errors;
    QStringList VisibleAtGate;
    explicit TModalScript(int modalResult) {
        Dialogs.AnswerWith([this, modalResult](const TDialogCall &c) {
            if (c.Kind == "Error") {
                Errors << c.Text;
                return int(mrOk);
            }
            if (c.Kind != "Modal") return int(mrNo);
            Shown << c.DialogClass;
            if (c.DialogClass == "TGetPassWdFrm")
                for (QWidget *w : QApplication::topLevelWidgets())
                    if (w->isVisible() && w->objectName() == "Form1") VisibleAtGate << w->objectName();
            return modalResult;
        });
    }
};

} // namespace

TEST(Program, UnprotectedRunOpensItsWindowsAndWritesBothFilesAtTheEnd) {
    TRegisterDir dir({"Zeki", "Ali"});
    for (const char *text : {"help.rtf", "system.ssd"})
        QFile::copy(QStringLiteral(KADROLIN_SOURCE_DIR "/data/") + text,
                    QString::fromStdString(dir.Path + "/" + text));
    TFiles files;
    TModalScript script(mrOk);
    {
        app::TKadrolin k(app::ProgramSteps(files.Files));
        ASSERT_TRUE(k.Start());
        TForm1 *f = k.Form1();
        EXPECT_TRUE(f->isVisible());
        EXPECT_TRUE(script.Shown.isEmpty()); // protection off: no password asked
        f->Yardim1->trigger();
        f->Hakknda2->trigger();
        f->Ayarlar1->trigger();
        EXPECT_TRUE(script.Shown.contains("TForm3")) << script.Shown.join(",").toStdString();
        EXPECT_TRUE(script.Shown.contains("TAbout")) << script.Shown.join(",").toStdString();
        EXPECT_TRUE(script.Shown.contains("TAyarFrm")) << script.Shown.join(",").toStdString();
        QApplication::setQuitOnLastWindowClosed(true);
        QTimer::singleShot(0, f, [f] { f->Cikis1->trigger(); });
        EXPECT_EQ(RunLoop(), 0);
        QApplication::setQuitOnLastWindowClosed(false);
    }
    // The appearance was saved at close, the protection flag when the settings dialog went.
    const QByteArray settings = files.Read(files.Files.Settings);
    EXPECT_TRUE(settings.contains("Renk")) << settings.toStdString();
    EXPECT_TRUE(files.Read(files.Files.Protection).contains("Active=0"))
        << files.Read(files.Files.Protection).toStdString();
    EXPECT_TRUE(script.Errors.isEmpty()) << script.Errors.join("\n").toStdString();
}

TEST(Program, RefusedPasswordNeverShowsTheRegister) {
    TRegisterDir dir({"Ali"});
    TFiles files;
    QDir().mkpath(QFileInfo(files.Files.Protection).absolutePath());
    {
        QFile ini(files.Files.Protection);
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Tarvelion 2.1]\r\nActive=1\r\nSSifre=Gizli\r\n");
    }
    TModalScript script(mrCancel);
    {
        app::TKadrolin k(app::ProgramSteps(files.Files));
        EXPECT_FALSE(k.Start());
        EXPECT_FALSE(k.Form1()->isVisible());
        EXPECT_EQ(RunLoop(), 0);
    }
    EXPECT_EQ(script.Shown, QStringList{"TGetPassWdFrm"});
    EXPECT_TRUE(script.VisibleAtGate.isEmpty());
    // No close-time work: the appearance file is not written.
    EXPECT_FALSE(QFile::exists(files.Files.Settings));
}

TEST(Program, StoredGrayOptionShowsTheFirstPhotoInGrayFromStartup) {
    RegisterJPEGBitmap();
    TRegisterDir dir({"Ali"});
    QImage red(60, 80, QImage::Format_RGB32);
    red.fill(QColor(220, 20, 20));
    TJPEGStreamCompressor compressor;
    TMemoryStream stream;
    compressor.CompressBitmap(ImageToBitmap(red), stream);
    std::string hex;
    for (std::uint8_t b : stream.Data())
        hex += QString::asprintf("%02X", b).toStdString();
    dir.Exec("UPDATE tarvelion SET A_Resim = X'" + hex + "'");
    TFiles files;
    {
        QFile ini(files.Files.Settings);
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Se\xE7im]\r\nCRBox=1\r\n");
    }
    TModalScript script(mrOk);
    {
        app::TKadrolin k(app::ProgramSteps(files.Files));
        ASSERT_TRUE(k.Start());
        TForm1 *f = k.Form1();
        EXPECT_TRUE(f->JPGCompr.GrayScaleOutput);
        const QImage shown = f->Image1->grab().toImage();
        const QColor c = shown.pixelColor(shown.width() / 2, shown.height() / 2);
        EXPECT_LE(std::abs(c.red() - c.green()), 3) << c.name().toStdString();
        EXPECT_LE(std::abs(c.green() - c.blue()), 3) << c.name().toStdString();
        EXPECT_LT(c.red(), 200); // not the white panel: a gray photo is shown
    }
    EXPECT_TRUE(script.Errors.isEmpty()) << script.Errors.join("\n").toStdString();
    UnregisterJPEGBitmap();
}

// Qt's own dialogs speak Turkish whatever the system language; the program's
// message boxes keep their own captions and button words.
TEST(Program, QtDialogsInTurkishMessageBoxWordsUnchanged) {
    ASSERT_TRUE(app::InstallQtTranslations()) << "qt6-translations-l10n is missing";
    const struct {
        const char *Context, *English, *Turkish;
    } words[] = {
        {"QFileDialog", "Open", "Aç"},
        {"QFileDialog", "Look in:", "Arama konumu:"},
        {"QColorDialog", "Select Color", "Renk Seç"},
        {"QPrintDialog", "Print", "Yazdır"},
        {"QPageSetupWidget", "Margins", "Kenar boşlukları"},
    };
    for (const auto &w : words)
        EXPECT_EQ(QCoreApplication::translate(w.Context, w.English), QString::fromUtf8(w.Turkish))
            << w.English;

    std::unique_ptr<QMessageBox> box(
        CreateMessageBox(QStringLiteral("Değişiklikleri kaydetmek istiyor musunuz?"),
                         QStringLiteral("Dikkat !"), mtCustom, mbYes | mbNo, nullptr));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Dikkat !"));
    EXPECT_EQ(box->button(QMessageBox::Yes)->text(), QStringLiteral("&Yes"));
    EXPECT_EQ(box->button(QMessageBox::No)->text(), QStringLiteral("&No"));
    std::unique_ptr<QMessageBox> error(
        CreateMessageBox(QStringLiteral("x"), MsgDlgCaption(mtError), mtError, mbOK, nullptr));
    EXPECT_EQ(error->windowTitle(), QStringLiteral("Error"));
    EXPECT_EQ(error->button(QMessageBox::Ok)->text(), QStringLiteral("OK"));

    for (QTranslator *t : QCoreApplication::instance()->findChildren<QTranslator *>())
        delete t;
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Open"), QStringLiteral("Open"));
}
