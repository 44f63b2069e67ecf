// Resampling, halving and DDS writing speed, single-threaded.
//
// ResampleImage 4096 x 4096 -> 1024 x 1024 and -> 300 x 300 against stb_image_resize's box
// filter (alpha-weighted, the closest peer of our halving chain) on the same image, both
// allocating their result. HalveImage 4096 x 4096 -> 2048 x 2048 against one memcpy of the
// same 64 MiB into a buffer made once. EncodeDds of 2048 x 2048 with the full mip chain
// against the same halvings and EncodeDxtImage calls made directly: the difference is what the
// container (header, sizing the whole file up front, level bookkeeping) costs.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb/stb_image_resize.h>

#include "imageformats/dds.h"
#include "texformats/dxt.h"
#include "tools/resize.h"

namespace {

// Smooth colour ramps with a fine checker on top and an alpha channel that is mostly opaque,
// with a transparent band and a soft edge, so that every branch of the box filter runs.
Image TestImage(int side) {
    Image image = *CreateImage(side, side);
    for (int y = 0; y < side; ++y) {
        uint8_t* p = image.row(y);
        for (int x = 0; x < side; ++x, p += 4) {
            const int checker = ((x >> 2) ^ (y >> 2)) & 1 ? 24 : 0;
            p[0] = uint8_t((x * 255 / side + checker) & 255);
            p[1] = uint8_t((y * 255 / side + checker) & 255);
            p[2] = uint8_t(((x + y) * 127 / side) & 255);
            const int band = (y * 16 / side) % 8;
            p[3] = band == 3 ? 0 : band == 4 ? uint8_t(x * 255 / side) : 255;
        }
    }
    return image;
}

const Image& Source4096() {
    static const Image image = TestImage(4096);
    return image;
}

const Image& Source2048() {
    static const Image image = TestImage(2048);
    return image;
}

void Resample(benchmark::State& state, int target) {
    const Image& source = Source4096();
    for (auto _ : state) {
        auto result = ResampleImage(source, target, target);
        benchmark::DoNotOptimize(result->pixels.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.byteSize()));
}

void StbBox(benchmark::State& state, int target) {
    const Image& source = Source4096();
    for (auto _ : state) {
        ByteBuffer out(std::size_t(target) * target * 4);
        stbir_resize_uint8_generic(source.pixels.data(), source.width, source.height, int(source.pitch()),
                                   out.data(), target, target, target * 4, 4, 3, 0, STBIR_EDGE_CLAMP,
                                   STBIR_FILTER_BOX, STBIR_COLORSPACE_LINEAR, nullptr);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.byteSize()));
}

void BM_Resample4096To1024(benchmark::State& state) { Resample(state, 1024); }
void BM_StbBox4096To1024(benchmark::State& state) { StbBox(state, 1024); }
void BM_Resample4096To300(benchmark::State& state) { Resample(state, 300); }
void BM_StbBox4096To300(benchmark::State& state) { StbBox(state, 300); }

void BM_Halve4096(benchmark::State& state) {
    const Image& source = Source4096();
    for (auto _ : state) {
        auto half = HalveImage(source, true, true);
        benchmark::DoNotOptimize(half->pixels.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.byteSize()));
}

void BM_Memcpy4096(benchmark::State& state) {
    const Image& source = Source4096();
    ByteBuffer copy(source.byteSize());
    for (auto _ : state) {
        std::memcpy(copy.data(), source.pixels.data(), source.byteSize());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.byteSize()));
}

// The DDS writer as a whole (header, halvings, blocks) ...
void EncodeDdsWithMips(benchmark::State& state, int format) {
    const Image& source = Source2048();
    for (auto _ : state) {
        ByteBuffer out;
        EncodeDds(source, format, true, out);
        benchmark::DoNotOptimize(out.data());
    }
}

// ... against the same work without the container: the levels halved from one another and
// EncodeDxtImage appending each to a buffer.
void EncodeLevelsOnly(benchmark::State& state, int blockFormat) {
    const Image& source = Source2048();
    for (auto _ : state) {
        ByteBuffer out;
        EncodeDxtImage(out, source, blockFormat);
        std::optional<Image> level = HalveImage(source, true, true);
        for (;;) {
            EncodeDxtImage(out, *level, blockFormat);
            if (level->width == 1 && level->height == 1) break;
            level = HalveImage(*level, level->width >= 2, level->height >= 2);
        }
        benchmark::DoNotOptimize(out.data());
    }
}

// The halvings alone, for the share of the mip chain in the above.
void BM_HalveChain2048(benchmark::State& state) {
    const Image& source = Source2048();
    for (auto _ : state) {
        std::optional<Image> level = HalveImage(source, true, true);
        while (level->width > 1 || level->height > 1) level = HalveImage(*level, level->width >= 2, level->height >= 2);
        benchmark::DoNotOptimize(level->pixels.data());
    }
}

void BM_EncodeDdsDxt1Mips2048(benchmark::State& state) { EncodeDdsWithMips(state, kDdsDxt1); }
void BM_EncodeDxt1Levels2048(benchmark::State& state) { EncodeLevelsOnly(state, kDxt1); }
void BM_EncodeDdsDxt5Mips2048(benchmark::State& state) { EncodeDdsWithMips(state, kDdsDxt5); }
void BM_EncodeDxt5Levels2048(benchmark::State& state) { EncodeLevelsOnly(state, kDxt5); }

}  // namespace

BENCHMARK(BM_Resample4096To1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StbBox4096To1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample4096To300)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StbBox4096To300)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Halve4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HalveChain2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeDdsDxt1Mips2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeDxt1Levels2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeDdsDxt5Mips2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeDxt5Levels2048)->Unit(benchmark::kMillisecond);
