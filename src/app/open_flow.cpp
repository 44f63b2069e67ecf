#include "app/open_flow.h"

#include "app/archive_path.h"
#include "app/histogram_hook.h"
#include "app/history_commands.h"
#include "app/image_loading.h"
#include "app/preview.h"
#include "platform/file_io.h"

std::string DescribeLoadedImage(const LoadInfo& info) {
    switch (info.kind) {
        case 0: return info.formatText + (info.hasAlpha ? ", with transparency" : "");
        case 2: return "SS2, " + info.formatText;
        case 3: return "SS3, " + info.formatText;
        default: {
            std::string text = info.hasAlpha ? "RGBA (with transparency)" : "RGB";
            text += ", SS1 version " + std::to_string(info.version);
            if (info.bytesPerPixel == 2) text += " (16-bit)";
            return text;
        }
    }
}

namespace {

void RememberOpenFolder(AppState& app, const std::string& path) {
    app.doc.lastOpenFolder = FolderOf(IsArchivePath(path) ? ArchiveFilePath(path) : path);
    if (!app.prefsFile.empty()) WritePrefText(app.prefsFile, "LastOpenFolder", app.doc.lastOpenFolder);
}

void StartHistory(AppState& app) {
    ResetHistory(app.history, *app.doc.image, CaptureHistoryEntry(app.doc, "Original"));
}

}  // namespace

void OpenDocument(AppState& app, const std::string& path, bool reload) {
    if (!reload && !ConfirmDiscard(app)) return;

    LoadInfo loaded;
    std::optional<Image> image = LoadDocumentImage(path, loaded, app.hdr);
    if (!image) {
        if (app.ui)
            app.ui->Message(BoxKind::Error, kMainTitle, DisplayName(path) + " could not be loaded:\n" + loaded.error);
        return;
    }

    app.doc.image = std::move(image);
    app.doc.info = std::move(loaded);  // the RGBE array now belongs to the document
    app.doc.path = path;
    if (!reload) {
        app.doc.savePath.clear();
        app.doc.nameSuffix.clear();
    }
    RememberOpenFolder(app, path);

    const LoadInfo& info = app.doc.info;
    if (app.view) app.view->SetStatusField(0, DisplayName(path));
    SetStatusDescription(app, std::to_string(info.width) + " x " + std::to_string(info.height) + "  " +
                                  DescribeLoadedImage(info));
    RefreshPreview(app);
    RefreshHistogram(app);
    StartHistory(app);
    UpdateTitle(app);
}

void OpenFileCommand(AppState& app) {
    if (!app.ui) return;
    FileDialogRequest request;
    request.title = "Open file";
    request.folder = app.doc.lastOpenFolder;
    request.filters = {
        {"Serious Sam texture (*.tex)", "*.tex"},
        {"All supported images", "*.tex;*.tga;*.png;*.pcx;*.bmp;*.tif;*.tiff;*.jpg;*.jpeg;*.dds;*.hdr"},
        {"All files (*.*)", "*.*"},
    };
    request.selectedFilter = 0;
    const FileDialogResult result = app.ui->OpenFileDialog(request);
    if (result.chosen()) OpenDocument(app, result.path(), false);
}

void OpenFromArchiveCommand(AppState& app) {
    if (!app.ui) return;
    FileDialogRequest request;
    request.title = "Open .gro archive";
    request.folder = app.doc.lastOpenFolder;
    request.filters = {{"Serious Sam archive (*.gro)", "*.gro"}, {"All files (*.*)", "*.*"}};
    request.selectedFilter = 0;
    const FileDialogResult result = app.ui->OpenFileDialog(request);
    if (!result.chosen() || !app.windows) return;
    const std::optional<std::string> member = app.windows->BrowseArchive(result.path());
    if (member) OpenDocument(app, result.path() + "::" + *member, false);
}
