#include "batch/batch_run.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

#include "app/archive_path.h"
#include "app/image_loading.h"
#include "batch/batch_output.h"
#include "platform/file_io.h"
#include "texformats/gro_archive.h"
#include "tools/resize.h"

const std::vector<std::string>& BatchSourceExtensions() {
    static const std::vector<std::string> kExtensions = {"tex", "tga", "png", "pcx", "bmp",
                                                         "tif", "jpg", "dds", "hdr"};
    return kExtensions;
}

const std::vector<std::string>& BatchSourceItems() {
    static const std::vector<std::string> kItems = {
        "Serious Sam texture (*.tex)",          "Truevision Graphics Adapter (*.tga)",
        "Portable Network Graphics (*.png)",    "PiCture eXchange (*.pcx)",
        "Microsoft BMP (*.bmp)",                "Tagged Image File Format (*.tif)",
        "Joint Photographic Experts Group (*.jpg)", "DirectDraw Surface (*.dds)",
        "Radiance High Dynamic Range (*.hdr)"};
    return kItems;
}

const std::vector<std::string>& BatchOutputExtensions() {
    static const std::vector<std::string> kExtensions = {"tga", "png", "pcx", "bmp", "tif",
                                                         "jpg", "dds", "tex", "hdr"};
    return kExtensions;
}

const std::vector<std::string>& BatchOutputItems() {
    static const std::vector<std::string> kItems = {
        "Truevision Graphics Adapter (*.tga)",
        "Portable Network Graphics (*.png)",
        "PiCture eXchange (*.pcx)",
        "Microsoft BMP (*.bmp)",
        "Tagged Image File Format (*.tif)",
        "Joint Photographic Experts Group (*.jpg)",
        "DirectDraw Surface (*.dds), format chosen automatically",
        "Serious Sam 1 texture (*.tex)",
        "Radiance High Dynamic Range (*.hdr), HDR sources only"};
    return kItems;
}

std::string BatchExtension(const std::string& path) {
    std::string ext = LowerExtension(IsArchivePath(path) ? LastPathComponent(ArchiveMemberPath(path)) : path);
    if (ext == "tiff") ext = "tif";
    if (ext == "jpeg") ext = "jpg";
    return ext;
}

bool MatchesSourceFormat(const std::string& path, const std::string& sourceExtension) {
    const std::string ext = BatchExtension(path);
    if (sourceExtension == kAnySourceFormat) {
        const auto& all = BatchSourceExtensions();
        return std::find(all.begin(), all.end(), ext) != all.end();
    }
    return ext == sourceExtension;
}

int AddBatchFile(BatchList& list, const std::string& path, const std::string& sourceExtension) {
    if (!MatchesSourceFormat(path, sourceExtension)) return 0;
    const std::string lower = ToLower(path);
    for (const std::string& entry : list.paths)
        if (ToLower(entry) == lower) return 0;
    list.paths.push_back(path);
    return 1;
}

int AddBatchFolder(BatchList& list, const std::string& folder, const std::string& sourceExtension) {
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    std::error_code error;
    std::vector<std::string> paths;
    for (std::filesystem::directory_iterator it(base, error), end; !error && it != end; it.increment(error))
        paths.push_back(base + it->path().filename().string());
    std::sort(paths.begin(), paths.end());
    return AddBatchPaths(list, paths, sourceExtension);
}

int AddBatchArchive(BatchList& list, const std::string& archive, const std::string& sourceExtension) {
    std::vector<ArchiveMember> members;
    if (ListArchiveTexMembers(archive, members) < 0) return -1;
    int added = 0;
    for (const ArchiveMember& member : members) added += AddBatchFile(list, archive + "::" + member.name, sourceExtension);
    return added;
}

int AddBatchPaths(BatchList& list, const std::vector<std::string>& paths, const std::string& sourceExtension) {
    int added = 0;
    for (const std::string& path : paths) {
        if (path.empty()) continue;
        added += IsDirectory(path) ? AddBatchFolder(list, path, sourceExtension)
                                   : AddBatchFile(list, path, sourceExtension);
    }
    return added;
}

int RemoveMismatchedFiles(BatchList& list, const std::string& sourceExtension) {
    const auto kept = std::remove_if(list.paths.begin(), list.paths.end(), [&](const std::string& path) {
        return !MatchesSourceFormat(path, sourceExtension);
    });
    const int removed = int(list.paths.end() - kept);
    list.paths.erase(kept, list.paths.end());
    return removed;
}

bool HasArchiveEntries(const BatchList& list) {
    return std::any_of(list.paths.begin(), list.paths.end(), IsArchivePath);
}

namespace {

std::string WithSlash(const std::string& folder) {
    return folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

std::string WithoutExtension(const std::string& name) {
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// An archive member has no folder of its own on disk; its archive's folder stands in.
std::string SourceFolder(const std::string& entry) {
    return FolderOf(IsArchivePath(entry) ? ArchiveFilePath(entry) : entry);
}

}  // namespace

std::vector<std::string> BatchOutputPaths(const std::vector<std::string>& work, const BatchSettings& settings) {
    std::vector<std::string> outputs;
    outputs.reserve(work.size());
    for (const std::string& entry : work) {
        const std::string folder = settings.useSourceFolder ? SourceFolder(entry) : WithSlash(settings.outputFolder);
        outputs.push_back(folder + WithoutExtension(DisplayName(entry)) + "." + settings.outputExtension);
    }
    return outputs;
}

std::vector<std::string> CollidingOutputNames(const std::vector<std::string>& outputs) {
    std::map<std::string, int> counts;
    for (const std::string& output : outputs) ++counts[ToLower(output)];
    std::vector<std::string> names;
    for (const std::string& output : outputs) {
        int& count = counts[ToLower(output)];
        if (count > 1) {
            names.push_back(FileNameOf(output));
            count = 0;  // listed once
        }
    }
    return names;
}

bool OutputLosesTransparency(const std::string& outputExtension) {
    return outputExtension == "jpg" || outputExtension == "pcx" || outputExtension == "bmp";
}

namespace {

void CountFailure(BatchCounts& counts, const std::string& name, const std::string& reason) {
    ++counts.failed;
    counts.log += name + ": " + reason + "\n";
    counts.failures.push_back(name + ": " + reason);
}

// Loads, fits and writes one entry whose output path is settled; adds to the counters.
void ConvertOne(const std::string& entry, const std::string& output, const BatchSettings& settings,
                BatchCounts& counts) {
    const std::string name = DisplayName(entry);
    const std::string& ext = settings.outputExtension;
    LoadInfo info;
    std::optional<Image> image = LoadImageAnyPath(entry, info, settings.hdr);
    if (!image) {
        CountFailure(counts, name, info.error);
        return;
    }
    if (ext == "tex" && (image->width > kSs1SizeLimit || image->height > kSs1SizeLimit)) {
        if (!settings.fit1024) {
            CountFailure(counts, name, "larger than 1024 pixels (not allowed for Serious Sam 1)");
            return;
        }
        const ImageSize size = FitSs1Size(image->width, image->height, kSs1SizeLimit);
        if (std::optional<Image> resized = ResampleImage(*image, size.width, size.height)) {
            image = std::move(resized);
            ++counts.resized;
        }
    }
    if (info.hasAlpha && OutputLosesTransparency(ext)) ++counts.lostTransparency;
    const std::string result = SaveBatchOutput(*image, info, output, ext);
    if (result.empty()) {
        ++counts.converted;
    } else if (result == "not an HDR texture") {
        ++counts.skipped;
        counts.log += name + ": skipped (not an HDR texture, cannot be saved as .hdr)\n";
    } else {
        CountFailure(counts, name, result);
    }
}

}  // namespace

BatchCounts ConvertBatch(const std::vector<std::string>& work, const std::vector<std::string>& outputs,
                         const BatchSettings& settings, CollisionMode mode, BatchProgress& progress) {
    BatchCounts counts;
    std::map<std::string, int> seen;
    const std::size_t total = work.size();
    progress.Begin();
    for (std::size_t i = 0; i < total; ++i) {
        if (progress.ShouldStop()) {
            counts.stopped = true;
            break;
        }
        const std::string& entry = work[i];
        const std::string name = DisplayName(entry);
        progress.Report(int((i + 1) * 100 / total),
                        "Converting " + std::to_string(i + 1) + " of " + std::to_string(total) + ": " + name);

        std::string output = outputs[i];
        const int n = ++seen[ToLower(output)];
        if (n > 1) {
            if (mode == CollisionMode::FirstOnly) {
                ++counts.skipped;
                counts.log += name + ": skipped (same name as an earlier file)\n";
                continue;
            }
            output = FolderOf(output) + WithoutExtension(FileNameOf(output)) + "_" + std::to_string(n) + "." +
                     settings.outputExtension;
        }
        if (ToLower(output) == ToLower(entry)) {
            ++counts.skipped;
            counts.log += name + ": skipped (output would overwrite the source file)\n";
            continue;
        }
        if (!settings.force && FileExists(output)) {
            ++counts.skipped;
            counts.log += FileNameOf(output) + ": skipped (already exists)\n";
            continue;
        }
        ConvertOne(entry, output, settings, counts);
    }
    progress.End(counts.stopped);
    return counts;
}

namespace {

constexpr std::size_t kSummaryLimit = 3000;

// The cut never splits a UTF-8 sequence, so file names with accents stay valid text.
std::string CutSummary(std::string text) {
    if (text.size() <= kSummaryLimit) return text;
    std::size_t cut = kSummaryLimit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text.resize(cut);
    return text + "\n...";
}

}  // namespace

std::string BatchSummaryText(const BatchCounts& counts, const std::string& outputExtension) {
    std::string text = "Converted: " + std::to_string(counts.converted) + "   Skipped: " +
                       std::to_string(counts.skipped) + "   Failed: " + std::to_string(counts.failed) + "\n\n" +
                       counts.log;
    if (counts.stopped) text = "Stopped by the user.\n" + text;
    if (counts.resized > 0)
        text += std::to_string(counts.resized) + " file(s) were resized to fit 1024 pixels for Serious Sam 1.\n";
    if (counts.lostTransparency > 0)
        text += std::to_string(counts.lostTransparency) + " file(s) lost their transparency (" +
                ToUpper(outputExtension) + ").\n";
    return CutSummary(text);
}

std::optional<BatchCounts> RunBatch(Ui& ui, const std::vector<std::string>& work, const BatchSettings& settings,
                                    BatchProgress& progress) {
    if (work.empty()) {
        ui.Message(BoxKind::Information, kBatchTitle, "Nothing selected.");
        return std::nullopt;
    }
    if (!settings.useSourceFolder) {
        if (settings.outputFolder.empty()) {
            ui.Message(BoxKind::Warning, kBatchTitle,
                       "Please choose an output folder first (or tick 'Use source folder as output folder').");
            return std::nullopt;
        }
        if (!IsDirectory(settings.outputFolder)) {
            ui.Message(BoxKind::Warning, kBatchTitle, "The output folder does not exist:\n" + settings.outputFolder);
            return std::nullopt;
        }
    }
    if (OutputLosesTransparency(settings.outputExtension) &&
        ui.Message(BoxKind::WarningYesNo, kBatchTitle,
                   ToUpper(settings.outputExtension) +
                       " has no transparency: any transparency in the files will be lost.\nContinue?") != Answer::Yes)
        return std::nullopt;

    const std::vector<std::string> outputs = BatchOutputPaths(work, settings);
    CollisionMode mode = CollisionMode::None;
    if (!CollidingOutputNames(outputs).empty()) {
        const Answer answer = ui.Message(
            BoxKind::YesNoCancel, kBatchTitle,
            "Some files have the same name (for example from different subfolders or archives) and would end up "
            "as the same output file.\n\nYes = add a number to the names (name_2, name_3, ...)\nNo = convert only "
            "the first one of each name\nCancel = stop");
        if (answer == Answer::Yes) mode = CollisionMode::Number;
        else if (answer == Answer::No) mode = CollisionMode::FirstOnly;
        else return std::nullopt;
    }
    BatchCounts counts = ConvertBatch(work, outputs, settings, mode, progress);
    ui.Message(BoxKind::Plain, kBatchTitle, BatchSummaryText(counts, settings.outputExtension));
    return counts;
}
