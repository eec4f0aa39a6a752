#include "app/program.h"

#include "about/about.h"
#include "about/helpwindow.h"
#include "mainwindow/form1.h"
#include "pictures/jpegbitmap.h"
#include "platform/widgets/application.h"
#include "reports/querydata.h"
#include "security/passwdfrm.h"
#include "security/passwordprotection.h"
#include "settings/appearance.h"
#include "settings/ayarfrm.h"
#include "settings/mainwindowsettings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

#include <memory>

namespace kadrolin::app {

TProgramFiles DefaultProgramFiles() {
    return {SettingsFileName(), TPasswordProtection::DefaultIniFileName()};
}

namespace {

// The long-lived dialogs of one run, shared by the steps.
struct TWindows {
    QPointer<TPassWdFrm> PassWdFrm;
    QPointer<TAyarFrm> AyarFrm;
};

void ConnectHelpAndAbout(TForm1 &form) {
    TForm1 *f = &form;
    QObject::connect(f->Yardim1, &QAction::triggered, f,
                     [f] { Application().Guard([f] { ShowHelpWindow(f); }); });
    QObject::connect(f->Hakknda2, &QAction::triggered, f,
                     [f] { Application().Guard([f] { ShowAboutWindow(f); }); });
}

} // namespace

TStartupSteps ProgramSteps(TProgramFiles files) {
    auto windows = std::make_shared<TWindows>();
    TStartupSteps steps;
    steps.CreatePassWdFrm = [windows, files](TForm1 &form) {
        // The appearance belongs to the main window's creation, which is over
        // by now; it is applied before anything else is created. Each piece is
        // guarded on its own, so a failing one leaves the others wired.
        Application().Guard([&] { AttachAppearance(&form, files.Settings); });
        Application().Guard([&] { ConnectReportCommands(form); });
        ConnectHelpAndAbout(form);
        windows->PassWdFrm = new TPassWdFrm;
    };
    steps.CreateAyarFrm = [windows, files](TForm1 &form) {
        // A first run has no configuration directory yet; the protection flag
        // is written there at exit, the appearance at the main window's close.
        QDir().mkpath(QFileInfo(files.Protection).absolutePath());
        QDir().mkpath(QFileInfo(files.Settings).absolutePath());
        windows->AyarFrm = new TAyarFrm(&form, files.Settings, files.Protection);
        windows->AyarFrm->SetPassWdFrm(windows->PassWdFrm);
        AttachSettingsDialog(&form, windows->AyarFrm);
    };
    steps.CheckPassword = [windows, files](TForm1 &) {
        if (windows->AyarFrm) return PasswordGate(*windows->AyarFrm);
        // Without the settings dialog the stored protection still holds.
        TPasswordProtection protection(files.Protection);
        return PasswordGate(protection);
    };
    steps.DestroyWindows = [windows] {
        // The settings dialog first: it writes back the protection flag.
        delete windows->AyarFrm.data();
        delete windows->PassWdFrm.data();
    };
    return steps;
}

bool InstallQtTranslations() {
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_tr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

int ProgramMain(int argc, char **argv) {
    // The plain dispatcher makes "about to block" mean "the queue is empty".
    qputenv("QT_NO_GLIB", "1");
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kadrolin"));
    InstallQtTranslations();
    RegisterJPEGBitmap();
    int result = 0;
    {
        TKadrolin kadrolin(ProgramSteps(DefaultProgramFiles()));
        kadrolin.Start();
        result = QApplication::exec();
    }
    UnregisterJPEGBitmap();
    return result;
}

} // namespace kadrolin::app
