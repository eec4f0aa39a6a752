#pragma once
// Where a bitmap meets Qt: shown on screen or put on the clipboard.
#include "platform/graphics/bitmap.h"

#include <QImage>

namespace kadrolin {

// 1-, 4- and 8-bit bitmaps become indexed images with their palette, the
// others 32-bit RGB.
QImage BitmapToImage(const TBitmap &bitmap);
// Indexed images keep their depth where the bitmap has it (1, 8), the rest
// become 24-bit (32-bit when the image has an alpha channel).
TBitmap ImageToBitmap(const QImage &image);

} // namespace kadrolin
