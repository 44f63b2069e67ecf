// Fuzz target: lists an archive held in memory and extracts every member it lists, plus one
// name that never exists. Nothing may crash, hang, leak or allocate beyond the member cap.
#include <cstdint>
#include <span>
#include <vector>

#include "texformats/gro_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> archive(data, size);
    std::vector<ArchiveMember> members;
    ListArchiveTexMembers(archive, members);
    for (const ArchiveMember& member : members) {
        ByteBuffer bytes;
        ExtractArchiveMember(archive, member.name, bytes);
    }
    ByteBuffer bytes;
    ExtractArchiveMember(archive, "no such member.tex", bytes);
    return 0;
}
