// Saving the document: Save, Save As with its filter list and proposed name, the data-loss
// warnings, the Serious Sam 1 size offer, and the extension-driven writers.
#pragma once

#include <string>
#include <vector>

#include "app/app_state.h"
#include "platform/ui.h"

/// The Save As filters; the HDR entry (index 8) only when withHdr.
std::vector<FileFilter> SaveAsFilters(bool withHdr);

/// The path with an extension added from the filter when its own is missing or unknown.
std::string AddExtensionFromFilter(const std::string& path, int filterIndex);

/// Save As's starting folder and proposed name.
std::string SaveAsStartFolder(const AppState& app);
std::string ProposedSaveName(const AppState& app);

/// The data-loss question for the lower-cased extension; true when saving may go on.
bool CheckDataLoss(AppState& app, const std::string& extension);
/// For .tex output larger than 1024 pixels: offers the resize; true when saving may go on.
bool OfferSs1Resize(AppState& app);

/// Writes the document to path (checks, writer, and on success the document's saved state).
void SaveDocument(AppState& app, const std::string& path, bool fromSaveAs);
void SaveCommand(AppState& app);
void SaveAsCommand(AppState& app);

/// Simple extension-driven writer (tga, tif, tex, else PNG); no messages, no document change.
bool SaveImageFile(const Image& image, const std::string& path, bool keepAlpha);
