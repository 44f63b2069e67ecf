// The Ui of the running program: GTK message boxes, input box and file choosers, each modal
// to the given parent window.
#pragma once

#include <gtk/gtk.h>

#include "platform/ui.h"

class GtkUi : public Ui {
public:
    explicit GtkUi(GtkWindow* parent) : parent_(parent) {}
    void SetParent(GtkWindow* parent) { parent_ = parent; }

    Answer Message(BoxKind kind, const std::string& caption, const std::string& text) override;
    std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& initial) override;
    FileDialogResult OpenFileDialog(const FileDialogRequest& request) override;
    FileDialogResult SaveFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> FolderDialog(const std::string& title, const std::string& folder) override;

private:
    GtkWindow* parent_;
};
