#pragma once
// The JPEG file graphic: a bitmap that loads from and saves to JPEG through
// temporary codec components with default settings.
#include "pictures/jpegcodec.h"

namespace kadrolin {

class TJPEGBitmap : public TBitmap {
  public:
    TJPEGBitmap() = default;
    TJPEGBitmap(const TJPEGBitmap &other) : TBitmap(other) {}
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TJPEGBitmap>(*this); }

    // Set while saving to a file whose extension is not "jpg" or "jpeg":
    // the plain bitmap format is written then.
    bool SaveAsBitmap = false;

    void LoadFromStream(TStream &stream) override;
    void SaveToStream(TStream &stream) const override;
    void SaveToFile(const std::string &fileName) override;

  private:
    TJPEGStreamDecompressor *FDecoder = nullptr;
    mutable TJPEGStreamCompressor *FEncoder = nullptr;
};

// At program start, before any window exists: "jpg" and "jpeg" open as
// TJPEGBitmap ("JPEG Image"), and codec warnings without a handler of their
// own are shown in a warning box. Unregister removes both again.
void RegisterJPEGBitmap();
void UnregisterJPEGBitmap();
// The warning box alone: a modal warning message with one OK button.
void InstallJPEGWarningBox();

} // namespace kadrolin
