// The menu bar of the main window as one table: menus, items, command ids, shortcuts,
// separators, sub-menus and check-mark items, in the order they appear.
#pragma once

#include <span>

enum class MenuRow { Menu, Item, CheckItem, Separator, SubmenuBegin, SubmenuEnd };

struct MenuEntry {
    MenuRow row;
    int id;                // command id (-1 for rows without one)
    const char* text;      // item text before the tab, or the menu / sub-menu title
    const char* shortcut;  // shortcut text after the tab ("Ctrl+O"), "" for none
};

/// Command ids that the dispatcher and the other windows refer to by name.
enum CommandId : int {
    kCmdOpen = 0, kCmdSave = 1, kCmdSaveAs = 2, kCmdQuit = 3, kCmdBatch = 4, kCmdPreferences = 5,
    kCmdHelp = 6, kCmdAbout = 7, kCmdExposureUp = 8, kCmdExposureDown = 9, kCmdExposureReset = 10,
    kCmdToneClip = 11, kCmdToneFilmic = 12, kCmdToneSwitch = 13, kCmdHistogram = 14,
    kCmdOpenArchive = 15, kCmdResize = 16, kCmdChannelFirst = 17, kCmdChannelLast = 23,
    kCmdNormalFirst = 24, kCmdNormalLast = 28, kCmdSkybox = 29, kCmdUndo = 30, kCmdRedo = 31,
    kCmdRevert = 32, kCmdLevels = 33, kCmdAutoLevels = 34,
};

std::span<const MenuEntry> MainMenuTable();

/// The shortcut text of a command ("Ctrl+O"), "" when it has none.
const char* ShortcutOf(int id);
