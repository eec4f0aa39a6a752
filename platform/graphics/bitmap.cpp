#include "platform/graphics/bitmap.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

namespace kadrolin {

namespace {

std::uint16_t Get16(const std::uint8_t *p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Get32(const std::uint8_t *p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void Put16(std::vector<std::uint8_t> &v, std::uint32_t x) {
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}
void Put32(std::vector<std::uint8_t> &v, std::uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

[[noreturn]] void Invalid() {
    throw std::runtime_error(InvalidBitmapMessage);
}

constexpr std::array<std::uint32_t, 3> DefaultMasks16{0x7C00, 0x03E0, 0x001F};
constexpr std::array<std::uint32_t, 3> DefaultMasks32{0xFF0000, 0x00FF00, 0x0000FF};

// One colour component through its mask, scaled to 0..255.
std::uint8_t MaskComponent(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    int shift = std::countr_zero(mask);
    std::uint32_t m = mask >> shift;
    std::uint32_t v = (pixel & mask) >> shift;
    int bits = std::bit_width(m);
    if (bits >= 8) return static_cast<std::uint8_t>(v >> (bits - 8));
    return static_cast<std::uint8_t>((v * 255 + m / 2) / m);
}

bool IsDepth(int d) {
    return d == 1 || d == 4 || d == 8 || d == 16 || d == 24 || d == 32;
}

void CheckSize(std::int64_t w, std::int64_t h, int depth) {
    if (w < 0 || h < 0) Invalid();
    if (w * h > MaxBitmapPixels) throw std::runtime_error("Bitmap is too large");
    std::int64_t stride = ((w * depth + 31) / 32) * 4;
    if (stride * h > MaxBitmapBytes) throw std::runtime_error("Bitmap is too large");
}

// Run-length decoding; pixels outside the bitmap and data past the end are
// ignored, so a damaged file shows what it holds and never writes outside.
void DecodeRLE(const std::uint8_t *p, std::size_t n, TBitmap &bmp, bool four) {
    const int w = bmp.Width(), h = bmp.Height();
    const int stride = bmp.Stride();
    std::uint8_t *bits = bmp.Bits();
    auto put = [&](int x, int y, std::uint8_t v) {
        if (x < 0 || x >= w || y < 0 || y >= h) return;
        std::uint8_t *row = bits + static_cast<std::size_t>(y) * stride;
        if (!four) {
            row[x] = v;
        } else if (x % 2 == 0) {
            row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & 0x0F) | (v << 4));
        } else {
            row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & 0xF0) | (v & 0x0F));
        }
    };
    std::int64_t x = 0, y = 0;
    std::size_t i = 0;
    while (i + 1 < n && y < h) {
        std::uint8_t a = p[i], b = p[i + 1];
        i += 2;
        if (a > 0) {
            for (int k = 0; k < a && x < w; ++k, ++x)
                put(static_cast<int>(x), static_cast<int>(y), four ? ((k % 2 == 0) ? b >> 4 : b & 0x0F) : b);
            continue;
        }
        if (b == 0) {
            x = 0;
            ++y;
        } else if (b == 1) {
            break;
        } else if (b == 2) {
            if (i + 1 >= n) break;
            x += p[i];
            y += p[i + 1];
            i += 2;
        } else {
            std::size_t bytes = four ? (b + 1u) / 2 : b;
            for (int k = 0; k < b; ++k, ++x) {
                std::size_t at = i + (four ? k / 2 : k);
                if (at >= n) break;
                std::uint8_t v = four ? ((k % 2 == 0) ? p[at] >> 4 : p[at] & 0x0F) : p[at];
                if (x < w) put(static_cast<int>(x), static_cast<int>(y), v);
            }
            i += bytes + (bytes & 1);
        }
    }
}

} // namespace

void TBitmap::SetSize(int width, int height, int depth) {
    if (!IsDepth(depth)) Invalid();
    CheckSize(width, height, depth);
    FWidth = width;
    FHeight = height;
    FDepth = depth;
    FBits.assign(static_cast<std::size_t>(StrideFor(width, depth)) * static_cast<std::size_t>(height), 0);
    FPalette.clear();
    FMasks = {0, 0, 0};
    if (depth == 1) {
        FPalette = {TRGBQuad{0, 0, 0, 0}, TRGBQuad{255, 255, 255, 0}};
    } else if (depth <= 8) {
        int n = 1 << depth;
        for (int i = 0; i < n; ++i) {
            auto g = static_cast<std::uint8_t>(i * 255 / (n - 1));
            FPalette.push_back(TRGBQuad{g, g, g, 0});
        }
    } else if (depth == 16) {
        FMasks = DefaultMasks16;
    } else if (depth == 32) {
        FMasks = DefaultMasks32;
    }
    Changed();
}

void TBitmap::Assign(const TBitmap &source) {
    FWidth = source.FWidth;
    FHeight = source.FHeight;
    FDepth = source.FDepth;
    FPalette = source.FPalette;
    FMasks = source.FMasks;
    FBits = source.FBits;
    Changed();
}

TRGBQuad TBitmap::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return {};
    const std::uint8_t *row = ScanLine(y);
    auto pal = [&](unsigned i) { return i < FPalette.size() ? FPalette[i] : TRGBQuad{}; };
    switch (FDepth) {
    case 1:
        return pal((row[x / 8] >> (7 - x % 8)) & 1);
    case 4:
        return pal(x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F);
    case 8:
        return pal(row[x]);
    case 16: {
        std::uint32_t v = Get16(row + 2 * x);
        return {MaskComponent(v, FMasks[2]), MaskComponent(v, FMasks[1]), MaskComponent(v, FMasks[0]), 0};
    }
    case 24:
        return {row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
    default: {
        std::uint32_t v = Get32(row + 4 * x);
        return {MaskComponent(v, FMasks[2]), MaskComponent(v, FMasks[1]), MaskComponent(v, FMasks[0]), 0};
    }
    }
}

TBitmap TBitmap::ToDepth24() const {
    TBitmap out(FWidth, FHeight, 24);
    for (int y = 0; y < FHeight; ++y) {
        std::uint8_t *dst = out.ScanLine(y);
        if (FDepth == 24) {
            std::memcpy(dst, ScanLine(y), static_cast<std::size_t>(FWidth) * 3);
            continue;
        }
        for (int x = 0; x < FWidth; ++x) {
            TRGBQuad q = Pixel(x, y);
            dst[3 * x] = q.Blue;
            dst[3 * x + 1] = q.Green;
            dst[3 * x + 2] = q.Red;
        }
    }
    return out;
}

std::size_t ReadDIB(const std::uint8_t *data, std::size_t size, std::size_t bitsOffset, bool halfHeight,
                    TBitmap &out) {
    if (size < 12) Invalid();
    std::uint32_t headerSize = Get32(data);
    std::int64_t width, height;
    int planes, depth;
    std::uint32_t compression = 0, colorsUsed = 0;
    bool core = headerSize == 12;
    if (core) {
        width = Get16(data + 4);
        height = Get16(data + 6);
        planes = Get16(data + 8);
        depth = Get16(data + 10);
    } else {
        if (headerSize < 40 || headerSize > size) Invalid();
        width = static_cast<std::int32_t>(Get32(data + 4));
        height = static_cast<std::int32_t>(Get32(data + 8));
        planes = Get16(data + 12);
        depth = Get16(data + 14);
        compression = Get32(data + 16);
        colorsUsed = Get32(data + 32);
    }
    bool topDown = height < 0;
    if (topDown) height = -height;
    if (halfHeight) height /= 2;
    if (planes != 1 || !IsDepth(depth) || width <= 0 || height <= 0) Invalid();
    // Only the raw forms, the run-length forms of their own depth and colour masks.
    bool rle8 = compression == 1, rle4 = compression == 2, fields = compression == 3 || compression == 6;
    if (compression > 3 && compression != 6) Invalid();
    if ((rle8 && depth != 8) || (rle4 && depth != 4) || (fields && depth != 16 && depth != 32)) Invalid();
    if ((rle8 || rle4) && topDown) Invalid();

    std::size_t pos = headerSize;
    std::array<std::uint32_t, 3> masks = depth == 16 ? DefaultMasks16 : DefaultMasks32;
    if (fields) {
        if (headerSize >= 52) {
            masks = {Get32(data + 40), Get32(data + 44), Get32(data + 48)};
        } else {
            std::size_t n = compression == 6 ? 16 : 12;
            if (pos + n > size) Invalid();
            masks = {Get32(data + pos), Get32(data + pos + 4), Get32(data + pos + 8)};
            pos += n;
        }
    }
    std::size_t paletteCount = 0;
    if (depth <= 8) {
        std::size_t full = std::size_t{1} << depth;
        paletteCount = colorsUsed == 0 ? full : std::min<std::size_t>(colorsUsed, full);
    } else if (!core) {
        // A palette beside true-colour pixels is only a display hint; skip it.
        if (colorsUsed > 65536) Invalid();
        pos += static_cast<std::size_t>(colorsUsed) * 4;
    }
    std::size_t entry = core ? 3 : 4;
    if (pos + paletteCount * entry > size) Invalid();

    out.SetSize(static_cast<int>(width), static_cast<int>(height), depth);
    if (depth <= 8) {
        out.Palette().assign(paletteCount, TRGBQuad{});
        for (std::size_t i = 0; i < paletteCount; ++i) {
            const std::uint8_t *e = data + pos + i * entry;
            out.Palette()[i] = TRGBQuad{e[0], e[1], e[2], 0};
        }
    } else if (depth == 16 || depth == 32) {
        out.Masks() = masks;
    }
    pos += paletteCount * entry;
    if (bitsOffset != 0) pos = bitsOffset;
    if (pos > size) pos = size;

    const std::uint8_t *bits = data + pos;
    std::size_t avail = size - pos;
    if (rle8 || rle4) {
        DecodeRLE(bits, avail, out, rle4);
        return size;
    }
    // A file cut short keeps the rows it has; the rest stay zero.
    const std::size_t stride = static_cast<std::size_t>(out.Stride());
    const std::size_t rows = static_cast<std::size_t>(height);
    for (std::size_t r = 0; r < rows; ++r) {
        std::size_t from = r * stride;
        if (from >= avail) break;
        std::size_t n = std::min(stride, avail - from);
        std::size_t to = topDown ? (rows - 1 - r) * stride : r * stride;
        std::memcpy(out.Bits() + to, bits + from, n);
    }
    return pos + std::min(avail, rows * stride);
}

void TBitmap::LoadFromDIB(const std::uint8_t *data, std::size_t size) {
    TBitmap tmp;
    ReadDIB(data, size, 0, false, tmp);
    Assign(tmp);
}

void TBitmap::LoadFromBytes(const std::uint8_t *data, std::size_t size) {
    if (size < 14 + 12 || data[0] != 'B' || data[1] != 'M') Invalid();
    std::uint32_t offBits = Get32(data + 10);
    std::size_t bitsOffset = 0;
    // A pixel offset that points into the headers or past the end is ignored.
    if (offBits > 14 && offBits <= size) bitsOffset = offBits - 14;
    TBitmap tmp;
    std::uint32_t headerSize = Get32(data + 14);
    if (bitsOffset != 0 && bitsOffset < headerSize) bitsOffset = 0;
    ReadDIB(data + 14, size - 14, bitsOffset, false, tmp);
    Assign(tmp);
}

void TBitmap::LoadFromStream(TStream &stream) {
    auto bytes = stream.ReadRest();
    LoadFromBytes(bytes.data(), bytes.size());
}

void TBitmap::SaveToStream(TStream &stream) const {
    std::vector<std::uint8_t> h;
    bool fields = (FDepth == 16 && FMasks != DefaultMasks16) || (FDepth == 32 && FMasks != DefaultMasks32);
    std::uint32_t paletteBytes = FDepth <= 8 ? static_cast<std::uint32_t>(FPalette.size()) * 4 : 0;
    std::uint32_t offBits = 14 + 40 + (fields ? 12 : 0) + paletteBytes;
    h.reserve(offBits);
    h.push_back('B');
    h.push_back('M');
    Put32(h, offBits + static_cast<std::uint32_t>(FBits.size()));
    Put32(h, 0);
    Put32(h, offBits);
    Put32(h, 40);
    Put32(h, static_cast<std::uint32_t>(FWidth));
    Put32(h, static_cast<std::uint32_t>(FHeight));
    Put16(h, 1);
    Put16(h, static_cast<std::uint32_t>(FDepth));
    Put32(h, fields ? 3 : 0);
    Put32(h, static_cast<std::uint32_t>(FBits.size()));
    Put32(h, 3780); // 96 dots per inch
    Put32(h, 3780);
    Put32(h, FDepth <= 8 ? static_cast<std::uint32_t>(FPalette.size()) : 0);
    Put32(h, 0);
    if (fields)
        for (auto m : FMasks)
            Put32(h, m);
    if (FDepth <= 8)
        for (auto q : FPalette) {
            h.push_back(q.Blue);
            h.push_back(q.Green);
            h.push_back(q.Red);
            h.push_back(0);
        }
    stream.WriteBuffer(h.data(), h.size());
    if (!FBits.empty()) stream.WriteBuffer(FBits.data(), FBits.size());
}

} // namespace kadrolin
