// Serious Sam 2 textures (static textures only), and the object container that Serious Sam 2,
// 3 and 2017 textures share. The byte layout is described at the top of ss2_tex.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/image.h"
#include "texformats/load_info.h"

/// Decodes a Serious Sam 2 texture; bytes start at its "CTSEMETA" tag. Fills info (kind 2) and
/// returns the image, or none with info.error set.
std::optional<Image> ReadSs2Tex(std::span<const uint8_t> bytes, LoadInfo& info);

/// "opaque (32-bit)" ... "alpha only (8-bit)", "unknown format " + code for other codes.
std::string Ss2FormatName(int32_t code);
/// The named flag bits joined by ", " ("mipmaps, constant, fastDXTc"); "none" when none is set.
std::string Ss2FlagsText(int32_t flags);
/// "repeat", "clamp to edge", "clamp to border", else "unknown (" + upper-case hex + ")".
std::string WrapModeText(int32_t value);

// ---- the container shared with the Serious Sam 3 / 2017 reader ----

/// The texture header in front of the "STAR" tag and the wrap modes behind the pixel data.
struct CtseTexture {
    int64_t star = 0;       // position of "STAR"
    int32_t width = 0;
    int32_t height = 0;
    int32_t flags = 0;
    int32_t format = 0;     // format code
    int32_t dataSize = 0;   // packed (Serious Sam 2) or raw (Serious Sam 3) pixel bytes at star + 8
    int32_t wrapU = 0;      // 0 when the file ends before the wrap modes
    int32_t wrapV = 0;
};

enum class CtseLayout { Ok, NoObjs, NoStar };

/// The version text at offset 20 (length at 16, used when 1..999 and inside bytes) with every
/// "$Version: " removed; empty when there is none.
std::string CtseVersionText(std::span<const uint8_t> bytes);

/// Finds the first "OBJS" and the first "STAR" at or after it, and reads the header fields
/// before "STAR" and the data size after it. NoStar when "STAR" is missing, lies before offset 16
/// or leaves no room for the data size. The wrap modes are read separately (ReadCtseWrapModes)
/// once the data size has been checked.
CtseLayout FindCtseTexture(std::span<const uint8_t> bytes, CtseTexture& texture);

/// Reads the wrap modes behind dataSize bytes of pixel data when the buffer holds them.
void ReadCtseWrapModes(std::span<const uint8_t> bytes, CtseTexture& texture);

/// "Flags: " + flagsText + "   U: " + WrapModeText(U) + "   V: " + WrapModeText(V).
std::string CtseNote(const std::string& flagsText, const CtseTexture& texture);

/// One named flag bit for FlagWordsText.
struct FlagWord {
    int32_t bit;
    const char* word;
};
/// The words of the set bits in table order, joined by ", "; "none" when none is set.
std::string FlagWordsText(int32_t flags, std::span<const FlagWord> words);
