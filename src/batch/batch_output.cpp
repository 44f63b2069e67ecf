#include "batch/batch_output.h"

#include "imageformats/dds.h"
#include "imageformats/hdr.h"
#include "imageformats/library_writers.h"
#include "imageformats/pcx.h"
#include "imageformats/tga.h"
#include "imageformats/tiff.h"
#include "platform/file_io.h"
#include "texformats/ss1_tex_writer.h"

int BatchDdsFormat(const LoadInfo& info) {
    return DefaultDdsFormat(info.hasAlpha != 0, MentionsNormalMap(info.formatText));
}

namespace {

bool WriteTex(const Image& image, const LoadInfo& info, const std::string& path) {
    const bool keepsMips = info.kind == 1 && info.version == 4 && info.isEffect == 0 && image.width == info.width;
    return keepsMips ? WriteSs1Tex(image, path, info.hasAlpha != 0, info.firstMip, (info.flags & 2) != 0)
                     : WriteSs1Tex(image, path, info.hasAlpha != 0, 0, false);
}

}  // namespace

std::string SaveBatchOutput(const Image& image, const LoadInfo& info, const std::string& path,
                            const std::string& extension) {
    const bool alpha = info.hasAlpha != 0;
    bool ok = false;
    if (extension == "tga") ok = SaveTga(image, path, alpha);
    else if (extension == "pcx") ok = SavePcx(image, path);
    else if (extension == "bmp") ok = SaveBmp(image, path);
    else if (extension == "tif") ok = SaveTiff(image, path, alpha);
    else if (extension == "jpg") ok = SaveJpeg(image, path, 90);
    else if (extension == "dds") ok = SaveDds(image, path, BatchDdsFormat(info), true);
    else if (extension == "tex") ok = WriteTex(image, info, path);
    else if (extension == "hdr") {
        if (!info.isHdr || info.rgbeData.empty()) return "not an HDR texture";
        ok = SaveHdr(info.rgbeData.data(), info.width, info.height, path);
    } else ok = SavePng(image, path, alpha);
    return ok ? "" : "could not write the file";
}
