// Builds Serious Sam 2 / 3 / 2017 texture files in memory for the reader tests.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace testing_support {

struct CtseFile {
    std::string versionText = "$Version: 1.0 Serious Sam 2";
    std::string className = "CStaticTexture";
    int32_t width = 2;
    int32_t height = 2;
    int32_t flags = 0;
    int32_t format = 0;
    std::vector<uint8_t> data;              // the bytes behind the size field
    std::optional<int32_t> dataSizeField;   // the size field; data.size() when not set
    std::optional<int32_t> wrapU = 80;      // wrap modes; none leaves them out
    std::optional<int32_t> wrapV = 81;
};

namespace ctse_detail {
inline void Append32(std::vector<uint8_t>& out, int32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(uint32_t(value) >> (8 * i)));
}
inline void AppendText(std::vector<uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}
}  // namespace ctse_detail

/// "CTSEMETA", 8 unread bytes, the version text with its length, the class name, "OBJS", the
/// texture header, "STAR", the size field, the data and the wrap modes.
inline std::vector<uint8_t> BuildCtse(const CtseFile& file) {
    using ctse_detail::Append32, ctse_detail::AppendText;
    std::vector<uint8_t> out;
    AppendText(out, "CTSEMETA");
    out.insert(out.end(), 8, uint8_t(0));
    Append32(out, int32_t(file.versionText.size()));
    AppendText(out, file.versionText);
    AppendText(out, "\x01\x02" + file.className + "\x03");
    AppendText(out, "OBJS");
    out.insert(out.end(), 12, uint8_t(0xEE));  // object fields the readers skip
    Append32(out, file.width);
    Append32(out, file.height);
    Append32(out, file.flags);
    Append32(out, file.format);
    AppendText(out, "STAR");
    Append32(out, file.dataSizeField.value_or(int32_t(file.data.size())));
    out.insert(out.end(), file.data.begin(), file.data.end());
    if (file.wrapU) Append32(out, *file.wrapU);
    if (file.wrapV) Append32(out, *file.wrapV);
    return out;
}

/// The bytes as one zlib stream, as zlib's compress() writes it.
inline std::vector<uint8_t> ZlibPack(const std::vector<uint8_t>& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<uint8_t> packed(size);
    if (compress(packed.data(), &size, raw.data(), uLong(raw.size())) != Z_OK)
        throw std::runtime_error("compress failed");
    packed.resize(size);
    return packed;
}

}  // namespace testing_support
