#pragma once
// An icon file (.ico): loads and shows, and saves back its own bytes, but is
// not a photo that can be stored.
#include "platform/graphics/bitmap.h"

namespace kadrolin {

class TIcon : public TGraphic {
  public:
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TIcon>(*this); }
    bool Empty() const override { return FData.empty(); }
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }

    // Fails with "Icon image is not valid".
    void LoadFromStream(TStream &stream) override;
    void LoadFromBytes(const std::uint8_t *data, std::size_t size);
    void SaveToStream(TStream &stream) const override;

    // The largest image of the file as a 32-bit bitmap; the transparent parts
    // (mask bits, or alpha 0) have reserved byte 0, opaque ones 255.
    const TBitmap &Image() const { return FImage; }
    const std::vector<std::uint8_t> &Data() const { return FData; }

  private:
    std::vector<std::uint8_t> FData;
    TBitmap FImage;
    int FWidth = 0, FHeight = 0;
};

} // namespace kadrolin
