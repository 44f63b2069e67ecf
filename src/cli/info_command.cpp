// glimmerkit-cli info: what the status bar shows for each file, or the LoadInfo record as JSON.
#include <cstdio>
#include <string>
#include <vector>

#include "app/archive_path.h"
#include "app/image_loading.h"
#include "app/open_flow.h"
#include "cli/cli_options.h"
#include "cli/commands.h"

namespace {

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c >= 0x7F) {
                    // Texts from files are ASCII; anything else is escaped byte by byte.
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += char(c);
                }
        }
    }
    return out + "\"";
}

std::string InfoJson(const std::string& path, const LoadInfo& i) {
    std::string out = "{";
    auto text = [&](const char* key, const std::string& value) {
        out += std::string(out.size() > 1 ? "," : "") + "\"" + key + "\":" + JsonString(value);
    };
    auto number = [&](const char* key, long long value) {
        out += std::string(",\"") + key + "\":" + std::to_string(value);
    };
    text("path", path);
    number("kind", i.kind);
    text("versionText", i.versionText);
    text("formatText", i.formatText);
    number("version", i.version);
    number("flags", i.flags);
    number("width", i.width);
    number("height", i.height);
    number("fineMipCount", i.fineMipCount);
    number("firstMip", i.firstMip);
    number("frameCount", i.frameCount);
    number("bytesPerPixel", i.bytesPerPixel);
    number("hasAlpha", i.hasAlpha);
    number("dataOffset", i.dataOffset);
    number("frameSize", i.frameSize);
    number("isEffect", i.isEffect);
    number("effectClass", i.effectClass);
    number("effectWidth", i.effectWidth);
    number("effectHeight", i.effectHeight);
    text("baseName", i.baseName);
    text("baseShown", i.baseShown);
    number("isHdr", i.isHdr);
    text("note", i.note);
    text("error", i.error);
    return out + "}";
}

}  // namespace

int RunInfoCommand(const std::vector<std::string>& args) {
    bool json = false;
    HdrSettings hdr;
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--json") json = true;
        else if (a == "--exposure") {
            if (!hasValue) return UsageError("info", "--exposure needs a value");
            const auto ev = ParseReal(args[++i]);
            if (!ev) return UsageError("info", "--exposure needs a number");
            hdr.exposure = *ev;
        } else if (a == "--tone") {
            if (!hasValue) return UsageError("info", "--tone needs clip or filmic");
            const auto tone = ParseTone(args[++i]);
            if (!tone) return UsageError("info", "--tone needs clip or filmic");
            hdr.tone = *tone;
        } else if (a == "--") {
            paths.insert(paths.end(), args.begin() + std::ptrdiff_t(i) + 1, args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-') return UsageError("info", "unknown option " + a);
        else paths.push_back(a);
    }
    if (paths.empty()) return UsageError("info", "no file given");

    int status = kExitOk;
    for (const std::string& path : paths) {
        LoadInfo info;
        const auto image = LoadDocumentImage(path, info, hdr);
        if (json) {
            std::printf("%s\n", InfoJson(path, info).c_str());
        } else if (image) {
            std::string line = DisplayName(path) + "\t" + std::to_string(info.width) + " x " +
                               std::to_string(info.height) + "  " + DescribeLoadedImage(info);
            if (!info.note.empty()) line += "\t" + info.note;
            std::printf("%s\n", line.c_str());
        }
        if (!image) {
            ReportError(DisplayName(path), info.error);
            status = kExitInputFailed;
        }
    }
    return status;
}
