// Byte builders for small Serious Sam 1 textures: every field spelled out, so tests can make
// valid files and break exactly one thing in them. The fixtures in tests/fixtures/ss1 are made
// from these (see ss1_fixtures_test.cpp).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/image.h"

namespace ss1_builder {

using Bytes = std::vector<uint8_t>;

struct Version4Header {
    int32_t version = 4;
    int32_t flags = 0;
    int32_t fullWidth = 1;
    int32_t fullHeight = 1;
    int32_t fineMipCount = 1;
    int32_t firstMip = 0;
    int32_t frameCount = 1;
    char chunk[5] = "FRMS";  // "FXDT" for effect textures
};

/// The 40-byte version-4 header followed by the raw frame bytes.
inline Bytes Version4(const Version4Header& h, const Bytes& frames = {}) {
    Bytes out;
    ByteWriter w{out};
    w.Tag("TVER");
    w.S32(h.version);
    w.Tag("TDAT");
    w.S32(h.flags);
    w.S32(h.fullWidth);
    w.S32(h.fullHeight);
    w.S32(h.fineMipCount);
    w.S32(h.firstMip);
    w.S32(h.frameCount);
    w.Bytes(h.chunk, 4);
    w.Bytes(frames.data(), frames.size());
    return out;
}

/// The frame bytes of image as version 4 stores them (RGBA or RGB, rows top to bottom).
inline Bytes Version4Pixels(const Image& image, bool withAlpha) {
    Bytes out;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const Rgba p = GetPixel(image, x, y);
            out.insert(out.end(), {p.r, p.g, p.b});
            if (withAlpha) out.push_back(p.a);
        }
    return out;
}

struct Version3Header {
    int32_t flags = 0;
    int32_t fullWidth = 1;
    int32_t fullHeight = 1;
    int32_t fineMipCount = 1;
    int32_t unused = 0x55555555;  // the field at 28, which the reader must not take as firstMip
    int32_t firstMip = 0;
    int32_t frameSize = -1;  // -1: the size of the words given
    int32_t frameCount = 1;
};

/// The 48-byte version-3 header followed by the 1-5-5-5 words of all frames.
inline Bytes Version3(Version3Header h, const std::vector<uint16_t>& words) {
    if (h.frameSize == -1) h.frameSize = int32_t(words.size() * 2) / (h.frameCount > 0 ? h.frameCount : 1);
    Bytes out;
    ByteWriter w{out};
    w.Tag("TVER");
    w.S32(3);
    w.Tag("TDAT");
    w.S32(h.flags);
    w.S32(h.fullWidth);
    w.S32(h.fullHeight);
    w.S32(h.fineMipCount);
    w.S32(h.unused);
    w.S32(h.firstMip);
    w.S32(h.frameSize);
    w.S32(h.frameCount);
    w.Tag("FRMS");
    for (uint16_t word : words) w.U16(word);
    return out;
}

struct Effect {
    int32_t effectClass = 2;
    int32_t width = 2;
    int32_t height = 2;
    std::vector<int32_t> buffer;  // empty: no FXBF chunk
    std::string baseName;         // empty: no DFNM chunk

    Effect& Class(int32_t value) { effectClass = value; return *this; }
    Effect& Size(int32_t w, int32_t h) { width = w; height = h; return *this; }
    Effect& Buffer(std::vector<int32_t> values) { buffer = std::move(values); return *this; }
    Effect& Base(std::string name) { baseName = std::move(name); return *this; }
};

/// A version-4 effect texture (32 x 32 full size): FXDT header, 8 bytes of other effect data,
/// then the FXBF buffer and the DFNM name when given.
inline Bytes EffectTexture(const Effect& e) {
    Version4Header h;
    h.fullWidth = h.fullHeight = 32;
    std::memcpy(h.chunk, "FXDT", 5);
    Bytes out = Version4(h);
    ByteWriter w{out};
    w.S32(e.effectClass);
    w.S32(e.width);
    w.S32(e.height);
    w.Zeros(8);
    if (!e.buffer.empty()) {
        w.Tag("FXBF");
        for (int32_t v : e.buffer) w.S32(v);
    }
    if (!e.baseName.empty()) {
        w.Tag("DFNM");
        w.S32(int32_t(e.baseName.size()));
        w.Bytes(e.baseName.data(), e.baseName.size());
    }
    return out;
}

}  // namespace ss1_builder
