// Little-endian field access with bounds checks, for readers of untrusted files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

inline uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline int32_t LeS32(const uint8_t* p) { return int32_t(Le32(p)); }

/// Sequential reader over a byte span. Every Read* returns false, and reads nothing, when fewer
/// bytes remain than requested; the position never moves past the end.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> data) : data_(data) {}
    ByteReader(const uint8_t* data, std::size_t size) : data_(data, size) {}

    std::size_t pos() const { return pos_; }
    std::size_t size() const { return data_.size(); }
    std::size_t remaining() const { return data_.size() - pos_; }
    const uint8_t* current() const { return data_.data() + pos_; }
    bool Has(std::size_t n) const { return n <= remaining(); }

    bool Seek(std::size_t pos) {
        if (pos > data_.size()) return false;
        pos_ = pos;
        return true;
    }
    bool Skip(std::size_t n) {
        if (!Has(n)) return false;
        pos_ += n;
        return true;
    }
    bool ReadU8(uint8_t& v) {
        if (!Has(1)) return false;
        v = data_[pos_++];
        return true;
    }
    bool ReadU16(uint16_t& v) {
        if (!Has(2)) return false;
        v = Le16(current());
        pos_ += 2;
        return true;
    }
    bool ReadU32(uint32_t& v) {
        if (!Has(4)) return false;
        v = Le32(current());
        pos_ += 4;
        return true;
    }
    bool ReadS32(int32_t& v) {
        uint32_t u;
        if (!ReadU32(u)) return false;
        v = int32_t(u);
        return true;
    }
    bool ReadBytes(void* out, std::size_t n) {
        if (!Has(n)) return false;
        std::memcpy(out, current(), n);
        pos_ += n;
        return true;
    }
    /// Four bytes compared with a tag such as "TVER"; consumes them only on a match.
    bool ReadTag(const char (&tag)[5]) {
        if (!Has(4) || std::memcmp(current(), tag, 4) != 0) return false;
        pos_ += 4;
        return true;
    }
    bool PeekTag(const char (&tag)[5]) const { return Has(4) && std::memcmp(current(), tag, 4) == 0; }
    /// A fixed-length ASCII field that ends early at a zero byte.
    bool ReadFixedString(std::size_t n, std::string& out) {
        if (!Has(n)) return false;
        const char* p = reinterpret_cast<const char*>(current());
        out.assign(p, strnlen(p, n));
        pos_ += n;
        return true;
    }

private:
    std::span<const uint8_t> data_;
    std::size_t pos_ = 0;
};

/// Appends little-endian fields to a byte vector (for writers).
template <typename Vec>
struct ByteWriter {
    Vec& out;
    void U8(uint8_t v) { out.push_back(v); }
    void U16(uint16_t v) {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    }
    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
    }
    void S32(int32_t v) { U32(uint32_t(v)); }
    void Tag(const char (&tag)[5]) { out.insert(out.end(), tag, tag + 4); }
    void Bytes(const void* data, std::size_t n) {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        out.insert(out.end(), p, p + n);
    }
    void Zeros(std::size_t n) { out.insert(out.end(), n, uint8_t(0)); }
};
template <typename Vec>
ByteWriter(Vec&) -> ByteWriter<Vec>;
