#include "app/document.h"

#include <utility>

bool CanUndo(const History& history) { return history.position > 0; }

bool CanRedo(const History& history) {
    return history.position >= 0 && history.position < int64_t(history.entries.size()) - 1;
}

// Position 0 is the file as opened, so it never counts as edited, whatever was saved.
bool IsEdited(const History& history) {
    return history.position > 0 && history.position != history.savedPosition;
}

int64_t EditCount(const History& history) { return history.position < 0 ? 0 : history.position; }

int64_t ClippedValueCount(const History& history) {
    int64_t sum = 0;
    for (int64_t i = 1; i <= history.position && i < int64_t(history.entries.size()); ++i)
        sum += history.entries[std::size_t(i)].clipCount;
    return sum;
}

void ClearHistory(History& history) {
    history.entries.clear();
    history.position = -1;
    history.savedPosition = 0;
}

namespace {

// Removes the oldest steps after "Original" until the list fits the limit; at least the
// original and the newest step always stay.
void TrimToLimit(History& history) {
    while (int64_t(history.entries.size()) > history.limit && history.entries.size() > 2) {
        history.entries.erase(history.entries.begin() + 1);
        --history.position;
        --history.savedPosition;
        if (history.savedPosition < 0) history.savedPosition = -1;
    }
}

}  // namespace

void AddHistoryEntry(History& history, const Image& image, HistoryEntry entry) {
    std::optional<Image> copy = CopyImage(image);
    if (!copy) return;
    while (int64_t(history.entries.size()) > history.position + 1) history.entries.pop_back();
    // The saved state was among the redo steps just dropped.
    if (history.position < history.savedPosition) history.savedPosition = -1;
    entry.image = std::move(*copy);
    history.entries.push_back(std::move(entry));
    history.position = int64_t(history.entries.size()) - 1;
    TrimToLimit(history);
}

void ResetHistory(History& history, const Image& image, HistoryEntry entry) {
    ClearHistory(history);
    AddHistoryEntry(history, image, std::move(entry));
    history.savedPosition = 0;
}

const HistoryEntry* SelectHistoryEntry(History& history, int64_t index) {
    if (index < 0 || index >= int64_t(history.entries.size())) return nullptr;
    history.position = index;
    return &history.entries[std::size_t(index)];
}

void MarkSaved(History& history) { history.savedPosition = history.position; }
