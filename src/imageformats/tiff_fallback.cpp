#include "imageformats/tiff_fallback.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <bit>
#include <memory>

namespace {

// libtiff reads through these callbacks from a span; it never writes.
struct MemoryFile {
    std::span<const uint8_t> bytes;
    uint64_t pos = 0;
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
    auto* file = static_cast<MemoryFile*>(handle);
    if (size <= 0 || file->pos >= file->bytes.size()) return 0;
    const uint64_t n = std::min<uint64_t>(uint64_t(size), file->bytes.size() - file->pos);
    std::memcpy(buffer, file->bytes.data() + file->pos, n);
    file->pos += n;
    return tmsize_t(n);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return 0; }

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* file = static_cast<MemoryFile*>(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = file->pos;
    if (whence == SEEK_END) base = file->bytes.size();
    file->pos = base + offset;  // seeking past the end is allowed; reads there return nothing
    return file->pos;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return static_cast<MemoryFile*>(handle)->bytes.size(); }
// The bytes are in memory already, so they serve as the "mapped file". libtiff reads some
// layouts (uncompressed tiles) correctly only in mapped mode; it never writes to the mapping
// of a file opened for reading.
int MapProc(thandle_t handle, void** base, toff_t* size) {
    auto* file = static_cast<MemoryFile*>(handle);
    *base = const_cast<uint8_t*>(file->bytes.data());
    *size = file->bytes.size();
    return 1;
}
void UnmapProc(thandle_t, void*, toff_t) {}

int IgnoreMessage(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// A single allocation by libtiff (strip buffers, tables) never exceeds this.
constexpr tmsize_t kMaxLibraryAllocation = tmsize_t(1) << 30;

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};

TIFF* OpenFromMemory(MemoryFile& file) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, IgnoreMessage, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreMessage, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxLibraryAllocation);
    TIFF* tif = TIFFClientOpenExt("memory", "r", &file, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                                  MapProc, UnmapProc, options);
    TIFFOpenOptionsFree(options);
    return tif;
}

}  // namespace

std::optional<Image> DecodeTiffWithLibrary(std::span<const uint8_t> bytes) {
    MemoryFile file{bytes};
    std::unique_ptr<TIFF, TiffCloser> tif(OpenFromMemory(file));
    if (!tif) return std::nullopt;
    uint32_t width = 0, height = 0;
    uint16_t extraSamples = 0;
    uint16_t* extraTypes = nullptr;
    if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height))
        return std::nullopt;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_EXTRASAMPLES, &extraSamples, &extraTypes);
    if (!IsValidImageSize(width, height)) return std::nullopt;

    char message[1024] = "";
    if (!TIFFRGBAImageOK(tif.get(), message)) return std::nullopt;
    std::optional<Image> image = CreateImageUninitialized(int(width), int(height), extraSamples > 0 ? 32 : 24);
    if (!image) return std::nullopt;
    // The raster is one uint32 per pixel with red in the low byte: on our little-endian target
    // that is exactly R, G, B, A in memory.
    static_assert(std::endian::native == std::endian::little);
    auto* raster = reinterpret_cast<uint32_t*>(image->pixels.data());
    if (!TIFFReadRGBAImageOriented(tif.get(), width, height, raster, ORIENTATION_TOPLEFT, 0)) return std::nullopt;
    return image;
}
