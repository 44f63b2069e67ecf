// The main window: menu bar, preview canvas in a scroll area, three-field status bar, and the
// program's start-up, event loop and shutdown.
#pragma once

#include <gtk/gtk.h>

#include <map>
#include <memory>

#include "app/app_state.h"

struct MainWindow {
    GtkWidget* window = nullptr;
    GtkWidget* menuBar = nullptr;
    GtkWidget* scroll = nullptr;
    GtkWidget* canvas = nullptr;
    GtkWidget* status[3] = {nullptr, nullptr, nullptr};
    std::map<int, GtkWidget*> items;  // menu items by command id
    GtkAccelGroup* accel = nullptr;
    cairo_surface_t* surface = nullptr;  // the composed preview, drawn on every expose
    bool quitRequested = false;
    AppState* app = nullptr;
    std::unique_ptr<MainView> view;
    std::unique_ptr<Ui> ui;
    std::unique_ptr<AppWindows> windows;
};

/// Builds the window with the current geometry and title, the menu bar with its shortcuts, the
/// scroll area with the grey 1024 x 1024 canvas and the status bar ("No file opened"), and
/// connects app.view, app.ui and app.windows to it. The window is not shown yet.
std::unique_ptr<MainWindow> CreateMainWindow(AppState& app);
void DestroyMainWindow(MainWindow& window);

/// The whole program: start-up, event loop, shutdown. Returns the exit status.
int RunGlimmerkit(int argc, char** argv);
