#include "platform/graphics/qtimage.h"

#include <cstring>

namespace kadrolin {

QImage BitmapToImage(const TBitmap &bitmap) {
    const int w = bitmap.Width(), h = bitmap.Height();
    if (bitmap.Empty()) return {};
    if (bitmap.Depth() == 8 || bitmap.Depth() == 1) {
        QImage img(w, h, bitmap.Depth() == 8 ? QImage::Format_Indexed8 : QImage::Format_Mono);
        QList<QRgb> table;
        for (auto q : bitmap.Palette())
            table.push_back(qRgb(q.Red, q.Green, q.Blue));
        // Indices past a short palette show black rather than reading outside it.
        while (table.size() < (bitmap.Depth() == 8 ? 256 : 2))
            table.push_back(qRgb(0, 0, 0));
        img.setColorTable(table);
        const int bytes = (w * bitmap.Depth() + 7) / 8;
        for (int y = 0; y < h; ++y)
            std::memcpy(img.scanLine(y), bitmap.ScanLine(y), static_cast<std::size_t>(bytes));
        return img;
    }
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto *dst = reinterpret_cast<QRgb *>(img.scanLine(y));
        if (bitmap.Depth() == 24) {
            const std::uint8_t *src = bitmap.ScanLine(y);
            for (int x = 0; x < w; ++x)
                dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        } else {
            for (int x = 0; x < w; ++x) {
                TRGBQuad q = bitmap.Pixel(x, y);
                dst[x] = qRgb(q.Red, q.Green, q.Blue);
            }
        }
    }
    return img;
}

TBitmap ImageToBitmap(const QImage &image) {
    TBitmap out;
    if (image.isNull()) return out;
    const int w = image.width(), h = image.height();
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono) {
        const bool mono = image.format() == QImage::Format_Mono;
        out.SetSize(w, h, mono ? 1 : 8);
        out.Palette().clear();
        for (QRgb c : image.colorTable())
            out.Palette().push_back(TRGBQuad{static_cast<std::uint8_t>(qBlue(c)),
                                             static_cast<std::uint8_t>(qGreen(c)),
                                             static_cast<std::uint8_t>(qRed(c)), 0});
        const int bytes = (w * (mono ? 1 : 8) + 7) / 8;
        for (int y = 0; y < h; ++y)
            std::memcpy(out.ScanLine(y), image.constScanLine(y), static_cast<std::size_t>(bytes));
        return out;
    }
    const bool alpha = image.hasAlphaChannel();
    QImage src = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    out.SetSize(w, h, alpha ? 32 : 24);
    for (int y = 0; y < h; ++y) {
        const auto *s = reinterpret_cast<const QRgb *>(src.constScanLine(y));
        std::uint8_t *d = out.ScanLine(y);
        const int n = alpha ? 4 : 3;
        for (int x = 0; x < w; ++x) {
            d[n * x] = static_cast<std::uint8_t>(qBlue(s[x]));
            d[n * x + 1] = static_cast<std::uint8_t>(qGreen(s[x]));
            d[n * x + 2] = static_cast<std::uint8_t>(qRed(s[x]));
            if (alpha) d[n * x + 3] = static_cast<std::uint8_t>(qAlpha(s[x]));
        }
    }
    return out;
}

} // namespace kadrolin
