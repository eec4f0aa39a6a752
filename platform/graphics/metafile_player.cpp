#include "platform/graphics/metafile_player.h"

namespace kadrolin {

// Placeholder until the player lands: nothing is recognised as a metafile.
bool ReadMetafileHeader(const std::uint8_t *, std::size_t, TMetafileHeader &) { return false; }

int PlayMetafile(const std::uint8_t *, std::size_t, std::uint8_t *, int, int) { return 1; }

} // namespace kadrolin
