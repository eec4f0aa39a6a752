#include "exchange/photo.h"

#include "exchange/exchange.h"
#include "pictures/jpegcodec.h"

#include <cstdint>
#include <cstring>

namespace kadrolin::exchange {

namespace {

std::uint32_t U32(std::string_view b, size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
    return v;
}
std::uint16_t U16(std::string_view b, size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned char>(b[at + 1]) << 8));
}

bool IsJpeg(std::string_view b) {
    return b.size() >= 3 && b.substr(0, 3) == "\xFF\xD8\xFF";
}
bool IsBmp(std::string_view b) {
    return b.size() >= 26 && b.substr(0, 2) == "BM";
}

// The OLE 1.0 embedded-object stream: version, format, then three
// length-prefixed strings (class, topic, item) and the length-prefixed native data.
std::string_view OleNativeData(std::string_view b) {
    size_t at = 8; // version and format
    if (b.size() < at + 4 || U32(b, 4) != 2) return {};
    for (int i = 0; i < 3; ++i) {
        if (b.size() < at + 4) return {};
        std::uint32_t len = U32(b, at);
        at += 4;
        if (len > b.size() - at) return {};
        at += len;
    }
    if (b.size() < at + 4) return {};
    std::uint32_t len = U32(b, at);
    at += 4;
    if (len > b.size() - at) return {};
    return b.substr(at, len);
}

} // namespace

std::string_view UnwrapOlePicture(std::string_view bytes) {
    // The Access wrapper: signature 0x1C15, its own length, then the OLE stream.
    if (bytes.size() >= 4 && U16(bytes, 0) == 0x1C15) {
        std::uint16_t headerSize = U16(bytes, 2);
        if (headerSize < bytes.size()) {
            std::string_view native = OleNativeData(bytes.substr(headerSize));
            if (IsBmp(native) || IsJpeg(native)) return native;
        }
    }
    return bytes;
}

std::string PhotoToJpeg(std::string_view bytes) {
    std::string_view picture = UnwrapOlePicture(bytes);
    std::unique_ptr<TBitmap> bitmap;
    if (IsJpeg(picture)) {
        TJPEGStreamDecompressor decoder;
        decoder.OnWarning = [](TJPEGBase &, const std::string &) {}; // as far as it decodes, it is the photo
        TMemoryStream source(picture.data(), picture.size());
        decoder.AttachSource(source);
        try {
            bitmap = decoder.DecompressToBitmap();
        } catch (...) {
            decoder.DetachSource();
            throw;
        }
        decoder.DetachSource();
    } else if (IsBmp(picture)) {
        bitmap = std::make_unique<TBitmap>();
        bitmap->LoadFromBytes(reinterpret_cast<const std::uint8_t *>(picture.data()), picture.size());
    } else if (picture.size() >= 40 && U32(picture, 0) == 40) {
        bitmap = std::make_unique<TBitmap>();
        bitmap->LoadFromDIB(reinterpret_cast<const std::uint8_t *>(picture.data()), picture.size());
    } else {
        throw EExchangeError("resim tanınmayan biçimde (JPEG ya da bitmap değil)");
    }
    TJPEGStreamCompressor encoder;
    TMemoryStream out;
    encoder.CompressBitmap(*bitmap, out);
    const auto &d = out.Data();
    return std::string(reinterpret_cast<const char *>(d.data()), d.size());
}

} // namespace kadrolin::exchange
