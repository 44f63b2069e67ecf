// Whole-file reads and safe whole-file writes.
//
// Every writer of the program builds its file in memory and hands it to WriteFileAtomic, which
// writes a temporary file in the target folder, checks every write and the close, and only then
// renames it over the target. A failed save (full disk, folder not writable) leaves an existing
// file untouched and reports failure.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/byte_buffer.h"

enum class ReadStatus { Ok, CannotOpen, EmptyOrTooLarge };

/// Reads the whole file at path into out. CannotOpen when it cannot be opened (missing,
/// unreadable, a folder); EmptyOrTooLarge when it has no bytes or the memory cannot be had.
ReadStatus ReadWholeFile(const std::string& path, ByteBuffer& out);

/// Writes bytes to path atomically (temporary file + rename). True only when everything was
/// written; on false the target is unchanged and no temporary file is left behind.
bool WriteFileAtomic(const std::string& path, std::span<const uint8_t> bytes);

bool FileExists(const std::string& path);       // a regular file (or link to one)
bool IsDirectory(const std::string& path);
int64_t FileSize(const std::string& path);      // -1 when it is not a regular file
bool MakeDirectory(const std::string& path);    // true when it exists as a folder afterwards

/// Lower-cased text after the last "." of the last path component; empty when there is none.
std::string LowerExtension(const std::string& path);
/// The folder part of a path up to and including the last slash ("" when there is none).
std::string FolderOf(const std::string& path);
/// The text after the last slash (the whole path when there is none).
std::string FileNameOf(const std::string& path);
std::string ToLower(std::string text);
std::string ToUpper(std::string text);
