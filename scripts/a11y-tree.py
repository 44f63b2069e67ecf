#!/usr/bin/python3
"""Prints the accessibility tree of a running Glimmerkit window, as a screen reader sees it.

Controls (buttons, menu items, check boxes, text fields, combo boxes, ...) without a name are
marked with "!! NO NAME". Run under the same session bus as the program, e.g.:
    dbus-run-session -- sh -c 'glimmerkit & sleep 2; scripts/a11y-tree.py glimmerkit'
"""
import sys

import pyatspi

CONTROLS = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_SPIN_BUTTON,
    pyatspi.ROLE_MENU, pyatspi.ROLE_DRAWING_AREA, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE,
}


def walk(node, depth, missing):
    try:
        role = node.getRole()
        name = node.name
    except Exception:  # the node went away while we looked
        return
    flag = ""
    if role in CONTROLS and not name:
        flag = "  !! NO NAME"
        missing.append(node.getRoleName())
    print("  " * depth + f"{node.getRoleName()}: {name!r}{flag}")
    for i in range(node.childCount):
        walk(node.getChildAtIndex(i), depth + 1, missing)


def main():
    wanted = sys.argv[1] if len(sys.argv) > 1 else "glimmerkit"
    desktop = pyatspi.Registry.getDesktop(0)
    missing = []
    for app in desktop:
        if app is not None and app.name == wanted:
            walk(app, 0, missing)
    print(f"{len(missing)} controls without a name")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
