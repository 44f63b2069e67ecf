#include "imageformats/general_decoder.h"

#include "imageformats/tiff_fallback.h"
#include "platform/bytes.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool StartsWith(std::span<const uint8_t> bytes, const char* magic, std::size_t n) {
    return bytes.size() >= n && std::memcmp(bytes.data(), magic, n) == 0;
}

// ---- PNG ----------------------------------------------------------------------------------

struct PngSource {
    std::span<const uint8_t> bytes;
    std::size_t pos = 0;
};

void PngRead(png_structp png, png_bytep out, png_size_t count) {
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > src->bytes.size() - src->pos) png_error(png, "truncated");
    std::memcpy(out, src->bytes.data() + src->pos, count);
    src->pos += count;
}

// libpng's messages are not printed: a damaged file is reported by the caller.
void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

/// Deflate turns no fewer than one input byte into 1032 output bytes at best.
constexpr uint64_t kMaxDeflateRatio = 1032;

/// False when the file is too small to hold its claimed size: the filtered rows (a filter byte
/// and the packed samples each) are at least that many bytes once inflated, and no deflate
/// stream of the file's length inflates to more. A damaged size field is refused before the
/// image is allocated.
bool DataCanHoldRows(uint64_t width, uint64_t height, int bitsPerPixel, std::size_t fileBytes) {
    const uint64_t rowBytes = 1 + (width * uint64_t(bitsPerPixel) + 7) / 8;
    return height * rowBytes <= uint64_t(fileBytes) * kMaxDeflateRatio;
}

// Kept free of C++ objects with destructors between setjmp and the calls that may longjmp.
bool DecodePngInto(std::span<const uint8_t> bytes, std::optional<DecodedImage>& result) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    PngSource source{bytes, 0};
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        result.reset();
        return false;
    }
    png_set_read_fn(png, &source, PngRead);
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int colorType = png_get_color_type(png, info);
    const int channels = png_get_channels(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    int decodedBits = channels * bitDepth;
    if (colorType == PNG_COLOR_TYPE_PALETTE) decodedBits = bitDepth;
    if (!IsValidImageSize(width, height) || !DataCanHoldRows(width, height, channels * bitDepth, bytes.size()))
        png_error(png, "size");

    png_set_expand(png);  // palette -> RGB, grey < 8 bits -> 8 bits, tRNS -> alpha
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    result.emplace();
    auto image = CreateImageUninitialized(int(width), int(height), 32);
    if (!image) png_error(png, "memory");
    result->image = std::move(*image);
    result->decodedBitsPerPixel = decodedBits;
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = result->image.row(int(y));
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// ---- JPEG ---------------------------------------------------------------------------------

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    bool dataEnded = false;  // the data ran out and the library went on with made-up data
};

void JpegFail(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }
// Warnings are not printed; the one for data that ends early is remembered.
void JpegWarning(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) reinterpret_cast<JpegError*>(cinfo->err)->dataEnded = true;
}

/// Rows a sequential file may still owe when its data ends: the library decodes up to two MCU
/// rows (of at most 32 pixel rows) ahead of its output, so a file that lacks only its end
/// marker ends inside them.
constexpr JDIMENSION kRowsOwedAtEnd = 64;

/// False when the file is too small to hold its claimed size. Huffman coding spends at least
/// one bit on every MCU (each block codes its DC value), so fewer than MCUs / 8 bytes cannot
/// code the frame: a damaged size field, whose decoding would make up gigabytes of pixels.
/// Arithmetic coding can spend less than a bit per MCU and is not judged.
bool DataCanHoldFrame(const jpeg_decompress_struct& cinfo, std::size_t fileBytes) {
    if (cinfo.arith_code) return true;
    const uint64_t mcuWidth = 8 * uint64_t(std::max(1, cinfo.max_h_samp_factor));
    const uint64_t mcuHeight = 8 * uint64_t(std::max(1, cinfo.max_v_samp_factor));
    const uint64_t mcus = (cinfo.image_width + mcuWidth - 1) / mcuWidth * ((cinfo.image_height + mcuHeight - 1) / mcuHeight);
    return mcus / 8 <= fileBytes;
}

bool DecodeJpegInto(std::span<const uint8_t> bytes, std::optional<DecodedImage>& result) {
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegFail;
    err.mgr.emit_message = JpegWarning;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        result.reset();
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    // Judge the claimed size before the library allocates for it.
    if (!IsValidImageSize(cinfo.image_width, cinfo.image_height) || !DataCanHoldFrame(cinfo, bytes.size()))
        JpegFail(reinterpret_cast<j_common_ptr>(&cinfo));
    const int decodedBits = cinfo.num_components * 8;
    cinfo.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&cinfo);
    if (!IsValidImageSize(cinfo.output_width, cinfo.output_height)) JpegFail(reinterpret_cast<j_common_ptr>(&cinfo));
    const bool sequential = !jpeg_has_multiple_scans(&cinfo);
    result.emplace();
    auto image = CreateImageUninitialized(int(cinfo.output_width), int(cinfo.output_height), 32);
    if (!image) JpegFail(reinterpret_cast<j_common_ptr>(&cinfo));
    result->image = std::move(*image);
    result->decodedBitsPerPixel = decodedBits;
    while (cinfo.output_scanline < cinfo.output_height) {
        // A sequential file whose data ended well before its last rows is damaged: the rest
        // would be made up, at the full cost of decoding.
        if (sequential && err.dataEnded && cinfo.output_height - cinfo.output_scanline > kRowsOwedAtEnd)
            JpegFail(reinterpret_cast<j_common_ptr>(&cinfo));
        JSAMPROW row = result->image.row(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// ---- BMP (gdk-pixbuf) ---------------------------------------------------------------------

constexpr std::size_t kBmpFileHeaderBytes = 14;
constexpr std::size_t kBmpPixelOffsetAt = 10;  // 32-bit offset of the pixel data in the file
constexpr std::size_t kBmpInfoSizeAt = 14;     // 32-bit size of the info header that follows

/// False for an uncompressed BMP (with the common 40-byte or longer info header) whose file
/// ends before the rows its header claims: a damaged size must not make the library allocate
/// and convert hundreds of megapixels. Run-length encoded files cannot be judged this way.
bool BmpHoldsItsRows(std::span<const uint8_t> bytes) {
    constexpr std::size_t kWidthAt = 18, kHeightAt = 22, kBitsAt = 28, kCompressionAt = 30;
    constexpr uint32_t kUncompressed = 0, kBitFields = 3;
    if (Le32(bytes.data() + kBmpInfoSizeAt) < 40 || bytes.size() < kCompressionAt + 4) return true;
    const uint32_t compression = Le32(bytes.data() + kCompressionAt);
    if (compression != kUncompressed && compression != kBitFields) return true;
    const int64_t width = LeS32(bytes.data() + kWidthAt);
    const int64_t height = LeS32(bytes.data() + kHeightAt);
    const uint64_t bits = Le16(bytes.data() + kBitsAt);
    const uint64_t rowBytes = (uint64_t(width < 0 ? -width : width) * bits + 31) / 32 * 4;
    const uint64_t offset = Le32(bytes.data() + kBmpPixelOffsetAt);  // below the file size (checked first)
    if (rowBytes == 0) return true;
    return uint64_t(height < 0 ? -height : height) <= (bytes.size() - offset) / rowBytes;
}


std::optional<DecodedImage> DecodeWithPixbuf(std::span<const uint8_t> bytes) {
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    GError* error = nullptr;
    bool ok = gdk_pixbuf_loader_write(loader, bytes.data(), bytes.size(), &error);
    if (error) g_clear_error(&error);
    ok = gdk_pixbuf_loader_close(loader, &error) && ok;
    if (error) g_clear_error(&error);
    std::optional<DecodedImage> result;
    GdkPixbuf* pixbuf = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    if (pixbuf && gdk_pixbuf_get_bits_per_sample(pixbuf) == 8 &&
        gdk_pixbuf_get_colorspace(pixbuf) == GDK_COLORSPACE_RGB) {
        const int width = gdk_pixbuf_get_width(pixbuf), height = gdk_pixbuf_get_height(pixbuf);
        const int channels = gdk_pixbuf_get_n_channels(pixbuf);
        const int stride = gdk_pixbuf_get_rowstride(pixbuf);
        const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
        auto image = (channels == 3 || channels == 4) ? CreateImageUninitialized(width, height, 32) : std::nullopt;
        if (image) {
            for (int y = 0; y < height; ++y) {
                const guchar* s = pixels + std::size_t(y) * stride;
                uint8_t* d = image->row(y);
                for (int x = 0; x < width; ++x, s += channels, d += 4) {
                    d[0] = s[0];
                    d[1] = s[1];
                    d[2] = s[2];
                    d[3] = channels == 4 ? s[3] : 255;
                }
            }
            result.emplace();
            result->image = std::move(*image);
            result->decodedBitsPerPixel = channels * 8;
        }
    }
    g_object_unref(loader);
    return result;
}

}  // namespace

std::optional<DecodedImage> DecodeWithLibraries(std::span<const uint8_t> bytes) {
    std::optional<DecodedImage> result;
    if (StartsWith(bytes, "\x89PNG\r\n\x1a\n", 8)) {
        DecodePngInto(bytes, result);
        return result;
    }
    if (StartsWith(bytes, "\xFF\xD8\xFF", 3)) {
        DecodeJpegInto(bytes, result);
        return result;
    }
    if (StartsWith(bytes, "II*\0", 4) || StartsWith(bytes, "MM\0*", 4)) {
        auto image = DecodeTiffWithLibrary(bytes);
        if (!image) return std::nullopt;
        const int bits = image->bitsPerPixel;
        return DecodedImage{std::move(*image), bits};
    }
    if (StartsWith(bytes, "BM", 2)) {
        // The info header and the pixel data must start inside the file: the library would
        // otherwise set aside memory for the header size or the pixel offset that a damaged
        // file claims (up to 4 GiB each).
        if (bytes.size() < kBmpFileHeaderBytes + 4 || Le32(bytes.data() + kBmpPixelOffsetAt) >= bytes.size() ||
            Le32(bytes.data() + kBmpInfoSizeAt) > bytes.size() - kBmpFileHeaderBytes || !BmpHoldsItsRows(bytes))
            return std::nullopt;
        return DecodeWithPixbuf(bytes);
    }
    return std::nullopt;
}
