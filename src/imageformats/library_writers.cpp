#include "imageformats/library_writers.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/file_io.h"

namespace {

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<ByteBuffer*>(png_get_io_ptr(png));
    if (!TryResize(*out, out->size() + length)) png_error(png, "memory");
    std::memcpy(out->data() + out->size() - length, data, length);
}
void PngFlush(png_structp) {}

bool EncodePngInto(const Image& image, bool withAlpha, ByteBuffer& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<uint8_t> rgbRow;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8,
                 withAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    if (!withAlpha) rgbRow.resize(std::size_t(image.width) * 3);
    for (int y = 0; y < image.height; ++y) {
        if (withAlpha) {
            png_write_row(png, const_cast<png_bytep>(image.row(y)));
        } else {
            const uint8_t* s = image.row(y);
            for (int x = 0; x < image.width; ++x) std::memcpy(&rgbRow[std::size_t(x) * 3], s + x * 4, 3);
            png_write_row(png, rgbRow.data());
        }
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};
void JpegFail(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }

bool EncodeJpegInto(const Image& rgb, int quality, ByteBuffer& out) {
    jpeg_compress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegFail;
    unsigned char* memory = nullptr;
    unsigned long size = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(memory);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &memory, &size);
    cinfo.image_width = JDIMENSION(rgb.width);
    cinfo.image_height = JDIMENSION(rgb.height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_RGBX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, FALSE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.row(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    const bool ok = TryResize(out, size);
    if (ok) std::memcpy(out.data(), memory, size);
    std::free(memory);
    return ok;
}

bool SaveEncoded(const std::optional<ByteBuffer>& bytes, const std::string& path) {
    return bytes && WriteFileAtomic(path, *bytes);
}

}  // namespace

std::optional<ByteBuffer> EncodePng(const Image& image, bool withAlpha) {
    ByteBuffer out;
    if (!EncodePngInto(image, withAlpha, out)) return std::nullopt;
    return out;
}

std::optional<ByteBuffer> EncodeJpeg(const Image& image, int quality) {
    // JPEG has no alpha: the image is drawn over opaque black first.
    auto flat = CreateImage(image.width, image.height, 24, {0, 0, 0, 255});
    if (!flat) return std::nullopt;
    BlendImage(*flat, image, 0, 0);
    ByteBuffer out;
    if (!EncodeJpegInto(*flat, quality, out)) return std::nullopt;
    return out;
}

std::optional<ByteBuffer> EncodeBmp(const Image& image) {
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, image.width, image.height);
    if (!pixbuf) return std::nullopt;
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* s = image.row(y);
        guchar* d = pixels + std::size_t(y) * stride;
        for (int x = 0; x < image.width; ++x) std::memcpy(d + x * 3, s + x * 4, 3);
    }
    gchar* buffer = nullptr;
    gsize size = 0;
    GError* error = nullptr;
    const bool saved = gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "bmp", &error, nullptr);
    g_object_unref(pixbuf);
    if (error) g_clear_error(&error);
    std::optional<ByteBuffer> out;
    if (saved) {
        out.emplace();
        if (TryResize(*out, size)) std::memcpy(out->data(), buffer, size);
        else out.reset();
    }
    g_free(buffer);
    return out;
}

bool SavePng(const Image& image, const std::string& path, bool withAlpha) {
    return SaveEncoded(EncodePng(image, withAlpha), path);
}
bool SaveJpeg(const Image& image, const std::string& path, int quality) {
    return SaveEncoded(EncodeJpeg(image, quality), path);
}
bool SaveBmp(const Image& image, const std::string& path) { return SaveEncoded(EncodeBmp(image), path); }
