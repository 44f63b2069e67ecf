// Independent readers and writers from the system (ImageMagick, Python's PIL) for
// cross-checking our image formats. Tests skip when a tool is missing.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace external_tools {

inline bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

/// /usr/bin/convert from ImageMagick (some machines have a stand-in of the same name).
inline bool HaveImageMagick() {
    static const bool have = Run("/usr/bin/convert -version 2>/dev/null | grep -q ImageMagick");
    return have;
}

inline bool HavePil() {
    static const bool have = Run("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1");
    return have;
}

inline std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

/// Samples of a binary Netpbm file (P6 or P7), interleaved, 8 or 16 bits each.
struct Netpbm {
    int width = 0, height = 0, channels = 0, maxval = 0;
    std::vector<uint16_t> samples;
    uint16_t at(int x, int y, int c) const { return samples[(std::size_t(y) * width + x) * channels + c]; }
};

// The next number of a P6 header, skipping comment lines.
inline int ReadHeaderNumber(std::istream& in) {
    in >> std::ws;
    while (in.peek() == '#') {
        in.ignore(1 << 20, '\n');
        in >> std::ws;
    }
    int value = 0;
    in >> value;
    return value;
}

inline std::optional<Netpbm> ReadNetpbm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    in >> magic;
    Netpbm image;
    if (magic == "P6") {
        image.width = ReadHeaderNumber(in);
        image.height = ReadHeaderNumber(in);
        image.maxval = ReadHeaderNumber(in);
        image.channels = 3;
    } else if (magic == "P7") {
        for (std::string key; in >> key && key != "ENDHDR";) {
            if (key == "WIDTH") in >> image.width;
            else if (key == "HEIGHT") in >> image.height;
            else if (key == "DEPTH") in >> image.channels;
            else if (key == "MAXVAL") in >> image.maxval;
            else in.ignore(1 << 20, '\n');
        }
    } else {
        return std::nullopt;
    }
    in.get();  // the single white-space byte before the samples
    const std::size_t count = std::size_t(image.width) * image.height * image.channels;
    const int bytesPerSample = image.maxval > 255 ? 2 : 1;
    std::vector<unsigned char> raw(count * bytesPerSample);
    if (!in.read(reinterpret_cast<char*>(raw.data()), std::streamsize(raw.size()))) return std::nullopt;
    image.samples.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        image.samples[i] = bytesPerSample == 2 ? uint16_t(raw[2 * i] << 8 | raw[2 * i + 1]) : raw[i];
    return image;
}

/// Writes a P6 (3 channels) or P7 RGB_ALPHA (4 channels) file with 8- or 16-bit samples.
inline void WriteNetpbm(const std::string& path, const Netpbm& image) {
    std::ostringstream header;
    if (image.channels == 3) {
        header << "P6\n" << image.width << ' ' << image.height << '\n' << image.maxval << '\n';
    } else {
        header << "P7\nWIDTH " << image.width << "\nHEIGHT " << image.height << "\nDEPTH " << image.channels
               << "\nMAXVAL " << image.maxval << "\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    }
    std::ofstream out(path, std::ios::binary);
    out << header.str();
    for (uint16_t sample : image.samples) {
        if (image.maxval > 255) out.put(char(sample >> 8));
        out.put(char(sample & 255));
    }
}

}  // namespace external_tools
