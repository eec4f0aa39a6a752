// Device-independent bitmaps inside metafile records: headers, colour tables,
// bit fields and run-length coding.
#include "platform/graphics/metafile_internal.h"

namespace kadrolin::metafile {

// Reads the header and colour table of a DIB; false when they do not fit or
// describe something the player will not decode.
bool ReadDibHeader(TSpan s, std::uint32_t usage, TDibLayout &d) {
    std::uint32_t hs = s.U32(0);
    if (s.Bad) return false;
    std::uint32_t clrUsed = 0;
    std::size_t entry = 4;
    if (hs == 12) {
        d.Width = s.U16(4);
        d.Height = s.I16(6);
        d.Bits = s.U16(10);
        entry = 3;
    } else if (hs >= 40 && hs <= 1024) {
        d.Width = s.I32(4);
        d.Height = s.I32(8);
        d.Bits = s.U16(14);
        d.Compression = s.U32(16);
        clrUsed = s.U32(32);
    } else {
        return false;
    }
    if (s.Bad || d.Width <= 0 || d.Height == 0 || d.Height == INT32_MIN) return false;
    d.TopDown = d.Height < 0;
    d.Height = std::abs(d.Height);
    if (d.Width > kMaxDibSide || d.Height > kMaxDibSide || std::int64_t(d.Width) * d.Height > kMaxDibPixels)
        return false;
    std::size_t off = hs;
    if (d.Compression == 3) { // bit fields
        if (d.Bits != 16 && d.Bits != 32) return false;
        std::size_t m = hs >= 52 ? 40 : hs;
        for (int i = 0; i < 3; ++i)
            d.Masks[i] = s.U32(m + 4 * i);
        if (hs < 52) off += 12;
    } else if (d.Compression == 0) {
        if (d.Bits == 16) {
            d.Masks[0] = 0x7C00;
            d.Masks[1] = 0x03E0;
            d.Masks[2] = 0x001F;
        }
    } else if (d.Compression == 1 || d.Compression == 2) {
        if (d.Bits != (d.Compression == 1 ? 8 : 4) || d.TopDown) return false;
    } else if (d.Compression != 4 && d.Compression != 5) {
        return false;
    }
    std::size_t count = 0;
    if (d.Bits == 1 || d.Bits == 4 || d.Bits == 8) {
        std::size_t full = std::size_t(1) << d.Bits;
        count = clrUsed && clrUsed < full ? clrUsed : full;
    } else if (d.Bits == 16 || d.Bits == 24 || d.Bits == 32) {
        count = std::min<std::uint32_t>(clrUsed, 256); // optional table, skipped
    } else if (!(d.Compression == 4 || d.Compression == 5)) {
        return false;
    }
    if (usage == 1 && entry == 4) entry = 2; // palette indices instead of colours
    if (!s.Has(off, count * entry)) return false;
    if (d.Bits <= 8) {
        d.Colors.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            std::size_t e = off + i * entry;
            if (entry == 2) {
                int v = std::min<int>(s.U16(e), 255); // no palette to look in: a gray ramp
                d.Colors[i] = qRgb(v, v, v);
            } else {
                d.Colors[i] = qRgb(s.U8(e + 2), s.U8(e + 1), s.U8(e));
            }
        }
    }
    d.HeaderBytes = off + count * entry;
    return !s.Bad;
}

namespace {

int MaskShift(std::uint32_t m) {
    int n = 0;
    while (m && !(m & 1)) {
        m >>= 1;
        ++n;
    }
    return n;
}

int MaskValue(std::uint32_t v, std::uint32_t mask) {
    if (!mask) return 0;
    int shift = MaskShift(mask);
    std::uint32_t m = mask >> shift;
    return int((((v & mask) >> shift) * 255 + m / 2) / m);
}

// Run-length coded rows (8 or 4 bits per pixel) expanded to palette indices,
// bottom row first. Pixels the codes never reach keep index 0; runs past the
// right edge are cut off; every step consumes input, so the loop ends.
QImage DecodeRle(const TDibLayout &d, const std::uint8_t *p, std::size_t size) {
    std::vector<std::uint8_t> index(std::size_t(d.Width) * d.Height, 0);
    bool four = d.Compression == 2;
    std::int64_t x = 0, y = 0; // y counts rows from the bottom
    auto put = [&](int v) {
        if (x < d.Width && y < d.Height)
            index[std::size_t(d.Height - 1 - y) * d.Width + std::size_t(x)] = std::uint8_t(v);
        ++x;
    };
    std::size_t i = 0;
    while (i + 1 < size && y < d.Height) {
        int count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count && x < d.Width; ++k)
                put(four ? ((k & 1) ? value & 0xF : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // move right and up
            if (i + 1 >= size) break;
            x += p[i];
            y += p[i + 1];
            i += 2;
        } else { // literal pixels, padded to a 16-bit boundary
            std::size_t bytes = four ? (std::size_t(value) + 1) / 2 : std::size_t(value);
            if (bytes > size - i) break;
            for (int k = 0; k < value; ++k)
                put(four ? ((k & 1) ? p[i + k / 2] & 0xF : p[i + k / 2] >> 4) : p[i + k]);
            i += bytes + (bytes & 1);
        }
    }
    QImage img(d.Width, d.Height, QImage::Format_RGB32);
    if (img.isNull()) return img;
    for (int row = 0; row < d.Height; ++row) {
        QRgb *out = reinterpret_cast<QRgb *>(img.scanLine(row));
        const std::uint8_t *in = &index[std::size_t(row) * d.Width];
        for (int col = 0; col < d.Width; ++col)
            out[col] = in[col] < d.Colors.size() ? d.Colors[in[col]] : qRgb(0, 0, 0);
    }
    return img;
}

} // namespace

QImage DecodeDibBits(const TDibLayout &d, const std::uint8_t *bits, std::size_t size, bool alpha) {
    if (d.Compression == 1 || d.Compression == 2) return DecodeRle(d, bits, size);
    if (d.Compression == 4 || d.Compression == 5) {
        if (size > std::size_t(INT32_MAX)) return QImage();
        QImage img = QImage::fromData(bits, int(size));
        if (img.isNull() || std::int64_t(img.width()) * img.height() > kMaxDibPixels) return QImage();
        return img.convertToFormat(QImage::Format_RGB32);
    }
    std::size_t stride = ((std::size_t(d.Width) * d.Bits + 31) / 32) * 4;
    if (stride == 0 || size / stride < std::size_t(d.Height)) return QImage();
    alpha = alpha && d.Bits == 32 && d.Compression == 0;
    QImage img(d.Width, d.Height, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (img.isNull()) return img;
    auto color = [&](std::size_t i) -> QRgb { return i < d.Colors.size() ? d.Colors[i] : qRgb(0, 0, 0); };
    for (int y = 0; y < d.Height; ++y) {
        const std::uint8_t *row = bits + stride * std::size_t(d.TopDown ? y : d.Height - 1 - y);
        QRgb *out = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < d.Width; ++x) {
            switch (d.Bits) {
            case 1:
                out[x] = color((row[x >> 3] >> (7 - (x & 7))) & 1);
                break;
            case 4:
                out[x] = color((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF);
                break;
            case 8:
                out[x] = color(row[x]);
                break;
            case 16: {
                std::uint32_t v = row[2 * x] | row[2 * x + 1] << 8;
                out[x] = qRgb(MaskValue(v, d.Masks[0]), MaskValue(v, d.Masks[1]), MaskValue(v, d.Masks[2]));
                break;
            }
            case 24:
                out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                break;
            case 32: {
                const std::uint8_t *p = row + 4 * x;
                if (alpha) {
                    int a = p[3];
                    out[x] = qRgba(std::min<int>(p[2], a), std::min<int>(p[1], a), std::min<int>(p[0], a), a);
                    break;
                }
                if (d.Compression == 3) {
                    std::uint32_t v = p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
                    out[x] =
                        qRgb(MaskValue(v, d.Masks[0]), MaskValue(v, d.Masks[1]), MaskValue(v, d.Masks[2]));
                } else {
                    out[x] = qRgb(p[2], p[1], p[0]);
                }
                break;
            }
            default:
                out[x] = 0;
                break;
            }
        }
    }
    return img;
}

// A DIB whose header and bits lie at given offsets of a record (enhanced
// metafiles keep them apart).
QImage DecodeDib(TSpan rec, std::uint32_t offBmi, std::uint32_t cbBmi, std::uint32_t offBits,
                 std::uint32_t cbBits, std::uint32_t usage, bool alpha) {
    if (!cbBmi || !rec.Has(offBmi, cbBmi) || !rec.Has(offBits, cbBits)) return QImage();
    TDibLayout d;
    if (!ReadDibHeader(TSpan{rec.P + offBmi, cbBmi}, usage, d)) return QImage();
    return DecodeDibBits(d, rec.P + offBits, cbBits, alpha);
}

// A packed DIB: header, colour table and bits one after the other.
QImage DecodePackedDib(TSpan s, std::uint32_t usage) {
    TDibLayout d;
    if (!ReadDibHeader(s, usage, d) || d.HeaderBytes > s.N) return QImage();
    return DecodeDibBits(d, s.P + d.HeaderBytes, s.N - d.HeaderBytes);
}

} // namespace kadrolin::metafile
