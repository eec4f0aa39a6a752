#pragma once
// Plain libjpeg, called directly, as the reference the components are held to.
#include "pictures/jpegcodec.h"

#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace jt {

using Bytes = std::vector<std::uint8_t>;

struct PlainError {
    jpeg_error_mgr Mgr;
    std::jmp_buf Jump;
    static void Exit(j_common_ptr c) { std::longjmp(reinterpret_cast<PlainError *>(c->err)->Jump, 1); }
    static void Quiet(j_common_ptr, int) {}
};

struct Image {
    int Width = 0, Height = 0, Components = 0;
    Bytes Pixels; // top-down, packed, in the library's order (RGB or gray)
};

// Decodes with the library's defaults; out: JCS_RGB or JCS_GRAYSCALE.
inline bool LibDecode(const Bytes &jpeg, Image &img, J_COLOR_SPACE out = JCS_RGB) {
    jpeg_decompress_struct d;
    PlainError err;
    d.err = jpeg_std_error(&err.Mgr);
    err.Mgr.error_exit = PlainError::Exit;
    err.Mgr.emit_message = PlainError::Quiet;
    jpeg_create_decompress(&d);
    if (setjmp(err.Jump)) {
        jpeg_destroy_decompress(&d);
        return false;
    }
    jpeg_mem_src(&d, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&d, TRUE);
    d.out_color_space = out;
    jpeg_start_decompress(&d);
    img.Width = static_cast<int>(d.output_width);
    img.Height = static_cast<int>(d.output_height);
    img.Components = d.output_components;
    img.Pixels.assign(static_cast<std::size_t>(img.Width) * img.Height * img.Components, 0);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row =
            img.Pixels.data() + static_cast<std::size_t>(d.output_scanline) * img.Width * img.Components;
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return true;
}

// Encodes top-down packed pixels with the library's defaults and quality 75.
inline Bytes LibEncode(const Bytes &pixels, int w, int h, int components, J_COLOR_SPACE in,
                       const jpeg_scan_info *scans = nullptr, int numScans = 0, bool adobe = false,
                       J_COLOR_SPACE store = JCS_UNKNOWN) {
    jpeg_compress_struct c;
    PlainError err;
    c.err = jpeg_std_error(&err.Mgr);
    err.Mgr.error_exit = PlainError::Exit;
    jpeg_create_compress(&c);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    if (setjmp(err.Jump)) {
        jpeg_destroy_compress(&c);
        std::free(out);
        return {};
    }
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = components;
    c.in_color_space = in;
    jpeg_set_defaults(&c);
    if (store != JCS_UNKNOWN) jpeg_set_colorspace(&c, store);
    if (adobe) c.write_Adobe_marker = TRUE;
    jpeg_set_quality(&c, 75, TRUE);
    if (scans) {
        c.scan_info = scans;
        c.num_scans = numScans;
    }
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(pixels.data()) + static_cast<std::size_t>(c.next_scanline) * w * components;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes result(out, out + size);
    std::free(out);
    return result;
}

// A photo-like 24-bit bitmap: smooth gradients with a few edges.
inline kadrolin::TBitmap Photo(int w, int h) {
    kadrolin::TBitmap b(w, h, 24);
    for (int y = 0; y < h; ++y) {
        std::uint8_t *row = b.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = static_cast<std::uint8_t>((x * 255) / (w > 1 ? w - 1 : 1));
            row[3 * x + 1] = static_cast<std::uint8_t>((y * 255) / (h > 1 ? h - 1 : 1));
            row[3 * x + 2] = static_cast<std::uint8_t>(((x / 8 + y / 8) % 2) ? 200 : 40);
        }
    }
    return b;
}

// The bitmap's pixels top-down in red-green-blue order.
inline Bytes ToRGB(const kadrolin::TBitmap &b) {
    Bytes out;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            auto q = b.Pixel(x, y);
            out.push_back(q.Red);
            out.push_back(q.Green);
            out.push_back(q.Blue);
        }
    return out;
}

inline Bytes Encode(kadrolin::TJPEGStreamCompressor &c, const kadrolin::TBitmap &b) {
    kadrolin::TMemoryStream s;
    c.CompressBitmap(b, s);
    return s.Data();
}

inline Bytes Encode(const kadrolin::TBitmap &b) {
    kadrolin::TJPEGStreamCompressor c;
    return Encode(c, b);
}

inline std::unique_ptr<kadrolin::TBitmap> Decode(kadrolin::TJPEGStreamDecompressor &d, const Bytes &jpeg) {
    kadrolin::TMemoryStream s(jpeg);
    d.AttachSource(s);
    std::unique_ptr<kadrolin::TBitmap> b;
    try {
        b = d.DecompressToBitmap();
    } catch (...) {
        d.DetachSource();
        throw;
    }
    d.DetachSource();
    return b;
}

struct Segment {
    int Marker;
    Bytes Data; // without the length
};

// The marker segments before the first scan's data.
inline std::vector<Segment> Segments(const Bytes &j) {
    std::vector<Segment> out;
    std::size_t i = 2;
    while (i + 4 <= j.size() && j[i] == 0xFF) {
        int m = j[i + 1];
        std::size_t len = (j[i + 2] << 8) | j[i + 3];
        out.push_back(
            {m, Bytes(j.begin() + static_cast<long>(i + 4), j.begin() + static_cast<long>(i + 2 + len))});
        if (m == 0xDA) break;
        i += 2 + len;
    }
    return out;
}

inline int Count(const std::vector<Segment> &s, int marker) {
    int n = 0;
    for (const auto &x : s)
        n += x.Marker == marker;
    return n;
}

inline const Segment *Find(const std::vector<Segment> &s, int marker) {
    for (const auto &x : s)
        if (x.Marker == marker) return &x;
    return nullptr;
}

// The message of what f throws ("" when nothing).
template <class F> std::string ErrorOf(F &&f) {
    try {
        f();
    } catch (const std::exception &e) {
        return e.what();
    }
    return "";
}

} // namespace jt
