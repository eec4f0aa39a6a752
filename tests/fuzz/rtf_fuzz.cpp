// Feeds arbitrary bytes to the RTF reader behind the help window: it must
// refuse what is not RTF with its own error and read anything else into a
// document without crashing, hanging or running out of bounds.
#include "platform/widgets/rtfreader.h"

#include "offscreen_app.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    // Character formats need fonts, and fonts need the GUI application object.
    StartOffscreenApp<QGuiApplication>(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    QTextDocument doc;
    try {
        ReadRtf(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)), &doc);
    } catch (const TRtfError &) {
        // not RTF: refused, which is what it should do
    }
    return 0;
}
