// glimmerkit-cli batch: the batch converter's run without its window. Inputs are gathered into
// a batch list (folders searched with their subfolders, .gro archives by their .tex members),
// converted with the window's rules, and the summary the window would show is printed.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/archive_path.h"
#include "batch/batch_run.h"
#include "cli/cli_options.h"
#include "cli/commands.h"
#include "platform/file_io.h"

namespace {

struct BatchArgs {
    BatchSettings settings;
    std::string to, from = kAnySourceFormat, out, collisions;
    bool nextToSource = false, quiet = false;
    std::vector<std::string> inputs;
};

// "TGA", ".tga", "jpeg", ... as the batch list names extensions.
std::string NormalizedExtension(const std::string& ext) {
    return BatchExtension(!ext.empty() && ext[0] == '.' ? ext : "." + ext);
}

bool IsOneOf(const std::string& ext, const std::vector<std::string>& list) {
    for (const std::string& e : list)
        if (e == ext) return true;
    return false;
}

// Returns -1 when parsing went through, else the exit code of the usage error.
int ParseBatchArgs(const std::vector<std::string>& args, BatchArgs& b) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--force") b.settings.force = true;
        else if (a == "--no-fit-1024") b.settings.fit1024 = false;
        else if (a == "--next-to-source") b.nextToSource = true;
        else if (a == "--quiet") b.quiet = true;
        else if (a == "--to") {
            if (!value(v) || !IsOneOf(NormalizedExtension(v), BatchOutputExtensions()))
                return UsageError("batch", "--to needs tga, png, pcx, bmp, tif, jpg, dds, tex or hdr");
            b.to = NormalizedExtension(v);
        } else if (a == "--from") {
            if (!value(v) || !IsOneOf(NormalizedExtension(v), BatchSourceExtensions()))
                return UsageError("batch", "--from needs tex, tga, png, pcx, bmp, tif, jpg, dds or hdr");
            b.from = NormalizedExtension(v);
        } else if (a == "--out") {
            if (!value(b.out) || b.out.empty()) return UsageError("batch", "--out needs a folder");
        } else if (a == "--collisions") {
            if (!value(v) || (v != "number" && v != "first"))
                return UsageError("batch", "--collisions needs number or first");
            b.collisions = v;
        } else if (a == "--exposure") {
            if (!value(v) || !ParseReal(v)) return UsageError("batch", "--exposure needs a number");
            b.settings.hdr.exposure = *ParseReal(v);
        } else if (a == "--tone") {
            if (!value(v) || !ParseTone(v)) return UsageError("batch", "--tone needs clip or filmic");
            b.settings.hdr.tone = *ParseTone(v);
        } else if (a == "--") {
            b.inputs.insert(b.inputs.end(), args.begin() + std::ptrdiff_t(i) + 1, args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-') {
            return UsageError("batch", "unknown or unsupported option " + a);
        } else {
            b.inputs.push_back(a);
        }
    }
    if (b.to.empty()) return UsageError("batch", "batch needs --to EXT");
    if (b.out.empty() == !b.nextToSource) return UsageError("batch", "batch needs either --out DIR or --next-to-source");
    if (b.inputs.empty()) return UsageError("batch", "batch needs at least one INPUT");
    b.settings.outputExtension = b.to;
    b.settings.useSourceFolder = b.nextToSource;
    b.settings.outputFolder = b.out;
    return -1;
}

// Named files are taken whatever their extension (only listed once); folders keep the files of
// the source format; archives give their .tex members. False when an input cannot be read.
bool GatherInputs(const BatchArgs& b, BatchList& list) {
    bool allRead = true;
    for (const std::string& input : b.inputs) {
        if (!IsArchivePath(input) && IsDirectory(input)) {
            AddBatchFolder(list, input, b.from);
        } else if (!IsArchivePath(input) && LowerExtension(input) == "gro") {
            if (AddBatchArchive(list, input, "tex") < 0) {
                ReportError(FileNameOf(input), "the archive cannot be opened");
                allRead = false;
            }
        } else if (!AddBatchFile(list, input, kAnySourceFormat)) {
            const std::string lower = ToLower(input);
            bool listed = false;
            for (const std::string& entry : list.paths) listed = listed || ToLower(entry) == lower;
            if (!listed) list.paths.push_back(input);
        }
    }
    return allRead;
}

// Progress on one terminal line, rewritten in place.
class TerminalProgress : public BatchProgress {
public:
    explicit TerminalProgress(bool enabled) : enabled_(enabled) {}
    ~TerminalProgress() override {
        if (enabled_ && shown_) std::fprintf(stderr, "\r\033[K");
    }
    void Report(int percent, const std::string& status) override {
        if (!enabled_) return;
        std::fprintf(stderr, "\r\033[K[%3d%%] %s", percent, status.c_str());
        std::fflush(stderr);
        shown_ = true;
    }

private:
    bool enabled_;
    bool shown_ = false;
};

}  // namespace

int RunBatchCommand(const std::vector<std::string>& args) {
    BatchArgs b;
    if (const int usage = ParseBatchArgs(args, b); usage >= 0) return usage;
    if (!b.settings.useSourceFolder && !IsDirectory(b.out)) {
        ReportError(b.out, "The output folder does not exist");
        return kExitInputFailed;
    }
    BatchList list;
    const bool allRead = GatherInputs(b, list);
    if (list.paths.empty()) {
        ReportError("batch", "Nothing selected.");
        return kExitInputFailed;
    }

    const std::vector<std::string> outputs = BatchOutputPaths(list.paths, b.settings);
    const std::vector<std::string> colliding = CollidingOutputNames(outputs);
    CollisionMode mode = CollisionMode::None;
    if (b.collisions == "number") mode = CollisionMode::Number;
    if (b.collisions == "first") mode = CollisionMode::FirstOnly;
    if (!colliding.empty() && mode == CollisionMode::None) {
        std::string names;
        for (const std::string& name : colliding) names += (names.empty() ? "" : ", ") + name;
        return UsageError("batch", "several inputs would be written as the same output file (choose --collisions "
                                   "number or first): " + names);
    }

    BatchCounts counts;
    {
        TerminalProgress progress(!b.quiet && isatty(STDERR_FILENO));
        counts = ConvertBatch(list.paths, outputs, b.settings, mode, progress);
    }
    std::fputs(BatchSummaryText(counts, b.settings.outputExtension).c_str(), stdout);
    for (const std::string& failure : counts.failures) {
        const auto colon = failure.find(": ");
        ReportError(failure.substr(0, colon), failure.substr(colon + 2));
    }
    return counts.failed > 0 || !allRead ? kExitInputFailed : kExitOk;
}
