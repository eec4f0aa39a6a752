#include "pictures/jpegcodec.h"
#include "platform/scopeexit.h"

#include <jerror.h>

#include <cmath>
#include <cstdarg>
#include <cstring>
#include <utility>

namespace kadrolin {

namespace {

std::function<void(const std::string &)> &WarningBox() {
    static std::function<void(const std::string &)> box;
    return box;
}

TJPEGBase *Self(j_common_ptr c) {
    return static_cast<TJPEGBase *>(c->client_data);
}

std::string Format(const char *fmt, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

// A stream that keeps giving nothing gets an end-of-image marker each time
// the codec asks; past this many in a row the codec is looping, not ending.
constexpr int MaxEmptyFills = 64;

} // namespace

std::function<void(const std::string &)> SetJPEGWarningBox(std::function<void(const std::string &)> box) {
    auto previous = std::move(WarningBox());
    WarningBox() = std::move(box);
    return previous;
}

// ---------------------------------------------------------------------------
// TJPEGBase

TJPEGBase::TJPEGBase() {
    jpeg_std_error(&FErr);
    FErr.error_exit = ErrorExitThunk;
    FErr.emit_message = EmitMessageThunk;
    FErr.output_message = OutputMessageThunk;
    FProgress.progress_monitor = ProgressThunk;
}

TJPEGBase::~TJPEGBase() = default;

void TJPEGBase::InitCodec() {
    Guarded([this] { AttachCodec(&FErr); });
}

bool TJPEGBase::CallGuarded(void (*fn)(void *), void *ctx) {
    std::jmp_buf jb;
    std::jmp_buf *volatile previous = FJump;
    FJump = &jb;
    if (setjmp(jb) != 0) {
        FJump = previous;
        return false;
    }
    try {
        fn(ctx);
    } catch (...) {
        // Something of ours threw outside a callback (out of memory): the
        // codec goes back to idle all the same.
        FPending = std::current_exception();
        AbortCodec();
        FJump = previous;
        return false;
    }
    FJump = previous;
    return true;
}

void TJPEGBase::RaiseAtBoundary() {
    auto pending = std::exchange(FPending, nullptr);
    if (pending) std::rethrow_exception(pending);
    throw EJPEGError("JPEG error");
}

void TJPEGBase::RethrowPending() {
    auto pending = std::exchange(FPending, nullptr);
    if (pending) std::rethrow_exception(pending);
    throw EJPEGError("JPEG error");
}

void TJPEGBase::Jump() {
    if (!FJump) {
        // A libjpeg call outside every run boundary: a fault of ours, and
        // returning into libjpeg would be worse.
        std::fputs("JPEG error outside a run boundary\n", stderr);
        std::abort();
    }
    std::longjmp(*FJump, 1);
}

void TJPEGBase::FailFromCallback() {
    AbortCodec();
    Jump();
}

void TJPEGBase::Fail(const char *text) {
    try {
        FPending = std::make_exception_ptr(EJPEGError(text));
    } catch (...) {
        FPending = std::current_exception();
    }
    AbortCodec();
    Jump();
}

void TJPEGBase::FailCode(int code) {
    char buf[JMSG_LENGTH_MAX];
    FErr.msg_code = code;
    std::memset(&FErr.msg_parm, 0, sizeof FErr.msg_parm);
    FErr.format_message(FCodec, buf);
    Fail(buf);
}

std::string TJPEGBase::CodecMessage(int code) {
    char buf[JMSG_LENGTH_MAX];
    FErr.msg_code = code;
    std::memset(&FErr.msg_parm, 0, sizeof FErr.msg_parm);
    FErr.format_message(FCodec, buf);
    return buf;
}

void TJPEGBase::AbortCodec() {
    if (!FCodec || !FCodec->mem || FAborting) return;
    FAborting = true;
    jpeg_abort(FCodec);
    FAborting = false;
    // An error raised by a libjpeg call made from inside a handler has just
    // aborted the run that called the handler: that run must not go on,
    // even if the handler swallows the error.
    if (FCallbackDepth > 0) FAbortRequested = true;
}

void TJPEGBase::AbortCoding() {
    if (FInProgressCallback || FCallbackDepth > 0) {
        FAbortRequested = true;
        return;
    }
    AbortCodec();
}

void TJPEGBase::BeginRun() {
    FErr.num_warnings = 0;
    FAbortRequested = false;
    FPending = nullptr;
}

void TJPEGBase::ErrorExit() {
    char buf[JMSG_LENGTH_MAX];
    FErr.format_message(FCodec, buf);
    try {
        FPending = std::make_exception_ptr(EJPEGError(buf));
    } catch (...) {
        FPending = std::current_exception();
    }
    AbortCodec();
    Jump();
}

void TJPEGBase::EmitMessage(int level) {
    bool deliver;
    if (level < 0) {
        deliver = FErr.num_warnings == 0 || FErr.trace_level >= 3;
        ++FErr.num_warnings;
    } else {
        deliver = level <= FErr.trace_level;
    }
    if (!deliver) return;
    char buf[JMSG_LENGTH_MAX];
    FErr.format_message(FCodec, buf);
    std::string text(buf);
    if (OnWarning) {
        auto call = [&] { OnWarning(*this, text); };
        Invoke(call);
    } else if (WarningBox()) {
        auto box = WarningBox();
        auto call = [&] { box(text); };
        Invoke(call);
    }
}

void TJPEGBase::ProgressMonitor() {
    if (!OnProgressReport) return;
    FInProgressCallback = true;
    const auto reset = ResetOnExit(FInProgressCallback, false);
    OnProgressReport(*this);
}

int TJPEGBase::PercentDone() const {
    if (FProgress.total_passes <= 0) return 0;
    double part =
        FProgress.pass_limit > 0 ? static_cast<double>(FProgress.pass_counter) / FProgress.pass_limit : 0.0;
    return static_cast<int>(
        std::lround((part + FProgress.completed_passes) / FProgress.total_passes * 100.0));
}

void TJPEGBase::CompleteProgress() {
    FProgress.pass_counter = 0;
    FProgress.completed_passes = FProgress.total_passes;
    Callback([this] { ProgressMonitor(); });
}

void TJPEGBase::ErrorExitThunk(j_common_ptr c) {
    Self(c)->ErrorExit();
}

void TJPEGBase::EmitMessageThunk(j_common_ptr c, int level) {
    TJPEGBase *self = Self(c);
    self->Callback([&] { self->EmitMessage(level); });
}

// Every message reaches us through EmitMessage; nothing goes to stderr.
void TJPEGBase::OutputMessageThunk(j_common_ptr) {}

void TJPEGBase::ProgressThunk(j_common_ptr c) {
    TJPEGBase *self = Self(c);
    self->Callback([self] { self->ProgressMonitor(); });
}

// ---------------------------------------------------------------------------
// TJPEGCompressor

namespace {
TJPEGCompressor *Compressor(j_compress_ptr c) {
    return static_cast<TJPEGCompressor *>(c->client_data);
}
} // namespace

TJPEGCompressor::TJPEGCompressor() {
    InitCodec();
    FDest.init_destination = InitDestinationThunk;
    FDest.empty_output_buffer = EmptyOutputBufferThunk;
    FDest.term_destination = TermDestinationThunk;
    Guarded([this] {
        FInfo.input_components = 3;
#ifdef JCS_EXTENSIONS
        FInfo.in_color_space = JCS_EXT_BGR;
#else
        FInfo.in_color_space = JCS_RGB;
#endif
        jpeg_set_defaults(&FInfo);
        FInfo.dest = &FDest;
        FInfo.progress = &FProgress;
        FInfo.mem->max_memory_to_use = MaxJPEGBytes;
        jpeg_set_quality(&FInfo, FQuality, TRUE);
        for (int i = 0; i < NUM_HUFF_TBLS; ++i) {
            if (FInfo.dc_huff_tbl_ptrs[i]) FStdDC[i] = *FInfo.dc_huff_tbl_ptrs[i];
            if (FInfo.ac_huff_tbl_ptrs[i]) FStdAC[i] = *FInfo.ac_huff_tbl_ptrs[i];
        }
    });
}

TJPEGCompressor::~TJPEGCompressor() {
    jpeg_destroy_compress(&FInfo);
}

void TJPEGCompressor::AttachCodec(jpeg_error_mgr *err) {
    FInfo.err = err;
    FInfo.client_data = static_cast<TJPEGBase *>(this);
    FCodec = reinterpret_cast<j_common_ptr>(&FInfo);
    jpeg_create_compress(&FInfo);
}

void TJPEGCompressor::SetQuality(int quality) {
    if (FRunning) throw EJPEGError("Cannot change the quality while coding");
    FQuality = quality;
    Guarded([&] { jpeg_set_quality(&FInfo, quality, TRUE); });
}

void TJPEGCompressor::WriteMarker(int code, const std::string &data) {
    if (!FInWriteMarkers) throw EJPEGError("Markers can only be written from OnWriteMarkers");
    if (!((code >= JPEG_APP0 && code <= JPEG_APP0 + 15) || code == JPEG_COM))
        throw EJPEGError(Format("Invalid JPEG marker code 0x%02x", code));
    if (data.size() > 65533) throw EJPEGError(CodecMessage(JERR_BAD_LENGTH));
    FMarkers.emplace_back(code, data);
}

void TJPEGCompressor::EncodeDIB(const std::uint8_t *bits, int width, int height, int depth,
                                const TRGBQuad *palette) {
    if (depth != 4 && depth != 8 && depth != 24)
        throw EJPEGError(Format("Unable to compress at %d bit resolution", depth));
    if (FRunning) throw EJPEGError("A JPEG run is already in progress");
#ifdef JCS_EXTENSIONS
    const bool needRow = depth != 24;
#else
    const bool needRow = true;
#endif
    std::vector<std::uint8_t> rowBuffer(
        needRow ? 3 * ((static_cast<std::size_t>(width) + 3) & ~std::size_t{3}) : 0);
    const std::size_t stride = static_cast<std::size_t>(TBitmap::StrideFor(width, depth));
    FMarkers.clear();
    BeginRun();
    FRunning = true;
    const auto running = ResetOnExit(FRunning, false);
    const auto inMarkers = ResetOnExit(FInWriteMarkers, false);
    std::uint8_t *rb = rowBuffer.data();

    Guarded([&] {
        FInfo.image_width = static_cast<JDIMENSION>(width);
        FInfo.image_height = static_cast<JDIMENSION>(height);
        FInfo.input_components = 3;
#ifdef JCS_EXTENSIONS
        FInfo.in_color_space = JCS_EXT_BGR;
#else
        FInfo.in_color_space = JCS_RGB;
#endif
        jpeg_set_defaults(&FInfo);
        for (int i = 0; i < NUM_HUFF_TBLS; ++i) {
            if (FInfo.dc_huff_tbl_ptrs[i]) *FInfo.dc_huff_tbl_ptrs[i] = FStdDC[i];
            if (FInfo.ac_huff_tbl_ptrs[i]) *FInfo.ac_huff_tbl_ptrs[i] = FStdAC[i];
        }
        FInfo.input_gamma = FInputGamma;
        FInfo.dct_method = FDCTMethod;
        FInfo.optimize_coding = FOptimizeCoding ? TRUE : FALSE;
        FInfo.restart_interval = FRestartInterval;
        FInfo.restart_in_rows = FRestartInRows;
        FInfo.smoothing_factor = FSmoothingFactor;
        FInfo.write_JFIF_header = FWriteJFIFHeader ? TRUE : FALSE;
        FInfo.density_unit = FDensityUnit;
        FInfo.X_density = FXDensity;
        FInfo.Y_density = FYDensity;
        jpeg_set_quality(&FInfo, FQuality, TRUE);
        jpeg_set_colorspace(&FInfo, GrayscaleOutput ? JCS_GRAYSCALE : JCS_YCbCr);
        if (ProgressiveJPEG) jpeg_simple_progression(&FInfo);
        if (!WriteAllTables) jpeg_suppress_tables(&FInfo, TRUE);
        jpeg_start_compress(&FInfo, WriteAllTables ? TRUE : FALSE);
        if (!Comment.empty())
            jpeg_write_marker(&FInfo, JPEG_COM, reinterpret_cast<const JOCTET *>(Comment.data()),
                              static_cast<unsigned>(std::min<std::size_t>(Comment.size(), 65533)));
        if (OnWriteMarkers) {
            FInWriteMarkers = true;
            Callback([this] { OnWriteMarkers(*this); });
            FInWriteMarkers = false;
            for (const auto &m : FMarkers)
                jpeg_write_marker(&FInfo, m.first, reinterpret_cast<const JOCTET *>(m.second.data()),
                                  static_cast<unsigned>(m.second.size()));
        }
        FAbortRequested = false;
        while (FInfo.next_scanline < FInfo.image_height) {
            // The buffer's last row holds the image's top row.
            const std::uint8_t *row =
                bits + (static_cast<std::size_t>(height) - 1 - FInfo.next_scanline) * stride;
            JSAMPROW rp;
            if (depth == 24) {
#ifdef JCS_EXTENSIONS
                rp = const_cast<JSAMPROW>(row);
#else
                for (int x = 0; x < width; ++x) {
                    rb[3 * x] = row[3 * x + 2];
                    rb[3 * x + 1] = row[3 * x + 1];
                    rb[3 * x + 2] = row[3 * x];
                }
                rp = rb;
#endif
            } else {
                for (int x = 0; x < width; ++x) {
                    unsigned index = depth == 8 ? row[x] : (x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F);
                    const TRGBQuad &q = palette[index];
#ifdef JCS_EXTENSIONS
                    rb[3 * x] = q.Blue;
                    rb[3 * x + 2] = q.Red;
#else
                    rb[3 * x] = q.Red;
                    rb[3 * x + 2] = q.Blue;
#endif
                    rb[3 * x + 1] = q.Green;
                }
                rp = rb;
            }
            // Rows are handed over from the top of memory downwards, against
            // the processor's prefetching: ask for the next row ahead.
            if (FInfo.next_scanline + 1 < FInfo.image_height) {
                const std::uint8_t *next = row - stride;
                for (std::size_t at = 0; at < stride; at += 64)
                    __builtin_prefetch(next + at);
            }
            if (jpeg_write_scanlines(&FInfo, &rp, 1) != 1) FailCode(JERR_CANT_SUSPEND);
            if (FAbortRequested) Fail("User Interrupt");
        }
        CompleteProgress();
        jpeg_finish_compress(&FInfo);
    });
}

void TJPEGCompressor::InitDestinationThunk(j_compress_ptr c) {
    auto *self = Compressor(c);
    self->Callback([self] { self->InitDestination(); });
}

boolean TJPEGCompressor::EmptyOutputBufferThunk(j_compress_ptr c) {
    auto *self = Compressor(c);
    // A target that takes fewer bytes than offered is a failed write; asking
    // the codec to suspend would have it hand the same row forever.
    self->Callback([self] {
        if (!self->EmptyOutputBuffer()) throw EJPEGError(self->CodecMessage(JERR_FILE_WRITE));
    });
    return TRUE;
}

void TJPEGCompressor::TermDestinationThunk(j_compress_ptr c) {
    auto *self = Compressor(c);
    self->Callback([self] { self->TermDestination(); });
}

// ---------------------------------------------------------------------------
// TJPEGStreamCompressor

TJPEGStreamCompressor::TJPEGStreamCompressor() : FBuffer(4096) {}

void TJPEGStreamCompressor::SetBufferSize(int size) {
    if (size < 2) throw EJPEGError("Invalid buffer size");
    if (FTarget && FDest.free_in_buffer != FBuffer.size())
        throw EJPEGError("Cannot change buffer size while buffer is in use");
    FBuffer.assign(static_cast<std::size_t>(size), 0);
    FDest.next_output_byte = FBuffer.data();
    FDest.free_in_buffer = FBuffer.size();
}

void TJPEGStreamCompressor::InitDestination() {
    FDest.next_output_byte = FBuffer.data();
    FDest.free_in_buffer = FBuffer.size();
}

bool TJPEGStreamCompressor::EmptyOutputBuffer() {
    if (!FTarget) throw EJPEGError("No target stream");
    std::size_t written = FTarget->Write(FBuffer.data(), FBuffer.size());
    FDest.next_output_byte = FBuffer.data();
    FDest.free_in_buffer = FBuffer.size();
    return written == FBuffer.size();
}

void TJPEGStreamCompressor::TermDestination() {
    if (!FTarget) throw EJPEGError("No target stream");
    std::size_t used = FBuffer.size() - FDest.free_in_buffer;
    if (used > 0 && FTarget->Write(FBuffer.data(), used) != used)
        throw EJPEGError(CodecMessage(JERR_FILE_WRITE));
    FDest.next_output_byte = FBuffer.data();
    FDest.free_in_buffer = FBuffer.size();
}

void TJPEGStreamCompressor::CompressBitmap(const TBitmap &bitmap, TStream &target) {
    if (FTarget) throw EJPEGError("A JPEG run is already in progress");
    FTarget = &target;
    const auto clear = ResetOnExit(FTarget, nullptr);
    // The old platform fetched the pixels with a device call that returns no
    // rows for an empty bitmap.
    if (bitmap.Empty()) throw EJPEGError("Cannot obtain a Device Independent Bitmap");
    const int depth = bitmap.Depth() > 8 ? 24 : bitmap.Depth();
    const std::uint8_t *bits = bitmap.Bits();
    TBitmap converted;
    if (bitmap.Depth() > 8 && bitmap.Depth() != 24) {
        converted = bitmap.ToDepth24();
        bits = converted.Bits();
    }
    // Indices past a short palette are black, as in a zero-filled header.
    std::vector<TRGBQuad> palette(depth <= 8 ? std::size_t{1} << depth : 0);
    for (std::size_t i = 0; i < palette.size() && i < bitmap.Palette().size(); ++i)
        palette[i] = bitmap.Palette()[i];
    EncodeDIB(bits, bitmap.Width(), bitmap.Height(), depth, palette.data());
}

void TJPEGStreamCompressor::CompressMetafile(const TMetafile &metafile, TStream &target, int width,
                                             int height) {
    auto bitmap = RenderMetafile(metafile, width, height);
    CompressBitmap(*bitmap, target);
}

void TJPEGStreamCompressor::CompressPicture(const TPicture &picture, TStream &target) {
    if (const TBitmap *bitmap = picture.Bitmap()) {
        CompressBitmap(*bitmap, target);
    } else if (const TMetafile *metafile = picture.Metafile()) {
        CompressMetafile(*metafile, target, picture.Width(), picture.Height());
    } else {
        throw EJPEGError("cannot save a picture that is neither a bitmap nor metafile");
    }
}

std::unique_ptr<TBitmap> RenderMetafile(const TMetafile &metafile, int width, int height) {
    auto bitmap = std::make_unique<TBitmap>();
    if (width <= 0 || height <= 0) return bitmap;
    bitmap->SetSize(width, height, 24);
    // Undrawn areas stay white.
    std::vector<std::uint8_t> bgrx(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4,
                                   0xFF);
    int rc = metafile.Play(bgrx.data(), width, height);
    if (rc != 0)
        throw EJPEGError(Format("Unable to render metafile as a bitmap - PlayEnhMetaFile returned %d", rc));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *src = bgrx.data() + static_cast<std::size_t>(y) * width * 4;
        std::uint8_t *dst = bitmap->ScanLine(y);
        for (int x = 0; x < width; ++x) {
            dst[3 * x] = src[4 * x];
            dst[3 * x + 1] = src[4 * x + 1];
            dst[3 * x + 2] = src[4 * x + 2];
        }
    }
    return bitmap;
}

// ---------------------------------------------------------------------------
// TJPEGDecompressor

namespace {
TJPEGDecompressor *Decompressor(j_decompress_ptr c) {
    return static_cast<TJPEGDecompressor *>(c->client_data);
}
} // namespace

TJPEGDecompressor::TJPEGDecompressor() {
    InitCodec();
    FSrc.init_source = InitSourceThunk;
    FSrc.fill_input_buffer = FillInputBufferThunk;
    FSrc.skip_input_data = SkipInputDataThunk;
    FSrc.resync_to_restart = jpeg_resync_to_restart;
    FSrc.term_source = TermSourceThunk;
    Guarded([this] {
        FInfo.src = &FSrc;
        FInfo.progress = &FProgress;
        FInfo.mem->max_memory_to_use = MaxJPEGBytes;
        jpeg_set_marker_processor(&FInfo, JPEG_COM, CommentThunk);
        for (int m = 1; m <= 15; ++m)
            if (m != 14) jpeg_set_marker_processor(&FInfo, JPEG_APP0 + m, AppThunk);
    });
}

TJPEGDecompressor::~TJPEGDecompressor() {
    jpeg_destroy_decompress(&FInfo);
}

void TJPEGDecompressor::AttachCodec(jpeg_error_mgr *err) {
    FInfo.err = err;
    FInfo.client_data = static_cast<TJPEGBase *>(this);
    FCodec = reinterpret_cast<j_common_ptr>(&FInfo);
    jpeg_create_decompress(&FInfo);
}

void TJPEGDecompressor::AbortCodec() {
    TJPEGBase::AbortCodec();
    FHeaderRead = false;
}

const std::array<std::uint8_t, 64> &TJPEGDecompressor::GrayLevels() {
    static const std::array<std::uint8_t, 64> levels = [] {
        std::array<std::uint8_t, 64> a{};
        for (int i = 0; i < 64; ++i)
            a[static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(std::lround(255.0 * std::sin(i * M_PI / 126.0)));
        return a;
    }();
    return levels;
}

void TJPEGDecompressor::ProgressMonitor() {
    // Each scan of a progressive stream costs a pass over the whole image;
    // a stream of thousands of tiny scans would keep the program busy for
    // minutes.
    if (FInfo.input_scan_number > MaxJPEGScans)
        throw EJPEGError(Format("JPEG datastream has more than %d scans", MaxJPEGScans));
    TJPEGBase::ProgressMonitor();
}

void TJPEGDecompressor::CheckOutputSize() {
    const std::int64_t w = FInfo.output_width, h = FInfo.output_height;
    const std::int64_t stride = ((w * 3 + 3) / 4) * 4;
    if (w * h > MaxJPEGPixels || stride * h > MaxJPEGBytes) {
        char buf[128];
        std::snprintf(buf, sizeof buf, "JPEG image too large: %lld x %lld pixels", static_cast<long long>(w),
                      static_cast<long long>(h));
        Fail(buf);
    }
}

void TJPEGDecompressor::PrepareDecompression() {
    FHeaderRead = false;
    Guarded([this] {
        jpeg_read_header(&FInfo, TRUE);
        FInfo.dct_method = DCTMethod;
        FInfo.do_fancy_upsampling = DoFancyUpSampling ? TRUE : FALSE;
        FInfo.do_block_smoothing = DoBlockSmoothing ? TRUE : FALSE;
        FInfo.two_pass_quantize = TwoPassQuantize ? TRUE : FALSE;
        FInfo.dither_mode = DitherMode;
        FInfo.desired_number_of_colors = ColoursIn8bitMode;
        jpeg_calc_output_dimensions(&FInfo);
        CheckOutputSize();
    });
    FHeaderRead = true;
}

std::unique_ptr<TBitmap> TJPEGDecompressor::DecompressToBitmap() {
    if (FRunning) throw EJPEGError("A JPEG run is already in progress");
    if (!FHeaderRead) throw EJPEGError("No JPEG header has been read");
    FRunning = true;
    const auto running = ResetOnExit(FRunning, false);
    const auto header = ResetOnExit(FHeaderRead, false);

    bool gray = false, four = false;
    Guarded([&] {
        four = FInfo.num_components == 4 || FInfo.jpeg_color_space == JCS_CMYK ||
               FInfo.jpeg_color_space == JCS_YCCK;
        gray = GrayScaleOutput || FInfo.out_color_space == JCS_GRAYSCALE;
        // Four-component streams cannot be turned into RGB by the codec:
        // decoded as CMYK and converted here.
        if (four)
            FInfo.out_color_space = JCS_CMYK;
        else if (gray)
            FInfo.out_color_space = JCS_GRAYSCALE;
        else
#ifdef JCS_EXTENSIONS
            FInfo.out_color_space = JCS_EXT_BGR;
#else
            FInfo.out_color_space = JCS_RGB;
#endif
        FInfo.quantize_colors = FALSE;
        jpeg_calc_output_dimensions(&FInfo);
        CheckOutputSize();
    });

    auto bitmap = std::make_unique<TBitmap>();
    std::vector<std::uint8_t> rowBuffer;
    try {
        bitmap->SetSize(static_cast<int>(FInfo.output_width), static_cast<int>(FInfo.output_height),
                        gray ? 8 : 24);
        if (four) rowBuffer.resize(static_cast<std::size_t>(FInfo.output_width) * 4);
    } catch (...) {
        AbortCodec();
        throw;
    }
    std::uint8_t *bits = bitmap->Bits();
    std::uint8_t *rb = rowBuffer.data();
    const std::size_t stride = static_cast<std::size_t>(bitmap->Stride());
    const int height = bitmap->Height(), width = bitmap->Width();

    Guarded([&] {
        jpeg_start_decompress(&FInfo);
        const bool inverted = FInfo.saw_Adobe_marker;
        while (FInfo.output_scanline < FInfo.output_height) {
            std::uint8_t *row =
                bits + (static_cast<std::size_t>(height) - 1 - FInfo.output_scanline) * stride;
            JSAMPROW rp = four ? rb : row;
            if (jpeg_read_scanlines(&FInfo, &rp, 1) != 1) FailCode(JERR_CANT_SUSPEND);
            if (four) {
                for (int x = 0; x < width; ++x) {
                    unsigned c = rb[4 * x], m = rb[4 * x + 1], y = rb[4 * x + 2], k = rb[4 * x + 3];
                    if (!inverted) {
                        c = 255 - c;
                        m = 255 - m;
                        y = 255 - y;
                        k = 255 - k;
                    }
                    unsigned r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (y * k + 127) / 255;
                    if (gray)
                        row[x] = static_cast<std::uint8_t>(
                            ((r * 19595 + g * 38470 + b * 7471 + 32768) >> 16) >> 2);
                    else {
                        row[3 * x] = static_cast<std::uint8_t>(b);
                        row[3 * x + 1] = static_cast<std::uint8_t>(g);
                        row[3 * x + 2] = static_cast<std::uint8_t>(r);
                    }
                }
            } else if (gray) {
                for (int x = 0; x < width; ++x)
                    row[x] = static_cast<std::uint8_t>(row[x] >> 2);
            } else {
#ifndef JCS_EXTENSIONS
                for (int x = 0; x < width; ++x)
                    std::swap(row[3 * x], row[3 * x + 2]);
#endif
            }
            if (FAbortRequested) Fail("User Interrupt");
        }
        CompleteProgress();
        jpeg_finish_decompress(&FInfo);
    });

    if (gray) {
        const auto &levels = GrayLevels();
        bitmap->Palette().assign(64, TRGBQuad{});
        for (std::size_t i = 0; i < 64; ++i)
            bitmap->Palette()[i] = TRGBQuad{levels[i], levels[i], levels[i], 0};
    }
    return bitmap;
}

std::uint8_t TJPEGDecompressor::NextByte() {
    if (FSrc.bytes_in_buffer == 0) FillInputBuffer();
    if (FSrc.bytes_in_buffer == 0) throw EJPEGError(CodecMessage(JERR_INPUT_EOF));
    --FSrc.bytes_in_buffer;
    return *FSrc.next_input_byte++;
}

std::uint8_t TJPEGDecompressor::ReadMarkerByte() {
    if (FCallbackDepth == 0) throw EJPEGError("Marker bytes can only be read from OnJPEGMarker");
    return NextByte();
}

void TJPEGDecompressor::CommentReceived(const char *comment) {
    if (OnJPEGComment) OnJPEGComment(*this, comment);
}

void TJPEGDecompressor::ProcessComment() {
    unsigned length = NextByte() << 8;
    length |= NextByte();
    if (length <= 2) return;
    std::string text;
    text.reserve(length - 2);
    for (unsigned i = 0; i < length - 2; ++i)
        text.push_back(static_cast<char>(NextByte()));
    CommentReceived(text.c_str());
}

void TJPEGDecompressor::ProcessApp() {
    const int marker = FInfo.unread_marker - JPEG_APP0;
    bool done = false;
    if (OnJPEGMarker) OnJPEGMarker(*this, marker, done);
    if (done) return;
    long length = NextByte() << 8;
    length |= NextByte();
    if (length > 2) SkipInputData(length - 2);
}

void TJPEGDecompressor::InitSourceThunk(j_decompress_ptr c) {
    auto *self = Decompressor(c);
    self->Callback([self] { self->InitSource(); });
}

boolean TJPEGDecompressor::FillInputBufferThunk(j_decompress_ptr c) {
    auto *self = Decompressor(c);
    self->Callback([self] { self->FillInputBuffer(); });
    return TRUE;
}

void TJPEGDecompressor::SkipInputDataThunk(j_decompress_ptr c, long count) {
    auto *self = Decompressor(c);
    self->Callback([self, count] { self->SkipInputData(count); });
}

void TJPEGDecompressor::TermSourceThunk(j_decompress_ptr c) {
    auto *self = Decompressor(c);
    self->Callback([self] { self->TermSource(); });
}

boolean TJPEGDecompressor::CommentThunk(j_decompress_ptr c) {
    auto *self = Decompressor(c);
    self->Callback([self] { self->ProcessComment(); });
    return TRUE;
}

boolean TJPEGDecompressor::AppThunk(j_decompress_ptr c) {
    auto *self = Decompressor(c);
    self->Callback([self] { self->ProcessApp(); });
    return TRUE;
}

// ---------------------------------------------------------------------------
// TJPEGStreamDecompressor

TJPEGStreamDecompressor::TJPEGStreamDecompressor() : FBuffer(4096) {}

void TJPEGStreamDecompressor::SetBufferSize(int size) {
    if (size < 2) throw EJPEGError("Invalid buffer size");
    if (FSrc.bytes_in_buffer != 0) throw EJPEGError("Cannot change buffer size while buffer is in use");
    FBuffer.assign(static_cast<std::size_t>(size), 0);
    FSrc.next_input_byte = FBuffer.data();
}

void TJPEGStreamDecompressor::AttachSource(TStream &stream) {
    if (FSource) throw EJPEGError("A JPEG run is already in progress");
    // Whatever the last run left behind, this one starts from idle.
    AbortCodec();
    FSrc.next_input_byte = FBuffer.data();
    FSrc.bytes_in_buffer = 0;
    FEmptyFills = 0;
    BeginRun();
    FSource = &stream;
    try {
        PrepareDecompression();
    } catch (...) {
        FSource = nullptr;
        FSrc.bytes_in_buffer = 0;
        throw;
    }
}

void TJPEGStreamDecompressor::DetachSource() {
    FSource = nullptr;
    // Unread bytes belong to the stream just detached.
    FSrc.bytes_in_buffer = 0;
    if (FHeaderRead) AbortCodec();
}

void TJPEGStreamDecompressor::DecompressToPicture(TPicture *picture, TStream &stream) {
    if (!picture) throw EJPEGError("The Image Property is empty!");
    AttachSource(stream);
    std::unique_ptr<TBitmap> bitmap;
    try {
        bitmap = DecompressToBitmap();
    } catch (...) {
        DetachSource();
        throw;
    }
    DetachSource();
    picture->SetGraphic(std::unique_ptr<TGraphic>(std::move(bitmap)));
}

void TJPEGStreamDecompressor::InitSource() {
    FSrc.next_input_byte = FBuffer.data();
    FSrc.bytes_in_buffer = 0;
}

void TJPEGStreamDecompressor::FillInputBuffer() {
    if (!FSource) throw EJPEGError("No source stream");
    std::size_t n = FSource->Read(FBuffer.data(), FBuffer.size());
    if (n > 0) {
        FSrc.next_input_byte = FBuffer.data();
        FSrc.bytes_in_buffer = n;
        FEmptyFills = 0;
        return;
    }
    if (FSource->Position() == 0) throw EJPEGError(CodecMessage(JERR_INPUT_EMPTY));
    // A source that keeps refusing while the codec keeps asking ends the run.
    if (++FEmptyFills > MaxEmptyFills) throw EJPEGError(CodecMessage(JERR_INPUT_EOF));
    FErr.msg_code = JWRN_JPEG_EOF;
    EmitMessage(-1);
    FBuffer[0] = 0xFF;
    FBuffer[1] = JPEG_EOI;
    FSrc.next_input_byte = FBuffer.data();
    FSrc.bytes_in_buffer = 2;
}

void TJPEGStreamDecompressor::SkipInputData(long count) {
    if (count <= 0) return;
    if (static_cast<std::size_t>(count) > FSrc.bytes_in_buffer) {
        if (!FSource) throw EJPEGError("No source stream");
        FSource->Seek(static_cast<std::int64_t>(count - static_cast<long>(FSrc.bytes_in_buffer)),
                      TSeekOrigin::Current);
        FSrc.bytes_in_buffer = 0;
    } else {
        FSrc.next_input_byte += count;
        FSrc.bytes_in_buffer -= static_cast<std::size_t>(count);
    }
}

} // namespace kadrolin
