#pragma once
// Photos that come from another file: an Access OLE object (the "Paint.Picture"
// / PBrush wrapper around a bitmap), a raw JPEG or BMP stream. Each is decoded
// into a bitmap and encoded afresh by our encoder, as a photo loaded from a
// file is when its record is stored.
#include <string>
#include <string_view>

namespace kadrolin::exchange {

// The picture inside an OLE object wrapper; the bytes themselves when they are
// not wrapped.
std::string_view UnwrapOlePicture(std::string_view bytes);

// The stored form of the picture: a JPEG stream of our encoder with its
// default settings. Fails with the decoder's or encoder's message.
std::string PhotoToJpeg(std::string_view bytes);

} // namespace kadrolin::exchange
