// Helpers shared by the tests: temporary folders, fixture paths, small images.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/image.h"

namespace testing_support {

/// A fresh folder under the system temp folder, removed with everything in it at destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::string FixturePath(const std::string& name);
std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
/// The same for text files, byte for byte.
std::string ReadText(const std::string& path);
void WriteText(const std::string& path, const std::string& text);

/// A w x h RGBA image whose pixel (x, y) is (x*7+y, x+y*13, x*y, 255 - x) modulo 256.
Image PatternImage(int width, int height, bool withAlpha = true);
bool SamePixels(const Image& a, const Image& b);

}  // namespace testing_support
