// The modal archive browser: lists the .tex members of a .gro archive with a live name filter
// and lets the user choose one (File > Open from .gro archive) or several (the batch window).
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

/// Lists the archive's .tex members and shows the browser over parent (which takes no input
/// while it is open and gets the focus back afterwards); parent may be null. multiple allows
/// choosing several rows. True when the user chose: chosen then holds the member names in list
/// order (the first is the one to open). False, with chosen empty, when the user cancelled, or
/// when the archive cannot be read or holds no .tex member (a warning says so first).
bool BrowseArchive(GtkWindow* parent, const std::string& archive, bool multiple, std::vector<std::string>& chosen);
