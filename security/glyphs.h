#pragma once
// Pictures the password dialogs draw for themselves: the lock beside the
// entry box and the glyphs of the "Tamam" and "İptal" buttons.
#include <QFont>
#include <QIcon>
#include <QPixmap>

class QDialog;
class QLineEdit;
class QPushButton;
class QRect;
class QWidget;

QPixmap LockPicture(); // 32 x 32
QIcon OkGlyph();       // green tick
QIcon CancelGlyph();   // red cross
QFont DialogFont();    // the forms' 8 point sans font
// A line edit that masks with "*" rather than the style's dot.
void MaskWithAsterisks(QLineEdit *edit);

// A child widget with its designed name.
template <class W> W *MakeNamed(QWidget *parent, const char *name) {
    auto *w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// The dialogs' "Tamam" (default, BitBtn1) and "İptal" (BitBtn2, rejects) buttons.
// The caller connects Tamam to its own handler.
void MakeTamamIptal(QDialog *dialog, QPushButton *&tamam, const QRect &tamamGeometry, QPushButton *&iptal,
                    const QRect &iptalGeometry);
