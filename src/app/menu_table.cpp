#include "app/menu_table.h"

namespace {

constexpr MenuEntry kMenu[] = {
    {MenuRow::Menu, -1, "File", ""},
    {MenuRow::Item, 0, "Open", "Ctrl+O"},
    {MenuRow::Item, 15, "Open from .gro archive...", "Ctrl+G"},
    {MenuRow::Item, 1, "Save", "Ctrl+S"},
    {MenuRow::Item, 2, "Save As...", "Shift+Ctrl+S"},
    {MenuRow::Separator, -1, "", ""},
    {MenuRow::Item, 3, "Quit", "Ctrl+Q"},
    {MenuRow::Menu, -1, "Edit", ""},
    {MenuRow::Item, 30, "Undo", "Ctrl+Z"},
    {MenuRow::Item, 31, "Redo", "Ctrl+Y"},
    {MenuRow::Separator, -1, "", ""},
    {MenuRow::Item, 32, "Revert to original", ""},
    {MenuRow::Menu, -1, "Adjust", ""},
    {MenuRow::Item, 33, "Levels...", "Ctrl+L"},
    {MenuRow::Item, 34, "Auto levels", ""},
    {MenuRow::Menu, -1, "HDR", ""},
    {MenuRow::Item, 8, "Exposure +1 EV", "Ctrl+Up"},
    {MenuRow::Item, 9, "Exposure -1 EV", "Ctrl+Down"},
    {MenuRow::Item, 10, "Reset exposure", "Ctrl+0"},
    {MenuRow::Separator, -1, "", ""},
    {MenuRow::CheckItem, 11, "Tone: Editor (clip)", ""},
    {MenuRow::CheckItem, 12, "Tone: Filmic", ""},
    {MenuRow::Item, 13, "Switch tone", "Ctrl+T"},
    {MenuRow::Menu, -1, "Tools", ""},
    {MenuRow::Item, 14, "Histogram", "Ctrl+I"},
    {MenuRow::SubmenuBegin, -1, "Channels", ""},
    {MenuRow::Item, 17, "Extract red as grayscale", ""},
    {MenuRow::Item, 18, "Extract green as grayscale", ""},
    {MenuRow::Item, 19, "Extract blue as grayscale", ""},
    {MenuRow::Item, 20, "Extract alpha as grayscale", ""},
    {MenuRow::Separator, -1, "", ""},
    {MenuRow::Item, 21, "Load alpha from image...", ""},
    {MenuRow::Item, 23, "Invert alpha", ""},
    {MenuRow::Item, 22, "Remove alpha (make opaque)", ""},
    {MenuRow::SubmenuEnd, -1, "", ""},
    {MenuRow::SubmenuBegin, -1, "Normal map", ""},
    {MenuRow::Item, 24, "Flip green (DirectX <-> OpenGL)", ""},
    {MenuRow::Item, 25, "Flip red", ""},
    {MenuRow::Item, 26, "Rebuild blue (Z) from red and green", ""},
    {MenuRow::Item, 27, "Normalize", ""},
    {MenuRow::Separator, -1, "", ""},
    {MenuRow::Item, 28, "Create from height map...", ""},
    {MenuRow::SubmenuEnd, -1, "", ""},
    {MenuRow::Separator, -1, "", ""},
    {MenuRow::Item, 16, "Resize...", "Ctrl+R"},
    {MenuRow::Item, 29, "Skybox...", "Ctrl+K"},
    {MenuRow::Item, 4, "Batch conversion", "Ctrl+B"},
    {MenuRow::Separator, -1, "", ""},
    {MenuRow::Item, 5, "Preferences...", "Ctrl+P"},
    {MenuRow::Menu, -1, "Help", ""},
    {MenuRow::Item, 6, "Help", "Ctrl+H"},
    {MenuRow::Item, 7, "About", ""},
};

}  // namespace

std::span<const MenuEntry> MainMenuTable() { return kMenu; }

const char* ShortcutOf(int id) {
    for (const MenuEntry& e : kMenu)
        if (e.id == id) return e.shortcut;
    return "";
}
