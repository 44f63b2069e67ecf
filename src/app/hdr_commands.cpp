#include "app/hdr_commands.h"

#include "app/archive_path.h"
#include "app/menu_table.h"
#include "app/open_flow.h"

std::string HdrCheckMessage(const AppState& app) {
    const Document& doc = app.doc;
    if (doc.image && doc.info.isHdr) return "";
    std::string first;
    if (!doc.image) first = "No texture is loaded.";
    else if (!doc.info.rgbeData.empty())
        first = DisplayName(doc.path) + " has been edited and is no longer an HDR image (Undo brings the HDR original back).";
    else first = DisplayName(doc.path) + " is not an HDR texture.";
    return first + "\nThe settings in the HDR menu only apply to HDR textures; nothing was changed.";
}

namespace {

bool PassesHdrCheck(AppState& app) {
    const std::string message = HdrCheckMessage(app);
    if (message.empty()) return true;
    if (app.ui) app.ui->Message(BoxKind::Information, kMainTitle, message);
    return false;
}

}  // namespace

void UpdateToneChecks(AppState& app) {
    if (!app.view) return;
    app.view->SetMenuCheck(kCmdToneClip, app.hdr.tone == 0);
    app.view->SetMenuCheck(kCmdToneFilmic, app.hdr.tone == 1);
}

void ExposureCommand(AppState& app, bool reset, double step) {
    if (!PassesHdrCheck(app)) return;
    app.hdr.exposure = reset ? 0.0 : app.hdr.exposure + step;
    OpenDocument(app, app.doc.path, true);
}

void ToneCommand(AppState& app, int tone) {
    if (PassesHdrCheck(app)) {
        app.hdr.tone = tone;
        OpenDocument(app, app.doc.path, true);
    }
    UpdateToneChecks(app);
}
