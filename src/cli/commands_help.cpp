#include <cstdio>

#include "cli/commands.h"

void PrintCommandHelp(const std::string& command) {
    if (command == "info") {
        std::printf(
            "\nOptions:\n"
            "  --json             one JSON object per file with every field of the load record\n"
            "  --exposure EV      HDR exposure in stops (default 0)\n"
            "  --tone clip|filmic HDR tone curve (default clip)\n");
    } else if (command == "convert") {
        std::printf(
            "\nThe output format follows OUTPUT's extension: tga, png, pcx, bmp, tif/tiff, jpg/jpeg,\n"
            "dds, tex, hdr. Paths may be archive members: ARCHIVE.gro::Member/Path.tex\n\n"
            "Options:\n"
            "  --dds dxt1|dxt5|bc5|bgra  DDS format (default: BC5 for normal maps, DXT5 with alpha, else DXT1)\n"
            "  --no-mips                 DDS without mipmaps\n"
            "  --force                   replace an existing OUTPUT\n"
            "  --fit-1024                resize .tex output larger than 1024 pixels\n"
            "  --exposure EV             HDR exposure in stops (default 0)\n"
            "  --tone clip|filmic        HDR tone curve (default clip)\n"
            "Edits, applied in the order given:\n"
            "  --flip-green              normal map: flip green (DirectX <-> OpenGL)\n"
            "  --flip-red                normal map: flip red\n"
            "  --rebuild-z               normal map: rebuild blue (Z) from red and green\n"
            "  --normalize               normal map: scale every vector to length 1\n"
            "  --height-to-normal S      normal map from the brightness as height, strength S > 0\n"
            "  --extract red|green|blue|alpha  the channel as grayscale\n"
            "  --remove-alpha            make fully opaque\n"
            "  --invert-alpha            alpha := 255 - alpha\n"
            "  --alpha-from MASK         alpha from MASK's brightness (white = opaque)\n"
            "  --resize WxH              resample to WIDTH x HEIGHT\n"
            "  --fit-ss1                 resize to the size Serious Sam 1 accepts\n");
    } else if (command == "batch") {
        std::printf(
            "\nINPUTs are files, folders (searched with their subfolders) and .gro archives (all their\n"
            ".tex members). The summary is printed at the end; failed files also go to standard error.\n\n"
            "Options:\n"
            "  --to EXT                  output format: tga, png, pcx, bmp, tif, jpg, dds, tex, hdr\n"
            "  --out DIR                 write into DIR\n"
            "  --next-to-source          write next to each source file (archive members: beside the archive)\n"
            "  --from EXT                keep only files of this format when searching folders\n"
            "                            (default: every readable format)\n"
            "  --force                   replace existing output files\n"
            "  --no-fit-1024             fail .tex output larger than 1024 pixels instead of resizing it\n"
            "  --collisions number|first when inputs share an output name: add _2, _3, ... or keep the first\n"
            "  --quiet                   no progress on standard error\n"
            "  --exposure EV             HDR exposure in stops (default 0)\n"
            "  --tone clip|filmic        HDR tone curve (default clip)\n");
    }
}
