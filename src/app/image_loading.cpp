#include "app/image_loading.h"

#include "app/archive_path.h"
#include "app/image_checks.h"
#include "imageformats/dds.h"
#include "imageformats/general_decoder.h"
#include "imageformats/hdr.h"
#include "imageformats/pcx.h"
#include "imageformats/tga.h"
#include "imageformats/tiff.h"
#include "imageformats/tiff_fallback.h"
#include "platform/file_io.h"
#include "texformats/gro_archive.h"
#include "texformats/tex_loader.h"

namespace {

constexpr const char* kCannotOpen = "The file cannot be opened.";
constexpr const char* kEmptyOrTooLarge = "The file is empty or too large.";
constexpr const char* kNotSupported = "This image format is not supported, or the file is damaged.";
constexpr const char* kExtractFailed = "Could not extract it from the archive.";

bool IsOwnReaderExtension(const std::string& ext) {
    return ext == "pcx" || ext == "hdr" || ext == "dds" || ext == "tga" || ext == "tif" || ext == "tiff";
}

std::optional<Image> DecodeWithOwnReader(const std::string& ext, const ByteBuffer& bytes, LoadInfo& info,
                                         const HdrSettings& hdr) {
    const std::span<const uint8_t> data(bytes.data(), bytes.size());
    if (ext == "pcx") return LoadPcx(data, info);
    if (ext == "hdr") return LoadHdr(data, info, hdr);
    if (ext == "dds") return LoadDds(data, info);
    if (ext == "tga") return LoadTga(data, info);
    auto image = LoadTiff(data, info);
    if (image) {
        info.formatText = "Tagged Image File Format";
        info.hasAlpha = HasTransparency(*image);
    }
    return image;
}

const char* LibraryFormatText(const std::string& ext) {
    if (ext == "png") return "Portable Network Graphics";
    if (ext == "bmp") return "Microsoft BMP";
    if (ext == "jpg" || ext == "jpeg") return "Joint Photographic Experts Group";
    if (ext == "tif" || ext == "tiff") return "Tagged Image File Format";
    return nullptr;
}

std::optional<Image> DecodeWithLibrary(const std::string& path, const std::string& ext, LoadInfo& info) {
    ByteBuffer bytes;
    std::optional<DecodedImage> decoded;
    if (ReadWholeFile(path, bytes) == ReadStatus::Ok) decoded = DecodeWithLibraries({bytes.data(), bytes.size()});
    if (!decoded) {
        info.error = kNotSupported;
        return std::nullopt;
    }
    info.bytesPerPixel = decoded->decodedBitsPerPixel / 8;
    Image image = EnsureRgba32(std::move(decoded->image));
    info.width = image.width;
    info.height = image.height;
    info.hasAlpha = HasTransparency(image);
    if (const char* text = LibraryFormatText(ext)) info.formatText = text;
    else info.formatText = ToUpper(ext) + " image";
    if (ext == "tif" || ext == "tiff") info.note = kTiffFallbackNote;
    return image;
}

}  // namespace

bool IsImageFileExtension(const std::string& extension) {
    static const std::string kList = ",png,tga,bmp,jpg,jpeg,tif,tiff,pcx,hdr,dds,";
    return kList.find("," + extension + ",") != std::string::npos;
}

std::optional<Image> OpenImageFile(const std::string& path, LoadInfo& info, const HdrSettings& hdr) {
    ClearLoadInfo(info);
    info.kind = 0;
    info.frameCount = 1;
    const std::string ext = LowerExtension(path);
    if (IsOwnReaderExtension(ext)) {
        ByteBuffer bytes;
        switch (ReadWholeFile(path, bytes)) {
            case ReadStatus::CannotOpen: info.error = kCannotOpen; return std::nullopt;
            case ReadStatus::EmptyOrTooLarge: info.error = kEmptyOrTooLarge; return std::nullopt;
            case ReadStatus::Ok: break;
        }
        auto image = DecodeWithOwnReader(ext, bytes, info, hdr);
        if (image) {
            info.width = image->width;
            info.height = image->height;
            return image;
        }
        if (ext != "tif" && ext != "tiff") {
            ReleaseRgbeData(info);
            return std::nullopt;
        }
        // Our TIFF reader handles one layout only; the library gets a second try.
        ClearLoadInfo(info);
        info.frameCount = 1;
    }
    return DecodeWithLibrary(path, ext, info);
}

namespace {

std::optional<Image> LoadArchiveMember(const std::string& path, LoadInfo& info, const HdrSettings& hdr) {
    ByteBuffer bytes;
    if (!ExtractArchiveMember(ArchiveFilePath(path), ArchiveMemberPath(path), bytes) || bytes.empty()) {
        ClearLoadInfo(info);
        info.error = kExtractFailed;
        return std::nullopt;
    }
    return LoadTexData({bytes.data(), bytes.size()}, info, "", 0, 0, hdr);
}

}  // namespace

std::optional<Image> LoadImageAnyPath(const std::string& path, LoadInfo& info, const HdrSettings& hdr) {
    if (IsArchivePath(path)) return LoadArchiveMember(path, info, hdr);
    if (LowerExtension(path) == "tex") return LoadTexFile(path, info, 0, 0, hdr);
    return OpenImageFile(path, info, hdr);
}

std::optional<Image> LoadDocumentImage(const std::string& path, LoadInfo& info, const HdrSettings& hdr) {
    if (IsArchivePath(path)) return LoadArchiveMember(path, info, hdr);
    if (IsImageFileExtension(LowerExtension(path))) return OpenImageFile(path, info, hdr);
    return LoadTexFile(path, info, 0, 0, hdr);
}
