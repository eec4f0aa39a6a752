#include "platform/widgets/application.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv) {
    // The plain dispatcher makes "about to block" mean "the queue is empty".
    qputenv("QT_NO_GLIB", "1");
    QApplication app(argc, argv);
    Application().SetTitle(QStringLiteral("Kadrolin"));
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("Kadrolin 1.0"));
    w.show();
    return app.exec();
}
