#include "pictures/dbjpegimage.h"

#include "pictures/pictureclipboard.h"
#include "platform/graphics/icon.h"
#include "platform/graphics/metafile.h"
#include "platform/graphics/qtimage.h"
#include "platform/widgets/application.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <stdexcept>

using namespace kadrolin;

namespace {

// One decoder and one encoder for every control without its own, made when
// first needed and kept until the program ends.
TJPEGFileDecompressor &SharedDecompressor() {
    static TJPEGFileDecompressor d;
    return d;
}
TJPEGFileCompressor &SharedCompressor() {
    static TJPEGFileCompressor c;
    return c;
}

} // namespace

namespace kadrolin {

QImage PictureImage(const TPicture &picture) {
    if (const TBitmap *b = picture.Bitmap()) return BitmapToImage(*b);
    if (const TMetafile *m = picture.Metafile()) {
        if (m->Width() <= 0 || m->Height() <= 0) return {};
        return BitmapToImage(*RenderMetafile(*m, m->Width(), m->Height()));
    }
    if (const TIcon *i = picture.Icon()) {
        const TBitmap &b = i->Image();
        QImage img(b.Width(), b.Height(), QImage::Format_ARGB32);
        for (int y = 0; y < b.Height(); ++y) {
            auto *dst = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < b.Width(); ++x) {
                TRGBQuad q = b.Pixel(x, y);
                dst[x] = qRgba(q.Red, q.Green, q.Blue, q.Reserved);
            }
        }
        return img;
    }
    return {};
}

} // namespace kadrolin

TDBJPEGImage::TDBJPEGImage(QWidget *parent) : QWidget(parent) {
    // The panel behind shows through wherever no photo is drawn.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(false);
    FSavedPictureChange = [this] { PictureChanged(); };
    FPicture.OnChange = [this](TPicture &) { HandlePictureChange(); };
    FDataLink.OnDataChange = [this] { HandleDataChange(); };
    FDataLink.OnUpdateData = [this] { StorePicture(); };
    FDataLink.OnActiveChange = [this] { HandleActiveChange(); };
}

TDBJPEGImage::~TDBJPEGImage() {
    FDataLink.OnDataChange = nullptr;
    FDataLink.OnUpdateData = nullptr;
    FDataLink.OnActiveChange = nullptr;
    FDataLink.SetDataSource(nullptr);
    FPicture.OnChange = nullptr;
}

void TDBJPEGImage::SetStretch(bool value) {
    if (value == FStretch) return;
    FStretch = value;
    FScaled = QPixmap();
    update();
}

void TDBJPEGImage::SetCenter(bool value) {
    if (value == FCenter) return;
    FCenter = value;
    FScaled = QPixmap();
    update();
}

void TDBJPEGImage::SetProportional(bool value) {
    if (value == FProportional) return;
    FProportional = value;
    FScaled = QPixmap();
    update();
}

void TDBJPEGImage::SetTransparent(bool value) {
    if (value == FTransparent) return;
    FTransparent = value;
    MakeImage();
    update();
}

void TDBJPEGImage::SetAutoSize(bool value) {
    if (value == FAutoSize) return;
    FAutoSize = value;
    AdjustSize();
}

void TDBJPEGImage::AdjustSize() {
    if (!FAutoSize) return;
    const int w = FPicture.Width(), h = FPicture.Height();
    // No picture, no size to take: the control keeps its own.
    if (w > 0 && h > 0) resize(w, h);
}

void TDBJPEGImage::SetAutoDisplay(bool value) {
    if (value == FAutoDisplay) return;
    FAutoDisplay = value;
    if (value) Reload();
}

QRect TDBJPEGImage::DestRect() const {
    int w = FPicture.Width(), h = FPicture.Height();
    const int cw = width(), ch = height();
    if (FStretch || (FProportional && (w > cw || h > ch))) {
        if (FProportional && w > 0 && h > 0) {
            const double aspect = double(w) / h;
            if (w > h) {
                w = cw;
                h = int(cw / aspect);
                if (h > ch) {
                    h = ch;
                    w = int(ch * aspect);
                }
            } else {
                h = ch;
                w = int(ch * aspect);
                if (w > cw) {
                    w = cw;
                    h = int(cw / aspect);
                }
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    QRect r(0, 0, w, h);
    if (FCenter) r.translate((cw - w) / 2, (ch - h) / 2);
    return r;
}

TJPEGFileCompressor *TDBJPEGImage::JPEGCompressor() const {
    return FCompressorLife.expired() ? nullptr : FJPEGCompressor;
}

void TDBJPEGImage::SetJPEGCompressor(TJPEGFileCompressor *c) {
    FJPEGCompressor = c;
    FCompressorLife = c ? c->Lifetime() : std::weak_ptr<const void>();
}

TJPEGFileDecompressor *TDBJPEGImage::JPEGDecompressor() const {
    return FDecompressorLife.expired() ? nullptr : FJPEGDecompressor;
}

void TDBJPEGImage::SetJPEGDecompressor(TJPEGFileDecompressor *d) {
    FJPEGDecompressor = d;
    FDecompressorLife = d ? d->Lifetime() : std::weak_ptr<const void>();
}

TJPEGStreamDecompressor *TDBJPEGImage::CurrentDecompressor() const {
    if (TJPEGFileDecompressor *d = JPEGDecompressor()) return d;
    return &SharedDecompressor();
}

TJPEGStreamCompressor *TDBJPEGImage::CurrentCompressor() const {
    if (TJPEGFileCompressor *c = JPEGCompressor()) return c;
    return &SharedCompressor();
}

// ---------------------------------------------------------------- data link

void TDBJPEGImage::HandleDataChange() {
    // The record entering editing at our own request: the picture is the user's.
    if (FModifying) return;
    FPictureLoaded = false;
    if (!FAutoDisplay) {
        FLoading = true;
        FPicture.Clear();
        FLoading = false;
    } else if (FLoading) {
        FReloadPending = true;
    } else {
        Reload();
    }
}

void TDBJPEGImage::Reload() {
    // A photo that cannot be decoded must not cut the notification short:
    // the other controls still have to follow the record.
    try {
        LoadPicture();
    } catch (const std::exception &e) {
        ReportLater(e.what());
    }
}

void TDBJPEGImage::LoadPicture() {
    if (FPictureLoaded || FLoading) return;
    FLoading = true;
    try {
        data::TField *f = FDataLink.Field();
        // NULL and zero bytes both mean no photo; neither is read nor decoded.
        if (!f || !f->IsBlob() || f->IsNull() || f->DataSize() == 0) {
            FPicture.Clear();
        } else {
            do {
                FReloadPending = false;
                const std::string bytes = f->AsBytes();
                TMemoryStream stream(bytes.data(), bytes.size());
                ++FDecodeCount;
                CurrentDecompressor()->DecompressToPicture(&FPicture, stream);
            } while (FReloadPending);
        }
        FPictureLoaded = true;
    } catch (...) {
        FLoading = false;
        throw;
    }
    FLoading = false;
}

void TDBJPEGImage::StorePicture() {
    data::TField *f = FDataLink.Field();
    if (!f) return;
    if (FPicture.Graphic()) {
        TMemoryStream stream;
        CurrentCompressor()->CompressPicture(FPicture, stream);
        const auto &bytes = stream.Data();
        f->SetAsBytes(std::string(bytes.begin(), bytes.end()));
    } else {
        f->Clear();
    }
}

void TDBJPEGImage::HandleActiveChange() {
    data::TField *f = FDataLink.Field();
    if (f && !f->IsBlob()) {
        const std::string name = FDataLink.FieldName();
        SetDataField(QString());
        ReportLater(name + " is not a Blob Field");
    }
}

void TDBJPEGImage::HandlePictureChange() {
    if (FPaintingCopy) return;
    if (FSavedPictureChange) FSavedPictureChange();
    if (FLoading) return;
    if (ReadOnly()) {
        HandleDataChange();
        return;
    }
    FModifying = true;
    try {
        FDataLink.Edit();
    } catch (...) {
        FModifying = false;
        throw;
    }
    FModifying = false;
    // Entering editing clears the link's mark, so it is set afterwards.
    FDataLink.Modified();
}

void TDBJPEGImage::PictureChanged() {
    // The one conversion per change; repaints only draw what is kept here.
    MakeImage();
    AdjustSize();
    update();
}

void TDBJPEGImage::MakeImage() {
    FImage = PictureImage(FPicture);
    FScaled = QPixmap();
    const TBitmap *b = FPicture.Bitmap();
    if (!FTransparent || !b || FImage.isNull()) return;
    // Metafiles and icons carry their own transparency; a bitmap's is the
    // colour of its bottom-left pixel.
    FImage = FImage.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = FImage.pixel(0, FImage.height() - 1) | 0xFF000000u;
    for (int y = 0; y < FImage.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(FImage.scanLine(y));
        for (int x = 0; x < FImage.width(); ++x)
            if ((row[x] | 0xFF000000u) == key) row[x] = 0;
    }
}

void TDBJPEGImage::ReportLater(const std::string &message) {
    FPendingError = message;
    if (FErrorQueued) return;
    FErrorQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            FErrorQueued = false;
            const std::string text = std::move(FPendingError);
            FPendingError.clear();
            Application().ShowException(std::runtime_error(text));
        },
        Qt::QueuedConnection);
}

// ---------------------------------------------------------------- clipboard

void TDBJPEGImage::CopyPicture() {
    CopyPictureToClipboard(FPicture);
}

void TDBJPEGImage::CutPicture() {
    CopyPicture();
    FPicture.Clear();
}

void TDBJPEGImage::PastePicture() {
    PastePictureFromClipboard(FPicture);
}

void TDBJPEGImage::cut() {
    Application().Guard([this] { CutPicture(); });
}

void TDBJPEGImage::copy() {
    Application().Guard([this] { CopyPicture(); });
}

void TDBJPEGImage::paste() {
    Application().Guard([this] { PastePicture(); });
}

// ---------------------------------------------------------------- widget

void TDBJPEGImage::paintEvent(QPaintEvent *) {
    if (FImage.isNull()) return;
    const QRect r = DestRect();
    if (r.isEmpty()) return;
    QPainter p(this);
    if (r.size() == FImage.size()) {
        p.drawImage(r.topLeft(), FImage);
        return;
    }
    if (FScaled.size() != r.size())
        FScaled =
            QPixmap::fromImage(FImage.scaled(r.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    p.drawPixmap(r.topLeft(), FScaled);
}

void TDBJPEGImage::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    FScaled = QPixmap();
}

void TDBJPEGImage::mouseDoubleClickEvent(QMouseEvent *event) {
    event->accept();
    if (OnDblClick) Application().Guard(OnDblClick);
}

void TDBJPEGImage::contextMenuEvent(QContextMenuEvent *event) {
    if (!FPopupMenu) {
        QWidget::contextMenuEvent(event);
        return;
    }
    event->accept();
    FPopupMenu->popup(event->globalPos());
}
