// Paths of files inside .gro archives: the archive's path, "::" and the member's path as the
// archive lists it ("Textures.gro::Textures/Sky/Sky01_N.tex"). Member paths may use slashes
// or backslashes. A plain path never contains "::", so anything that does is an archive path.
#pragma once

#include <string>

bool IsArchivePath(const std::string& path);
/// The text before the first "::" (the whole path when there is none).
std::string ArchiveFilePath(const std::string& path);
/// The text after the first "::" (empty when there is none).
std::string ArchiveMemberPath(const std::string& path);
/// The text after the last slash or backslash of a member path (all of it when there is none).
std::string LastPathComponent(const std::string& memberPath);
/// The name shown to the user: the member's file name for an archive path, else the file part.
std::string DisplayName(const std::string& path);
/// Where the file lives, for lists: "Textures.gro : Textures/Sky/" for an archive path (the
/// member's folder as listed, empty for a member at the top), else the folder with its slash.
std::string DisplayLocation(const std::string& path);
