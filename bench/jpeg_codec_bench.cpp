// Encoding and decoding photos through the codec components against libjpeg
// called directly with its defaults on the same picture, in this process.
// Prints each run's time and the ratio components / library (target <= 1.2).
#include "pictures/jpegcodec.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

#include <jpeglib.h>

using namespace kadrolin;

namespace {

struct TSize {
    int W, H;
};
const TSize Sizes[] = {{640, 480}, {1600, 1200}, {4000, 3000}};

// Photo-like content: smooth light, edges and some sensor noise.
const TBitmap &Photo(int w, int h) {
    static std::map<std::pair<int, int>, TBitmap> cache;
    auto key = std::make_pair(w, h);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    TBitmap b(w, h, 24);
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> noise(-6, 6);
    for (int y = 0; y < h; ++y) {
        std::uint8_t *row = b.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            int base = 60 + (x * 120) / w + (y * 60) / h + (((x / 97) + (y / 61)) % 2) * 30;
            for (int c = 0; c < 3; ++c)
                row[3 * x + c] = static_cast<std::uint8_t>(std::clamp(base + c * 20 + noise(rng), 0, 255));
        }
    }
    return cache.emplace(key, std::move(b)).first->second;
}

// The same pixels as the library takes them by default: top-down RGB rows.
const std::vector<std::uint8_t> &PlainRGB(int w, int h) {
    static std::map<std::pair<int, int>, std::vector<std::uint8_t>> cache;
    auto key = std::make_pair(w, h);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    const TBitmap &b = Photo(w, h);
    std::vector<std::uint8_t> v(static_cast<std::size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t *row = b.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            v[(static_cast<std::size_t>(y) * w + x) * 3] = row[3 * x + 2];
            v[(static_cast<std::size_t>(y) * w + x) * 3 + 1] = row[3 * x + 1];
            v[(static_cast<std::size_t>(y) * w + x) * 3 + 2] = row[3 * x];
        }
    }
    return cache.emplace(key, std::move(v)).first->second;
}

const std::vector<std::uint8_t> &Stream(int w, int h) {
    static std::map<std::pair<int, int>, std::vector<std::uint8_t>> cache;
    auto key = std::make_pair(w, h);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    TJPEGStreamCompressor c;
    TMemoryStream s;
    c.CompressBitmap(Photo(w, h), s);
    return cache.emplace(key, s.Data()).first->second;
}

struct TPlainError {
    jpeg_error_mgr Mgr;
    std::jmp_buf Jump;
};
void PlainExit(j_common_ptr c) {
    std::longjmp(reinterpret_cast<TPlainError *>(c->err)->Jump, 1);
}

void ComponentsEncode(benchmark::State &state) {
    const TSize sz = Sizes[state.range(0)];
    const TBitmap &photo = Photo(sz.W, sz.H);
    TJPEGStreamCompressor c;
    for (auto _ : state) {
        TMemoryStream s;
        c.CompressBitmap(photo, s);
        benchmark::DoNotOptimize(s.Data().data());
    }
}

void LibraryEncode(benchmark::State &state) {
    const TSize sz = Sizes[state.range(0)];
    const auto &rgb = PlainRGB(sz.W, sz.H);
    for (auto _ : state) {
        jpeg_compress_struct c;
        TPlainError err;
        c.err = jpeg_std_error(&err.Mgr);
        err.Mgr.error_exit = PlainExit;
        jpeg_create_compress(&c);
        unsigned char *out = nullptr;
        unsigned long size = 0;
        if (setjmp(err.Jump)) std::abort();
        jpeg_mem_dest(&c, &out, &size);
        c.image_width = static_cast<JDIMENSION>(sz.W);
        c.image_height = static_cast<JDIMENSION>(sz.H);
        c.input_components = 3;
        c.in_color_space = JCS_RGB;
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, 75, TRUE);
        jpeg_start_compress(&c, TRUE);
        while (c.next_scanline < c.image_height) {
            JSAMPROW row =
                const_cast<JSAMPROW>(rgb.data()) + static_cast<std::size_t>(c.next_scanline) * sz.W * 3;
            jpeg_write_scanlines(&c, &row, 1);
        }
        jpeg_finish_compress(&c);
        jpeg_destroy_compress(&c);
        benchmark::DoNotOptimize(out);
        std::free(out);
    }
}

void ComponentsDecode(benchmark::State &state) {
    const TSize sz = Sizes[state.range(0)];
    const auto &j = Stream(sz.W, sz.H);
    TJPEGStreamDecompressor d;
    for (auto _ : state) {
        TMemoryStream s(j);
        d.AttachSource(s);
        auto b = d.DecompressToBitmap();
        d.DetachSource();
        benchmark::DoNotOptimize(b->Bits());
    }
}

std::uint8_t *OutputBuffer(std::size_t size) {
    static std::vector<std::uint8_t> buffer;
    if (buffer.size() < size) buffer.resize(size);
    return buffer.data();
}

void LibraryDecode(benchmark::State &state) {
    const TSize sz = Sizes[state.range(0)];
    const auto &j = Stream(sz.W, sz.H);
    // One buffer for every run: the floor is the decoding, not zero-filling memory.
    const std::size_t room = static_cast<std::size_t>(sz.W) * sz.H * 3;
    std::uint8_t *const pixels = OutputBuffer(room);
    for (auto _ : state) {
        jpeg_decompress_struct d;
        TPlainError err;
        d.err = jpeg_std_error(&err.Mgr);
        err.Mgr.error_exit = PlainExit;
        jpeg_create_decompress(&d);
        if (setjmp(err.Jump)) std::abort();
        jpeg_mem_src(&d, j.data(), static_cast<unsigned long>(j.size()));
        jpeg_read_header(&d, TRUE);
        jpeg_start_decompress(&d);
        if (room < static_cast<std::size_t>(d.output_width) * d.output_height * 3) std::abort();
        while (d.output_scanline < d.output_height) {
            JSAMPROW row = pixels + static_cast<std::size_t>(d.output_scanline) * d.output_width * 3;
            jpeg_read_scanlines(&d, &row, 1);
        }
        jpeg_finish_decompress(&d);
        jpeg_destroy_decompress(&d);
        benchmark::DoNotOptimize(pixels);
    }
}

// Keeps each run's processor time per iteration for the ratios printed at the
// end (processor time, since other work on the machine stretches wall time).
class TRatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const auto &r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0) {
                // The fastest repetition: the one least disturbed by other work.
                double t = r.cpu_accumulated_time / static_cast<double>(r.iterations);
                auto name = r.run_name.function_name + "/" + r.run_name.args;
                auto it = Times.find(name);
                if (it == Times.end() || t < it->second) Times[name] = t;
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> Times;
};

} // namespace

int main(int argc, char **argv) {
    // Each measurement next to its baseline, so a change in the machine's
    // load falls on both.
    for (int i = 0; i < 3; ++i) {
        benchmark::RegisterBenchmark("ComponentsEncode", ComponentsEncode)
            ->Arg(i)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("LibraryEncode", LibraryEncode)->Arg(i)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("ComponentsDecode", ComponentsDecode)
            ->Arg(i)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("LibraryDecode", LibraryDecode)->Arg(i)->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nratio components / libjpeg, fastest of the repetitions (target <= 1.2)\n");
    for (int i = 0; i < 3; ++i) {
        for (const char *op : {"Encode", "Decode"}) {
            std::string ours = std::string("Components") + op + "/" + std::to_string(i);
            std::string lib = std::string("Library") + op + "/" + std::to_string(i);
            auto a = reporter.Times.find(ours), b = reporter.Times.find(lib);
            if (a == reporter.Times.end() || b == reporter.Times.end() || b->second <= 0) continue;
            std::printf("%-6s %4dx%-4d  %.3f\n", op, Sizes[i].W, Sizes[i].H, a->second / b->second);
        }
    }
    benchmark::Shutdown();
    return 0;
}
