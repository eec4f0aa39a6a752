#pragma once
// Playback of enhanced (EMF) and Windows (WMF, placeable or plain) metafiles
// into a plain pixel buffer. The bytes come from files and the clipboard, so
// they are untrusted: a record the player cannot trust is skipped and nothing
// is read past the end of the buffer.

#include <cstddef>
#include <cstdint>

namespace kadrolin {

enum class TMetafileKind { Enhanced, Windows };

struct TMetafileHeader {
    TMetafileKind Kind = TMetafileKind::Enhanced;
    int Width = 0; // pixels at screen resolution (96 per inch)
    int Height = 0;
    int MMWidth = 0; // hundredths of a millimetre
    int MMHeight = 0;
    bool HasPalette = false;
};

// Reads the header of an enhanced or Windows metafile; false when the bytes
// are not one.
bool ReadMetafileHeader(const std::uint8_t *data, std::size_t size, TMetafileHeader &header);

// Plays the metafile stretched into (0, 0, width, height) of a top-down
// 32-bit blue-green-red-unused buffer (stride width * 4) that the caller has
// already filled. Returns 0 on success, else a nonzero error code.
int PlayMetafile(const std::uint8_t *data, std::size_t size, std::uint8_t *bgrx, int width, int height);

// The codes PlayMetafile returns. A record that cannot be trusted ends the
// playback; what was drawn before it stays in the buffer.
enum TMetafileError : int {
    MetafileOk = 0,
    MetafileBadTarget = 1,   // no buffer, or a size the player does not take
    MetafileNotMetafile = 2, // the bytes do not start with a metafile header
    MetafileBadRecord = 3,   // a record's size or contents do not fit
    MetafileTruncated = 4,   // the bytes end before the records do
    MetafileTooComplex = 5,  // drawing would go on far longer than any picture needs
};

} // namespace kadrolin
