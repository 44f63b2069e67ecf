// Decoding and encoding speed of TGA and PCX on a 2048 x 2048 image, with stb_image decoding
// the same TGA bytes as the peer (to RGBA, like ours).
#include <benchmark/benchmark.h>

#include <cstring>
#include <optional>
#include <random>
#include <span>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#include <stb/stb_image.h>

#include "imageformats/pcx.h"
#include "imageformats/tga.h"

namespace {

constexpr int kSide = 2048;
constexpr int64_t kPixels = int64_t(kSide) * kSide;

// A texture-like image: flat bands on the left half (long runs), a noisy gradient on the
// right half (mostly literal data), alpha in a few levels.
const Image& TestImage() {
    static const Image image = [] {
        Image out = *CreateImage(kSide, kSide, 32);
        std::mt19937 random(3);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                uint8_t* p = out.at(x, y);
                if (x < kSide / 2) {
                    p[0] = uint8_t(y / 64 * 16), p[1] = uint8_t(x / 128 * 32), p[2] = 90, p[3] = 255;
                } else {
                    p[0] = uint8_t(x / 8 + random() % 4), p[1] = uint8_t(y / 8 + random() % 4);
                    p[2] = uint8_t((x + y) / 16), p[3] = uint8_t(y / 512 * 85);
                }
            }
        return out;
    }();
    return image;
}

enum TgaVariant { kRaw32TopDown, kRaw24BottomUp, kRle32BottomUp, kRle24BottomUp };

// Our writer's file, flipped to bottom-up when asked (as most painting programs save).
std::vector<uint8_t> RawTga(bool withAlpha, bool bottomUp) {
    const ByteBuffer encoded = EncodeTga(TestImage(), withAlpha);
    std::vector<uint8_t> file(encoded.begin(), encoded.end());
    if (bottomUp) {
        const std::size_t rowBytes = std::size_t(kSide) * (withAlpha ? 4 : 3);
        for (int y = 0; y < kSide; ++y)
            std::memcpy(&file[18 + std::size_t(y) * rowBytes], &encoded[18 + std::size_t(kSide - 1 - y) * rowBytes],
                        rowBytes);
        file[17] &= ~0x20;
    }
    return file;
}

// Run-length encodes a raw bottom-up file the way common writers do: runs of 2 or more equal
// pixels as run packets, the rest as raw packets, packets never crossing a row.
std::vector<uint8_t> RleTga(bool withAlpha) {
    const std::vector<uint8_t> raw = RawTga(withAlpha, true);
    const std::size_t bpp = withAlpha ? 4 : 3;
    std::vector<uint8_t> out(raw.begin(), raw.begin() + 18);
    out[2] = 10;
    auto same = [&](const uint8_t* a, const uint8_t* b) { return std::memcmp(a, b, bpp) == 0; };
    for (int y = 0; y < kSide; ++y) {
        const uint8_t* row = &raw[18 + std::size_t(y) * kSide * bpp];
        int x = 0;
        while (x < kSide) {
            int run = 1;
            while (x + run < kSide && run < 128 && same(row + (x + run) * bpp, row + x * bpp)) ++run;
            if (run >= 2) {
                out.push_back(uint8_t(0x80 | (run - 1)));
                out.insert(out.end(), row + x * bpp, row + (x + 1) * bpp);
                x += run;
                continue;
            }
            int literal = 1;
            while (x + literal < kSide && literal < 128 &&
                   !(x + literal + 1 < kSide && same(row + (x + literal) * bpp, row + (x + literal + 1) * bpp)))
                ++literal;
            out.push_back(uint8_t(literal - 1));
            out.insert(out.end(), row + x * bpp, row + (x + literal) * bpp);
            x += literal;
        }
    }
    return out;
}

const std::vector<uint8_t>& TgaFile(int variant) {
    static const std::vector<uint8_t> files[] = {RawTga(true, false), RawTga(false, true), RleTga(true),
                                                 RleTga(false)};
    return files[variant];
}

// Our writer's run-length encoded file, and the same pixels stored raw (encoding 0).
const std::vector<uint8_t>& PcxFile(bool encoded) {
    static const std::vector<uint8_t> rle = [] {
        const ByteBuffer file = EncodePcx(TestImage());
        return std::vector<uint8_t>(file.begin(), file.end());
    }();
    static const std::vector<uint8_t> raw = [] {
        std::vector<uint8_t> out(rle.begin(), rle.begin() + 128);
        out[2] = 0;
        for (int y = 0; y < kSide; ++y)
            for (int channel = 0; channel < 3; ++channel)
                for (int x = 0; x < kSide; ++x) out.push_back(TestImage().at(x, y)[channel]);
        return out;
    }();
    return encoded ? rle : raw;
}

void SetPixelRate(benchmark::State& state, std::size_t bytes) {
    state.counters["Mpix/s"] = benchmark::Counter(double(kPixels) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

using ImageLoader = std::optional<Image> (*)(std::span<const uint8_t>, LoadInfo&);

void DecodeLoop(benchmark::State& state, ImageLoader load, const std::vector<uint8_t>& file) {
    for (auto _ : state) {
        LoadInfo info;
        std::optional<Image> image = load(file, info);
        benchmark::DoNotOptimize(image->pixels.data());
    }
    SetPixelRate(state, file.size());
}

void TgaVariants(benchmark::internal::Benchmark* b) {
    b->ArgName("file");  // 0 raw 32 top-down, 1 raw 24 bottom-up, 2 RLE 32 bottom-up, 3 RLE 24 bottom-up
    for (int variant : {kRaw32TopDown, kRaw24BottomUp, kRle32BottomUp, kRle24BottomUp}) b->Arg(variant);
    b->Unit(benchmark::kMillisecond);
}

// ---- TGA ----------------------------------------------------------------------------------

// True when stb_image decodes file to the same RGBA bytes as we do: the race is fair.
bool SameAsStb(const std::vector<uint8_t>& file) {
    LoadInfo info;
    const std::optional<Image> ours = LoadTga(file, info);
    int width = 0, height = 0, channels = 0;
    stbi_uc* theirs = stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &channels, 4);
    const bool same = ours && theirs && std::memcmp(ours->pixels.data(), theirs, ours->byteSize()) == 0;
    stbi_image_free(theirs);
    return same;
}

void BM_TgaDecode(benchmark::State& state) {
    const std::vector<uint8_t>& file = TgaFile(int(state.range(0)));
    if (!SameAsStb(file)) state.SkipWithError("stb_image decodes these bytes differently");
    DecodeLoop(state, LoadTga, file);
}
BENCHMARK(BM_TgaDecode)->Apply(TgaVariants);

// The peer on the same bytes.
void BM_StbTgaDecode(benchmark::State& state) {
    const std::vector<uint8_t>& file = TgaFile(int(state.range(0)));
    for (auto _ : state) {
        int width = 0, height = 0, channels = 0;
        stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &channels, 4);
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    SetPixelRate(state, file.size());
}
BENCHMARK(BM_StbTgaDecode)->Apply(TgaVariants);

void BM_TgaEncode(benchmark::State& state) {
    for (auto _ : state) {
        ByteBuffer file = EncodeTga(TestImage(), state.range(0));
        benchmark::DoNotOptimize(file.data());
    }
    SetPixelRate(state, TestImage().byteSize());
}
BENCHMARK(BM_TgaEncode)->ArgName("alpha")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// ---- PCX ----------------------------------------------------------------------------------

void BM_PcxDecode(benchmark::State& state) { DecodeLoop(state, LoadPcx, PcxFile(state.range(0))); }
BENCHMARK(BM_PcxDecode)->ArgName("rle")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PcxEncode(benchmark::State& state) {
    for (auto _ : state) {
        ByteBuffer file = EncodePcx(TestImage());
        benchmark::DoNotOptimize(file.data());
    }
    SetPixelRate(state, TestImage().byteSize());
}
BENCHMARK(BM_PcxEncode)->Unit(benchmark::kMillisecond);

}  // namespace
