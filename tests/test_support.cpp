#include "test_support.h"

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testing_support {

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "glimmer-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string FixturePath(const std::string& name) { return std::string(GLIMMER_FIXTURES_DIR) + "/" + name; }

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string ReadText(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& text) {
    WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

Image PatternImage(int width, int height, bool withAlpha) {
    Image image = *CreateImage(width, height, 32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(image, x, y,
                     {uint8_t(x * 7 + y), uint8_t(x + y * 13), uint8_t(x * y),
                      uint8_t(withAlpha ? 255 - x : 255)});
    return image;
}

bool SamePixels(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height) return false;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (!(GetPixel(a, x, y) == GetPixel(b, x, y))) return false;
    return true;
}

}  // namespace testing_support
