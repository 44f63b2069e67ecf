// The process-wide state of the program, in one place.
#pragma once

#include <string>

#include "adjust/hdr_tone.h"
#include "app/app_windows.h"
#include "app/document.h"
#include "app/main_view.h"
#include "app/prefs.h"
#include "platform/ui.h"

/// Caption of every message box of the main window and the title without a document.
inline constexpr const char* kMainTitle = "Serious Sam Glimmerkit";

/// Where and how the main window opens: the defaults, replaced by remembered geometry that
/// passes the checks when the preferences are loaded.
struct WindowGeometry {
    int x = 100, y = 50;            // used only when not centred
    int width = 824, height = 448;  // inner (client) size
    bool centred = true;
    bool maximised = false;
};

struct AppState {
    Document doc;
    History history;
    Preferences prefs;
    HdrSettings hdr;          // HdrExposure and HdrTone
    std::string prefsFile;    // empty: no preferences file (tests)
    Ui* ui = nullptr;         // message boxes and file dialogs
    MainView* view = nullptr; // the main window (or a recording view in tests)
    AppWindows* windows = nullptr;  // modal windows (nullptr: none, every request declined)
    WindowGeometry window;    // start-up geometry of the main window
};
