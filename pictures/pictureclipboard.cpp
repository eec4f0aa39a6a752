#include "pictures/pictureclipboard.h"

#include "pictures/dbjpegimage.h"
#include "platform/graphics/metafile.h"
#include "platform/graphics/qtimage.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>

#include <stdexcept>

namespace kadrolin {

namespace {

const char *const SInvalidClipboardFormat = "Invalid clipboard format";
const QString QtImageType = QStringLiteral("application/x-qt-image");

bool IsMetafileType(const QString &format) {
    return MetafileMimeTypes().contains(format, Qt::CaseInsensitive);
}

bool IsImageType(const QString &format) {
    return format == QtImageType || (format.startsWith(QStringLiteral("image/")) && !IsMetafileType(format));
}

QImage ImageOf(const QMimeData *data, const QString &format) {
    QImage img;
    if (format == QtImageType || data->hasImage()) img = qvariant_cast<QImage>(data->imageData());
    if (img.isNull() && format != QtImageType) img = QImage::fromData(data->data(format));
    return img;
}

} // namespace

const QStringList &MetafileMimeTypes() {
    static const QStringList types{QStringLiteral("image/x-emf"), QStringLiteral("image/x-wmf"),
                                   QStringLiteral("image/emf"), QStringLiteral("image/wmf"),
                                   QStringLiteral("application/x-msmetafile")};
    return types;
}

QMimeData *PictureMimeData(const TPicture &picture) {
    if (!picture.Graphic()) return nullptr;
    auto *data = new QMimeData;
    if (const TMetafile *m = picture.Metafile()) {
        const auto &bytes = m->Data();
        data->setData(
            MetafileMimeTypes()[m->Enhanced() ? 0 : 1],
            QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    }
    const QImage img = PictureImage(picture);
    if (!img.isNull()) data->setImageData(img);
    return data;
}

void CopyPictureToClipboard(const TPicture &picture) {
    if (QMimeData *data = PictureMimeData(picture)) QApplication::clipboard()->setMimeData(data);
}

bool MimeHasPicture(const QMimeData *data) {
    if (!data) return false;
    for (const QString &f : data->formats())
        if (IsMetafileType(f) || IsImageType(f)) return true;
    return false;
}

bool ClipboardHasPicture() {
    return MimeHasPicture(QApplication::clipboard()->mimeData());
}

void PastePictureFromMime(TPicture &picture, const QMimeData *data) {
    if (data) {
        for (const QString &f : data->formats()) {
            if (IsMetafileType(f)) {
                const QByteArray bytes = data->data(f);
                auto meta = std::make_unique<TMetafile>();
                try {
                    meta->LoadFromBytes(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                        static_cast<std::size_t>(bytes.size()));
                } catch (const std::exception &) {
                    continue; // not a metafile after all: a later format may still serve
                }
                picture.SetGraphic(std::move(meta));
                return;
            }
            if (IsImageType(f)) {
                const QImage img = ImageOf(data, f);
                if (img.isNull()) continue;
                picture.SetGraphic(std::make_unique<TBitmap>(ImageToBitmap(img)));
                return;
            }
        }
    }
    throw std::runtime_error(SInvalidClipboardFormat);
}

void PastePictureFromClipboard(TPicture &picture) {
    PastePictureFromMime(picture, QApplication::clipboard()->mimeData());
}

} // namespace kadrolin
