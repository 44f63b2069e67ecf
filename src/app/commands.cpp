#include "app/commands.h"

#include "adjust/levels.h"
#include "app/archive_path.h"
#include "app/hdr_commands.h"
#include "app/history_commands.h"
#include "app/menu_table.h"
#include "app/open_flow.h"
#include "app/preview.h"
#include "app/save_flow.h"
#include "tools/channels.h"
#include "tools/normal_maps.h"
#include "tools/resize.h"

namespace {

void HistogramCommand(AppState& app) {
    if (RequireImage(app) && app.windows) app.windows->ShowHistogram(app);
}

void ResizeMenuCommand(AppState& app) {
    if (!RequireImage(app)) return;
    int width = 0, height = 0;
    if (app.windows && app.windows->AskResize(app.doc.image->width, app.doc.image->height, width, height))
        ResizeDocument(app, width, height);
}

void PreferencesCommand(AppState& app) {
    if (!app.windows || !app.windows->RunPreferences(app)) return;
    // A lower limit takes effect at the next edit; the history is not trimmed now.
    app.history.limit = app.prefs.undoSteps;
    RefreshPreview(app);
}

void SkyboxCommand(AppState& app) {
    if (!app.windows) return;
    app.windows->RunSkybox(app, app.doc.image ? app.doc.path : std::string());
    UpdateToneChecks(app);
    if (app.doc.image && app.doc.info.isHdr) OpenDocument(app, app.doc.path, true);
}

}  // namespace

bool ConfirmQuit(AppState& app) { return ConfirmDiscard(app); }

bool RequireImage(AppState& app) {
    if (app.doc.image) return true;
    if (app.ui) app.ui->Message(BoxKind::Plain, kMainTitle, "Please open a .tex file first.");
    return false;
}

bool DispatchCommand(AppState& app, int id) {
    AppWindows* windows = app.windows;
    switch (id) {
        case kCmdOpen: OpenFileCommand(app); break;
        case kCmdOpenArchive: OpenFromArchiveCommand(app); break;
        case kCmdSave: SaveCommand(app); break;
        case kCmdSaveAs: SaveAsCommand(app); break;
        case kCmdQuit: return ConfirmQuit(app);
        case kCmdUndo: Undo(app); break;
        case kCmdRedo: Redo(app); break;
        case kCmdRevert: RevertToOriginal(app); break;
        case kCmdLevels:
            if (windows) windows->RunLevels(app);
            break;
        case kCmdAutoLevels: AutoLevelsCommand(app); break;
        case kCmdExposureUp: ExposureCommand(app, false, 1.0); break;
        case kCmdExposureDown: ExposureCommand(app, false, -1.0); break;
        case kCmdExposureReset: ExposureCommand(app, true, 0.0); break;
        case kCmdToneClip: ToneCommand(app, 0); break;
        case kCmdToneFilmic: ToneCommand(app, 1); break;
        case kCmdToneSwitch: ToneCommand(app, 1 - app.hdr.tone); break;
        case kCmdHistogram: HistogramCommand(app); break;
        case kCmdResize: ResizeMenuCommand(app); break;
        case kCmdSkybox: SkyboxCommand(app); break;
        case kCmdBatch:
            if (windows) windows->RunBatch(app);
            break;
        case kCmdPreferences: PreferencesCommand(app); break;
        case kCmdHelp:
            if (windows) windows->ShowHelp();
            break;
        case kCmdAbout:
            if (windows) windows->ShowAbout();
            break;
        default:
            if (id >= kCmdChannelFirst && id <= kCmdChannelLast) ChannelCommand(app, id);
            else if (id >= kCmdNormalFirst && id <= kCmdNormalLast) NormalMapCommand(app, id);
            break;
    }
    return false;
}
