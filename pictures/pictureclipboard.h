#pragma once
// Pictures on the system clipboard: a bitmap goes as an image; a metafile as
// its own bytes under a metafile type, with a drawn image beside it for
// programs that do not read metafiles. Reading takes the first usable format
// in the clipboard's own order.
#include "platform/graphics/picture.h"

#include <QStringList>

class QMimeData;

namespace kadrolin {

// The metafile types read, the first two also written (enhanced, Windows).
const QStringList &MetafileMimeTypes();

// Mime data holding the picture (nullptr for an empty picture).
QMimeData *PictureMimeData(const TPicture &picture);
// Puts the picture on the clipboard; an empty picture leaves it as it is.
void CopyPictureToClipboard(const TPicture &picture);
// True when the mime data holds a format PastePictureFromMime can read.
bool MimeHasPicture(const QMimeData *data);
bool ClipboardHasPicture();
// Sets the picture from the first usable format; fails with
// "Invalid clipboard format" and leaves the picture unchanged otherwise.
void PastePictureFromMime(TPicture &picture, const QMimeData *data);
void PastePictureFromClipboard(TPicture &picture);

} // namespace kadrolin
