// DXT decoding and encoding speed against libsquish and stb_dxt, single-threaded.
//
// Decoding: 4096 x 4096, ours (DecodeDxt, which allocates its image) against
// squish::DecompressImage into a buffer made once. Encoding: 2048 x 2048, ours (EncodeDxtImage
// into a reused buffer) against stb_dxt's default mode and squish's range fit. Every encoder
// runs on the same generated photo-like image; its PSNR (decoded by DecodeDxt) is reported as
// the counter "psnr" (RGB for DXT1, RGBA for DXT5, RG for BC5).
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <squish.h>

#include <cmath>
#include <cstring>
#include <vector>

#define STB_DXT_IMPLEMENTATION
#include <stb/stb_dxt.h>

#include "texformats/dxt.h"

namespace {

// libsquish is built with OpenMP; keep it on one thread like everything else here.
const bool kSquishSingleThreaded = [] {
    using SetThreads = void (*)(int);
    if (auto set = reinterpret_cast<SetThreads>(dlsym(RTLD_DEFAULT, "omp_set_num_threads"))) set(1);
    return true;
}();

constexpr int kDecodeSide = 4096;
constexpr int kEncodeSide = 2048;

/// A photo-like test image: smooth colour waves, grain, hard-edged discs and stripes, and an
/// alpha channel with a soft vignette and a cut-out.
Image NaturalImage(int side) {
    Image image = *CreateImage(side, side);
    uint32_t state = 2463534242u;
    auto noise = [&] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return int(state % 13) - 6;
    };
    auto clampByte = [](double v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
    const double scale = 2048.0 / side;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double u = x * scale, v = y * scale;
            double r = 120 + 70 * std::sin(u / 170.0) + 40 * std::cos(v / 95.0 + u / 400.0);
            double g = 110 + 60 * std::sin(v / 210.0 + 1.3) + 30 * std::sin((u + v) / 60.0);
            double b = 90 + 80 * std::cos(u / 300.0 - v / 250.0);
            const double dx = std::fmod(u, 512.0) - 256, dy = std::fmod(v, 512.0) - 256;
            if (dx * dx + dy * dy < 120.0 * 120.0) r = 230 - r / 4, g = 40 + g / 5, b = 35;  // discs
            if (std::fmod(u + 2 * v, 300.0) < 25) r /= 3, g /= 3, b /= 3;                    // stripes
            const int n = noise();
            const double cx = u - 1024, cy = v - 1024;
            double a = 255 - std::sqrt(cx * cx + cy * cy) / 6;
            if (std::fabs(cx) < 200 && std::fabs(cy - 500) < 60) a = 0;
            uint8_t* p = image.at(x, y);
            p[0] = clampByte(r + n);
            p[1] = clampByte(g + n);
            p[2] = clampByte(b + n / 2);
            p[3] = clampByte(a + n);
        }
    }
    return image;
}

const Image& DecodeSource() {
    static const Image image = NaturalImage(kDecodeSide);
    return image;
}

const Image& EncodeSource() {
    static const Image image = NaturalImage(kEncodeSide);
    return image;
}

std::vector<uint8_t> OurBlocks(const Image& image, int format) {
    ByteBuffer out;
    EncodeDxtImage(out, image, format);
    return std::vector<uint8_t>(out.begin(), out.end());
}

/// Blocks of a 4096 x 4096 image in our format code; DXT3 comes from squish, which we do not
/// encode.
const std::vector<uint8_t>& DecodeInput(int format) {
    static std::vector<uint8_t> blocks[5];
    if (blocks[format].empty()) {
        if (format == kDxt3) {
            blocks[format].resize(DxtDataSize(kDecodeSide, kDecodeSide, kDxt3));
            squish::CompressImage(DecodeSource().pixels.data(), kDecodeSide, kDecodeSide, blocks[format].data(),
                                  squish::kDxt3 | squish::kColourRangeFit);
        } else {
            blocks[format] = OurBlocks(DecodeSource(), format);
        }
    }
    return blocks[format];
}

int SquishFlags(int format) {
    switch (format) {
        case kDxt1: return squish::kDxt1;
        case kDxt3: return squish::kDxt3;
        case kDxt5: return squish::kDxt5;
        default: return squish::kBc5;
    }
}

double Psnr(const Image& image, const std::vector<uint8_t>& blocks, int format) {
    auto decoded = DecodeDxt(blocks.data(), blocks.size(), image.width, image.height, format);
    const int channels = format == kDxt1 ? 3 : format == kBc5 ? 2 : 4;
    double squares = 0;
    for (std::size_t p = 0; p < image.pixels.size(); p += 4) {
        for (int c = 0; c < channels; ++c) {
            const double d = double(image.pixels[p + c]) - double(decoded->pixels[p + c]);
            squares += d * d;
        }
    }
    const double mse = squares / (double(image.pixels.size() / 4) * channels);
    return 10 * std::log10(255.0 * 255.0 / mse);
}

// ---- decoding ------------------------------------------------------------------------------

void BM_DecodeOurs(benchmark::State& state) {
    const int format = int(state.range(0));
    const std::vector<uint8_t>& blocks = DecodeInput(format);
    for (auto _ : state) {
        auto image = DecodeDxt(blocks.data(), blocks.size(), kDecodeSide, kDecodeSide, format);
        benchmark::DoNotOptimize(image->pixels.data());
    }
}

void BM_DecodeSquish(benchmark::State& state) {
    const int format = int(state.range(0));
    const std::vector<uint8_t>& blocks = DecodeInput(format);
    std::vector<uint8_t> rgba(std::size_t(kDecodeSide) * kDecodeSide * 4, 1);
    for (auto _ : state) {
        squish::DecompressImage(rgba.data(), kDecodeSide, kDecodeSide, blocks.data(), SquishFlags(format));
        benchmark::DoNotOptimize(rgba.data());
    }
}

// ---- encoding ------------------------------------------------------------------------------

void BM_EncodeOurs(benchmark::State& state) {
    const int format = int(state.range(0));
    const Image& image = EncodeSource();
    ByteBuffer out;
    EncodeDxtImage(out, image, format);
    state.counters["psnr"] = Psnr(image, std::vector<uint8_t>(out.begin(), out.end()), format);
    for (auto _ : state) {
        out.clear();
        EncodeDxtImage(out, image, format);
        benchmark::DoNotOptimize(out.data());
    }
}

/// stb_dxt works on one gathered block at a time, as its callers do.
void StbEncode(const Image& image, int format, uint8_t* out) {
    uint8_t rgba[64], rg[32];
    for (int by = 0; by < image.height; by += 4) {
        for (int bx = 0; bx < image.width; bx += 4) {
            for (int row = 0; row < 4; ++row) std::memcpy(rgba + row * 16, image.at(bx, by + row), 16);
            if (format == kBc5) {
                for (int i = 0; i < 16; ++i) rg[2 * i] = rgba[4 * i], rg[2 * i + 1] = rgba[4 * i + 1];
                stb_compress_bc5_block(out, rg);
                out += 16;
            } else {
                stb_compress_dxt_block(out, rgba, format == kDxt5, STB_DXT_NORMAL);
                out += format == kDxt5 ? 16 : 8;
            }
        }
    }
}

void BM_EncodeStb(benchmark::State& state) {
    const int format = int(state.range(0));
    const Image& image = EncodeSource();
    std::vector<uint8_t> out(DxtDataSize(image.width, image.height, format));
    StbEncode(image, format, out.data());
    state.counters["psnr"] = Psnr(image, out, format);
    for (auto _ : state) {
        StbEncode(image, format, out.data());
        benchmark::DoNotOptimize(out.data());
    }
}

/// squish turns DXT1 pixels with alpha below 128 into transparent ones; the other encoders
/// ignore alpha in DXT1, so squish gets the image made opaque.
const Image& OpaqueEncodeSource() {
    static const Image image = [] {
        Image opaque = *CopyImage(EncodeSource());
        for (std::size_t p = 3; p < opaque.pixels.size(); p += 4) opaque.pixels[p] = 255;
        return opaque;
    }();
    return image;
}

void BM_EncodeSquishRangeFit(benchmark::State& state) {
    const int format = int(state.range(0));
    const Image& image = format == kDxt1 ? OpaqueEncodeSource() : EncodeSource();
    std::vector<uint8_t> out(DxtDataSize(image.width, image.height, format));
    const int flags = SquishFlags(format) | squish::kColourRangeFit;
    squish::CompressImage(image.pixels.data(), image.width, image.height, out.data(), flags);
    state.counters["psnr"] = Psnr(image, out, format);
    for (auto _ : state) {
        squish::CompressImage(image.pixels.data(), image.width, image.height, out.data(), flags);
        benchmark::DoNotOptimize(out.data());
    }
}

void Formats(benchmark::internal::Benchmark* b, std::initializer_list<int> formats) {
    for (int format : formats) b->Arg(format);
    b->Unit(benchmark::kMillisecond);
}

}  // namespace

// Argument: format code (1 DXT1, 2 DXT3, 3 DXT5, 4 BC5).
BENCHMARK(BM_DecodeOurs)->Apply([](auto* b) { Formats(b, {kDxt1, kDxt3, kDxt5, kBc5}); });
BENCHMARK(BM_DecodeSquish)->Apply([](auto* b) { Formats(b, {kDxt1, kDxt3, kDxt5}); });
BENCHMARK(BM_EncodeOurs)->Apply([](auto* b) { Formats(b, {kDxt1, kDxt5, kBc5}); });
BENCHMARK(BM_EncodeStb)->Apply([](auto* b) { Formats(b, {kDxt1, kDxt5, kBc5}); });
BENCHMARK(BM_EncodeSquishRangeFit)->Apply([](auto* b) { Formats(b, {kDxt1, kDxt5}); });
