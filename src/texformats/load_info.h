// The record every loader fills beside the image it returns.
#pragma once

#include <cstdint>
#include <string>

#include "platform/byte_buffer.h"

struct LoadInfo {
    int32_t kind = 0;  // 0 other image, 1 Serious Sam 1, 2 Serious Sam 2, 3 Serious Sam 3 / 2017
    std::string versionText;  // version line of Serious Sam 2/3 files
    std::string formatText;   // format description shown to the user
    int32_t version = 0;
    int32_t flags = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t fineMipCount = 0;
    int32_t firstMip = 0;
    int32_t frameCount = 0;
    int32_t bytesPerPixel = 0;
    int32_t hasAlpha = 0;
    int32_t dataOffset = 0;
    int32_t frameSize = 0;
    int32_t isEffect = 0;
    int32_t effectClass = 0;
    int32_t effectWidth = 0;
    int32_t effectHeight = 0;
    std::string baseName;   // effect textures: the base texture named in the file
    std::string baseShown;  // effect textures: the base texture actually shown
    int32_t isHdr = 0;
    ByteBuffer rgbeData;    // RGBE pixels (4 bytes each, rows top to bottom) of an HDR source; empty = none
    std::string note;       // appended to the image description in the status bar
    std::string error;      // empty unless loading failed
};

/// Resets every field to the cleared state a loader starts from.
inline void ClearLoadInfo(LoadInfo& info) { info = LoadInfo{}; }
/// Frees the RGBE array (rgbeData becomes empty).
inline void ReleaseRgbeData(LoadInfo& info) { ByteBuffer().swap(info.rgbeData); }
