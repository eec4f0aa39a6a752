// Feeds arbitrary bytes to the metafile player: header reading and playback
// into a small target must stay in bounds and finish.
#include "platform/graphics/metafile_player.h"

#include "offscreen_app.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    // Text records need fonts, and fonts need the GUI application object.
    StartOffscreenApp<QGuiApplication>(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    kadrolin::TMetafileHeader header;
    kadrolin::ReadMetafileHeader(data, size, header);
    std::vector<std::uint8_t> pixels(64 * 48 * 4, 0xFF);
    kadrolin::PlayMetafile(data, size, pixels.data(), 64, 48);
    return 0;
}
