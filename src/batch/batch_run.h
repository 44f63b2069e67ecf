// The batch converter without its window: the file list and how it is filled, the output names
// with their collision handling, the per-file skip and fail rules, the counters and the summary.
//
// The window (batch_window.cpp) and glimmerkit-cli batch both drive these functions. A run talks
// to its caller through BatchProgress (status and progress per file, the Stop request) and to the
// user through Ui (questions and the summary box, captioned kBatchTitle). Only one image is held
// at a time: each file is loaded, converted and released before the next one.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "adjust/hdr_tone.h"
#include "platform/ui.h"

inline constexpr const char* kBatchTitle = "Batch conversion";

/// The source formats by combo index and their extensions (index 0 tex ... 8 hdr).
inline constexpr int kBatchFormatCount = 9;
const std::vector<std::string>& BatchSourceExtensions();
const std::vector<std::string>& BatchSourceItems();
/// The output formats by combo index and their extensions (index 0 tga ... 8 hdr).
const std::vector<std::string>& BatchOutputExtensions();
const std::vector<std::string>& BatchOutputItems();

/// The lower-cased extension of a path as the batch list compares it: the member part of an
/// archive path, "tiff" read as "tif" and "jpeg" as "jpg".
std::string BatchExtension(const std::string& path);
/// Stands for "every source format" wherever a source extension is asked for.
inline constexpr const char* kAnySourceFormat = "*";
/// True when BatchExtension (path) equals sourceExtension (with kAnySourceFormat: is any of
/// BatchSourceExtensions).
bool MatchesSourceFormat(const std::string& path, const std::string& sourceExtension);

/// The paths to convert, in the order added. An entry is a plain path or an archive path.
struct BatchList {
    std::vector<std::string> paths;
};

/// Adds path when it matches sourceExtension and no entry equals it ignoring letter case.
/// Returns 1 when added, else 0. The file itself is not opened.
int AddBatchFile(BatchList& list, const std::string& path, const std::string& sourceExtension);
/// Adds the matching files of folder and all its subfolders (names in sorted order, folders
/// searched where they are listed). Returns how many were added; an unreadable folder adds 0.
int AddBatchFolder(BatchList& list, const std::string& folder, const std::string& sourceExtension);
/// Adds every .tex member of archive as archive + "::" + member; -1 when it cannot be opened.
int AddBatchArchive(BatchList& list, const std::string& archive, const std::string& sourceExtension);
/// Adds each path as a drop does: a folder with AddBatchFolder, anything else with AddBatchFile.
/// Empty paths are ignored. Returns how many were added.
int AddBatchPaths(BatchList& list, const std::vector<std::string>& paths, const std::string& sourceExtension);
/// Removes the entries that no longer match sourceExtension; returns how many were removed.
int RemoveMismatchedFiles(BatchList& list, const std::string& sourceExtension);
/// True when any entry lives inside an archive.
bool HasArchiveEntries(const BatchList& list);

/// Choices of a run, as the batch window (or the command line) holds them.
struct BatchSettings {
    std::string outputExtension = "tga";  // from BatchOutputExtensions()
    bool useSourceFolder = true;          // write next to each source file
    bool force = false;                   // replace existing output files
    bool fit1024 = true;                  // shrink Serious Sam 1 .tex output above 1024 pixels
    std::string outputFolder;             // used when useSourceFolder is off
    HdrSettings hdr;                      // how HDR sources become 8-bit
};

enum class CollisionMode { None, Number, FirstOnly };

/// The output path of each work-list entry: the output folder (the entry's own folder with the
/// source-folder setting; for an archive entry the archive's folder), the entry's display name
/// without its extension, "." and the output extension. A folder without a trailing slash gets one.
std::vector<std::string> BatchOutputPaths(const std::vector<std::string>& work, const BatchSettings& settings);
/// The file names of the output paths that more than one entry would write, each once, in the
/// order first met. Paths are compared ignoring letter case.
std::vector<std::string> CollidingOutputNames(const std::vector<std::string>& outputs);

/// What a run reports back to the one who started it.
class BatchProgress {
public:
    virtual ~BatchProgress() = default;
    /// Before each file: percent done (i * 100 / total) and the status text. The window pumps
    /// its events here so that Stop can be pressed.
    virtual void Report(int /*percent*/, const std::string& /*status*/) {}
    /// Checked before each file; true ends the run there.
    virtual bool ShouldStop() { return false; }
    /// Once the questions are answered, before the first file.
    virtual void Begin() {}
    /// After the last file (or the stop), before the summary is shown.
    virtual void End(bool /*stopped*/) {}
};

struct BatchCounts {
    int converted = 0, skipped = 0, failed = 0, resized = 0, lostTransparency = 0;
    std::string log;       // one line per file that was not converted
    std::vector<std::string> failures;  // "name: reason" of each failed file, for error output
    bool stopped = false;  // the run ended through ShouldStop
};

/// Converts each work-list entry to its output path (from BatchOutputPaths), applying the
/// collision mode and the skip and fail rules. Does not ask anything.
BatchCounts ConvertBatch(const std::vector<std::string>& work, const std::vector<std::string>& outputs,
                         const BatchSettings& settings, CollisionMode mode, BatchProgress& progress);

/// The summary text as the summary box shows it (counts, log, resized and transparency lines),
/// cut to 3000 characters with "\n..." appended when longer.
std::string BatchSummaryText(const BatchCounts& counts, const std::string& outputExtension);

/// True for output formats that cannot store transparency (jpg, pcx, bmp).
bool OutputLosesTransparency(const std::string& outputExtension);

/// The whole run as the batch window starts it: the checks before the run ("Nothing selected.",
/// the output folder), the transparency question, the collision question, the conversion and the
/// summary box. Returns the counts, or none when nothing was converted because a check or a
/// question stopped it.
std::optional<BatchCounts> RunBatch(Ui& ui, const std::vector<std::string>& work, const BatchSettings& settings,
                                    BatchProgress& progress);
