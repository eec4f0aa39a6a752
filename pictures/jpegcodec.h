#pragma once
// The JPEG codec components: each owns one libjpeg compression or
// decompression object and turns its fatal errors, warnings and progress into
// exceptions and events. libjpeg's fatal errors come back to the component's
// run boundary with longjmp and are thrown from there, so no C++ exception
// ever unwinds libjpeg's frames; a failure inside one of our callbacks is
// caught in the callback and sent the same way.
#include "platform/graphics/bitmap.h"
#include "platform/graphics/metafile.h"
#include "platform/graphics/picture.h"
#include "platform/graphics/stream.h"

#include <array>
#include <csetjmp>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace kadrolin {

// Every failure of the codec components.
class EJPEGError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class TJPEGBase;
using TNotifyEvent = std::function<void(TJPEGBase &sender)>;
using TWarningEvent = std::function<void(TJPEGBase &sender, const std::string &warning_message)>;
using TJPEGCommentEvent = std::function<void(TJPEGBase &sender, const char *comment)>;
using TJPEGMarkerEvent = std::function<void(TJPEGBase &sender, int Marker, bool &done)>;

// Where warnings go when a component has no OnWarning handler: the program
// installs a modal warning box at start-up. Returns the previous one.
std::function<void(const std::string &)> SetJPEGWarningBox(std::function<void(const std::string &)> box);

// Limits that keep any byte string from taking the machine: images over 100
// megapixels or 512 MB of pixels, and progressive streams of over 500 scans,
// are refused before their buffers exist.
constexpr std::int64_t MaxJPEGPixels = 100'000'000;
constexpr std::int64_t MaxJPEGBytes = 512ll * 1024 * 1024;
constexpr int MaxJPEGScans = 500;

class TJPEGBase {
  public:
    virtual ~TJPEGBase();
    TJPEGBase(const TJPEGBase &) = delete;
    TJPEGBase &operator=(const TJPEGBase &) = delete;

    std::string Name;
    TNotifyEvent OnProgressReport;
    TWarningEvent OnWarning;

    int Warnings() const { return static_cast<int>(FErr.num_warnings); }
    // Expires when the component is destroyed, so holders of a plain
    // reference (a picture control's codec) can drop it in time.
    std::weak_ptr<const void> Lifetime() const { return FLifetime; }
    int Trace_Level() const { return FErr.trace_level; }
    void SetTrace_Level(int level) { FErr.trace_level = level; }
    int PercentDone() const;

    // From inside a handler of this component: asks the running run to stop
    // ("User Interrupt"). Otherwise: returns the codec to idle at once.
    virtual void AbortCoding();

  protected:
    TJPEGBase();
    // Stores the error handler in the subclass's libjpeg record, points its
    // client data here and creates the libjpeg object.
    virtual void AttachCodec(jpeg_error_mgr *err) = 0;
    // Called by the subclass constructor once its record exists.
    void InitCodec();

    virtual void ErrorExit();
    virtual void EmitMessage(int level);
    virtual void ProgressMonitor();

    // Runs f between setjmp and libjpeg's error exit. f must hold no objects
    // with destructors: a fatal error leaves it by longjmp.
    template <class F> void Guarded(F &&f) {
        if (!CallGuarded([](void *ctx) { (*static_cast<F *>(ctx))(); }, &f)) RaiseAtBoundary();
    }
    // Runs one of our callbacks from inside libjpeg or a guarded region: an
    // exception, or an abort asked for by a handler, ends the run by the
    // longjmp path.
    template <class F> void Callback(F &&f) {
        if (!CallHandler(f)) FailFromCallback();
    }
    template <class F> bool CallHandler(F &f) noexcept {
        ++FCallbackDepth;
        bool ok = true;
        try {
            f();
        } catch (...) {
            FPending = std::current_exception();
            ok = false;
        }
        --FCallbackDepth;
        // An abort asked for inside a handler takes effect once the outermost one returned.
        if (ok && FAbortRequested && FCallbackDepth == 0) {
            FPending = std::make_exception_ptr(EJPEGError("User Interrupt"));
            ok = false;
        }
        return ok;
    }
    // The same from C++ context (a callback inside a callback): rethrows.
    template <class F> void Invoke(F &f) {
        if (!CallHandler(f)) RethrowPending();
    }
    [[noreturn]] void RethrowPending();
    [[noreturn]] void FailFromCallback();
    // Inside a guarded region, outside callbacks: abort and leave with text
    // (a plain buffer, since the region's frames are left by longjmp).
    [[noreturn]] void Fail(const char *text);
    [[noreturn]] void FailCode(int code);
    // libjpeg's own message for a code, with one optional parameter.
    std::string CodecMessage(int code);
    virtual void AbortCodec();
    // Starts the warning count and abort flag of a new run.
    void BeginRun();
    void CompleteProgress();

    j_common_ptr FCodec = nullptr;
    bool FAborting = false;
    bool FInProgressCallback = false;
    bool FAbortRequested = false;
    int FCallbackDepth = 0;
    jpeg_error_mgr FErr{};
    jpeg_progress_mgr FProgress{};

  private:
    bool CallGuarded(void (*fn)(void *), void *ctx);
    [[noreturn]] void RaiseAtBoundary();
    [[noreturn]] void Jump();

    std::jmp_buf *FJump = nullptr;
    std::exception_ptr FPending;
    std::shared_ptr<const void> FLifetime = std::make_shared<char>(0);

    static void ErrorExitThunk(j_common_ptr c);
    static void EmitMessageThunk(j_common_ptr c, int level);
    static void OutputMessageThunk(j_common_ptr c);
    static void ProgressThunk(j_common_ptr c);
    friend class TJPEGCompressor;
    friend class TJPEGDecompressor;
};

class TJPEGCompressor : public TJPEGBase {
  public:
    ~TJPEGCompressor() override;

    std::string Comment;
    bool ProgressiveJPEG = false;
    bool WriteAllTables = true;
    bool GrayscaleOutput = false;
    TNotifyEvent OnWriteMarkers;

    int Quality() const { return FQuality; }
    void SetQuality(int quality);
    // The parameters below are kept here and given to the library at the
    // start of every run, over its defaults: the library itself changes its
    // record during a run (optimal Huffman tables replace the standard ones,
    // a progressive run switches table optimisation on), and none of that
    // may carry over into the next photo.
    double InputGamma() const { return FInputGamma; }
    void SetInputGamma(double v) { FInputGamma = v; }
    J_DCT_METHOD DCTMethod() const { return FDCTMethod; }
    void SetDCTMethod(J_DCT_METHOD v) { FDCTMethod = v; }
    bool OptimizeCoding() const { return FOptimizeCoding; }
    void SetOptimizeCoding(bool v) { FOptimizeCoding = v; }
    unsigned RestartInterval() const { return FRestartInterval; }
    void SetRestartInterval(unsigned v) { FRestartInterval = v; }
    int RestartInRows() const { return FRestartInRows; }
    void SetRestartInRows(int v) { FRestartInRows = v; }
    int SmoothingFactor() const { return FSmoothingFactor; }
    void SetSmoothingFactor(int v) { FSmoothingFactor = v; }
    bool WriteJFIFHeader() const { return FWriteJFIFHeader; }
    void SetWriteJFIFHeader(bool v) { FWriteJFIFHeader = v; }
    std::uint8_t DensityUnit() const { return FDensityUnit; }
    void SetDensityUnit(std::uint8_t v) { FDensityUnit = v; }
    std::uint16_t X_Density() const { return FXDensity; }
    void SetX_Density(std::uint16_t v) { FXDensity = v; }
    std::uint16_t Y_Density() const { return FYDensity; }
    void SetY_Density(std::uint16_t v) { FYDensity = v; }

    // From an OnWriteMarkers handler: a marker to write after the handler
    // returns (code 0xE0..0xEF or 0xFE, at most 65533 bytes).
    void WriteMarker(int code, const std::string &data);

  protected:
    TJPEGCompressor();
    void AttachCodec(jpeg_error_mgr *err) override;
    virtual void InitDestination() = 0;
    // True when every byte of the buffer was taken.
    virtual bool EmptyOutputBuffer() = 0;
    virtual void TermDestination() = 0;
    // The encoding run over bottom-up rows of depth 4, 8 or 24.
    void EncodeDIB(const std::uint8_t *bits, int width, int height, int depth, const TRGBQuad *palette);

    jpeg_compress_struct FInfo{};
    jpeg_destination_mgr FDest{};

  private:
    int FQuality = 75;
    double FInputGamma = 1.0;
    J_DCT_METHOD FDCTMethod = JDCT_ISLOW;
    bool FOptimizeCoding = false;
    unsigned FRestartInterval = 0;
    int FRestartInRows = 0;
    int FSmoothingFactor = 0;
    bool FWriteJFIFHeader = true;
    std::uint8_t FDensityUnit = 0;
    std::uint16_t FXDensity = 1, FYDensity = 1;
    // The library's standard Huffman tables as first set up; an optimising
    // run overwrites the record's tables in place.
    JHUFF_TBL FStdDC[NUM_HUFF_TBLS]{}, FStdAC[NUM_HUFF_TBLS]{};
    std::vector<std::pair<int, std::string>> FMarkers;
    bool FInWriteMarkers = false;
    bool FRunning = false;
    static void InitDestinationThunk(j_compress_ptr c);
    static boolean EmptyOutputBufferThunk(j_compress_ptr c);
    static void TermDestinationThunk(j_compress_ptr c);
};

class TJPEGStreamCompressor : public TJPEGCompressor {
  public:
    TJPEGStreamCompressor();
    bool DefaultCompressor = false;

    int BufferSize() const { return static_cast<int>(FBuffer.size()); }
    // Fails with "Cannot change buffer size while buffer is in use".
    void SetBufferSize(int size);

    void CompressPicture(const TPicture &picture, TStream &target);
    void CompressBitmap(const TBitmap &bitmap, TStream &target);
    void CompressMetafile(const TMetafile &metafile, TStream &target, int width, int height);

  protected:
    void InitDestination() override;
    bool EmptyOutputBuffer() override;
    void TermDestination() override;

    TStream *FTarget = nullptr;
    std::vector<std::uint8_t> FBuffer;
};

class TJPEGFileCompressor : public TJPEGStreamCompressor {};

class TJPEGDecompressor : public TJPEGBase {
  public:
    ~TJPEGDecompressor() override;

    TJPEGCommentEvent OnJPEGComment;
    J_DCT_METHOD DCTMethod = JDCT_ISLOW;
    bool DoFancyUpSampling = true;
    bool DoBlockSmoothing = true;
    bool GrayScaleOutput = false;
    bool TwoPassQuantize = true;
    J_DITHER_MODE DitherMode = JDITHER_FS;
    int ColoursIn8bitMode = 64;
    TJPEGMarkerEvent OnJPEGMarker;

    // Decodes the image whose header PrepareDecompression read: 24-bit
    // colour, or the 64-level gray form.
    std::unique_ptr<TBitmap> DecompressToBitmap();

    // The library's record: header fields after PrepareDecompression.
    const jpeg_decompress_struct &Info() const { return FInfo; }

    // From an OnJPEGMarker handler that sets done: the next byte of the
    // marker's data.
    std::uint8_t ReadMarkerByte();

    // The colour of each of the 64 gray levels: 255 * sin(i * pi / 126), rounded.
    static const std::array<std::uint8_t, 64> &GrayLevels();

  protected:
    TJPEGDecompressor();
    void AttachCodec(jpeg_error_mgr *err) override;
    void ProgressMonitor() override;
    void AbortCodec() override;

    virtual void InitSource() = 0;
    // Always leaves at least one byte in the buffer, or throws.
    virtual void FillInputBuffer() = 0;
    virtual void SkipInputData(long count) = 0;
    virtual void TermSource() = 0;
    virtual void CommentReceived(const char *comment);
    // Reads the header and applies the settings; an image is required.
    virtual void PrepareDecompression();

    jpeg_decompress_struct FInfo{};
    jpeg_source_mgr FSrc{};
    bool FHeaderRead = false;

  private:
    void ProcessComment();
    void CheckOutputSize();
    void ProcessApp();
    std::uint8_t NextByte();
    bool FRunning = false;
    static void InitSourceThunk(j_decompress_ptr c);
    static boolean FillInputBufferThunk(j_decompress_ptr c);
    static void SkipInputDataThunk(j_decompress_ptr c, long count);
    static void TermSourceThunk(j_decompress_ptr c);
    static boolean CommentThunk(j_decompress_ptr c);
    static boolean AppThunk(j_decompress_ptr c);
};

class TJPEGStreamDecompressor : public TJPEGDecompressor {
  public:
    TJPEGStreamDecompressor();
    bool DefaultDecompressor = false;

    int BufferSize() const { return static_cast<int>(FBuffer.size()); }
    void SetBufferSize(int size);

    // Sets the source (read from its current position) and reads the header;
    // on failure the source is cleared again.
    void AttachSource(TStream &stream);
    void DetachSource();
    // Fails with "The Image Property is empty!" without a picture.
    void DecompressToPicture(TPicture *picture, TStream &stream);

  protected:
    void InitSource() override;
    void FillInputBuffer() override;
    void SkipInputData(long count) override;
    void TermSource() override {}

    TStream *FSource = nullptr;
    std::vector<std::uint8_t> FBuffer;
    int FEmptyFills = 0;
};

class TJPEGFileDecompressor : public TJPEGStreamDecompressor {};

// Draws the metafile on a white 24-bit bitmap of the given size.
std::unique_ptr<TBitmap> RenderMetafile(const TMetafile &metafile, int width, int height);

} // namespace kadrolin
