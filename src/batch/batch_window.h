// The modal batch window: the list of files to convert and its ways of filling it (file dialog,
// folders with their subfolders, .gro archives, files dropped on the list), a preview of the
// current row, the source and output formats, the output-folder settings and the run with its
// progress bar and Stop button. The choices are read from the preferences file when the window
// opens and written back when it closes.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "adjust/hdr_tone.h"
#include "platform/ui.h"

struct BatchWindowContext {
    GtkWindow* parent = nullptr;  // disabled while the window is open; may be null
    std::string startFolder;      // where the add dialogs start (the main window's last folder)
    std::string prefsFile;        // empty: nothing is read or written
    HdrSettings hdr;              // how HDR files are previewed and converted
    Ui* ui = nullptr;             // questions and dialogs; null: GTK boxes over the batch window
};

/// Shows the window and runs its loop until it is closed. The list starts empty every time.
void RunBatchWindow(const BatchWindowContext& context);

/// The output folder chosen in this run of the program ("" until one is chosen or read).
std::string& BatchOutputFolder();
