#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv) {
    qputenv("QT_NO_GLIB", "1");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Kadrolin");
    QMainWindow w;
    w.setWindowTitle("Kadrolin 1.0");
    w.show();
    return app.exec();
}
