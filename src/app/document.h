// The open document and its undo history.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/image.h"
#include "texformats/load_info.h"

struct Document {
    std::optional<Image> image;  // the working image (RGBA); none until a file is opened
    LoadInfo info;               // the loader's record; edits update width, height, hasAlpha, isHdr, firstMip, note
    std::string path;            // file path or archive path ("archive.gro::member")
    std::string savePath;        // last successful save; empty after a fresh open
    std::string nameSuffix;      // suffixes of the edits, in order ("_levels_flipg")
    std::string statusText;      // status field 1
    int64_t pendingClipCount = 0;
    std::string lastOpenFolder, lastSaveFolder;
    int64_t lastDdsFormat = -1;
    bool lastDdsMips = true;
};

struct HistoryEntry {
    Image image;
    std::string label;
    int64_t width = 0, height = 0, hasAlpha = 0, isHdr = 0, firstMip = 0;
    std::string note;
    std::string nameSuffix;
    std::string statusText;
    int64_t clipCount = 0;
};

struct History {
    std::vector<HistoryEntry> entries;
    int64_t position = -1;
    int64_t savedPosition = 0;
    int64_t limit = 30;
};

bool CanUndo(const History& history);
bool CanRedo(const History& history);
bool IsEdited(const History& history);
int64_t EditCount(const History& history);
int64_t ClippedValueCount(const History& history);

void ClearHistory(History& history);
/// Records a step holding a copy of image; records nothing when the copy cannot be made.
void AddHistoryEntry(History& history, const Image& image, HistoryEntry entry);
void ResetHistory(History& history, const Image& image, HistoryEntry entry);
/// Moves position to index and returns that entry; none when index is out of range.
const HistoryEntry* SelectHistoryEntry(History& history, int64_t index);
void MarkSaved(History& history);
