#include "platform/graphics/metafile.h"

#include <stdexcept>

namespace kadrolin {

void TMetafile::LoadFromStream(TStream &stream) {
    auto bytes = stream.ReadRest();
    LoadFromBytes(bytes.data(), bytes.size());
}

void TMetafile::LoadFromBytes(const std::uint8_t *data, std::size_t size) {
    TMetafileHeader header;
    if (size == 0 || !ReadMetafileHeader(data, size, header) || header.Width < 0 || header.Height < 0)
        throw std::runtime_error("Metafile is not valid");
    FData.assign(data, data + size);
    FHeader = header;
    Changed();
}

void TMetafile::SaveToStream(TStream &stream) const {
    if (!FData.empty()) stream.WriteBuffer(FData.data(), FData.size());
}

int TMetafile::Play(std::uint8_t *bgrx, int width, int height) const {
    if (FData.empty()) return 1;
    return PlayMetafile(FData.data(), FData.size(), bgrx, width, height);
}

} // namespace kadrolin
