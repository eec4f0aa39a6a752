#pragma once
// The Qt application object the fuzz targets need (fonts, widgets), on the
// offscreen platform with the plain event dispatcher; made once per process.
#include <QByteArray>
#include <QtGlobal>

template <class TApp> void StartOffscreenApp(int *argc, char ***argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_NO_GLIB", "1");
    static TApp app(*argc, *argv);
}
