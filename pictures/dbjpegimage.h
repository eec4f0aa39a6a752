#pragma once
// The data-aware photo: a picture control bound to one large-object column
// that holds a JPEG stream. It decodes the column whenever the current record
// or the column changes, turns every change of its picture into an edit of
// the record, and encodes the picture back into the column when the record
// is stored.
#include "pictures/jpegcodec.h"
#include "platform/data/dataset.h"
#include "platform/graphics/picture.h"

#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class TDBJPEGImage : public QWidget {
    Q_OBJECT
    // Reachable by name, as the appearance settings set them.
    Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
    Q_PROPERTY(bool Center READ Center WRITE SetCenter)
    Q_PROPERTY(bool Proportional READ Proportional WRITE SetProportional)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool IncrementalDisplay READ IncrementalDisplay WRITE SetIncrementalDisplay)
    Q_PROPERTY(bool AutoDisplay READ AutoDisplay WRITE SetAutoDisplay)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
  public:
    explicit TDBJPEGImage(QWidget *parent = nullptr);
    ~TDBJPEGImage() override;

    kadrolin::TPicture &Picture() { return FPicture; }
    const kadrolin::TPicture &Picture() const { return FPicture; }

    // Display: the photo fills the control (Stretch), keeps its aspect ratio
    // (Proportional), or keeps its own size; Center centres the target rectangle.
    bool Stretch() const { return FStretch; }
    void SetStretch(bool value);
    bool Center() const { return FCenter; }
    void SetCenter(bool value);
    bool Proportional() const { return FProportional; }
    void SetProportional(bool value);
    // A bitmap's colour at its bottom-left pixel lets the panel show through.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    // The control takes the size of each picture it is given.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    // Kept with the other display options; a photo comes whole out of one
    // decoding run, so there is never a part of one to show early.
    bool IncrementalDisplay() const { return FIncrementalDisplay; }
    void SetIncrementalDisplay(bool value) { FIncrementalDisplay = value; }
    // The rectangle the picture is drawn into, in control coordinates.
    QRect DestRect() const;

    bool AutoDisplay() const { return FAutoDisplay; }
    void SetAutoDisplay(bool value);
    QString DataField() const { return QString::fromStdString(FDataLink.FieldName()); }
    void SetDataField(const QString &name) { FDataLink.SetFieldName(name.toStdString()); }
    kadrolin::data::TDataSource *DataSource() const { return FDataLink.DataSource(); }
    void SetDataSource(kadrolin::data::TDataSource *source) { FDataLink.SetDataSource(source); }
    bool ReadOnly() const { return FDataLink.ReadOnly; }
    void SetReadOnly(bool value) { FDataLink.ReadOnly = value; }
    kadrolin::data::TField *Field() const { return FDataLink.Field(); }
    kadrolin::data::TFieldDataLink &DataLink() { return FDataLink; }

    // Codecs of the owner's (not owned); none means the shared ones.
    // A codec destroyed before the control reads as none from then on.
    kadrolin::TJPEGFileCompressor *JPEGCompressor() const;
    void SetJPEGCompressor(kadrolin::TJPEGFileCompressor *c);
    kadrolin::TJPEGFileDecompressor *JPEGDecompressor() const;
    void SetJPEGDecompressor(kadrolin::TJPEGFileDecompressor *d);
    kadrolin::TJPEGStreamDecompressor *CurrentDecompressor() const;
    kadrolin::TJPEGStreamCompressor *CurrentCompressor() const;

    // Reads the column into the picture (nothing when it shows it already).
    void LoadPicture();
    // The picture on or from the clipboard; cut and paste are picture changes.
    void CopyPicture();
    void CutPicture();
    void PastePicture();

  public slots:
    // The same three for any sender that asks by name, as editors are asked to
    // cut, copy and paste; a failure ends in the application's error box.
    void cut();
    void copy();
    void paste();

  public:
    // Opened by a right click when the control has no custom menu handling.
    void SetPopupMenu(QMenu *menu) { FPopupMenu = menu; }
    QMenu *PopupMenu() const { return FPopupMenu; }
    // Run, through the application's guard, on a double click anywhere on the control.
    std::function<void()> OnDblClick;

    // Whether the picture shows the current column value, and how many
    // decoding runs the column has cost so far.
    bool PictureLoaded() const { return FPictureLoaded; }
    int DecodeCount() const { return FDecodeCount; }

  protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

  private:
    void HandleDataChange();
    void StorePicture();
    void HandleActiveChange();
    void HandlePictureChange();
    void PictureChanged();
    void MakeImage();
    void AdjustSize();
    void Reload();
    // Shown once the notification that caused it is over; a burst of them
    // (a key held down over bad photos) collapses into one box.
    void ReportLater(const std::string &message);

    kadrolin::data::TFieldDataLink FDataLink;
    kadrolin::TPicture FPicture;
    std::function<void()> FSavedPictureChange;
    bool FAutoDisplay = true;
    bool FLoading = false;
    bool FModifying = false;
    bool FPictureLoaded = false;
    bool FPaintingCopy = false;
    bool FReloadPending = false;
    kadrolin::TJPEGFileCompressor *FJPEGCompressor = nullptr;
    kadrolin::TJPEGFileDecompressor *FJPEGDecompressor = nullptr;
    std::weak_ptr<const void> FCompressorLife, FDecompressorLife;

    bool FStretch = false, FCenter = false, FProportional = false;
    bool FTransparent = false, FAutoSize = false, FIncrementalDisplay = false;
    QPointer<QMenu> FPopupMenu;
    // The picture as an image, made once per change; and scaled for the
    // present target rectangle, made once per size.
    QImage FImage;
    QPixmap FScaled;
    int FDecodeCount = 0;
    std::string FPendingError;
    bool FErrorQueued = false;
};

namespace kadrolin {
// The picture as an image for the screen or the clipboard (null when empty):
// bitmaps by their pixels, metafiles drawn on white at their own size, icons
// with their transparency.
QImage PictureImage(const TPicture &picture);
} // namespace kadrolin
