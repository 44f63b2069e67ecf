#include "app/session_state.h"

#include <algorithm>
#include <climits>

#include "app/prefs.h"

namespace {

constexpr int64_t kNoPosition = -100000;

bool FitsInt(int64_t value) { return value >= INT_MIN && value <= INT_MAX; }

bool OnAnyMonitor(int64_t px, int64_t py, const std::vector<MonitorRect>& monitors) {
    return std::any_of(monitors.begin(), monitors.end(), [&](const MonitorRect& m) {
        return int64_t(m.x) <= px && px < int64_t(m.x) + m.width && int64_t(m.y) <= py &&
               py < int64_t(m.y) + m.height;
    });
}

void LoadWindowGeometry(AppState& app, const std::vector<MonitorRect>& monitors) {
    const std::string& file = app.prefsFile;
    const int64_t x = ReadPrefInt(file, "WindowX", kNoPosition);
    const int64_t y = ReadPrefInt(file, "WindowY", kNoPosition);
    const int64_t width = ReadPrefInt(file, "WindowWidth", 0);
    const int64_t height = ReadPrefInt(file, "WindowHeight", 0);
    // Values beyond the int range cannot be a window on any monitor.
    const bool representable = FitsInt(x) && FitsInt(y) && FitsInt(width) && FitsInt(height);
    if (representable && width >= 300 && height >= 200 && OnAnyMonitor(x + 40, y + 20, monitors)) {
        app.window.x = int(x);
        app.window.y = int(y);
        app.window.width = int(width);
        app.window.height = int(height);
        app.window.centred = false;
    }
    app.window.maximised = ReadPrefInt(file, "WindowMaximized", 0) != 0;
}

}  // namespace

void LoadPreferences(AppState& app, const std::vector<MonitorRect>& monitors) {
    const std::string& file = app.prefsFile;
    ReadPreferences(file, app.prefs);
    app.history.limit = app.prefs.undoSteps;
    app.doc.lastOpenFolder = ReadPrefFolder(file, "LastOpenFolder");
    app.doc.lastSaveFolder = ReadPrefFolder(file, "LastSaveFolder");
    if (app.prefs.hdrFixed) {
        app.hdr.exposure = app.prefs.hdrExposure;
        app.hdr.tone = app.prefs.hdrTone;
    } else {
        app.hdr.exposure = ReadPrefReal(file, "LastHdrExposure", 0.0);
        app.hdr.tone = int(std::clamp<int64_t>(ReadPrefInt(file, "LastHdrTone", 0), 0, 1));
    }
    app.doc.lastDdsFormat = ReadPrefInt(file, "LastDDSFormat", -1);
    app.doc.lastDdsMips = ReadPrefInt(file, "LastDDSMips", 1) != 0;
    if (app.prefs.rememberWindow) LoadWindowGeometry(app, monitors);
}

void SaveSessionState(AppState& app) {
    const std::string& file = app.prefsFile;
    WritePrefReal(file, "LastHdrExposure", app.hdr.exposure);
    WritePrefInt(file, "LastHdrTone", app.hdr.tone);
    WritePrefInt(file, "LastDDSFormat", app.doc.lastDdsFormat);
    WritePrefInt(file, "LastDDSMips", app.doc.lastDdsMips ? 1 : 0);
    if (!app.prefs.rememberWindow || !app.view) return;
    const bool maximised = app.view->IsMaximized();
    WritePrefInt(file, "WindowMaximized", maximised ? 1 : 0);
    if (maximised || app.view->IsMinimized()) return;
    int x = 0, y = 0, width = 0, height = 0;
    app.view->GetGeometry(x, y, width, height);
    WritePrefInt(file, "WindowX", x);
    WritePrefInt(file, "WindowY", y);
    WritePrefInt(file, "WindowWidth", width);
    WritePrefInt(file, "WindowHeight", height);
}
