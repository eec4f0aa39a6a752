#include "pictures/jpegbitmap.h"

#include "platform/scopeexit.h"
#include "platform/widgets/dialogs.h"

namespace kadrolin {

namespace {
const char JPEGKind = 0;

} // namespace

void TJPEGBitmap::LoadFromStream(TStream &stream) {
    TJPEGStreamDecompressor decoder;
    FDecoder = &decoder;
    Progress(TProgressStage::Starting, 0, "Opening JPEG Image");
    TNotifyEvent previous = decoder.OnProgressReport;
    decoder.OnProgressReport = [&](TJPEGBase &sender) {
        if (previous) previous(sender);
        Progress(TProgressStage::Running, decoder.PercentDone(), "Decompressing Image");
    };
    try {
        decoder.AttachSource(stream);
        std::unique_ptr<TBitmap> bitmap;
        try {
            bitmap = decoder.DecompressToBitmap();
        } catch (...) {
            decoder.DetachSource();
            throw;
        }
        decoder.DetachSource();
        Assign(*bitmap);
    } catch (...) {
        decoder.OnProgressReport = previous;
        FDecoder = nullptr;
        Progress(TProgressStage::Ending, 100, "Decompression completed");
        throw;
    }
    decoder.OnProgressReport = previous;
    FDecoder = nullptr;
    Progress(TProgressStage::Ending, 100, "Decompression completed");
}

void TJPEGBitmap::SaveToStream(TStream &stream) const {
    if (SaveAsBitmap) {
        TBitmap::SaveToStream(stream);
        return;
    }
    TJPEGStreamCompressor encoder;
    FEncoder = &encoder;
    const auto clear = ResetOnExit(FEncoder, nullptr);
    TNotifyEvent previous = encoder.OnProgressReport;
    encoder.OnProgressReport = [&](TJPEGBase &sender) {
        if (previous) previous(sender);
        // Progress is not const, the report changes nothing of the picture.
        const_cast<TJPEGBitmap *>(this)->Progress(TProgressStage::Running, encoder.PercentDone(),
                                                  "Compressing Image");
    };
    const auto restore = ResetOnExit(encoder.OnProgressReport, previous);
    encoder.CompressBitmap(*this, stream);
}

void TJPEGBitmap::SaveToFile(const std::string &fileName) {
    const std::string ext = FileExtension(fileName);
    SaveAsBitmap = ext != "jpeg" && ext != "jpg";
    const auto clear = ResetOnExit(SaveAsBitmap, false);
    TBitmap::SaveToFile(fileName);
}

void InstallJPEGWarningBox() {
    SetJPEGWarningBox(
        [](const std::string &text) { MessageDlg(QString::fromUtf8(text.c_str()), mtWarning, mbOK); });
}

void RegisterJPEGBitmap() {
    RegisterFileFormat(
        "jpeg", "JPEG Image", [] { return std::make_unique<TJPEGBitmap>(); }, &JPEGKind);
    RegisterFileFormat(
        "jpg", "JPEG Image", [] { return std::make_unique<TJPEGBitmap>(); }, &JPEGKind);
    InstallJPEGWarningBox();
}

void UnregisterJPEGBitmap() {
    UnregisterGraphicClass(&JPEGKind);
    SetJPEGWarningBox(nullptr);
}

} // namespace kadrolin
