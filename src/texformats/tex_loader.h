// Entry point for .tex files of every engine generation, and the byte helpers the .tex readers
// share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "adjust/hdr_tone.h"
#include "platform/image.h"
#include "texformats/load_info.h"

/// Decodes a whole .tex file held in memory. The first bytes pick the generation. sourcePath is
/// the file's path on disk (empty for archive members); it locates the base texture of an effect
/// texture. frame is the animation frame to decode, depth the nesting of effect-base lookups.
/// Returns the image, or none with info.error set.
std::optional<Image> LoadTexData(std::span<const uint8_t> bytes, LoadInfo& info, const std::string& sourcePath,
                                 int frame, int depth, const HdrSettings& hdr);

/// Reads the file at path and decodes it with LoadTexData.
std::optional<Image> LoadTexFile(const std::string& path, LoadInfo& info, int frame, int depth,
                                 const HdrSettings& hdr);

/// The engine generation a .tex file belongs to, told by its first bytes.
enum class TexGeneration {
    Ss1,                // no CTSEMETA prefix: the Serious Sam 1 layout
    Ss2,                // CTSEMETA prefix whose generation text names Serious Sam 2
    Ss3,                // any other CTSEMETA prefix: Serious Sam 3 or the 2017 revision
    SignedWithoutMeta,  // starts with SIGSTRM1 but holds no CTSEMETA tag after it
};

struct TexDispatch {
    TexGeneration generation = TexGeneration::Ss1;
    std::size_t prefixOffset = 0;  // Ss2/Ss3: where the CTSEMETA tag starts
};

/// Tells the generation of a .tex file from its bytes. Reads only within bytes.
TexDispatch DetectTexGeneration(std::span<const uint8_t> bytes);

/// True when the 4 bytes at position exist and equal tag.
bool TagAt(std::span<const uint8_t> bytes, int64_t position, std::string_view tag);

/// The first position p >= start at which the bytes equal tag (any length), or -1.
int64_t FindTag(std::span<const uint8_t> bytes, int64_t start, std::string_view tag);

/// The last position p >= lowest at which the bytes equal tag, or -1.
int64_t FindTagBackward(std::span<const uint8_t> bytes, int64_t lowest, std::string_view tag);

/// folder + the actual name of the first regular file in folder (in listing order) whose
/// lower-cased name equals the lower-cased name; "" when there is none. folder is used unchanged
/// and must end with "/"; an empty folder means the working folder.
std::string FindFileNoCase(const std::string& folder, const std::string& name);
