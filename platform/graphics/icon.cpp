#include "platform/graphics/icon.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <stdexcept>

namespace kadrolin {

namespace {
[[noreturn]] void Invalid() {
    throw std::runtime_error("Icon image is not valid");
}
// Icons are small; a bigger image in an icon file is a damaged header, and
// would cost a large buffer for a file of a few bytes.
constexpr int MaxIconSide = 1024;
bool SideOk(std::int64_t v) {
    return v > 0 && v <= MaxIconSide;
}
std::uint32_t Get32(const std::uint8_t *p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
} // namespace

void TIcon::LoadFromStream(TStream &stream) {
    auto bytes = stream.ReadRest();
    LoadFromBytes(bytes.data(), bytes.size());
}

void TIcon::LoadFromBytes(const std::uint8_t *data, std::size_t size) {
    if (size < 6 || data[0] != 0 || data[1] != 0 || data[2] != 1 || data[3] != 0) Invalid();
    std::size_t count = data[4] | (data[5] << 8);
    if (count == 0 || 6 + count * 16 > size) Invalid();
    // The largest image, the deepest of equal size.
    std::size_t best = 0;
    int bestArea = -1, bestDepth = -1;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t *e = data + 6 + i * 16;
        int w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
        int depth = e[6] | (e[7] << 8);
        if (w * h > bestArea || (w * h == bestArea && depth > bestDepth)) {
            best = i;
            bestArea = w * h;
            bestDepth = depth;
        }
    }
    const std::uint8_t *e = data + 6 + best * 16;
    std::uint32_t length = Get32(e + 8), offset = Get32(e + 12);
    if (offset >= size || length > size - offset || length < 12) Invalid();
    const std::uint8_t *img = data + offset;

    TBitmap image;
    static const std::uint8_t png[] = {0x89, 'P', 'N', 'G'};
    if (length >= 8 && std::equal(png, png + 4, img)) {
        QByteArray raw(reinterpret_cast<const char *>(img), static_cast<qsizetype>(length));
        QBuffer buffer(&raw);
        QImageReader reader(&buffer, "PNG");
        QSize size = reader.size();
        if (!SideOk(size.width()) || !SideOk(size.height())) Invalid();
        QImage q = reader.read();
        if (q.isNull() || !SideOk(q.width()) || !SideOk(q.height())) Invalid();
        q = q.convertToFormat(QImage::Format_ARGB32);
        image.SetSize(q.width(), q.height(), 32);
        for (int y = 0; y < q.height(); ++y) {
            const auto *src = reinterpret_cast<const QRgb *>(q.constScanLine(y));
            std::uint8_t *dst = image.ScanLine(y);
            for (int x = 0; x < q.width(); ++x) {
                dst[4 * x] = static_cast<std::uint8_t>(qBlue(src[x]));
                dst[4 * x + 1] = static_cast<std::uint8_t>(qGreen(src[x]));
                dst[4 * x + 2] = static_cast<std::uint8_t>(qRed(src[x]));
                dst[4 * x + 3] = static_cast<std::uint8_t>(qAlpha(src[x]));
            }
        }
    } else {
        std::uint32_t headerSize = Get32(img);
        std::int64_t dw = 0, dh = 0;
        if (headerSize == 12) {
            dw = img[4] | (img[5] << 8);
            dh = (img[6] | (img[7] << 8)) / 2;
        } else if (headerSize >= 40 && length >= 16) {
            dw = static_cast<std::int32_t>(Get32(img + 4));
            dh = static_cast<std::int32_t>(Get32(img + 8)) / 2;
        }
        if (!SideOk(dw) || !SideOk(dh < 0 ? -dh : dh)) Invalid();
        TBitmap colour;
        std::size_t end = 0;
        try {
            end = ReadDIB(img, length, 0, true, colour);
        } catch (const std::runtime_error &) {
            Invalid();
        }
        const int w = colour.Width(), h = colour.Height();
        image.SetSize(w, h, 32);
        // The AND mask follows the colour rows: 1 bit per pixel, bottom-up.
        const std::size_t maskStride = static_cast<std::size_t>(TBitmap::StrideFor(w, 1));
        bool alpha = false;
        if (colour.Depth() == 32)
            for (int y = 0; y < h && !alpha; ++y)
                for (int x = 0; x < w && !alpha; ++x)
                    alpha = colour.ScanLine(y)[4 * x + 3] != 0;
        for (int y = 0; y < h; ++y) {
            std::uint8_t *dst = image.ScanLine(y);
            std::size_t maskAt = end + static_cast<std::size_t>(h - 1 - y) * maskStride;
            for (int x = 0; x < w; ++x) {
                TRGBQuad q = colour.Pixel(x, y);
                std::uint8_t a = 255;
                if (alpha) {
                    a = colour.ScanLine(y)[4 * x + 3];
                } else if (maskAt + x / 8 < length && (img[maskAt + x / 8] >> (7 - x % 8)) & 1) {
                    a = 0;
                }
                dst[4 * x] = q.Blue;
                dst[4 * x + 1] = q.Green;
                dst[4 * x + 2] = q.Red;
                dst[4 * x + 3] = a;
            }
        }
    }
    image.Masks() = {0xFF0000, 0x00FF00, 0x0000FF};
    FData.assign(data, data + size);
    FImage = std::move(image);
    FWidth = FImage.Width();
    FHeight = FImage.Height();
    Changed();
}

void TIcon::SaveToStream(TStream &stream) const {
    if (!FData.empty()) stream.WriteBuffer(FData.data(), FData.size());
}

} // namespace kadrolin
