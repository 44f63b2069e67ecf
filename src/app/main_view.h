// What the document and the flows change in the main window, as an interface so that they run
// headless in tests (RecordingView) and against the real window in the program.
#pragma once

#include <string>

#include "platform/image.h"

class MainView {
public:
    virtual ~MainView() = default;
    virtual void SetTitle(const std::string& title) = 0;
    /// Status bar fields: 0 file name, 1 format and size, 2 note / zoom / "Saved: ...".
    virtual void SetStatusField(int field, const std::string& text) = 0;
    /// Menu item text (with "\t" and the shortcut text) and enabled state, by command id.
    virtual void SetMenuItem(int id, const std::string& text, bool enabled) = 0;
    virtual void SetMenuCheck(int id, bool checked) = 0;
    /// Shows the composed preview (already scaled and blended over the background).
    virtual void ShowPreview(const Image& composed) = 0;
    /// Whether the window is maximised / minimised, and its position and inner size.
    virtual bool IsMaximized() const { return false; }
    virtual bool IsMinimized() const { return false; }
    virtual void GetGeometry(int& x, int& y, int& width, int& height) const { x = y = width = height = 0; }
};
