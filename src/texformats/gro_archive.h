// Read access to .gro archives (ZIP containers of game files), through libarchive.
//
// Supported: ZIP archives as libarchive's seekable ZIP reader understands them (stored and
// deflated members, ZIP64). Listing reads the central directory; extraction decompresses one
// member into memory. Nothing is ever written to disk, so member names are plain texts here:
// "../x.tex", "/abs.tex" or "a\b.tex" are listed and looked up like any other name.
// Refused: members larger than kMaxArchiveMemberBytes (no allocation is made for them),
// encrypted members, and members whose data does not inflate to exactly their stated size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/byte_buffer.h"

struct ArchiveMember {
    std::string name;  // the member's path inside the archive, exactly as stored
    int64_t size = 0;  // uncompressed size in bytes (0 when the archive does not state it)
};

/// The largest member ExtractArchiveMember reads. The biggest texture any of our readers accepts
/// in practice (8192 x 8192 RGBA with its mip chain) is about 341 MiB; anything claiming more is
/// treated as a decompression bomb.
constexpr int64_t kMaxArchiveMemberBytes = int64_t(512) << 20;

/// Fills members with the .tex members of the archive (regular files whose lower-cased extension
/// is "tex"), sorted by name ignoring ASCII letter case (ties keep archive order). Returns their
/// number, or -1 when the file cannot be opened as a ZIP archive (members is then empty). An
/// archive that turns out damaged part-way keeps the members listed up to the damage.
int ListArchiveTexMembers(const std::string& archivePath, std::vector<ArchiveMember>& members);
/// The same for an archive held in memory.
int ListArchiveTexMembers(std::span<const uint8_t> archive, std::vector<ArchiveMember>& members);

/// Reads the first member whose name equals memberName exactly (letter case counts) into out.
/// False, with out empty, when the archive cannot be opened, no member matches, the member is
/// empty, larger than kMaxArchiveMemberBytes, encrypted or damaged, its data is shorter or longer
/// than its stated size, or the memory cannot be had.
bool ExtractArchiveMember(const std::string& archivePath, const std::string& memberName, ByteBuffer& out);
/// The same for an archive held in memory.
bool ExtractArchiveMember(std::span<const uint8_t> archive, const std::string& memberName, ByteBuffer& out);

// ---- helpers of the archive browser (kept here so they are testable without a display) ----

/// The browser's filter: leading and trailing spaces removed, lower-cased.
std::string NormalizeArchiveFilter(const std::string& filter);
/// True when normalizedFilter is empty or the lower-cased name contains it.
bool ArchiveMemberMatches(const std::string& name, const std::string& normalizedFilter);
/// The size column: whole kibibytes rounded up, "1 KB" for 1 to 1024 bytes.
std::string ArchiveSizeText(int64_t size);
/// The file part of a member path (after the last slash or backslash).
std::string ArchiveMemberFile(const std::string& name);
/// The folder part of a member path, up to and including its last slash or backslash.
std::string ArchiveMemberFolder(const std::string& name);
/// The browser's count label: shown + " of " + total + " textures".
std::string ArchiveCountText(std::size_t shown, std::size_t total);
