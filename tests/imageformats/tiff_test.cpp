#include "imageformats/tiff.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "external_tools.h"
#include "imageformats/tiff_fallback.h"
#include "platform/bytes.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testing_support::PatternImage;
using testing_support::SamePixels;

enum : uint16_t { kShort = 3, kLong = 4 };

// ---- hand-made files ----------------------------------------------------------------------

// What a test file looks like. The defaults describe a file LoadTiff reads: 5 x 4 RGB in strips
// of two rows, IFD first, then the arrays, then the strips in order.
struct Options {
    char order = 'I';
    uint16_t magic = 42;
    uint32_t width = 5, height = 4;
    uint16_t samples = 3;
    enum class Bits { Absent, Single, InlinePair, Array } bits = Bits::Array;
    std::vector<uint16_t> bitsValues;  // for Array; empty means one 8 per sample
    bool bitsOutsideFile = false;
    uint32_t compression = 1, photometric = 2, planar = 1;
    bool writeRowsPerStrip = true;
    uint32_t rowsPerStrip = 2;
    uint16_t stripType = kLong;
    int stripCount = -1;  // strips listed in the table; -1: as many as the rows need
    bool stripTableOutsideFile = false;
    int extraSamples = -1;  // -1: no tag
    std::size_t cut = 0;    // bytes removed from the end of the file
    int64_t ifdOffset = -1;  // -1: right after the header
    uint16_t extraEntryCount = 0;  // claimed entries beyond those present
};

struct TestFile {
    Bytes bytes;
    Bytes samples;  // the stored samples, rows top to bottom
};

uint32_t EffectiveRowsPerStrip(const Options& o) {
    return o.writeRowsPerStrip && o.rowsPerStrip >= 1 && o.rowsPerStrip <= o.height ? o.rowsPerStrip : o.height;
}

TestFile MakeTiff(const Options& o) {
    struct Entry {
        uint16_t tag, type;
        uint32_t count, value;
    };
    std::vector<Entry> entries;
    TestFile file;
    for (uint32_t i = 0; i < o.width * o.height * o.samples; ++i) file.samples.push_back(uint8_t(i * 37 + 11));

    const uint32_t rowsPerStrip = EffectiveRowsPerStrip(o);
    const uint32_t strips = o.stripCount >= 0 ? uint32_t(o.stripCount) : (o.height + rowsPerStrip - 1) / rowsPerStrip;
    const std::size_t entryCount = 14;  // an upper bound; unused room stays zero
    const std::size_t ifdSize = 2 + 12 * entryCount + 4;
    Bytes& out = file.bytes;
    out = {uint8_t(o.order), uint8_t(o.order), uint8_t(o.magic), uint8_t(o.magic >> 8), 0, 0, 0, 0};
    out.resize(8 + ifdSize);
    ByteWriter w{out};

    // Arrays after the IFD.
    std::vector<uint16_t> bits = o.bitsValues.empty() ? std::vector<uint16_t>(o.samples, 8) : o.bitsValues;
    uint32_t bitsOffset = uint32_t(out.size());
    for (uint16_t b : bits) w.U16(b);
    if (o.bitsOutsideFile) bitsOffset = 1u << 30;
    const bool shortStrips = o.stripType == kShort;
    const bool stripsInline = strips * (shortStrips ? 2 : 4) <= 4;
    uint32_t stripTableOffset = uint32_t(out.size());
    const std::size_t stripTableAt = out.size();
    if (!stripsInline) out.resize(out.size() + strips * (shortStrips ? 2 : 4));
    if (o.stripTableOutsideFile) stripTableOffset = 0xFFFFFF00u;

    // The strips.
    std::vector<uint32_t> stripOffsets;
    const std::size_t rowBytes = std::size_t(o.width) * o.samples;
    for (uint32_t s = 0; s < strips; ++s) {
        stripOffsets.push_back(uint32_t(out.size()));
        const std::size_t first = std::size_t(s) * rowsPerStrip * rowBytes;
        const std::size_t last = std::min(file.samples.size(), first + rowsPerStrip * rowBytes);
        if (first < last) out.insert(out.end(), file.samples.begin() + first, file.samples.begin() + last);
    }
    uint32_t stripValue = stripTableOffset;
    if (stripsInline) {
        stripValue = 0;
        for (uint32_t s = 0; s < strips; ++s) stripValue |= shortStrips ? stripOffsets[s] << (16 * s) : stripOffsets[s];
    } else {
        for (uint32_t s = 0; s < strips; ++s) {
            uint8_t* p = out.data() + stripTableAt + s * (shortStrips ? 2 : 4);
            p[0] = uint8_t(stripOffsets[s]);
            p[1] = uint8_t(stripOffsets[s] >> 8);
            if (!shortStrips) p[2] = uint8_t(stripOffsets[s] >> 16), p[3] = uint8_t(stripOffsets[s] >> 24);
        }
    }

    entries.push_back({256, kLong, 1, o.width});
    entries.push_back({257, kShort, 1, o.height});
    switch (o.bits) {
        case Options::Bits::Absent: break;
        case Options::Bits::Single: entries.push_back({258, kShort, 1, bits[0]}); break;
        case Options::Bits::InlinePair: entries.push_back({258, kShort, 2, uint32_t(bits[0] | bits[1] << 16)}); break;
        case Options::Bits::Array: entries.push_back({258, kShort, uint32_t(bits.size()), bitsOffset}); break;
    }
    entries.push_back({259, kShort, 1, o.compression});
    entries.push_back({262, kShort, 1, o.photometric});
    if (strips > 0 || o.stripCount == 0) entries.push_back({273, o.stripType, strips, stripValue});
    entries.push_back({277, kShort, 1, o.samples});
    if (o.writeRowsPerStrip) entries.push_back({278, kLong, 1, o.rowsPerStrip});
    entries.push_back({284, kShort, 1, o.planar});
    if (o.extraSamples >= 0) entries.push_back({338, kShort, 1, uint32_t(o.extraSamples)});

    Bytes ifd;
    ByteWriter iw{ifd};
    iw.U16(uint16_t(entries.size() + o.extraEntryCount));
    for (const Entry& e : entries) {
        iw.U16(e.tag);
        iw.U16(e.type);
        iw.U32(e.count);
        iw.U32(e.value);
    }
    iw.U32(0);
    std::copy(ifd.begin(), ifd.end(), out.begin() + 8);
    const uint32_t ifdOffset = o.ifdOffset >= 0 ? uint32_t(o.ifdOffset) : 8;
    for (int i = 0; i < 4; ++i) out[4 + i] = uint8_t(ifdOffset >> (8 * i));
    out.resize(out.size() - std::min(o.cut, out.size()));
    return file;
}

// The image LoadTiff must give: the first rowsRead rows from the samples, the rest opaque black.
Image ExpectedImage(const Options& o, const Bytes& samples, uint32_t rowsRead) {
    Image image = *CreateImage(int(o.width), int(o.height), 32, {0, 0, 0, 255});
    for (uint32_t y = 0; y < rowsRead; ++y)
        for (uint32_t x = 0; x < o.width; ++x) {
            const uint8_t* s = &samples[(std::size_t(y) * o.width + x) * o.samples];
            SetPixel(image, int(x), int(y), {s[0], s[1], s[2], o.samples == 4 ? s[3] : uint8_t(255)});
        }
    return image;
}

TEST(LoadTiff, ReadsItsLayoutAndLeavesEverythingElseToTheLibrary) {
    constexpr int kNotMine = -1;
    struct Case {
        const char* name;
        std::function<void(Options&)> change;
        int rowsRead;  // kNotMine when LoadTiff must return none
    } cases[] = {
        {"RGB in strips of two rows", [](Options&) {}, 4},
        {"RGBA with straight alpha", [](Options& o) { o.samples = 4, o.extraSamples = 2; }, 4},
        {"RGBA marked premultiplied: alpha as stored", [](Options& o) { o.samples = 4, o.extraSamples = 1; }, 4},
        {"RGBA without extra-samples tag", [](Options& o) { o.samples = 4; }, 4},
        {"no bits-per-sample tag", [](Options& o) { o.bits = Options::Bits::Absent; }, 4},
        {"bits per sample as one value", [](Options& o) { o.bits = Options::Bits::Single; }, 4},
        {"bits per sample as an inline pair", [](Options& o) { o.bits = Options::Bits::InlinePair; }, 4},
        {"16-bit strip offsets inline", [](Options& o) { o.stripType = kShort; }, 4},
        {"16-bit strip offsets in an array", [](Options& o) { o.stripType = kShort, o.rowsPerStrip = 1; }, 4},
        {"one strip, no rows-per-strip tag", [](Options& o) { o.writeRowsPerStrip = false; }, 4},
        {"rows per strip 0 means the height", [](Options& o) { o.rowsPerStrip = 0; }, 4},
        {"rows per strip above the height", [](Options& o) { o.rowsPerStrip = 1000; }, 4},
        {"odd size", [](Options& o) { o.width = 7, o.height = 3, o.rowsPerStrip = 2; }, 3},
        {"last strip one byte short", [](Options& o) { o.cut = 1; }, 3},
        {"last strip missing", [](Options& o) { o.cut = 2 * 5 * 3; }, 2},
        {"fewer strips than rows need", [](Options& o) { o.stripCount = 1; }, 2},
        {"16-bit samples", [](Options& o) { o.bitsValues = {16, 16, 16}; }, kNotMine},
        {"one 16-bit sample", [](Options& o) { o.bitsValues = {8, 8, 16}; }, kNotMine},
        {"inline pair with a 16", [](Options& o) { o.bits = Options::Bits::InlinePair, o.bitsValues = {8, 16}; }, kNotMine},
        {"bits-per-sample array outside the file", [](Options& o) { o.bitsOutsideFile = true; }, kNotMine},
        {"LZW compression", [](Options& o) { o.compression = 5; }, kNotMine},
        {"greyscale", [](Options& o) { o.photometric = 1; }, kNotMine},
        {"palette", [](Options& o) { o.photometric = 3; }, kNotMine},
        {"separate planes", [](Options& o) { o.planar = 2; }, kNotMine},
        {"two samples", [](Options& o) { o.samples = 2; }, kNotMine},
        {"five samples", [](Options& o) { o.samples = 5; }, kNotMine},
        {"big-endian", [](Options& o) { o.order = 'M'; }, kNotMine},
        {"BigTIFF", [](Options& o) { o.magic = 43; }, kNotMine},
        {"width 0", [](Options& o) { o.width = 0; }, kNotMine},
        {"no strips", [](Options& o) { o.stripCount = 0; }, kNotMine},
        {"strip table outside the file", [](Options& o) { o.stripTableOutsideFile = true, o.rowsPerStrip = 1; }, kNotMine},
        {"IFD offset inside the header", [](Options& o) { o.ifdOffset = 4; }, kNotMine},
        {"IFD offset past the end", [](Options& o) { o.ifdOffset = 1 << 20; }, kNotMine},
        {"more entries claimed than the file holds", [](Options& o) { o.extraEntryCount = 60000; }, kNotMine},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Options options;
        c.change(options);
        const TestFile file = MakeTiff(options);
        LoadInfo info;
        std::optional<Image> image = LoadTiff(file.bytes, info);
        EXPECT_EQ(info.error, "");
        if (c.rowsRead == kNotMine) {
            EXPECT_FALSE(image);
            continue;
        }
        ASSERT_TRUE(image);
        EXPECT_EQ(info.bytesPerPixel, options.samples);
        EXPECT_EQ(image->bitsPerPixel, 32);
        EXPECT_TRUE(SamePixels(*image, ExpectedImage(options, file.samples, uint32_t(c.rowsRead))));
    }
}

TEST(LoadTiff, EveryTruncationIsSafe) {
    Options strips;
    strips.rowsPerStrip = 1;
    strips.samples = 4;
    ByteBuffer written;
    ASSERT_TRUE(EncodeTiff(PatternImage(3, 2), true, written));
    for (const Bytes& full : {MakeTiff(strips).bytes, Bytes(written.begin(), written.end())}) {
        LoadInfo info;
        const std::optional<Image> complete = LoadTiff(full, info);
        ASSERT_TRUE(complete);
        for (std::size_t length = 0; length < full.size(); ++length) {
            SCOPED_TRACE(length);
            const Bytes cut(full.begin(), full.begin() + length);  // exactly sized, so ASan sees over-reads
            LoadInfo partInfo;
            std::optional<Image> image = LoadTiff(cut, partInfo);
            EXPECT_EQ(partInfo.error, "");
            if (!image) continue;
            // Rows are read from the top until one is missing; the rest are opaque black.
            ASSERT_EQ(image->width, complete->width);
            bool black = false;
            for (int y = 0; y < image->height; ++y) {
                const bool same = std::equal(image->row(y), image->row(y) + image->pitch(), complete->row(y));
                black = black || !same;
                for (int x = 0; black && x < image->width; ++x) ASSERT_EQ(GetPixel(*image, x, y), (Rgba{0, 0, 0, 255}));
            }
        }
    }
}

// ---- writing ------------------------------------------------------------------------------

TEST(EncodeTiff, WritesTheDocumentedLayout) {
    Image pixel = *CreateImage(1, 1, 32, {10, 20, 30, 40});
    ByteBuffer out;
    ASSERT_TRUE(EncodeTiff(pixel, false, out));
    Bytes expected;
    ByteWriter w{expected};
    w.Bytes("II", 2);
    w.U16(42);
    w.U32(34);                                  // IFD offset
    w.Bytes("\x0a\x14\x1e\x00", 4);             // the pixel and the pad byte
    w.U16(8), w.U16(8), w.U16(8);               // bits per sample at 12
    w.U32(72), w.U32(1), w.U32(72), w.U32(1);   // resolutions at 18 and 26
    w.U16(12);
    const uint32_t entries[][4] = {{256, 4, 1, 1},  {257, 4, 1, 1},  {258, 3, 3, 12}, {259, 3, 1, 1},
                                   {262, 3, 1, 2},  {273, 4, 1, 8},  {277, 3, 1, 3},  {278, 4, 1, 1},
                                   {279, 4, 1, 3},  {282, 5, 1, 18}, {283, 5, 1, 26}, {296, 3, 1, 2}};
    for (const auto& e : entries) w.U16(uint16_t(e[0])), w.U16(uint16_t(e[1])), w.U32(e[2]), w.U32(e[3]);
    w.U32(0);
    ASSERT_EQ(expected.size(), 184u);
    EXPECT_EQ(Bytes(out.begin(), out.end()), expected);

    ASSERT_TRUE(EncodeTiff(pixel, true, out));
    ASSERT_EQ(out.size(), 198u);
    EXPECT_EQ(Le32(&out[4]), 36u);
    EXPECT_EQ(Bytes(out.begin() + 8, out.begin() + 12), (Bytes{10, 20, 30, 40}));
    EXPECT_EQ(Le16(&out[36]), 13);
    const uint8_t* last = &out[36 + 2 + 12 * 12];
    EXPECT_EQ(Bytes(last, last + 12), (Bytes{0x52, 1, 3, 0, 1, 0, 0, 0, 2, 0, 0, 0}));  // 338: unassociated
}

TEST(EncodeTiff, RefusesAnImageWithoutPixels) {
    ByteBuffer out;
    EXPECT_FALSE(EncodeTiff(Image{}, true, out));
    testing_support::TempDir dir;
    EXPECT_FALSE(SaveTiff(Image{}, dir.file("a.tif"), false));
    EXPECT_FALSE(SaveTiff(PatternImage(2, 2), dir.file("missing/a.tif"), false));
    ASSERT_TRUE(SaveTiff(PatternImage(2, 2), dir.file("a.tif"), false));
    EXPECT_EQ(testing_support::ReadBytes(dir.file("a.tif")).size(), 8 + 12 + 6 + 16 + 2 + 144 + 4u);
}

// LoadTiff reads file as source, with source's alpha when the file has it, else opaque.
void ExpectLoadsAs(std::span<const uint8_t> file, const Image& source, bool withAlpha) {
    LoadInfo info;
    std::optional<Image> image = LoadTiff(file, info);
    ASSERT_TRUE(image);
    EXPECT_EQ(info.bytesPerPixel, withAlpha ? 4 : 3);
    Image expected = *CopyImage(source);
    if (!withAlpha)
        for (std::size_t i = 3; i < expected.pixels.size(); i += 4) expected.pixels[i] = 255;
    EXPECT_TRUE(SamePixels(*image, expected));
}

TEST(TiffRoundTrip, ReadsBackWhatItWrites) {
    struct Case {
        int width, height;
        bool alpha;
    } cases[] = {{1, 1, false}, {1, 1, true}, {5, 3, false}, {5, 3, true}, {37, 19, false}, {64, 64, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << (c.alpha ? " RGBA" : " RGB"));
        const Image source = PatternImage(c.width, c.height, true);
        ByteBuffer file;
        ASSERT_TRUE(EncodeTiff(source, c.alpha, file));
        ExpectLoadsAs(file, source, c.alpha);
    }
}

// ---- cross-checks with ImageMagick and PIL ------------------------------------------------

using external_tools::Quote;

std::string PythonCommand(const std::string& script) { return "/usr/bin/python3 -c " + Quote(script); }

// Pixels of a file read by another program as raw samples, compared with ours.
void ExpectSamples(const Bytes& samples, int channels, const Image& image) {
    ASSERT_EQ(samples.size(), std::size_t(image.width) * image.height * channels);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* s = &samples[(std::size_t(y) * image.width + x) * channels];
            const Rgba p = GetPixel(image, x, y);
            ASSERT_EQ((Rgba{s[0], s[1], s[2], channels == 4 ? s[3] : uint8_t(255)}), (Rgba{p.r, p.g, p.b, channels == 4 ? p.a : uint8_t(255)}))
                << x << "," << y;
        }
}

TEST(TiffInterop, OtherReadersReadWhatWeWrite) {
    testing_support::TempDir dir;
    const std::string ours = dir.file("ours.tif"), raw = dir.file("raw"), pam = dir.file("out.pam");
    for (auto [width, height, alpha] : {std::tuple{1, 1, false}, {5, 3, true}, {37, 19, false}, {37, 19, true}}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height << (alpha ? " RGBA" : " RGB"));
        const Image source = PatternImage(width, height, true);
        ASSERT_TRUE(SaveTiff(source, ours, alpha));
        if (external_tools::HavePil()) {
            ASSERT_TRUE(external_tools::Run(PythonCommand(
                "from PIL import Image\nim = Image.open('" + ours + "')\nassert im.mode == '" +
                (alpha ? "RGBA" : "RGB") + "', im.mode\nassert im.size == (" + std::to_string(width) + ", " +
                std::to_string(height) + ")\nopen('" + raw + "', 'wb').write(im.tobytes())")));
            ExpectSamples(testing_support::ReadBytes(raw), alpha ? 4 : 3, source);
        }
        if (external_tools::HaveImageMagick()) {
            ASSERT_TRUE(external_tools::Run("/usr/bin/convert " + Quote(ours) + " " + Quote(pam)));
            std::optional<external_tools::Netpbm> read = external_tools::ReadNetpbm(pam);
            ASSERT_TRUE(read);
            ASSERT_EQ(read->channels, alpha ? 4 : 3);
            ExpectSamples(Bytes(read->samples.begin(), read->samples.end()), read->channels, source);
        }
    }
    if (!external_tools::HavePil() && !external_tools::HaveImageMagick()) GTEST_SKIP() << "no other TIFF reader";
}

// Writes source as raw samples and lets PIL save it as TIFF with the given Python statements.
bool PilWritesTiff(const Image& source, bool alpha, const std::string& raw, const std::string& tif,
                   const std::string& saveArguments) {
    Bytes samples;
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x) {
            const Rgba p = GetPixel(source, x, y);
            samples.insert(samples.end(), {p.r, p.g, p.b});
            if (alpha) samples.push_back(p.a);
        }
    testing_support::WriteBytes(raw, samples);
    return external_tools::Run(PythonCommand(
        "from PIL import Image, TiffImagePlugin\nTiffImagePlugin.STRIP_SIZE = 300\n"
        "im = Image.frombytes('" + std::string(alpha ? "RGBA" : "RGB") + "', (" + std::to_string(source.width) +
        ", " + std::to_string(source.height) + "), open('" + raw + "', 'rb').read())\n" + saveArguments +
        "\nim.save('" + tif + "', compression='raw')"));
}

TEST(TiffInterop, ReadsWhatPilWrites) {
    if (!external_tools::HavePil()) GTEST_SKIP() << "PIL is not installed";
    testing_support::TempDir dir;
    struct Case {
        const char* name;
        int width, height;
        bool alpha;
        const char* setup;
    } cases[] = {
        {"one strip, RGB", 37, 19, false, ""},
        {"one strip, RGBA", 5, 3, true, ""},
        // Through libtiff PIL writes strips of about STRIP_SIZE bytes.
        {"many strips, RGBA", 37, 19, true, "TiffImagePlugin.WRITE_LIBTIFF = True"},
        {"many strips, RGB", 33, 7, false, "TiffImagePlugin.WRITE_LIBTIFF = True"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Image source = PatternImage(c.width, c.height, true);
        ASSERT_TRUE(PilWritesTiff(source, c.alpha, dir.file("raw"), dir.file("pil.tif"), c.setup));
        const Bytes file = testing_support::ReadBytes(dir.file("pil.tif"));
        ExpectLoadsAs(file, source, c.alpha);
    }
}

TEST(TiffInterop, ReadsImageMagickFilesOrLeavesThemToTheLibrary) {
    if (!external_tools::HaveImageMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    testing_support::TempDir dir;
    const Image source = PatternImage(37, 19, false);
    external_tools::Netpbm ppm{37, 19, 3, 255, {}};
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 37; ++x) {
            const Rgba p = GetPixel(source, x, y);
            ppm.samples.insert(ppm.samples.end(), {p.r, p.g, p.b});
        }
    external_tools::WriteNetpbm(dir.file("in.ppm"), ppm);
    struct Case {
        const char* options;
        bool ours;
    } cases[] = {
        {"-compress none", true},
        {"-compress none -define tiff:rows-per-strip=1", true},
        {"-compress none -define tiff:rows-per-strip=4", true},
        {"-compress lzw", false},
        {"-compress zip", false},
        {"-compress none -define tiff:endian=msb", false},
        {"-compress none -depth 16", false},
        {"-compress none -interlace plane", false},
        {"-compress none -define tiff:tile-geometry=16x16", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        const std::string tif = dir.file("im.tif");
        ASSERT_TRUE(external_tools::Run("/usr/bin/convert " + Quote(dir.file("in.ppm")) + " " + c.options + " " + Quote(tif)));
        const Bytes file = testing_support::ReadBytes(tif);
        LoadInfo info;
        std::optional<Image> image = LoadTiff(file, info);
        EXPECT_EQ(info.error, "");
        EXPECT_EQ(bool(image), c.ours);
        if (!image) image = DecodeTiffWithLibrary(file);
        ASSERT_TRUE(image);
        EXPECT_TRUE(SamePixels(*image, source));
    }
}

}  // namespace
