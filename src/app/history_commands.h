// The editing commands of the main window on the document and its undo history: committing an
// edit, Undo, Redo, "Revert to original", the window title with the Edit menu items, and the
// question before unsaved edits are dropped.
//
// Every editing command builds a new image and hands it to CommitEdit, which makes it the
// working image and records an undo step; nothing edits the working image in place.
#pragma once

#include <optional>
#include <string>

#include "app/app_state.h"

inline constexpr const char* kNotEnoughMemoryMessage = "Not enough memory for this operation.";

/// Menu command ids of the Edit menu.
inline constexpr int kUndoCommand = 30;
inline constexpr int kRedoCommand = 31;
inline constexpr int kRevertCommand = 32;

/// statusText := text, shown in status field 1.
void SetStatusDescription(AppState& app, const std::string& text);

/// An entry describing the document as it is now (fields from info, suffix, status text), named
/// label. The pending clip count moves into the entry and is reset to 0 in the document.
HistoryEntry CaptureHistoryEntry(Document& doc, const std::string& label);

/// Records the current document as a step named label, then UpdateTitle. A document without
/// an image records nothing.
void PushHistory(AppState& app, const std::string& label);

/// Makes newImage (taken over) the working image and records a step named label; suffix is
/// appended to the document's name suffix. With none (the command ran out of memory) it shows
/// the memory error and leaves the document unchanged; returns whether the edit was made.
bool CommitEdit(AppState& app, std::optional<Image> newImage, const std::string& label,
                const std::string& suffix);

/// Makes a stored step the working state (image, info fields, suffix, status text). None does
/// nothing. HDR comes back only when the step was HDR and the document still has its RGBE data.
void ApplyHistoryEntry(AppState& app, const HistoryEntry* entry);

void Undo(AppState& app);              // id 30; nothing when there is nothing to undo
void Redo(AppState& app);              // id 31
void RevertToOriginal(AppState& app);  // id 32; later steps stay for Redo

/// Window title (with " *" while edited) and the Undo/Redo/Revert items' texts and states.
void UpdateTitle(AppState& app);

/// True when unsaved edits may be dropped: no edits, or the user answered Yes.
bool ConfirmDiscard(AppState& app);
