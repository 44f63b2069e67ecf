// The user-facing questions of the flows: message boxes, a text input box and file dialogs.
//
// The open, save, batch and skybox flows talk to the user only through this interface, so they
// run headless in tests against ScriptedUi (scripted_ui.h) and in the program against GtkUi
// (ui_gtk.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class BoxKind {
    Plain,        // no icon, OK
    Information,  // information icon, OK
    Error,        // error icon, OK
    Warning,      // warning icon, OK
    WarningYesNo, // warning icon, Yes and No (only Yes continues)
    YesNo,        // no icon, Yes and No
    YesNoCancel,  // warning icon, Yes, No and Cancel (batch run)
};

enum class Answer { Ok, Yes, No, Cancel };

struct FileFilter {
    std::string text;      // "Truevision Graphics Adapter (*.tga)"
    std::string patterns;  // "*.tif;*.tiff"
};

struct FileDialogRequest {
    std::string title;
    std::string folder;        // starting folder ("" = the dialog's own default)
    std::string proposedName;  // save dialogs: the proposed file name (may include a folder)
    std::vector<FileFilter> filters;
    int selectedFilter = 0;    // preselected filter index
    bool multiple = false;     // open dialogs: allow choosing several files
};

struct FileDialogResult {
    std::vector<std::string> paths;  // empty when cancelled
    int filterIndex = -1;            // filter chosen in the dialog, -1 when it reports none
    bool chosen() const { return !paths.empty(); }
    const std::string& path() const { return paths.front(); }
};

class Ui {
public:
    virtual ~Ui() = default;
    /// Shows a message box and waits for the answer (Ok for the boxes with one button).
    virtual Answer Message(BoxKind kind, const std::string& caption, const std::string& text) = 0;
    /// A text input box; none when cancelled.
    virtual std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                                const std::string& initial) = 0;
    virtual FileDialogResult OpenFileDialog(const FileDialogRequest& request) = 0;
    virtual FileDialogResult SaveFileDialog(const FileDialogRequest& request) = 0;
    /// A folder chooser; none when cancelled.
    virtual std::optional<std::string> FolderDialog(const std::string& title, const std::string& folder) = 0;
};
