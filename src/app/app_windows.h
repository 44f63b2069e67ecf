// The windows that commands and flows open besides message boxes and file dialogs. The GTK
// layer implements them; headless runs and tests use this default, which declines everything
// (or a test double that answers as scripted).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct AppState;

class AppWindows {
public:
    virtual ~AppWindows() = default;
    /// The archive browser in single-selection mode; the chosen member path, or none.
    virtual std::optional<std::string> BrowseArchive(const std::string& /*archive*/) { return std::nullopt; }
    /// The DDS options window; updates format and mips and returns true on OK.
    virtual bool AskDdsOptions(bool /*keepAlpha*/, bool /*normalHint*/, int64_t& /*format*/, bool& /*mips*/) {
        return false;
    }
    /// The resize window; sets the new size and returns true on OK with a valid size.
    virtual bool AskResize(int /*width*/, int /*height*/, int& /*newWidth*/, int& /*newHeight*/) { return false; }
    /// Preferences window; true when OK was pressed and the settings were stored.
    virtual bool RunPreferences(AppState&) { return false; }
    virtual void ShowHistogram(AppState&) {}
    virtual void RefreshHistogram(AppState&) {}
    virtual void ShowAbout() {}
    virtual void ShowHelp() {}
    virtual void RunLevels(AppState&) {}
    virtual void RunBatch(AppState&) {}
    virtual void RunSkybox(AppState&, const std::string& /*startFace*/) {}
};
