#pragma once
// An enhanced or Windows metafile kept as its bytes; drawn by the metafile
// player when a bitmap of it is needed.
#include "platform/graphics/bitmap.h"
#include "platform/graphics/metafile_player.h"

namespace kadrolin {

class TMetafile : public TGraphic {
  public:
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TMetafile>(*this); }
    bool Empty() const override { return FData.empty(); }
    // Pixels at screen resolution.
    int Width() const override { return FHeader.Width; }
    int Height() const override { return FHeader.Height; }
    bool Enhanced() const { return FHeader.Kind == TMetafileKind::Enhanced; }
    bool HasPalette() const { return FHeader.HasPalette; }

    // Fails with "Metafile is not valid" for bytes that are not a metafile.
    void LoadFromStream(TStream &stream) override;
    void LoadFromBytes(const std::uint8_t *data, std::size_t size);
    void SaveToStream(TStream &stream) const override;
    const std::vector<std::uint8_t> &Data() const { return FData; }

    // Plays the metafile stretched into a top-down blue-green-red-unused
    // buffer the caller filled; 0 or the player's error code.
    int Play(std::uint8_t *bgrx, int width, int height) const;

  private:
    std::vector<std::uint8_t> FData;
    TMetafileHeader FHeader;
};

} // namespace kadrolin
