#pragma once
// Pictures the password dialogs draw for themselves: the lock beside the
// entry box and the glyphs of the "Tamam" and "İptal" buttons.
#include <QFont>
#include <QIcon>
#include <QPixmap>

class QLineEdit;

QPixmap LockPicture(); // 32 x 32
QIcon OkGlyph();       // green tick
QIcon CancelGlyph();   // red cross
QFont DialogFont();    // the forms' 8 point sans font
// A line edit that masks with "*" rather than the style's dot.
void MaskWithAsterisks(QLineEdit *edit);
