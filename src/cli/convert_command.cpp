// glimmerkit-cli convert: load, apply edits in command-line order, write.
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/archive_path.h"
#include "app/history_commands.h"
#include "app/image_checks.h"
#include "app/image_loading.h"
#include "batch/batch_output.h"
#include "cli/cli_options.h"
#include "cli/commands.h"
#include "imageformats/dds.h"
#include "platform/file_io.h"
#include "tools/channels.h"
#include "tools/normal_maps.h"
#include "tools/resize.h"

namespace {

struct ConvertSettings {
    HdrSettings hdr;
    int ddsFormat = -1;  // -1: chosen as the batch converter chooses
    bool mips = true;
    bool force = false;
    bool fit1024 = false;
    std::vector<std::function<bool(AppState&, std::string&)>> edits;  // in command-line order
    std::string input, output;
};

// The writer table's extension for an output path ("" when it has none of ours).
std::string OutputExtension(const std::string& path) {
    std::string ext = LowerExtension(path);
    if (ext == "tiff") ext = "tif";
    if (ext == "jpeg") ext = "jpg";
    static const std::string kKnown = ",tga,png,pcx,bmp,tif,jpg,dds,tex,hdr,";
    return kKnown.find("," + ext + ",") == std::string::npos ? "" : ext;
}

std::optional<int> ParseDdsFormat(const std::string& text) {
    if (text == "dxt1") return 0;
    if (text == "dxt5") return 1;
    if (text == "bc5") return 2;
    if (text == "bgra") return 3;
    return std::nullopt;
}

bool ParseSize(const std::string& text, int& width, int& height) {
    const auto x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    char* end = nullptr;
    const long w = std::strtol(text.c_str(), &end, 10);
    if (end != text.c_str() + x) return false;
    const long h = std::strtol(text.c_str() + x + 1, &end, 10);
    if (*end != '\0' || w < 1 || h < 1 || w > 16384 || h > 16384) return false;
    width = int(w);
    height = int(h);
    return true;
}

bool ResizeEdit(AppState& app, int width, int height, std::string& error) {
    if (!ResizeDocument(app, width, height)) {
        error = "Not enough memory for this operation.";
        return false;
    }
    return true;
}

using Edit = std::function<bool(AppState&, std::string&)>;

// An edit that commits through CommitEdit, whose only failure is running out of memory.
Edit CommittingEdit(std::function<bool(AppState&)> commit) {
    return [commit = std::move(commit)](AppState& app, std::string& error) {
        if (commit(app)) return true;
        error = kNotEnoughMemoryMessage;
        return false;
    };
}

std::optional<int> ParseChannel(const std::string& text) {
    if (text == "red") return kCmdExtractRed;
    if (text == "green") return kCmdExtractGreen;
    if (text == "blue") return kCmdExtractBlue;
    if (text == "alpha") return kCmdExtractAlpha;
    return std::nullopt;
}

bool AlphaFromEdit(AppState& app, const std::string& maskPath, std::string& error) {
    std::string loaderError;
    switch (LoadAlphaFromFile(app, maskPath, loaderError)) {
        case AlphaLoad::Done: return true;
        case AlphaLoad::MaskNotLoaded: error = DisplayName(maskPath) + " could not be loaded: " + loaderError; break;
        case AlphaLoad::NoMemory: error = kNotEnoughMemoryMessage; break;
    }
    return false;
}

// The channel and normal-map edits; false when a is none of them. usage is set when its
// argument is missing or wrong.
bool ParseToolEdit(const std::string& a, const std::function<bool(std::string&)>& value,
                   std::vector<Edit>& edits, int& usage) {
    static const std::pair<const char*, int> kTransforms[] = {
        {"--flip-green", kFlipGreen}, {"--flip-red", kFlipRed}, {"--rebuild-z", kRebuildZ}, {"--normalize", kNormalize}};
    for (const auto& [option, mode] : kTransforms) {
        if (a != option) continue;
        edits.push_back(CommittingEdit([mode](AppState& app) { return ApplyNormalMapTransform(app, mode); }));
        return true;
    }
    std::string v;
    if (a == "--remove-alpha" || a == "--invert-alpha") {
        const int id = a == "--remove-alpha" ? kCmdRemoveAlpha : kCmdInvertAlpha;
        edits.push_back(CommittingEdit([id](AppState& app) { return ApplyChannelEdit(app, id); }));
    } else if (a == "--extract") {
        if (!value(v) || !ParseChannel(v)) {
            usage = UsageError("convert", "--extract needs red, green, blue or alpha");
        } else {
            const int id = *ParseChannel(v);
            edits.push_back(CommittingEdit([id](AppState& app) { return ApplyChannelEdit(app, id); }));
        }
    } else if (a == "--height-to-normal") {
        const auto strength = value(v) ? ParseReal(v) : std::nullopt;
        if (!strength || !std::isfinite(*strength) || *strength <= 0.0) {
            usage = UsageError("convert", "--height-to-normal needs a number larger than 0");
        } else {
            const double s = *strength;
            edits.push_back(CommittingEdit([s](AppState& app) { return ApplyHeightToNormalMap(app, s); }));
        }
    } else if (a == "--alpha-from") {
        if (!value(v)) usage = UsageError("convert", "--alpha-from needs a MASK path");
        else edits.push_back([v](AppState& app, std::string& error) { return AlphaFromEdit(app, v, error); });
    } else {
        return false;
    }
    return true;
}

// Returns -1 when parsing went through, else the exit code of the usage error.
int ParseConvertArgs(const std::vector<std::string>& args, ConvertSettings& s) {
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        int usage = -1;
        if (ParseToolEdit(a, value, s.edits, usage)) {
            if (usage >= 0) return usage;
        } else if (a == "--force") s.force = true;
        else if (a == "--fit-1024") s.fit1024 = true;
        else if (a == "--no-mips") s.mips = false;
        else if (a == "--dds") {
            if (!value(v) || !ParseDdsFormat(v)) return UsageError("convert", "--dds needs dxt1, dxt5, bc5 or bgra");
            s.ddsFormat = *ParseDdsFormat(v);
        } else if (a == "--exposure") {
            if (!value(v) || !ParseReal(v)) return UsageError("convert", "--exposure needs a number");
            s.hdr.exposure = *ParseReal(v);
        } else if (a == "--tone") {
            if (!value(v) || !ParseTone(v)) return UsageError("convert", "--tone needs clip or filmic");
            s.hdr.tone = *ParseTone(v);
        } else if (a == "--resize") {
            int w = 0, h = 0;
            if (!value(v) || !ParseSize(v, w, h)) return UsageError("convert", "--resize needs WIDTHxHEIGHT (1 to 16384)");
            s.edits.push_back([w, h](AppState& app, std::string& error) { return ResizeEdit(app, w, h, error); });
        } else if (a == "--fit-ss1") {
            s.edits.push_back([](AppState& app, std::string& error) {
                const ImageSize size = FitSs1Size(app.doc.image->width, app.doc.image->height, kSs1SizeLimit);
                return ResizeEdit(app, size.width, size.height, error);
            });
        } else if (a == "--") {
            positional.insert(positional.end(), args.begin() + std::ptrdiff_t(i) + 1, args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-') {
            return UsageError("convert", "unknown or unsupported option " + a);
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) return UsageError("convert", "convert needs INPUT and OUTPUT");
    s.input = positional[0];
    s.output = positional[1];
    return -1;
}

// Larger-than-1024 .tex output: resized like the batch converter with --fit-1024, else refused.
bool FitTexOutput(AppState& app, const ConvertSettings& s, std::string& error) {
    const Image& image = *app.doc.image;
    if (image.width <= 1024 && image.height <= 1024) return true;
    if (!s.fit1024) {
        error = "larger than 1024 pixels (not allowed for Serious Sam 1)";
        return false;
    }
    const ImageSize size = FitSs1Size(image.width, image.height, 1024);
    if (auto resized = ResampleImage(image, size.width, size.height)) app.doc.image = std::move(resized);
    return true;
}

}  // namespace

int RunConvertCommand(const std::vector<std::string>& args) {
    ConvertSettings s;
    if (const int usage = ParseConvertArgs(args, s); usage >= 0) return usage;
    const std::string ext = OutputExtension(s.output);
    if (ext.empty()) return UsageError("convert", "unknown output format: " + s.output);
    const std::string outName = FileNameOf(s.output);
    if (!s.force && FileExists(s.output)) {
        ReportError(outName, "the file already exists (use --force to replace it)");
        return kExitInputFailed;
    }

    AppState app;
    app.hdr = s.hdr;
    // Edits commit as the GUI's do, each recording an undo step with a full copy of the image;
    // nothing is ever undone here, so keep as few steps as the history allows.
    app.history.limit = 1;
    LoadInfo info;
    app.doc.image = LoadDocumentImage(s.input, info, s.hdr);
    if (!app.doc.image) {
        ReportError(DisplayName(s.input), info.error);
        return kExitInputFailed;
    }
    app.doc.info = std::move(info);
    app.doc.path = s.input;

    std::string error;
    for (auto& edit : s.edits) {
        if (!edit(app, error)) {
            ReportError(DisplayName(s.input), error);
            return kExitInputFailed;
        }
    }
    if (ext == "tex" && !FitTexOutput(app, s, error)) {
        ReportError(DisplayName(s.input), error);
        return kExitInputFailed;
    }

    const Image& image = *app.doc.image;
    std::string result;
    if (ext == "dds" && s.ddsFormat >= 0) {
        if (!SaveDds(image, s.output, s.ddsFormat, s.mips)) result = "could not write the file";
    } else if (ext == "dds") {
        if (!SaveDds(image, s.output, BatchDdsFormat(app.doc.info), s.mips)) result = "could not write the file";
    } else {
        result = SaveBatchOutput(image, app.doc.info, s.output, ext);
    }
    if (!result.empty()) {
        ReportError(outName, result);
        return kExitInputFailed;
    }
    return kExitOk;
}
