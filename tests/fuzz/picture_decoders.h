#pragma once
// One input through every reader of untrusted picture bytes: the JPEG
// decoder (colour and gray), the BMP reader and the icon reader. Shared by
// the libFuzzer target and the corpus replay in the test suite.
#include "pictures/jpegcodec.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/icon.h"

#include <cstdint>
#include <cstring>

namespace kadrolin_fuzz {

// Decoding is the slow part; inputs declaring big images are only read up
// to their header, which is where the size guard works.
constexpr std::int64_t MaxFuzzPixels = 1 << 22;

inline void DecodeJPEG(const std::uint8_t *data, std::size_t size, bool gray) {
    using namespace kadrolin;
    TJPEGStreamDecompressor d;
    d.GrayScaleOutput = gray;
    d.SetBufferSize(gray ? 4096 : 64);
    d.OnWarning = [](TJPEGBase &, const std::string &) {};
    d.OnJPEGComment = [](TJPEGBase &, const char *) {};
    d.OnJPEGMarker = [&](TJPEGBase &, int marker, bool &done) {
        // Odd markers are consumed by the handler itself.
        if (marker % 2 == 0) return;
        int len = d.ReadMarkerByte() << 8;
        len |= d.ReadMarkerByte();
        for (int i = 2; i < len; ++i)
            d.ReadMarkerByte();
        done = true;
    };
    TMemoryStream s(data, size);
    try {
        d.AttachSource(s);
        const auto &info = d.Info();
        if (static_cast<std::int64_t>(info.output_width) * info.output_height <= MaxFuzzPixels) {
            auto b = d.DecompressToBitmap();
            if (b->Empty()) __builtin_trap();
        }
    } catch (const std::exception &) {
    }
    d.DetachSource();
}

inline void DecodeBitmap(const std::uint8_t *data, std::size_t size) {
    using namespace kadrolin;
    if (size >= 26) {
        std::int32_t w, h;
        std::memcpy(&w, data + 18, 4);
        std::memcpy(&h, data + 22, 4);
        if (static_cast<std::int64_t>(w) * h > MaxFuzzPixels ||
            static_cast<std::int64_t>(w) * h < -MaxFuzzPixels)
            return;
    }
    try {
        TBitmap b;
        b.LoadFromBytes(data, size);
        if (!b.Empty() && b.Width() * static_cast<std::int64_t>(b.Height()) <= 1 << 16) (void)b.ToDepth24();
    } catch (const std::exception &) {
    }
}

inline void DecodeIcon(const std::uint8_t *data, std::size_t size) {
    try {
        kadrolin::TIcon icon;
        icon.LoadFromBytes(data, size);
    } catch (const std::exception &) {
    }
}

inline void DecodeAll(const std::uint8_t *data, std::size_t size) {
    DecodeJPEG(data, size, false);
    DecodeJPEG(data, size, true);
    DecodeBitmap(data, size);
    DecodeIcon(data, size);
}

} // namespace kadrolin_fuzz
