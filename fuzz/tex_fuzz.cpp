// .tex files of every generation through the one entry point of the open flow.
#include <cstddef>
#include <cstdint>

#include "fuzz_checks.h"
#include "texformats/tex_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LoadInfo info;
    const HdrSettings hdr;
    // No source path: an effect texture never looks for its base on disk, so runs stay repeatable.
    const std::optional<Image> image = LoadTexData({data, size}, info, "", 0, 0, hdr);
    CheckLoadResult(image, info);
    return 0;
}
