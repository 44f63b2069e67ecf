// Opening a file as the main window's document.
#pragma once

#include <string>

#include "app/app_state.h"

/// The status-line description of a loaded file ("RGBA (with transparency), SS1 version 4", ...).
std::string DescribeLoadedImage(const LoadInfo& info);

/// Opens path (a file or an archive path) as the document. Unless reload, asks first whether
/// unsaved edits may be dropped. On failure shows the loader's error and changes nothing.
/// A reload keeps the save path and the name suffix; both restart the undo history.
void OpenDocument(AppState& app, const std::string& path, bool reload);

/// File > Open: the open dialog, then OpenDocument.
void OpenFileCommand(AppState& app);
/// File > Open from .gro archive: choose an archive, browse it, open one member.
void OpenFromArchiveCommand(AppState& app);
