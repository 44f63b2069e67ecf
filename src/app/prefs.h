// The preferences file: one "key = value" line per key, UTF-8 with a byte-order mark, in
// ~/.Glimmerkit/Glimmerkit.prefs. Every read and write opens the file, acts on one key and
// closes it again; rewriting keeps comments, blank lines and unknown keys.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// The user-editable settings, in the order they are read and written.
struct Preferences {
    int rememberWindow = 1;      // PrefRememberWindow
    int background = 0;          // PrefBackground: 0 checkerboard, 1 black, 2 grey, 3 white
    int undoSteps = 30;          // PrefUndoSteps, 2..200
    double normalStrength = 2.0; // PrefNormalStrength
    int hdrFixed = 0;            // PrefHdrFixed
    double hdrExposure = 0.0;    // PrefHdrExposure
    int hdrTone = 0;             // PrefHdrTone, 0..1
    int saveFormat = 0;          // PrefSaveFormat, 0..7
    int saveSourceFolder = 0;    // PrefSaveSourceFolder
    int warnDataLoss = 1;        // PrefWarnDataLoss
    int warnSe1Size = 1;         // PrefWarnSE1Size
    int warnClipping = 1;        // PrefWarnClipping
};

/// The value of the first line whose key equals key in any letter case, with the blanks after
/// "=" removed; none when no line has the key. fileText is the whole file (a leading
/// byte-order mark is skipped); lines without "=" and lines starting with "#" or ";" are no
/// keys. Any bytes are accepted.
std::optional<std::string_view> FindPrefValue(std::string_view fileText, std::string_view key);
/// The whole file text with key set to value: the first line of the key is replaced by
/// "key = value", later lines of the same key are dropped, and a missing key is appended. Every
/// other line stays as it was; the result starts with a byte-order mark and ends with a line
/// feed. None when key or value cannot be stored on one line (line breaks, "=" in the key).
std::optional<std::string> SetPrefValue(std::string_view fileText, std::string_view key, std::string_view value);

/// The text-to-number conversions of the file, independent of the locale: leading blanks and a
/// sign are accepted, the number ends at the first character that does not belong to it, and
/// text that is no number gives 0. Integers saturate at the int64 limits; reals that are not
/// finite (inf, nan, out of range) give 0.
int64_t ParsePrefInt(std::string_view text);
double ParsePrefReal(std::string_view text);
/// value with exactly three decimals and a full stop ("-1.500").
std::string FormatPrefReal(double value);

/// The file's path for the given HOME (nullptr = HOME unset: "Glimmerkit/" in the current
/// folder), creating the folder when needed.
std::string PrefsFilePath(const char* home);

/// Reads one key (case-insensitive); empty when missing, empty, or the file does not exist.
std::string ReadPrefText(const std::string& file, const std::string& key);
int64_t ReadPrefInt(const std::string& file, const std::string& key, int64_t fallback);
double ReadPrefReal(const std::string& file, const std::string& key, double fallback);
/// The stored text when it names an existing folder, else empty.
std::string ReadPrefFolder(const std::string& file, const std::string& key);

/// Sets one key and rewrites the file atomically; silently does nothing when it cannot be written.
void WritePrefText(const std::string& file, const std::string& key, const std::string& value);
void WritePrefInt(const std::string& file, const std::string& key, int64_t value);
void WritePrefReal(const std::string& file, const std::string& key, double value);  // three decimals

void SetDefaultPreferences(Preferences& prefs);
/// Defaults, then every setting read with its range rule.
void ReadPreferences(const std::string& file, Preferences& prefs);
void SavePreferences(const std::string& file, const Preferences& prefs);
