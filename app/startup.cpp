#include "app/startup.h"

#include "mainwindow/form1.h"
#include "platform/widgets/application.h"

#include <QApplication>

namespace kadrolin::app {

TKadrolin::TKadrolin(TStartupSteps steps) : FSteps(std::move(steps)) {}

TKadrolin::~TKadrolin() {
    if (FSteps.DestroyWindows) FSteps.DestroyWindows();
    FForm1.reset();
}

bool TKadrolin::Start() {
    // 1. The application's names.
    QCoreApplication::setApplicationName(QStringLiteral("Kadrolin"));
    Application().SetTitle(QStringLiteral("Kadrolin"));

    // 2. The main window; its creation opens the register.
    FForm1 = std::make_unique<TForm1>();

    // 3. The change-password dialog (hidden until the settings dialog opens it).
    if (FSteps.CreatePassWdFrm) Application().Guard([&] { FSteps.CreatePassWdFrm(*FForm1); });

    // 4. The settings dialog; it must follow the main window, whose controls it sets.
    if (FSteps.CreateAyarFrm) Application().Guard([&] { FSteps.CreateAyarFrm(*FForm1); });

    // 5. Show the main window: the list is reloaded in name order, the search box gets the focus.
    FForm1->show();

    // 6. The password gate.
    bool allowed = true;
    if (FSteps.CheckPassword) Application().Guard([&] { allowed = FSteps.CheckPassword(*FForm1); });
    if (!allowed) {
        // Ends the loop without closing the main window: quit() would ask it to
        // close and so run the close-time work (save question, settings file).
        FRefused = true;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        return false;
    }
    return true;
}

int Main(int argc, char **argv, TStartupSteps steps) {
    // The plain dispatcher makes "about to block" mean "the queue is empty".
    qputenv("QT_NO_GLIB", "1");
    QApplication application(argc, argv);
    int result = 0;
    {
        TKadrolin kadrolin(std::move(steps));
        kadrolin.Start();
        result = QApplication::exec();
    }
    return result;
}

} // namespace kadrolin::app
