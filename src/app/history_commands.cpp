#include "app/history_commands.h"

#include <utility>

#include "app/archive_path.h"
#include "app/histogram_hook.h"
#include "app/image_checks.h"
#include "app/preview.h"

namespace {

void ShowMemoryError(AppState& app) {
    if (app.ui) app.ui->Message(BoxKind::Error, kMainTitle, kNotEnoughMemoryMessage);
}

void RefreshImageViews(AppState& app) {
    RefreshPreview(app);
    RefreshHistogram(app);
}

std::string UndoItemText(const History& history) {
    if (!CanUndo(history)) return "Undo\tCtrl+Z";
    return "Undo " + history.entries[std::size_t(history.position)].label + "\tCtrl+Z";
}

std::string RedoItemText(const History& history) {
    if (!CanRedo(history)) return "Redo\tCtrl+Y";
    return "Redo " + history.entries[std::size_t(history.position + 1)].label + "\tCtrl+Y";
}

}  // namespace

void SetStatusDescription(AppState& app, const std::string& text) {
    app.doc.statusText = text;
    if (app.view) app.view->SetStatusField(1, text);
}

HistoryEntry CaptureHistoryEntry(Document& doc, const std::string& label) {
    HistoryEntry entry;
    entry.label = label;
    entry.width = doc.info.width;
    entry.height = doc.info.height;
    entry.hasAlpha = doc.info.hasAlpha;
    entry.isHdr = doc.info.isHdr;
    entry.firstMip = doc.info.firstMip;
    entry.note = doc.info.note;
    entry.nameSuffix = doc.nameSuffix;
    entry.statusText = doc.statusText;
    entry.clipCount = doc.pendingClipCount;
    doc.pendingClipCount = 0;
    return entry;
}

void PushHistory(AppState& app, const std::string& label) {
    HistoryEntry entry = CaptureHistoryEntry(app.doc, label);
    if (app.doc.image) AddHistoryEntry(app.history, *app.doc.image, std::move(entry));
    UpdateTitle(app);
}

bool CommitEdit(AppState& app, std::optional<Image> newImage, const std::string& label,
                const std::string& suffix) {
    if (!newImage) {
        ShowMemoryError(app);
        return false;
    }
    Document& doc = app.doc;
    doc.image = std::move(newImage);
    // The edited image no longer follows exposure and tone. The RGBE data stays so that
    // undoing back to an HDR step makes the document HDR again.
    doc.info.isHdr = 0;
    doc.info.hasAlpha = HasTransparency(*doc.image) ? 1 : 0;
    doc.info.note = label;
    doc.nameSuffix += suffix;
    SetStatusDescription(app, std::to_string(doc.image->width) + " x " + std::to_string(doc.image->height) +
                                  "  (edited)");
    RefreshImageViews(app);
    PushHistory(app, label);
    return true;
}

void ApplyHistoryEntry(AppState& app, const HistoryEntry* entry) {
    if (!entry) return;
    std::optional<Image> copy = CopyImage(entry->image);
    if (!copy) {
        ShowMemoryError(app);
        return;
    }
    Document& doc = app.doc;
    doc.image = std::move(copy);
    doc.info.width = int32_t(entry->width);
    doc.info.height = int32_t(entry->height);
    doc.info.hasAlpha = int32_t(entry->hasAlpha);
    doc.info.firstMip = int32_t(entry->firstMip);
    doc.info.note = entry->note;
    doc.info.isHdr = (entry->isHdr != 0 && !doc.info.rgbeData.empty()) ? 1 : 0;
    doc.nameSuffix = entry->nameSuffix;
    SetStatusDescription(app, entry->statusText);
    RefreshImageViews(app);
    UpdateTitle(app);
}

void Undo(AppState& app) {
    if (CanUndo(app.history)) ApplyHistoryEntry(app, SelectHistoryEntry(app.history, app.history.position - 1));
}

void Redo(AppState& app) {
    if (CanRedo(app.history)) ApplyHistoryEntry(app, SelectHistoryEntry(app.history, app.history.position + 1));
}

void RevertToOriginal(AppState& app) {
    if (CanUndo(app.history)) ApplyHistoryEntry(app, SelectHistoryEntry(app.history, 0));
}

void UpdateTitle(AppState& app) {
    if (!app.view) return;
    std::string title = kMainTitle;
    if (app.doc.image) {
        title += " - " + DisplayName(app.doc.path);
        if (IsEdited(app.history)) title += " *";
    }
    app.view->SetTitle(title);
    const bool canUndo = CanUndo(app.history);
    app.view->SetMenuItem(kUndoCommand, UndoItemText(app.history), canUndo);
    app.view->SetMenuItem(kRedoCommand, RedoItemText(app.history), CanRedo(app.history));
    app.view->SetMenuItem(kRevertCommand, "Revert to original", canUndo);
}

bool ConfirmDiscard(AppState& app) {
    if (!IsEdited(app.history)) return true;
    if (!app.ui) return false;
    const std::string text = DisplayName(app.doc.path) + " has edits that have not been saved (" +
                             std::to_string(EditCount(app.history)) + " edit(s)).\nDiscard them?";
    return app.ui->Message(BoxKind::WarningYesNo, kMainTitle, text) == Answer::Yes;
}
