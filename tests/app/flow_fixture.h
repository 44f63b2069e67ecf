// A headless main window for flow tests: recording view, scripted answers, scripted windows,
// and a temporary folder with small image files.
#pragma once

#include <optional>
#include <string>

#include "app/app_state.h"
#include "app/recording_view.h"
#include "imageformats/library_writers.h"
#include "platform/scripted_ui.h"
#include "test_support.h"

struct ScriptedWindows : AppWindows {
    std::optional<int64_t> ddsFormat;  // none: the DDS options window is cancelled
    bool ddsMips = true;
    int ddsAsked = 0;
    bool AskDdsOptions(bool, bool, int64_t& format, bool& mips) override {
        ++ddsAsked;
        if (!ddsFormat) return false;
        format = *ddsFormat;
        mips = ddsMips;
        return true;
    }
};

struct FlowFixture {
    testing_support::TempDir dir;
    RecordingView view;
    ScriptedUi ui;
    ScriptedWindows windows;
    AppState app;

    FlowFixture() {
        app.view = &view;
        app.ui = &ui;
        app.windows = &windows;
    }

    /// Writes a PNG of the pattern image into the temporary folder and returns its path.
    std::string WritePng(const std::string& name, int width, int height, bool withAlpha) {
        const std::string path = dir.file(name);
        SavePng(testing_support::PatternImage(width, height, withAlpha), path, withAlpha);
        return path;
    }
};
