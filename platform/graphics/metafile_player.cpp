// The player's entry points: reading a metafile's header, and playing it
// into a caller's pixel buffer with the family's records.
#include "platform/graphics/metafile_player.h"

#include "platform/graphics/metafile_internal.h"

namespace kadrolin {

using namespace metafile;

namespace {

// A picture larger than the player can draw is refused at the header, so no
// caller allocates a bitmap for it.
bool SetSize(TMetafileHeader &h, double px, double py, double mmx, double mmy) {
    if (!(px >= 1 && py >= 1 && px <= kMaxTargetSide && py <= kMaxTargetSide)) return false;
    h.Width = int(std::lround(px));
    h.Height = int(std::lround(py));
    h.MMWidth = int(std::lround(mmx));
    h.MMHeight = int(std::lround(mmy));
    return true;
}

} // namespace

bool ReadMetafileHeader(const std::uint8_t *data, std::size_t size, TMetafileHeader &header) {
    if (!data || size < 18) return false;
    TSpan s{data, size};
    if (s.U32(0) == U_EMR_HEADER && size >= 88 && s.U32(40) == 0x464D4520) { // " EMF"
        std::uint32_t n = s.U32(4);
        if (n < 88 || n > size) return false;
        QRectF bounds = s.RectL(8), frame = s.RectL(24);
        double mmW = frame.right() - frame.left(), mmH = frame.bottom() - frame.top();
        TMetafileHeader h;
        h.Kind = TMetafileKind::Enhanced;
        if (mmW > 0 && mmH > 0) {
            if (!SetSize(h, mmW * kDefaultDpi / 2540.0, mmH * kDefaultDpi / 2540.0, mmW, mmH)) return false;
        } else {
            double w = bounds.right() - bounds.left() + 1, hh = bounds.bottom() - bounds.top() + 1;
            if (!SetSize(h, w, hh, w * 2540.0 / kDefaultDpi, hh * 2540.0 / kDefaultDpi)) return false;
        }
        h.HasPalette = s.U32(68) > 0;
        if (s.Bad) return false;
        header = h;
        return true;
    }
    TWmfLayout w;
    if (!ReadWmfLayout(data, size, w)) return false;
    TMetafileHeader h;
    h.Kind = TMetafileKind::Windows;
    double bw = std::fabs(w.Box.width()), bh = std::fabs(w.Box.height());
    if (!SetSize(h, bw * kDefaultDpi / w.Inch, bh * kDefaultDpi / w.Inch, bw * 2540.0 / w.Inch,
                 bh * 2540.0 / w.Inch))
        return false;
    header = h;
    return true;
}

int PlayMetafile(const std::uint8_t *data, std::size_t size, std::uint8_t *bgrx, int width, int height) {
    if (!bgrx || width <= 0 || height <= 0 || width > kMaxTargetSide || height > kMaxTargetSide)
        return MetafileBadTarget;
    TMetafileHeader header;
    if (!data || !ReadMetafileHeader(data, size, header)) return MetafileNotMetafile;
    // libUEMF reads records through struct pointers: give it aligned bytes.
    std::vector<std::uint32_t> aligned((size + 3) / 4);
    std::memcpy(aligned.data(), data, size);
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(aligned.data());

    QImage img(bgrx, width, height, width * 4, QImage::Format_RGB32);
    TPlayer player(img);
    if (!player.Begin()) return MetafileBadTarget;
    int rc =
        header.Kind == TMetafileKind::Enhanced ? player.PlayEmf(bytes, size) : player.PlayWmf(bytes, size);
    player.End();
    return rc;
}

} // namespace kadrolin
