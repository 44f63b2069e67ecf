// Writes the starting corpora of the fuzz targets: small valid files of every format a target
// reads, made by our own writers and by the byte builders of the unit tests.
//
// Usage: fuzz_seeds OUTPUT_FOLDER   (creates OUTPUT_FOLDER/<target>/<seed> for every target)
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "imageformats/dds.h"
#include "imageformats/hdr.h"
#include "imageformats/library_writers.h"
#include "imageformats/pcx.h"
#include "imageformats/tga.h"
#include "imageformats/tiff.h"
#include "platform/file_io.h"
#include "texformats/ctse_builder.h"
#include "texformats/ss1_tex_builder.h"
#include "texformats/ss1_tex_writer.h"
#include "texformats/zip_builder.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string g_root;
bool g_failed = false;

template <typename Container>
void Seed(const std::string& target, const std::string& name, const Container& bytes) {
    const std::string folder = g_root + "/" + target;
    if (!MakeDirectory(folder) ||
        !WriteFileAtomic(folder + "/" + name, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))) {
        std::fprintf(stderr, "fuzz_seeds: cannot write %s/%s\n", folder.c_str(), name.c_str());
        g_failed = true;
    }
}

/// A small picture with varying colour and alpha, so every channel carries information.
Image TestImage(int width, int height, int bitsPerPixel) {
    Image image = *CreateImage(width, height, bitsPerPixel);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(image, x, y,
                     {uint8_t(x * 50), uint8_t(y * 70), uint8_t((x + y) * 30),
                      uint8_t(bitsPerPixel == 32 ? 255 - x * 40 : 255)});
    return image;
}

Bytes ToBytes(const ByteBuffer& buffer) { return Bytes(buffer.begin(), buffer.end()); }

std::vector<Bytes> TexSeeds() {
    std::vector<Bytes> seeds;
    for (bool alpha : {false, true}) seeds.push_back(ToBytes(*EncodeSs1Tex(TestImage(4, 2, 32), alpha, 0, true)));
    seeds.push_back(ToBytes(*EncodeSs1Tex(TestImage(8, 4, 32), true, 1, false)));

    ss1_builder::Version3Header v3;
    v3.flags = 1;
    v3.fullWidth = v3.fullHeight = 2;
    seeds.push_back(ss1_builder::Version3(v3, {0x7FFF, 0x8000, 0x001F, 0x03E0}));
    seeds.push_back(ss1_builder::EffectTexture(ss1_builder::Effect().Buffer({1, 5, -3, 9}).Base("Tex\\Base.tex")));
    seeds.push_back(ss1_builder::EffectTexture(ss1_builder::Effect().Base("Water_Base.tex")));

    using testing_support::BuildCtse, testing_support::CtseFile, testing_support::ZlibPack;
    const std::size_t firstSs2 = seeds.size();
    for (int format : {0, 1, 2, 4, 5, 6, 7, 8, 9, 11}) {
        CtseFile file;
        file.width = file.height = 4;
        file.format = format;
        const std::size_t rawSize = format >= 7 && format <= 9 ? (format == 7 ? 8 : 16) : 4 * 4 * 4;
        Bytes raw(rawSize);
        for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = uint8_t(i * 37);
        file.data = ZlibPack(raw);
        seeds.push_back(BuildCtse(file));
    }
    for (const char* version : {"$Version: Serious Sam 3 BFE 1.0", "$Version: SE2017 build 1"}) {
        for (int format : {2, 3, 6, 7, 9, 10}) {
            CtseFile file;
            file.versionText = version;
            file.width = file.height = 4;
            file.format = format;
            file.data.assign(21 * 4, 0x5A);  // a 4 x 4 mip chain of four-byte pixels
            seeds.push_back(BuildCtse(file));
        }
    }
    Bytes signedFile = {'S', 'I', 'G', 'S', 'T', 'R', 'M', '1', 0, 0, 0, 0};
    const Bytes ss2 = seeds[firstSs2];
    signedFile.insert(signedFile.end(), ss2.begin(), ss2.end());
    seeds.push_back(signedFile);
    return seeds;
}

void WriteTexSeeds() {
    const std::vector<Bytes> seeds = TexSeeds();
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const std::string name = "seed" + std::to_string(i) + ".tex";
        Seed("tex_fuzz", name, seeds[i]);
        if (seeds[i].size() >= 8 && std::memcmp(seeds[i].data(), "CTSEMETA", 8) == 0) Seed("ss23_tex_fuzz", name, seeds[i]);
    }

    std::vector<testing_support::ZipEntry> entries;
    for (std::size_t i = 0; i < seeds.size() && i < 4; ++i)
        entries.push_back({"Textures/T" + std::to_string(i) + ".tex", std::string(seeds[i].begin(), seeds[i].end())});
    entries.push_back({"Textures/", "", true});
    entries.push_back({"readme.txt", "not a texture"});
    Seed("gro_archive_fuzz", "textures.gro", testing_support::BuildZip(entries));
    Seed("gro_archive_fuzz", "empty.gro", testing_support::BuildZip({}));
}

void WriteImageSeeds() {
    for (int bits : {24, 32}) {
        const std::string name = std::to_string(bits);
        Seed("tga_fuzz", name + ".tga", EncodeTga(TestImage(5, 3, bits), bits == 32));
    }
    // Hand-made TGAs for the forms our writer does not produce: run-length true colour
    // (bottom-up), colour-mapped with a 16-bit map, run-length greyscale.
    Seed("tga_fuzz", "rle24.tga",
         Bytes{0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 24, 0,
               0x82, 10, 20, 30, 0x01, 1, 2, 3, 4, 5, 6});
    Seed("tga_fuzz", "cmap.tga",
         Bytes{0, 1, 1, 0, 0, 2, 0, 16, 0, 0, 0, 0, 2, 0, 1, 0, 8, 0x20,
               0x1F, 0x00, 0xE0, 0x83, 0, 1});
    Seed("tga_fuzz", "rlegrey.tga",
         Bytes{0, 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 1, 0, 8, 0x30, 0x81, 200, 0x01, 7, 9});

    for (int width : {3, 9}) {
        const int height = 2;
        std::vector<uint8_t> rgbe(std::size_t(width) * height * 4);
        for (std::size_t i = 0; i < rgbe.size(); ++i) rgbe[i] = uint8_t(i % 4 == 3 ? 120 + i % 16 : i * 11);
        ByteBuffer file;
        EncodeHdr(rgbe.data(), width, height, file);
        Seed("hdr_fuzz", "w" + std::to_string(width) + ".hdr", file);
    }

    for (bool alpha : {false, true}) {
        ByteBuffer file;
        if (EncodeTiff(TestImage(5, 3, alpha ? 32 : 24), alpha, file))
            Seed("tiff_fuzz", alpha ? "rgba.tif" : "rgb.tif", file);
    }

    const std::string general = "general_decoder_fuzz";
    for (bool alpha : {false, true})
        if (auto png = EncodePng(TestImage(5, 3, alpha ? 32 : 24), alpha)) Seed(general, alpha ? "rgba.png" : "rgb.png", *png);
    if (auto jpeg = EncodeJpeg(TestImage(17, 9, 24), 80)) Seed(general, "q80.jpg", *jpeg);
    if (auto bmp = EncodeBmp(TestImage(5, 3, 24))) Seed(general, "rgb.bmp", *bmp);
    for (bool alpha : {false, true}) {
        ByteBuffer file;
        if (EncodeTiff(TestImage(5, 3, alpha ? 32 : 24), alpha, file)) Seed(general, alpha ? "rgba.tif" : "rgb.tif", file);
    }

    for (int bits : {24, 32}) Seed("pcx_fuzz", std::to_string(bits) + ".pcx", EncodePcx(TestImage(5, 3, bits)));

    for (int format : {kDdsDxt1, kDdsDxt5, kDdsBc5, kDdsBgra}) {
        ByteBuffer file;
        if (EncodeDds(TestImage(8, 4, 32), format, format != kDdsBgra, file))
            Seed("dds_fuzz", "format" + std::to_string(format) + ".dds", file);
    }
}

void WritePrefsSeeds() {
    const std::string file =
        "\xEF\xBB\xBFPrefUndoSteps = 30\n# comment\n; other comment\nPrefHdrExposure = -1.500\n\n"
        "LastOpenFolder = /home/user/Textures/\nWindowX = -100000\npRefundosteps=500\r\n";
    Seed("prefs_fuzz", "prefs.txt", std::string("\x0D\x03") + "PrefUndoSteps" + "500" + file);
    // The target reads a key length byte, a value length byte, the key, the value, then the file.
    Seed("prefs_fuzz", "set_key.txt", std::string("\x12\x07") + "PrefNormalStrength" + "  2.250" + file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds OUTPUT_FOLDER\n");
        return 2;
    }
    g_root = argv[1];
    if (!MakeDirectory(g_root)) {
        std::fprintf(stderr, "fuzz_seeds: cannot create %s\n", g_root.c_str());
        return 1;
    }
    WriteTexSeeds();
    WriteImageSeeds();
    WritePrefsSeeds();
    return g_failed ? 1 : 0;
}
