// .gro archives held in memory: listing the .tex members, then extracting a few of them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_checks.h"
#include "texformats/gro_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> archive(data, size);
    std::vector<ArchiveMember> members;
    const int count = ListArchiveTexMembers(archive, members);
    if (count < -1 || (count == -1 && !members.empty()) || (count >= 0 && std::size_t(count) != members.size()))
        FuzzFail("member count does not match the list");
    // Extract the first few members listed, and a name that is not there.
    std::size_t extracted = 0;
    for (const ArchiveMember& member : members) {
        if (extracted++ == 3) break;
        ByteBuffer bytes;
        const bool ok = ExtractArchiveMember(archive, member.name, bytes);
        if (!ok && !bytes.empty()) FuzzFail("failed extraction left bytes behind");
        if (ok && (bytes.empty() || int64_t(bytes.size()) > kMaxArchiveMemberBytes)) FuzzFail("bad member size");
    }
    ByteBuffer missing;
    ExtractArchiveMember(archive, "no such member.tex", missing);
    return 0;
}
