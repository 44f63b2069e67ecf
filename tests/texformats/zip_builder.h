// Builds small ZIP archives in memory with libarchive's writer, for the archive tests.
#pragma once

#include <archive.h>
#include <archive_entry.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace testing_support {

struct ZipEntry {
    std::string name;
    std::string data;        // contents of a file entry
    bool directory = false;  // a folder entry (data ignored)
};

namespace zip_detail {

inline la_ssize_t AppendToVector(archive*, void* client, const void* buffer, size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(client);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    out->insert(out->end(), bytes, bytes + length);
    return la_ssize_t(length);
}

inline void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Get32(const uint8_t* p) { return uint32_t(Get16(p)) | (uint32_t(Get16(p + 2)) << 16); }

}  // namespace zip_detail

/// The archive's bytes; entries are written in the given order, deflated.
inline std::vector<uint8_t> BuildZip(const std::vector<ZipEntry>& entries) {
    std::vector<uint8_t> out;
    archive* a = archive_write_new();
    archive_write_set_format_zip(a);
    archive_write_set_bytes_in_last_block(a, 1);
    if (archive_write_open(a, &out, nullptr, zip_detail::AppendToVector, nullptr) != ARCHIVE_OK)
        throw std::runtime_error(archive_error_string(a));
    for (const ZipEntry& e : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.name.c_str());
        archive_entry_set_filetype(entry, e.directory ? AE_IFDIR : AE_IFREG);
        archive_entry_set_perm(entry, e.directory ? 0755 : 0644);
        archive_entry_set_size(entry, e.directory ? 0 : la_int64_t(e.data.size()));
        if (archive_write_header(a, entry) != ARCHIVE_OK) throw std::runtime_error(archive_error_string(a));
        if (!e.directory && !e.data.empty()) archive_write_data(a, e.data.data(), e.data.size());
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
    return out;
}

/// Rewrites the uncompressed size that the archive states for member name without touching its
/// data: the way a decompression bomb or a damaged archive lies about its members. The member's
/// sizes and CRC move into its local header (libarchive trusts those), the central directory
/// says the same, and the data descriptor behind the data is left as unused bytes.
inline void PatchZipUncompressedSize(std::vector<uint8_t>& zip, const std::string& name, uint32_t size) {
    using zip_detail::Get16, zip_detail::Get32, zip_detail::Put32;
    for (std::size_t p = 0; p + 46 <= zip.size(); ++p) {
        if (std::memcmp(&zip[p], "PK\1\2", 4) != 0) continue;
        const std::size_t nameLength = Get16(&zip[p + 28]);
        if (p + 46 + nameLength > zip.size() ||
            std::string(zip.begin() + long(p + 46), zip.begin() + long(p + 46 + nameLength)) != name)
            continue;
        const std::size_t local = Get32(&zip[p + 42]);
        const uint16_t flags = Get16(&zip[p + 8]) & ~8u;
        for (std::size_t header : {p + 8, local + 6}) {
            zip[header] = uint8_t(flags);
            zip[header + 1] = uint8_t(flags >> 8);
        }
        Put32(&zip[local + 14], Get32(&zip[p + 16]));  // CRC
        Put32(&zip[local + 18], Get32(&zip[p + 20]));  // compressed size
        Put32(&zip[local + 22], size);
        Put32(&zip[p + 24], size);
        return;
    }
    throw std::runtime_error("member not found: " + name);
}

}  // namespace testing_support
