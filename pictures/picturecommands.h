#pragma once
// The photo panel's commands: add from a file, delete, and the enabled
// states the idle handler gives the panel's commands and the mail button.
#include "pictures/dbjpegimage.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace kadrolin {

// The open dialog's filter as designed: description|patterns pairs. The
// bitmap entry's description reads "(-.bmp)" on purpose; its pattern is "*.bmp".
extern const char *const OpenDialog1Filter;
// The same pairs in the file dialog's form: "description (pattern pattern)"
// joined by ";;". The dialog shows only the description part.
QString FileDialogFilter(const QString &designed);
// The descriptions a file dialog filter shows, in order.
QStringList FilterDescriptions(const QString &designed);

// The message that replaces every failure to load a chosen file.
extern const char *const SInvalidPictureFormat;

// Asks for a file and loads it into the photo (a picture change: the record
// goes into editing). False when the dialog was cancelled. A file that cannot
// be loaded fails with "Geçersiz resim formatı" and leaves the photo as it was.
bool AddPictureFromFile(TDBJPEGImage &image, QWidget *parent);
// Loads one file into the photo with the same rule.
void LoadPictureFile(TDBJPEGImage &image, const QString &fileName);
// Clears the photo without asking (a picture change).
void DeletePicture(TDBJPEGImage &image);

// What the idle handler enables. Add is never disabled.
struct TPicturePanelState {
    bool Yapistir2 = false; // a bitmap or metafile on the clipboard
    bool Kopyala2 = false, Sil2 = false, Kes2 = false, BtnRSil = false; // the photo holds a picture
    bool BtnMail = false;                                               // the address box is not empty
    bool operator==(const TPicturePanelState &) const = default;
};
TPicturePanelState PicturePanelState(const TDBJPEGImage &image, bool clipboardHasPicture,
                                     const QString &mailText);

} // namespace kadrolin
