// The main window: menus, preview canvas, status bar and the event loop.
#pragma once

int RunGlimmerkit(int argc, char** argv);
