// Decoding and encoding speed of Radiance HDR and our TIFF on a 2048 x 2048 image, with
// stb_image decoding the same HDR bytes as the peer and libtiff the same TIFF bytes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_HDR
#include <stb/stb_image.h>

#include "adjust/hdr_tone.h"
#include "imageformats/hdr.h"
#include "imageformats/tiff.h"
#include "imageformats/tiff_fallback.h"

namespace {

constexpr int kSide = 2048;
constexpr int64_t kPixels = int64_t(kSide) * kSide;

// A sky-like HDR image: a smooth gradient from 0.05 to about 40 with a bright sun and noise.
const std::vector<uint8_t>& SkyRgbe() {
    static const std::vector<uint8_t> rgbe = [] {
        std::vector<uint8_t> out(std::size_t(kPixels) * 4);
        std::mt19937 random(1);
        std::uniform_real_distribution<double> noise(0.97, 1.03);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                const double height = 1.0 - double(y) / kSide;
                const double dx = x - 1500.0, dy = y - 400.0;
                const double sun = 40.0 * std::exp(-(dx * dx + dy * dy) / 2000.0);
                const double base = 0.05 + 2.0 * height * height;
                const double n = noise(random);
                EncodeRgbe((0.6 * base + sun) * n, (0.8 * base + sun) * n, (1.2 * base + sun) * n,
                           &out[(std::size_t(y) * kSide + x) * 4]);
            }
        return out;
    }();
    return rgbe;
}

// The same pixels as Radiance's own tools write them: runs of 4 or more equal bytes as run
// packets, the rest as literals. (Our writer uses literals only.)
std::vector<uint8_t> EncodeWithRuns(const std::vector<uint8_t>& rgbe) {
    const std::string header = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y " + std::to_string(kSide) + " +X " +
                               std::to_string(kSide) + "\n";
    std::vector<uint8_t> out(header.begin(), header.end());
    std::vector<uint8_t> component(kSide);
    for (int y = 0; y < kSide; ++y) {
        out.insert(out.end(), {2, 2, uint8_t(kSide >> 8), uint8_t(kSide & 255)});
        for (int c = 0; c < 4; ++c) {
            for (int x = 0; x < kSide; ++x) component[x] = rgbe[(std::size_t(y) * kSide + x) * 4 + c];
            int x = 0;
            while (x < kSide) {
                int run = 1;
                while (x + run < kSide && run < 127 && component[x + run] == component[x]) ++run;
                if (run >= 4) {
                    out.insert(out.end(), {uint8_t(128 + run), component[x]});
                    x += run;
                    continue;
                }
                int literal = 0;  // up to the next run of 4
                while (x + literal < kSide && literal < 128) {
                    const int at = x + literal;
                    if (at + 3 < kSide && component[at] == component[at + 1] && component[at] == component[at + 2] &&
                        component[at] == component[at + 3])
                        break;
                    ++literal;
                }
                out.push_back(uint8_t(literal));
                out.insert(out.end(), component.begin() + x, component.begin() + x + literal);
                x += literal;
            }
        }
    }
    return out;
}

const std::vector<uint8_t>& HdrFile(bool withRuns) {
    static const std::vector<uint8_t> literals = [] {
        ByteBuffer file;
        EncodeHdr(SkyRgbe().data(), kSide, kSide, file);
        return std::vector<uint8_t>(file.begin(), file.end());
    }();
    static const std::vector<uint8_t> runs = EncodeWithRuns(SkyRgbe());
    return withRuns ? runs : literals;
}

const Image& TestImage() {
    static const Image image = [] {
        Image out = *CreateImage(kSide, kSide, 32);
        std::mt19937 random(2);
        for (std::size_t i = 0; i < out.pixels.size(); ++i) out.pixels[i] = uint8_t((i / 4) % 251 + random() % 5);
        return out;
    }();
    return image;
}

const std::vector<uint8_t>& TiffFile(bool alpha) {
    static std::vector<uint8_t> files[2];
    std::vector<uint8_t>& file = files[alpha];
    if (file.empty()) {
        ByteBuffer bytes;
        EncodeTiff(TestImage(), alpha, bytes);
        file.assign(bytes.begin(), bytes.end());
    }
    return file;
}

void SetPixelRate(benchmark::State& state, std::size_t bytes) {
    state.counters["Mpix/s"] = benchmark::Counter(double(kPixels) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

// ---- HDR ----------------------------------------------------------------------------------

void BM_HdrDecodeRgbe(benchmark::State& state) {
    const std::vector<uint8_t>& file = HdrFile(state.range(0));
    for (auto _ : state) {
        std::string error;
        std::optional<RgbeImage> image = DecodeHdr(file, error);
        benchmark::DoNotOptimize(image->rgbe.data());
    }
    SetPixelRate(state, file.size());
}
BENCHMARK(BM_HdrDecodeRgbe)->ArgName("runs")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The whole load: RGBE pixels plus the tone-mapped display image.
void BM_HdrLoad(benchmark::State& state) {
    const std::vector<uint8_t>& file = HdrFile(state.range(0));
    for (auto _ : state) {
        LoadInfo info;
        std::optional<Image> image = LoadHdr(file, info, {0.0, 1});
        benchmark::DoNotOptimize(image->pixels.data());
    }
    SetPixelRate(state, file.size());
}
BENCHMARK(BM_HdrLoad)->ArgName("runs")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The peer on the same bytes: stb_image decodes to linear floats.
void BM_StbHdrLoadf(benchmark::State& state) {
    const std::vector<uint8_t>& file = HdrFile(state.range(0));
    for (auto _ : state) {
        int width = 0, height = 0, channels = 0;
        float* pixels = stbi_loadf_from_memory(file.data(), int(file.size()), &width, &height, &channels, 0);
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    SetPixelRate(state, file.size());
}
BENCHMARK(BM_StbHdrLoadf)->ArgName("runs")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// stb_image's 8-bit path maps the same bytes to display values (gamma 2.2), like LoadHdr.
void BM_StbHdrLoad8(benchmark::State& state) {
    const std::vector<uint8_t>& file = HdrFile(state.range(0));
    for (auto _ : state) {
        int width = 0, height = 0, channels = 0;
        stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &channels, 4);
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    SetPixelRate(state, file.size());
}
BENCHMARK(BM_StbHdrLoad8)->ArgName("runs")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_RgbeToDisplay(benchmark::State& state) {
    const std::vector<uint8_t>& rgbe = SkyRgbe();
    for (auto _ : state) {
        std::optional<Image> image = RgbeToDisplay(rgbe.data(), kSide, kSide, {1.0, int(state.range(0))});
        benchmark::DoNotOptimize(image->pixels.data());
    }
    SetPixelRate(state, rgbe.size());
}
BENCHMARK(BM_RgbeToDisplay)->ArgName("tone")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_HdrEncode(benchmark::State& state) {
    const std::vector<uint8_t>& rgbe = SkyRgbe();
    for (auto _ : state) {
        ByteBuffer file;
        EncodeHdr(rgbe.data(), kSide, kSide, file);
        benchmark::DoNotOptimize(file.data());
    }
    SetPixelRate(state, rgbe.size());
}
BENCHMARK(BM_HdrEncode)->Unit(benchmark::kMillisecond);

// ---- TIFF ---------------------------------------------------------------------------------

void BM_TiffDecode(benchmark::State& state) {
    const std::vector<uint8_t>& file = TiffFile(state.range(0));
    for (auto _ : state) {
        LoadInfo info;
        std::optional<Image> image = LoadTiff(file, info);
        benchmark::DoNotOptimize(image->pixels.data());
    }
    SetPixelRate(state, file.size());
}
BENCHMARK(BM_TiffDecode)->ArgName("alpha")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The peer on the same bytes: libtiff's RGBA interface (our fallback decoder).
void BM_LibtiffDecode(benchmark::State& state) {
    const std::vector<uint8_t>& file = TiffFile(state.range(0));
    for (auto _ : state) {
        std::optional<Image> image = DecodeTiffWithLibrary(file);
        benchmark::DoNotOptimize(image->pixels.data());
    }
    SetPixelRate(state, file.size());
}
BENCHMARK(BM_LibtiffDecode)->ArgName("alpha")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_TiffEncode(benchmark::State& state) {
    for (auto _ : state) {
        ByteBuffer file;
        EncodeTiff(TestImage(), state.range(0), file);
        benchmark::DoNotOptimize(file.data());
    }
    SetPixelRate(state, TestImage().byteSize());
}
BENCHMARK(BM_TiffEncode)->ArgName("alpha")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
