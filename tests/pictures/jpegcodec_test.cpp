// The codec components on bad input and in their events: errors carry the
// library's text, warnings arrive once, handlers can stop a run, and every
// run leaves the component ready for the next.
#include "jpegtestutil.h"

#include <gtest/gtest.h>

using namespace kadrolin;
using namespace jt;

namespace {

// A stream that gives some bytes, then nothing, while claiming a position.
class TRefusingStream : public TStream {
  public:
    explicit TRefusingStream(Bytes head) : FHead(std::move(head)) {}
    std::size_t Read(void *buffer, std::size_t count) override {
        ++Reads;
        std::size_t n = std::min(count, FHead.size() - FPos);
        std::memcpy(buffer, FHead.data() + FPos, n);
        FPos += n;
        return n;
    }
    std::size_t Write(const void *, std::size_t) override { return 0; }
    std::int64_t Seek(std::int64_t, TSeekOrigin) override { return 1; }
    std::int64_t Position() override { return 1; }
    std::int64_t Size() override { return 1; }
    int Reads = 0;

  private:
    Bytes FHead;
    std::size_t FPos = 0;
};

// A stream whose reads or writes fail after a number of bytes.
class TFailingStream : public TMemoryStream {
  public:
    TFailingStream(Bytes data, std::size_t failAt, bool shortWrite)
        : TMemoryStream(std::move(data)), FFailAt(failAt), FShort(shortWrite) {}
    std::size_t Read(void *b, std::size_t n) override {
        if (static_cast<std::size_t>(Position()) >= FFailAt) throw std::runtime_error("disk gone");
        return TMemoryStream::Read(b, n);
    }
    std::size_t Write(const void *b, std::size_t n) override {
        if (static_cast<std::size_t>(Position()) + n > FFailAt) {
            if (FShort) return TMemoryStream::Write(b, FFailAt - static_cast<std::size_t>(Position()));
            throw std::runtime_error("disk gone");
        }
        return TMemoryStream::Write(b, n);
    }

  private:
    std::size_t FFailAt;
    bool FShort;
};

struct TCollect {
    std::vector<std::string> Warnings;
    void Attach(TJPEGBase &c) {
        c.OnWarning = [this](TJPEGBase &, const std::string &w) { Warnings.push_back(w); };
    }
};

// Replaces the SOF0 dimensions of a stream.
Bytes WithSize(Bytes j, int w, int h) {
    for (std::size_t i = 2; i + 9 < j.size(); ++i)
        if (j[i] == 0xFF && j[i + 1] == 0xC0) {
            j[i + 5] = static_cast<std::uint8_t>(h >> 8);
            j[i + 6] = static_cast<std::uint8_t>(h);
            j[i + 7] = static_cast<std::uint8_t>(w >> 8);
            j[i + 8] = static_cast<std::uint8_t>(w);
            break;
        }
    return j;
}

// Inserts raw bytes right after SOI.
Bytes WithSegment(Bytes j, const Bytes &seg) {
    j.insert(j.begin() + 2, seg.begin(), seg.end());
    return j;
}

} // namespace

TEST(CodecErrors, BadStreamsGiveTheLibrarysMessage) {
    Bytes good = Encode(Photo(40, 24));
    Bytes damagedHuffman = good;
    for (std::size_t i = 2; i + 4 < damagedHuffman.size(); ++i)
        if (damagedHuffman[i] == 0xFF && damagedHuffman[i + 1] == 0xC4) {
            damagedHuffman[i + 5] = 0xFF; // code counts summing past 256
            damagedHuffman[i + 6] = 0xFF;
            break;
        }
    struct Case {
        const char *Name;
        Bytes Stream;
        const char *Message;
    } cases[] = {
        {"empty", {}, "Empty input file"},
        {"one byte", {0xFF}, "Not a JPEG file: starts with 0xff 0xff"},
        {"bitmap file", {'B', 'M', 0x36, 0, 0, 0}, "Not a JPEG file: starts with 0x42 0x4d"},
        {"text", {'h', 'e', 'l', 'l', 'o'}, "Not a JPEG file: starts with 0x68 0x65"},
        {"only SOI", {0xFF, 0xD8}, "JPEG datastream contains no image"},
        {"tables only", {0xFF, 0xD8, 0xFF, 0xD9}, "JPEG datastream contains no image"},
        {"damaged Huffman table", damagedHuffman, "Bogus Huffman table definition"},
        {"65500 x 65500", WithSize(good, 65500, 65500), "JPEG image too large: 65500 x 65500 pixels"},
        {"20000 x 6000", WithSize(good, 20000, 6000), "JPEG image too large: 20000 x 6000 pixels"},
        {"zero width", WithSize(good, 0, 10), "Empty JPEG image (DNL not supported)"},
        {"marker length past the end", WithSegment(good, {0xFF, 0xE3, 0xFF, 0xF0, 1, 2}), ""},
    };
    TJPEGStreamDecompressor d;
    TCollect warn;
    warn.Attach(d);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        std::string msg = ErrorOf([&] { Decode(d, c.Stream); });
        if (*c.Message) {
            EXPECT_EQ(msg, c.Message);
        }
        // Whatever happened, the next run works.
        EXPECT_EQ(Decode(d, good)->Width(), 40);
    }
}

TEST(CodecErrors, TruncatedStreamWarnsOnceAndGivesAFullSizePicture) {
    Bytes j = Encode(Photo(64, 64));
    std::size_t sos = 0;
    for (std::size_t i = 2; i + 1 < j.size() && !sos; ++i)
        if (j[i] == 0xFF && j[i + 1] == 0xDA) sos = i;
    ASSERT_GT(sos, 0u);
    // Cut in the middle of the image data.
    Bytes cut(j.begin(), j.begin() + static_cast<long>((sos + j.size()) / 2));
    TJPEGStreamDecompressor d;
    TCollect warn;
    warn.Attach(d);
    auto b = Decode(d, cut);
    EXPECT_EQ(b->Width(), 64);
    EXPECT_EQ(b->Height(), 64);
    ASSERT_EQ(warn.Warnings.size(), 1u);
    EXPECT_EQ(warn.Warnings[0], "Premature end of JPEG file");
    EXPECT_GE(d.Warnings(), 1);
    // The count starts again with the next run.
    warn.Warnings.clear();
    Decode(d, j);
    EXPECT_TRUE(warn.Warnings.empty());
    EXPECT_EQ(d.Warnings(), 0);
    // Trace level 3 delivers every warning.
    d.SetTrace_Level(3);
    Decode(d, cut);
    EXPECT_GE(d.Warnings(), 1);
    EXPECT_GE(static_cast<int>(warn.Warnings.size()), d.Warnings());
}

TEST(CodecErrors, AStreamThatStopsGivingEndsTheRun) {
    Bytes j = Encode(Photo(32, 32));
    // Header only, then the source gives nothing forever.
    TRefusingStream s(Bytes(j.begin(), j.begin() + 30));
    TJPEGStreamDecompressor d;
    TCollect warn;
    warn.Attach(d);
    std::string msg = ErrorOf([&] {
        d.AttachSource(s);
        d.DecompressToBitmap();
    });
    d.DetachSource();
    EXPECT_FALSE(msg.empty());
    EXPECT_LT(s.Reads, 200);
    // A stream that throws: its own error comes out.
    TFailingStream f(j, 100, false);
    TJPEGStreamDecompressor small;
    small.SetBufferSize(64);
    EXPECT_EQ(ErrorOf([&] {
                  small.AttachSource(f);
                  small.DecompressToBitmap();
              }),
              "disk gone");
    small.DetachSource();
    EXPECT_EQ(Decode(small, j)->Width(), 32);
}

TEST(CodecErrors, ATargetThatTakesTooLittleFailsTheRun) {
    TJPEGStreamCompressor c;
    Bytes good = Encode(c, Photo(64, 64));
    for (bool shortWrite : {true, false}) {
        for (std::size_t at : {std::size_t{10}, good.size() / 2, good.size() - 3}) {
            SCOPED_TRACE(testing::Message() << (shortWrite ? "short write at " : "throw at ") << at);
            TFailingStream s({}, at, shortWrite);
            EXPECT_EQ(ErrorOf([&] { c.CompressBitmap(Photo(64, 64), s); }),
                      shortWrite ? "Output file write error --- out of disk space?" : "disk gone");
            EXPECT_EQ(Encode(c, Photo(64, 64)), good);
        }
    }
}

TEST(CodecErrors, ProgressiveStreamsOfTooManyScansAreRefused) {
    // One gray component: DC, then each AC coefficient alone at every bit.
    auto script = [](int bits) {
        std::vector<jpeg_scan_info> s;
        s.push_back({1, {0, 0, 0, 0}, 0, 0, 0, 0});
        for (int k = 1; k < 64; ++k) {
            s.push_back({1, {0, 0, 0, 0}, k, k, 0, bits - 1});
            for (int al = bits - 2; al >= 0; --al)
                s.push_back({1, {0, 0, 0, 0}, k, k, al + 1, al});
        }
        return s;
    };
    Bytes gray(16 * 16);
    for (std::size_t i = 0; i < gray.size(); ++i)
        gray[i] = static_cast<std::uint8_t>(i * 7);
    auto many = script(9);  // 1 + 63 * 9 = 568 scans
    auto fewer = script(7); // 442 scans
    Bytes tooMany = LibEncode(gray, 16, 16, 1, JCS_GRAYSCALE, many.data(), static_cast<int>(many.size()));
    Bytes allowed = LibEncode(gray, 16, 16, 1, JCS_GRAYSCALE, fewer.data(), static_cast<int>(fewer.size()));
    ASSERT_FALSE(tooMany.empty());
    ASSERT_FALSE(allowed.empty());
    TJPEGStreamDecompressor d;
    EXPECT_EQ(ErrorOf([&] { Decode(d, tooMany); }), "JPEG datastream has more than 500 scans");
    Image ref;
    ASSERT_TRUE(LibDecode(allowed, ref, JCS_GRAYSCALE));
    auto b = Decode(d, allowed);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(b->ScanLine(y)[x], ref.Pixels[static_cast<std::size_t>(y * 16 + x)] >> 2);
}

TEST(CodecRuns, AbortFromAHandlerStopsTheRunAndLeavesTheComponentReady) {
    Bytes photoStream = Encode(Photo(48, 48));
    enum Where { Progress, ProgressThrows, Warning, Comment, Marker };
    struct Case {
        const char *Name;
        Where At;
        const char *Message;
    } cases[] = {{"abort in progress", Progress, "User Interrupt"},
                 {"progress handler throws", ProgressThrows, "handler failed"},
                 {"abort in a warning", Warning, "User Interrupt"},
                 {"abort in a comment", Comment, "User Interrupt"},
                 {"abort in a marker", Marker, "User Interrupt"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        // Decoder.
        TJPEGStreamDecompressor d;
        int calls = 0;
        auto stop = [&](TJPEGBase &sender) {
            if (++calls == 2) {
                if (c.At == ProgressThrows) throw std::runtime_error("handler failed");
                sender.AbortCoding();
            }
        };
        Bytes input = photoStream;
        if (c.At == Progress || c.At == ProgressThrows) d.OnProgressReport = stop;
        if (c.At == Warning) {
            input.resize(input.size() / 2);
            d.OnWarning = [&](TJPEGBase &s, const std::string &) { s.AbortCoding(); };
        }
        if (c.At == Comment) {
            input = WithSegment(input, {0xFF, 0xFE, 0, 4, 'h', 'i'});
            d.OnJPEGComment = [&](TJPEGBase &s, const char *) { s.AbortCoding(); };
        }
        if (c.At == Marker) {
            input = WithSegment(input, {0xFF, 0xE5, 0, 3, 9});
            d.OnJPEGMarker = [&](TJPEGBase &s, int, bool &) { s.AbortCoding(); };
        }
        EXPECT_EQ(ErrorOf([&] { Decode(d, input); }), c.Message);
        d.OnProgressReport = nullptr;
        d.OnWarning = [](TJPEGBase &, const std::string &) {};
        d.OnJPEGComment = nullptr;
        d.OnJPEGMarker = nullptr;
        EXPECT_EQ(ToRGB(*Decode(d, photoStream)), ToRGB(*Decode(d, photoStream)));

        // Encoder, where the event exists there.
        if (c.At == Progress || c.At == ProgressThrows) {
            TJPEGStreamCompressor e;
            calls = 0;
            e.OnProgressReport = stop;
            EXPECT_EQ(ErrorOf([&] { Encode(e, Photo(48, 48)); }), c.Message);
            e.OnProgressReport = nullptr;
            EXPECT_EQ(Encode(e, Photo(48, 48)), photoStream);
        }
    }
}

TEST(CodecRuns, ProgressReportsReachOneHundredPercent) {
    for (bool decode : {false, true}) {
        SCOPED_TRACE(decode ? "decoder" : "encoder");
        std::vector<int> seen;
        TJPEGStreamCompressor e;
        TJPEGStreamDecompressor d;
        TJPEGBase &c = decode ? static_cast<TJPEGBase &>(d) : e;
        c.OnProgressReport = [&](TJPEGBase &s) { seen.push_back(s.PercentDone()); };
        Bytes j = Encode(e, Photo(64, 200));
        if (decode) {
            seen.clear();
            Decode(d, j);
        }
        ASSERT_GT(seen.size(), 10u);
        EXPECT_EQ(seen.back(), 100);
        for (std::size_t i = 1; i < seen.size(); ++i)
            EXPECT_GE(seen[i], seen[i - 1]);
    }
}

TEST(CodecRuns, EncoderSettingsOfOneRunDoNotLeakIntoTheNext) {
    TBitmap photo = Photo(40, 40);
    const Bytes fresh = Encode(photo);
    TJPEGStreamCompressor c;
    c.ProgressiveJPEG = true;
    Bytes progressive = Encode(c, photo);
    EXPECT_EQ(Count(Segments(progressive), 0xC2), 1);
    c.ProgressiveJPEG = false;
    EXPECT_EQ(Encode(c, photo), fresh);

    c.WriteAllTables = false;
    Bytes abbreviated = Encode(c, photo);
    EXPECT_EQ(Count(Segments(abbreviated), 0xDB), 0);
    c.WriteAllTables = true;
    EXPECT_EQ(Encode(c, photo), fresh);

    c.GrayscaleOutput = true;
    Encode(c, photo);
    c.GrayscaleOutput = false;
    c.Comment = "x";
    Encode(c, photo);
    c.Comment.clear();
    EXPECT_EQ(Encode(c, photo), fresh);

    c.SetOptimizeCoding(true);
    Encode(c, photo);
    c.SetOptimizeCoding(false);
    EXPECT_EQ(Encode(c, photo), fresh);

    c.SetQuality(30);
    EXPECT_NE(Encode(c, photo), fresh);
    c.SetQuality(75);
    EXPECT_EQ(Encode(c, photo), fresh);
}

TEST(CodecMarkers, CommentsAndApplicationMarkersReachTheirHandlers) {
    TJPEGStreamCompressor e;
    e.Comment = "Personel fotoğrafı";
    std::vector<int> codes;
    for (int m = 1; m <= 15; ++m)
        codes.push_back(0xE0 + m);
    e.OnWriteMarkers = [&](TJPEGBase &) {
        for (int code : codes)
            e.WriteMarker(code, std::string(3, static_cast<char>(code)));
        e.WriteMarker(0xFE, "second");
    };
    Bytes j = Encode(e, Photo(16, 16));
    auto seg = Segments(j);
    EXPECT_EQ(Count(seg, 0xFE), 2);
    EXPECT_EQ(std::string(Find(seg, 0xFE)->Data.begin(), Find(seg, 0xFE)->Data.end()), e.Comment);

    TJPEGStreamDecompressor d;
    std::vector<std::string> comments;
    std::vector<int> markers;
    std::string consumed;
    d.OnJPEGComment = [&](TJPEGBase &, const char *c) { comments.push_back(c); };
    d.OnJPEGMarker = [&](TJPEGBase &, int marker, bool &done) {
        markers.push_back(marker);
        if (marker == 7) {
            // This handler reads the marker itself.
            int len = d.ReadMarkerByte() << 8;
            len |= d.ReadMarkerByte();
            for (int i = 0; i < len - 2; ++i)
                consumed.push_back(static_cast<char>(d.ReadMarkerByte()));
            done = true;
        }
    };
    auto b = Decode(d, j);
    EXPECT_EQ(b->Width(), 16);
    EXPECT_EQ(comments, (std::vector<std::string>{e.Comment, "second"}));
    // APP0 (JFIF) and APP14 (Adobe) stay with the library.
    EXPECT_EQ(markers, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15}));
    EXPECT_EQ(consumed, std::string(3, '\xE7'));

    // An empty comment (length 2) gives no event; a bogus length 0 neither.
    comments.clear();
    Bytes plain = Encode(Photo(16, 16));
    Decode(d, WithSegment(plain, {0xFF, 0xFE, 0, 2}));
    Decode(d, WithSegment(plain, {0xFF, 0xFE, 0, 0}));
    EXPECT_TRUE(comments.empty());
    // Without handlers the markers are skipped.
    TJPEGStreamDecompressor quiet;
    EXPECT_EQ(ToRGB(*Decode(quiet, j)), ToRGB(*Decode(quiet, plain)));

    // Markers can only be queued from the handler, and only valid ones.
    EXPECT_FALSE(ErrorOf([&] { e.WriteMarker(0xE1, "x"); }).empty());
    e.OnWriteMarkers = [&](TJPEGBase &) { e.WriteMarker(0xD9, "x"); };
    EXPECT_EQ(ErrorOf([&] { Encode(e, Photo(8, 8)); }), "Invalid JPEG marker code 0xd9");
    e.OnWriteMarkers = [&](TJPEGBase &) { e.WriteMarker(0xE2, std::string(70000, 'x')); };
    EXPECT_EQ(ErrorOf([&] { Encode(e, Photo(8, 8)); }), "Bogus marker length");
    e.OnWriteMarkers = nullptr;
    e.Comment.clear();
    EXPECT_EQ(Encode(e, Photo(16, 16)), plain);
}

TEST(CodecBuffers, BufferSizeChangesOnlyWhileIdle) {
    TBitmap photo = Photo(64, 64);
    Bytes reference = Encode(photo);
    TJPEGStreamCompressor e;
    TJPEGStreamDecompressor d;
    for (int size : {2, 7, 100, 65536}) {
        SCOPED_TRACE(size);
        e.SetBufferSize(size);
        d.SetBufferSize(size);
        EXPECT_EQ(e.BufferSize(), size);
        Bytes j = Encode(e, photo);
        EXPECT_EQ(j, reference);
        EXPECT_EQ(ToRGB(*Decode(d, j)), ToRGB(*Decode(d, reference)));
    }
    e.SetBufferSize(4096);
    d.SetBufferSize(4096);
    e.OnProgressReport = [&](TJPEGBase &) { e.SetBufferSize(100); };
    EXPECT_EQ(ErrorOf([&] { Encode(e, photo); }), "Cannot change buffer size while buffer is in use");
    d.OnProgressReport = [&](TJPEGBase &) { d.SetBufferSize(100); };
    EXPECT_EQ(ErrorOf([&] { Decode(d, reference); }), "Cannot change buffer size while buffer is in use");
    e.OnProgressReport = nullptr;
    d.OnProgressReport = nullptr;
    EXPECT_EQ(e.BufferSize(), 4096);
    EXPECT_EQ(Encode(e, photo), reference);
    EXPECT_EQ(ToRGB(*Decode(d, reference)).size(), 64u * 64 * 3);
    EXPECT_FALSE(ErrorOf([&] { e.SetBufferSize(0); }).empty());
}

TEST(CodecRuns, ARunCannotStartInsideAnotherOnTheSameComponent) {
    TJPEGStreamCompressor e;
    TMemoryStream other;
    e.OnProgressReport = [&](TJPEGBase &) { e.CompressBitmap(Photo(8, 8), other); };
    EXPECT_EQ(ErrorOf([&] { Encode(e, Photo(16, 16)); }), "A JPEG run is already in progress");
    e.OnProgressReport = nullptr;
    EXPECT_EQ(Encode(e, Photo(16, 16)), Encode(Photo(16, 16)));
    TJPEGStreamDecompressor d;
    d.OnProgressReport = [&](TJPEGBase &) { d.SetBufferSize(8); };
    EXPECT_EQ(ErrorOf([&] { d.DecompressToBitmap(); }), "No JPEG header has been read");
}
