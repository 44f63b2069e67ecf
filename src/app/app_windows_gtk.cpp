#include "app/app_windows_gtk.h"

#include "adjust/histogram_window.h"
#include "adjust/levels_window.h"
#include "app/about_window.h"
#include "app/app_state.h"
#include "app/help.h"
#include "app/prefs_window.h"
#include "app/preview.h"
#include "batch/batch_window.h"
#include "imageformats/dds_options_window.h"
#include "platform/ui_gtk.h"
#include "texformats/gro_browser_window.h"
#include "tools/resize_window.h"

namespace {

class GtkAppWindows : public AppWindows {
public:
    explicit GtkAppWindows(GtkWindow* parent) : parent_(parent) {}

    std::optional<std::string> BrowseArchive(const std::string& archive) override {
        std::vector<std::string> chosen;
        if (!::BrowseArchive(parent_, archive, false, chosen) || chosen.empty()) return std::nullopt;
        return chosen.front();
    }
    bool AskDdsOptions(bool keepAlpha, bool normalHint, int64_t& format, bool& mips) override {
        return ::AskDdsOptions(parent_, keepAlpha, normalHint, format, mips);
    }
    bool AskResize(int width, int height, int& newWidth, int& newHeight) override {
        return ::AskResize(parent_, width, height, newWidth, newHeight);
    }
    bool RunPreferences(AppState& app) override { return PreferencesWindow(parent_, app); }
    void ShowHistogram(AppState& app) override {
        if (app.doc.image) ShowHistogramWindow(parent_, *app.doc.image, app.doc.info, app.hdr.exposure);
    }
    void RefreshHistogram(AppState& app) override {
        RefreshHistogramWindow(app.doc.image ? &*app.doc.image : nullptr, app.doc.info, app.hdr.exposure);
    }
    void RunLevels(AppState& app) override {
        LevelsCommand(app, [&](const Image& image, LevelsSetting& setting, int64_t& clipCount) {
            const LevelsPreview preview = [&app](const Image* shown) { ShowTemporaryPreview(app, shown); };
            return LevelsWindow(parent_, image, preview, app.prefs.warnClipping != 0, setting, clipCount);
        });
    }
    void ShowAbout() override { ::ShowAbout(parent_); }
    void RunBatch(AppState& app) override {
        ::RunBatchWindow({parent_, app.doc.lastOpenFolder, app.prefsFile, app.hdr, nullptr});
    }
    void ShowHelp() override {
        GtkUi ui(parent_);
        ::ShowHelp(ui, ExecutableFolder(), kFallbackHelpFile);
    }

private:
    static constexpr const char* kFallbackHelpFile = "/usr/share/doc/glimmerkit/Help/Glimmerkit-Help.html";
    GtkWindow* parent_;
};

}  // namespace

std::unique_ptr<AppWindows> MakeGtkAppWindows(GtkWindow* parent) { return std::make_unique<GtkAppWindows>(parent); }
