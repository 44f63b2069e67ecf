#include "app/save_flow.h"

#include "app/archive_path.h"
#include "app/commands.h"
#include "app/history_commands.h"
#include "imageformats/dds.h"
#include "imageformats/hdr.h"
#include "imageformats/library_writers.h"
#include "imageformats/pcx.h"
#include "imageformats/tga.h"
#include "imageformats/tiff.h"
#include "platform/file_io.h"
#include "texformats/ss1_tex_writer.h"
#include "tools/resize.h"

namespace {

constexpr const char* kAddedExtensions[] = {"tga", "png", "pcx", "bmp", "tif", "jpg", "dds", "tex", "hdr"};

bool IsKnownSaveExtension(const std::string& ext) {
    static const std::string kList = ",png,tga,bmp,tif,tiff,jpg,jpeg,pcx,dds,tex,hdr,";
    return !ext.empty() && kList.find("," + ext + ",") != std::string::npos;
}

bool IsPowerOfTwo(int64_t v) { return v > 0 && (v & (v - 1)) == 0; }

std::string FileNameWithoutExtension(const std::string& name) {
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string FormatWord(const std::string& ext) {
    if (ext == "jpg" || ext == "jpeg") return "JPG";
    if (ext == "pcx") return "PCX";
    if (ext == "tex") return "Serious Sam 1 .tex";
    return ToUpper(ext);
}

Answer Ask(AppState& app, BoxKind kind, const std::string& text) {
    return app.ui ? app.ui->Message(kind, kMainTitle, text) : Answer::No;
}

}  // namespace

std::vector<FileFilter> SaveAsFilters(bool withHdr) {
    std::vector<FileFilter> filters = {
        {"Truevision Graphics Adapter (*.tga)", "*.tga"},
        {"Portable Network Graphics (*.png)", "*.png"},
        {"PiCture eXchange (*.pcx)", "*.pcx"},
        {"Microsoft BMP (*.bmp)", "*.bmp"},
        {"Tagged Image File Format (*.tif)", "*.tif;*.tiff"},
        {"Joint Photographic Experts Group (*.jpg)", "*.jpg;*.jpeg"},
        {"DirectDraw Surface (*.dds)", "*.dds"},
        {"Serious Sam 1 texture (*.tex)", "*.tex"},
    };
    if (withHdr) filters.push_back({"Radiance High Dynamic Range (*.hdr)", "*.hdr"});
    return filters;
}

std::string AddExtensionFromFilter(const std::string& path, int filterIndex) {
    if (IsKnownSaveExtension(LowerExtension(path))) return path;
    if (filterIndex < 0 || filterIndex > 8) filterIndex = 0;
    return path + "." + kAddedExtensions[filterIndex];
}

std::string SaveAsStartFolder(const AppState& app) {
    const bool archive = IsArchivePath(app.doc.path);
    if (app.prefs.saveSourceFolder && !archive) return FolderOf(app.doc.path);
    if (!app.doc.lastSaveFolder.empty()) return app.doc.lastSaveFolder;
    if (!archive) return FolderOf(app.doc.path);
    return "";
}

std::string ProposedSaveName(const AppState& app) {
    return SaveAsStartFolder(app) + FileNameWithoutExtension(DisplayName(app.doc.path)) + app.doc.nameSuffix;
}

bool CheckDataLoss(AppState& app, const std::string& ext) {
    if (!app.prefs.warnDataLoss) return true;
    const LoadInfo& info = app.doc.info;
    const std::string word = FormatWord(ext);
    std::string lines;
    if (info.isHdr && ext != "hdr")
        lines += "- HDR brightness: " + word + " stores the image as shown (exposure " + ExposureText(app.hdr.exposure) +
                 " EV" + (app.hdr.tone == 1 ? ", filmic" : ", editor clip") +
                 "). Brightness beyond white is lost; use .hdr to keep it.\n";
    if (info.hasAlpha && (word == "PCX" || word == "JPG" || word == "BMP"))
        lines += "- Transparency: " + word + " has no alpha channel.\n";
    if (ext == "tex" && (!IsPowerOfTwo(info.width) || !IsPowerOfTwo(info.height)))
        lines += "- Size: " + std::to_string(info.width) + " x " + std::to_string(info.height) +
                 " is not a power of 2; Serious Sam 1 may not show it correctly.\n";
    if (const int64_t clipped = ClippedValueCount(app.history); clipped > 0)
        lines += "- Clipping: your adjustments pushed " + std::to_string(clipped) + " values to pure black or white.\n";
    if (word == "JPG") lines += "- Image detail: JPG compression slightly changes the image (lossy).\n";
    if (lines.empty()) return true;
    return Ask(app, BoxKind::WarningYesNo, "Saving as " + word + " loses information:\n\n" + lines + "\nSave anyway?") ==
           Answer::Yes;
}

bool OfferSs1Resize(AppState& app) {
    const LoadInfo& info = app.doc.info;
    if ((info.width <= 1024 && info.height <= 1024) || !app.prefs.warnSe1Size) return true;
    const auto [w, h] = FitSs1Size(info.width, info.height, 1024);
    const std::string text = "Serious Sam 1 textures can be at most 1024 x 1024 pixels; this image is " +
                             std::to_string(info.width) + " x " + std::to_string(info.height) + ".\n\nResize to " +
                             std::to_string(w) + " x " + std::to_string(h) +
                             " now and save?\n(Choose No to cancel; you can also use Tools > Resize.)";
    if (Ask(app, BoxKind::WarningYesNo, text) != Answer::Yes) return false;
    ResizeDocument(app, w, h);
    return true;
}

namespace {

// The DDS branch: options (always from Save As, or when never chosen), the alpha warning,
// then the writer. Returns false when the user stopped; written tells the writer's result.
bool SaveDdsDocument(AppState& app, const std::string& path, bool fromSaveAs, bool& written) {
    Document& doc = app.doc;
    const bool keepAlpha = doc.info.hasAlpha != 0;
    if (fromSaveAs || doc.lastDdsFormat < 0) {
        const bool normalHint = MentionsNormalMap(doc.info.formatText);
        if (!app.windows || !app.windows->AskDdsOptions(keepAlpha, normalHint, doc.lastDdsFormat, doc.lastDdsMips))
            return false;
    }
    if (fromSaveAs && app.prefs.warnDataLoss && keepAlpha && !DdsFormatHasAlpha(int(doc.lastDdsFormat)) &&
        Ask(app, BoxKind::WarningYesNo,
            "This DDS format has no alpha channel; the transparency will be lost.\nSave anyway?") != Answer::Yes)
        return false;
    written = SaveDds(*doc.image, path, int(doc.lastDdsFormat), doc.lastDdsMips);
    return true;
}

bool WriteDocument(AppState& app, const std::string& path, const std::string& ext) {
    const Image& image = *app.doc.image;
    const LoadInfo& info = app.doc.info;
    const bool keepAlpha = info.hasAlpha != 0;
    if (ext == "bmp") return SaveBmp(image, path);
    if (ext == "tif" || ext == "tiff") return SaveTiff(image, path, keepAlpha);
    if (ext == "jpg" || ext == "jpeg") return SaveJpeg(image, path, 90);
    if (ext == "hdr") return SaveHdr(info.rgbeData.data(), info.width, info.height, path);
    if (ext == "tga") return SaveTga(image, path, keepAlpha);
    if (ext == "pcx") return SavePcx(image, path);
    if (ext == "tex") {
        const bool keepsMips = info.kind == 1 && info.version == 4 && info.isEffect == 0;
        return WriteSs1Tex(image, path, keepAlpha, keepsMips ? info.firstMip : 0, keepsMips && (info.flags & 2));
    }
    return SavePng(image, path, keepAlpha);
}

void MarkDocumentSaved(AppState& app, const std::string& path) {
    app.doc.savePath = path;
    if (app.view) app.view->SetStatusField(2, "Saved: " + FileNameOf(path));
    MarkSaved(app.history);
    UpdateTitle(app);
    app.doc.lastSaveFolder = FolderOf(path);
    if (!app.prefsFile.empty()) WritePrefText(app.prefsFile, "LastSaveFolder", app.doc.lastSaveFolder);
}

}  // namespace

void SaveDocument(AppState& app, const std::string& path, bool fromSaveAs) {
    if (!app.doc.image) return;
    const std::string ext = LowerExtension(path);
    if (ext == "tex" && !OfferSs1Resize(app)) return;
    if (fromSaveAs && !CheckDataLoss(app, ext)) return;

    bool written = false;
    if (ext == "dds") {
        if (!SaveDdsDocument(app, path, fromSaveAs, written)) return;
    } else if (ext == "hdr" && !app.doc.info.isHdr) {
        Ask(app, BoxKind::Error, "Only HDR textures can be saved as .hdr.");
        return;
    } else {
        written = WriteDocument(app, path, ext);
    }
    if (written) MarkDocumentSaved(app, path);
    else Ask(app, BoxKind::Error, "Saving failed:\n" + path);
}

void SaveCommand(AppState& app) {
    if (app.doc.savePath.empty()) SaveAsCommand(app);
    else SaveDocument(app, app.doc.savePath, false);
}

void SaveAsCommand(AppState& app) {
    if (!RequireImage(app) || !app.ui) return;
    FileDialogRequest request;
    request.title = "Save As";
    request.folder = SaveAsStartFolder(app);
    request.proposedName = ProposedSaveName(app);
    request.filters = SaveAsFilters(app.doc.info.isHdr != 0);
    request.selectedFilter = app.prefs.saveFormat;
    const FileDialogResult result = app.ui->SaveFileDialog(request);
    if (!result.chosen()) return;
    const int filter = result.filterIndex >= 0 ? result.filterIndex : app.prefs.saveFormat;
    const std::string path = AddExtensionFromFilter(result.path(), filter);
    if (FileExists(path) &&
        Ask(app, BoxKind::YesNo, FileNameOf(path) + " already exists. Overwrite?") != Answer::Yes)
        return;
    SaveDocument(app, path, true);
}

bool SaveImageFile(const Image& image, const std::string& path, bool keepAlpha) {
    const std::string ext = LowerExtension(path);
    if (ext == "tga") return SaveTga(image, path, keepAlpha);
    if (ext == "tif") return SaveTiff(image, path, keepAlpha);
    if (ext == "tex") return WriteSs1Tex(image, path, keepAlpha, 0, false);
    return SavePng(image, path, keepAlpha);
}
