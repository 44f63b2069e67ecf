// Help > Help: the HTML manual next to the executable, opened with the desktop's viewer.
#pragma once

#include <string>

#include "platform/ui.h"

/// The help file's path under the executable's folder ("Help/Glimmerkit-Help.html").
std::string HelpFileUnder(const std::string& exeFolder);

/// Opens the manual with xdg-open, or shows where it should be when it is missing.
/// exeFolder ends with a slash; fallback is the second place to look.
void ShowHelp(Ui& ui, const std::string& exeFolder, const std::string& fallback);

/// The folder of the running executable, ending with a slash.
std::string ExecutableFolder();
