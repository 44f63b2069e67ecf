// The .tex dispatch: every .tex file, from disk or from an archive, enters here and is handed to
// the reader of its engine generation.
//
// Serious Sam 2, 3 and 2017 files begin with a "CTSEMETA" prefix (or with "SIGSTRM1" and the
// prefix somewhere after it). Of that prefix the dispatch reads only the generation text:
//
//   offset from CTSEMETA  size  content
//   0                     8     "CTSEMETA"
//   8                     8     not read here
//   16                    4     length L of the generation text, signed 32-bit little-endian
//   20                    L     generation text, ASCII; "Serious Sam 2" anywhere in it means SS2
//
// Everything else is read as a Serious Sam 1 texture (ss1_tex.h).
#include "texformats/tex_loader.h"

#include <dirent.h>

#include "platform/bytes.h"
#include "platform/file_io.h"
#include "texformats/ss1_tex.h"
#include "texformats/ss2_tex.h"
#include "texformats/ss3_tex.h"

namespace {

constexpr std::string_view kMetaTag = "CTSEMETA";
constexpr std::string_view kSignedTag = "SIGSTRM1";
// Below this size a file cannot hold the CTSEMETA prefix up to its text length field.
constexpr std::size_t kMinPrefixedSize = 24;
constexpr int32_t kMaxGenerationTextLength = 1000;

std::string_view AsText(std::span<const uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The generation text of the prefix at m; empty when its length field is implausible or the
// text (or the length field itself) runs past the end.
std::string_view GenerationText(std::span<const uint8_t> bytes, std::size_t m) {
    if (m + 20 > bytes.size()) return {};
    const int32_t length = LeS32(bytes.data() + m + 16);
    if (length < 1 || length >= kMaxGenerationTextLength || m + 20 + std::size_t(length) > bytes.size()) return {};
    return AsText(bytes).substr(m + 20, std::size_t(length));
}

}  // namespace

TexDispatch DetectTexGeneration(std::span<const uint8_t> bytes) {
    if (bytes.size() < kMinPrefixedSize) return {};
    const std::string_view text = AsText(bytes);
    std::size_t m = 0;
    if (text.starts_with(kSignedTag)) {
        const int64_t found = FindTag(bytes, int64_t(kSignedTag.size()), kMetaTag);
        if (found < 0) return {TexGeneration::SignedWithoutMeta, 0};
        m = std::size_t(found);
    } else if (!text.starts_with(kMetaTag)) {
        return {};
    }
    const bool isSs2 = GenerationText(bytes, m).find("Serious Sam 2") != std::string_view::npos;
    return {isSs2 ? TexGeneration::Ss2 : TexGeneration::Ss3, m};
}

std::optional<Image> LoadTexData(std::span<const uint8_t> bytes, LoadInfo& info, const std::string& sourcePath,
                                 int frame, int depth, const HdrSettings& hdr) {
    ClearLoadInfo(info);
    if (bytes.data() == nullptr || bytes.size() < 8) {
        info.error = "The file is empty or too small.";
        return std::nullopt;
    }
    const TexDispatch dispatch = DetectTexGeneration(bytes);
    switch (dispatch.generation) {
        case TexGeneration::SignedWithoutMeta:
            info.error = "Signed file without CTSEMETA data.";
            return std::nullopt;
        case TexGeneration::Ss2:
            return ReadSs2Tex(bytes.subspan(dispatch.prefixOffset), info);
        case TexGeneration::Ss3:
            return ReadSs3Tex(bytes.subspan(dispatch.prefixOffset), info, hdr);
        case TexGeneration::Ss1:
            break;
    }
    return LoadSs1Tex(bytes, info, sourcePath, frame, depth, hdr);
}

std::optional<Image> LoadTexFile(const std::string& path, LoadInfo& info, int frame, int depth,
                                 const HdrSettings& hdr) {
    ClearLoadInfo(info);
    ByteBuffer bytes;
    switch (ReadWholeFile(path, bytes)) {
        case ReadStatus::CannotOpen:
            info.error = "The file cannot be opened.";
            return std::nullopt;
        case ReadStatus::EmptyOrTooLarge:
            info.error = "The file is empty or too large.";
            return std::nullopt;
        case ReadStatus::Ok:
            break;
    }
    return LoadTexData(bytes, info, path, frame, depth, hdr);
}

bool TagAt(std::span<const uint8_t> bytes, int64_t position, std::string_view tag) {
    if (position < 0 || uint64_t(position) + tag.size() > bytes.size()) return false;
    return AsText(bytes).substr(std::size_t(position), tag.size()) == tag;
}

int64_t FindTag(std::span<const uint8_t> bytes, int64_t start, std::string_view tag) {
    if (start < 0) start = 0;
    if (uint64_t(start) > bytes.size()) return -1;
    const std::size_t found = AsText(bytes).find(tag, std::size_t(start));
    return found == std::string_view::npos ? -1 : int64_t(found);
}

int64_t FindTagBackward(std::span<const uint8_t> bytes, int64_t lowest, std::string_view tag) {
    const std::size_t found = AsText(bytes).rfind(tag);
    if (found == std::string_view::npos || int64_t(found) < lowest) return -1;
    return int64_t(found);
}

std::string FindFileNoCase(const std::string& folder, const std::string& name) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return {};
    const std::string wanted = ToLower(name);
    std::string found;
    while (const dirent* entry = readdir(dir)) {
        const std::string entryName = entry->d_name;
        if (ToLower(entryName) != wanted) continue;
        const std::string candidate = folder + entryName;
        if (FileExists(candidate)) {
            found = candidate;
            break;
        }
    }
    closedir(dir);
    return found;
}
