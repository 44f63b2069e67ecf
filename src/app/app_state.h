// The process-wide state of the program, in one place.
#pragma once

#include <string>

#include "adjust/hdr_tone.h"
#include "app/document.h"
#include "app/main_view.h"
#include "app/prefs.h"
#include "platform/ui.h"

/// Caption of every message box of the main window and the title without a document.
inline constexpr const char* kMainTitle = "Serious Sam Glimmerkit";

struct AppState {
    Document doc;
    History history;
    Preferences prefs;
    HdrSettings hdr;          // HdrExposure and HdrTone
    std::string prefsFile;    // empty: no preferences file (tests)
    Ui* ui = nullptr;         // message boxes and file dialogs
    MainView* view = nullptr; // the main window (or a recording view in tests)
};
