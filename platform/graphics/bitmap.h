#pragma once
// A device-independent bitmap: bottom-up rows padded to 4 bytes, pixels in
// blue-green-red order, a palette for depths 1, 4 and 8, and colour masks for
// depths 16 and 32. The depth a file had is kept, because how a photo is
// stored depends on it.
#include "platform/graphics/graphic.h"

#include <array>
#include <cstdint>
#include <vector>

namespace kadrolin {

struct TRGBQuad {
    std::uint8_t Blue = 0, Green = 0, Red = 0, Reserved = 0;
    bool operator==(const TRGBQuad &) const = default;
};

// A bitmap larger than this is refused before any pixel buffer exists, so a
// small file with a huge header cannot take the machine's memory.
constexpr std::int64_t MaxBitmapPixels = 100'000'000;
constexpr std::int64_t MaxBitmapBytes = 512ll * 1024 * 1024;

class TBitmap : public TGraphic {
  public:
    TBitmap() = default;
    TBitmap(int width, int height, int depth) { SetSize(width, height, depth); }

    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TBitmap>(*this); }
    bool Empty() const override { return FWidth == 0 || FHeight == 0; }
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    int Depth() const { return FDepth; }

    // New zero-filled pixels; depths 1, 4, 8 get a default palette (black and
    // white, or a gray ramp), 16 and 32 the default colour masks.
    void SetSize(int width, int height, int depth);
    void Assign(const TBitmap &source);

    static int StrideFor(int width, int depth) {
        return static_cast<int>(((static_cast<std::int64_t>(width) * depth + 31) / 32) * 4);
    }
    int Stride() const { return StrideFor(FWidth, FDepth); }
    // Row y counted from the top of the image.
    std::uint8_t *ScanLine(int y) {
        return FBits.data() + static_cast<std::size_t>(FHeight - 1 - y) * Stride();
    }
    const std::uint8_t *ScanLine(int y) const {
        return FBits.data() + static_cast<std::size_t>(FHeight - 1 - y) * Stride();
    }
    // All rows, bottom row first.
    std::uint8_t *Bits() { return FBits.data(); }
    const std::uint8_t *Bits() const { return FBits.data(); }
    std::size_t BitsSize() const { return FBits.size(); }

    std::vector<TRGBQuad> &Palette() { return FPalette; }
    const std::vector<TRGBQuad> &Palette() const { return FPalette; }
    // Red, green and blue masks of a 16- or 32-bit bitmap.
    std::array<std::uint32_t, 3> &Masks() { return FMasks; }
    const std::array<std::uint32_t, 3> &Masks() const { return FMasks; }

    // The colour of one pixel (x from the left, y from the top), whatever the depth.
    TRGBQuad Pixel(int x, int y) const;
    // A 24-bit copy; the palette or masks applied.
    TBitmap ToDepth24() const;

    // BMP file (with its file header).
    void LoadFromStream(TStream &stream) override;
    void SaveToStream(TStream &stream) const override;
    void LoadFromBytes(const std::uint8_t *data, std::size_t size);
    // A packed device-independent bitmap: info header, masks, palette, pixels (the clipboard's form).
    void LoadFromDIB(const std::uint8_t *data, std::size_t size);

  protected:
    int FWidth = 0, FHeight = 0, FDepth = 24;
    std::vector<TRGBQuad> FPalette;
    std::array<std::uint32_t, 3> FMasks{0, 0, 0};
    std::vector<std::uint8_t> FBits;
};

// Message of every malformed BMP or DIB.
inline constexpr const char *InvalidBitmapMessage = "Bitmap image is not valid";

// Parses a packed DIB. bitsOffset is where the pixels start, counted from
// data (0: right after the palette). halfHeight: an icon image, whose header
// counts the mask rows too. Returns the offset just past the pixel rows.
std::size_t ReadDIB(const std::uint8_t *data, std::size_t size, std::size_t bitsOffset, bool halfHeight,
                    TBitmap &out);

} // namespace kadrolin
