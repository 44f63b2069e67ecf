#include "texformats/gro_archive.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <memory>

#include "platform/file_io.h"

namespace {

using ArchivePtr = std::unique_ptr<archive, decltype(&archive_read_free)>;
using ArchiveOpener = std::function<int(archive*)>;

// Block size libarchive reads a file on disk with.
constexpr std::size_t kReadBlockBytes = 64 * 1024;

/// A reader for ZIP archives only, opened by open; null when the bytes are no ZIP archive.
/// The seekable ZIP reader wins for every archive with a central directory: it walks that
/// directory and skips member data without decompressing it. The streaming reader only takes
/// what the seekable one refuses: an empty archive, or one whose directory is missing.
ArchivePtr OpenZip(const ArchiveOpener& open) {
    ArchivePtr a(archive_read_new(), &archive_read_free);
    if (!a) return a;
    if (archive_read_support_format_zip_seekable(a.get()) != ARCHIVE_OK ||
        archive_read_support_format_zip_streamable(a.get()) != ARCHIVE_OK || open(a.get()) != ARCHIVE_OK)
        a.reset();
    return a;
}

ArchiveOpener FileOpener(const std::string& path) {
    return [path](archive* a) { return archive_read_open_filename(a, path.c_str(), kReadBlockBytes); };
}

ArchiveOpener MemoryOpener(std::span<const uint8_t> bytes) {
    return [bytes](archive* a) { return archive_read_open_memory(a, bytes.data(), bytes.size()); };
}

/// Moves to the next entry. False at the end of the archive and when it is damaged (a damaged
/// directory cannot be walked any further). A warning (for instance a name that cannot be
/// converted to the locale's character set) still yields the entry.
bool NextEntry(archive* a, archive_entry*& entry) {
    for (;;) {
        const int status = archive_read_next_header(a, &entry);
        if (status == ARCHIVE_OK || status == ARCHIVE_WARN) return true;
        if (status != ARCHIVE_RETRY) return false;
    }
}

/// The name as the archive stores it; empty when libarchive can give it in no form.
std::string EntryName(archive_entry* entry) {
    if (const char* name = archive_entry_pathname(entry)) return name;
    if (const char* name = archive_entry_pathname_utf8(entry)) return name;
    return {};
}

int64_t EntrySize(archive_entry* entry) {
    return archive_entry_size_is_set(entry) ? std::max<int64_t>(0, archive_entry_size(entry)) : 0;
}

bool LessIgnoringCase(const ArchiveMember& a, const ArchiveMember& b) {
    return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                        [](unsigned char x, unsigned char y) {
                                            return std::tolower(x) < std::tolower(y);
                                        });
}

int ListTexMembers(const ArchiveOpener& open, std::vector<ArchiveMember>& members) {
    members.clear();
    ArchivePtr a = OpenZip(open);
    if (!a) return -1;
    try {
        archive_entry* entry = nullptr;
        while (NextEntry(a.get(), entry)) {
            if (archive_entry_filetype(entry) != AE_IFREG) continue;
            std::string name = EntryName(entry);
            if (LowerExtension(name) == "tex") members.push_back({std::move(name), EntrySize(entry)});
        }
        std::stable_sort(members.begin(), members.end(), LessIgnoringCase);
    } catch (const std::bad_alloc&) {
        // A directory too large for the memory left: report what fits rather than nothing.
    }
    return int(std::min<std::size_t>(members.size(), INT32_MAX));
}

// The first block of a member's data buffer. The buffer then doubles, up to the stated size,
// only as data really arrives: a damaged entry that claims hundreds of MiB over a few bytes of
// data costs no more memory than it holds.
constexpr std::size_t kFirstDataBlockBytes = std::size_t(1) << 20;

/// Decompresses the current entry into out (empty on entry), which ends up with exactly size
/// bytes. True only when exactly that many bytes come out: a member that inflates to more than
/// it claims is refused after one byte too many instead of being followed.
bool ReadEntryData(archive* a, std::size_t size, ByteBuffer& out) {
    std::size_t done = 0;
    while (done < size) {
        if (done == out.size() &&
            !TryResize(out, std::min(size, std::max(kFirstDataBlockBytes, out.size() * 2))))
            return false;
        const la_ssize_t n = archive_read_data(a, out.data() + done, out.size() - done);
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    uint8_t extra = 0;
    return archive_read_data(a, &extra, 1) == 0;
}

bool ExtractMember(const ArchiveOpener& open, const std::string& memberName, ByteBuffer& out) {
    ByteBuffer().swap(out);
    ArchivePtr a = OpenZip(open);
    if (!a) return false;
    archive_entry* entry = nullptr;
    while (NextEntry(a.get(), entry)) {
        if (EntryName(entry) != memberName) continue;
        const int64_t size = EntrySize(entry);
        if (size < 1 || size > kMaxArchiveMemberBytes) return false;
        if (ReadEntryData(a.get(), std::size_t(size), out)) return true;
        ByteBuffer().swap(out);
        return false;
    }
    return false;
}

}  // namespace

int ListArchiveTexMembers(const std::string& archivePath, std::vector<ArchiveMember>& members) {
    return ListTexMembers(FileOpener(archivePath), members);
}

int ListArchiveTexMembers(std::span<const uint8_t> archive, std::vector<ArchiveMember>& members) {
    return ListTexMembers(MemoryOpener(archive), members);
}

bool ExtractArchiveMember(const std::string& archivePath, const std::string& memberName, ByteBuffer& out) {
    return ExtractMember(FileOpener(archivePath), memberName, out);
}

bool ExtractArchiveMember(std::span<const uint8_t> archive, const std::string& memberName, ByteBuffer& out) {
    return ExtractMember(MemoryOpener(archive), memberName, out);
}

std::string NormalizeArchiveFilter(const std::string& filter) {
    const std::size_t first = filter.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const std::size_t last = filter.find_last_not_of(' ');
    return ToLower(filter.substr(first, last - first + 1));
}

bool ArchiveMemberMatches(const std::string& name, const std::string& normalizedFilter) {
    return normalizedFilter.empty() || ToLower(name).find(normalizedFilter) != std::string::npos;
}

std::string ArchiveSizeText(int64_t size) {
    const int64_t kib = size > INT64_MAX - 1023 ? INT64_MAX / 1024 : (size + 1023) / 1024;
    return std::to_string(kib) + " KB";
}

std::string ArchiveMemberFile(const std::string& name) {
    const std::size_t slash = name.find_last_of("/\\");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::string ArchiveMemberFolder(const std::string& name) {
    const std::size_t slash = name.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

std::string ArchiveCountText(std::size_t shown, std::size_t total) {
    return std::to_string(shown) + " of " + std::to_string(total) + " textures";
}
