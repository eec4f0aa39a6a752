#pragma once
// The main window's pictures, 16 x 16, drawn here rather than taken from
// anywhere: one picture per role, addressed by index like an image list.
// The icons hold the picture drawn afresh for each screen scale, so they stay sharp.
#include <QIcon>
#include <QPixmap>

enum TImageIndex {
    imgAdd = 0,
    imgEdit = 1,
    imgDelete = 2,
    imgSave = 3,
    imgPrint = 4,
    imgSettings = 5,
    imgExit = 6,
    imgAddPicture = 7,
    imgRefresh = 8,
    imgCount = 9
};

class TImageList {
  public:
    TImageList();
    int Count() const { return imgCount; }
    QIcon Icon(int index) const;
    QPixmap Pixmap(int index) const;

    // The envelope of the mail button (not one of the list's roles).
    static QPixmap MailPixmap();
    static QIcon MailIcon();

  private:
    QPixmap FPixmaps[imgCount];
    QIcon FIcons[imgCount]; // each drawn at every scale of the screen
};
