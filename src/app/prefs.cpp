#include "app/prefs.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <span>
#include <system_error>

#include "platform/file_io.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr const char* kFolderName = "Glimmerkit";
constexpr const char* kFileName = "Glimmerkit.prefs";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

struct PrefLine {
    std::string_view key;
    std::string_view value;
};

// A "key = value" line; none for blank lines, comments and lines without "=".
std::optional<PrefLine> ParseLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view content = TrimBlanks(line);
    if (content.empty() || content.front() == '#' || content.front() == ';') return std::nullopt;
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const std::string_view key = TrimBlanks(line.substr(0, equals));
    if (key.empty()) return std::nullopt;
    std::string_view value = line.substr(equals + 1);
    while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
    return PrefLine{key, value};
}

std::string_view WithoutByteOrderMark(std::string_view text) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
    return text;
}

// Calls visit(line) for every line of text, without its line feed.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const auto end = text.find('\n');
        visit(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

bool IsStorableKey(std::string_view key) {
    return !key.empty() && TrimBlanks(key) == key && key.front() != '#' && key.front() != ';' &&
           key.find_first_of("=\r\n") == std::string_view::npos;
}

// The file's text; none when it exists but cannot be read (rewriting it would lose it).
std::optional<std::string> ReadPrefsFile(const std::string& file) {
    ByteBuffer bytes;
    switch (ReadWholeFile(file, bytes)) {
    case ReadStatus::Ok:
        return std::string(bytes.begin(), bytes.end());
    case ReadStatus::CannotOpen:
        if (FileSize(file) >= 0) return std::nullopt;
        return std::string();
    case ReadStatus::EmptyOrTooLarge:
        if (FileSize(file) > 0) return std::nullopt;
        return std::string();
    }
    return std::nullopt;
}

int ClampToInt(int64_t value, int low, int high) { return int(std::clamp<int64_t>(value, low, high)); }
int AsFlag(int64_t value) { return value != 0 ? 1 : 0; }

}  // namespace

std::optional<std::string_view> FindPrefValue(std::string_view fileText, std::string_view key) {
    std::optional<std::string_view> found;
    ForEachLine(WithoutByteOrderMark(fileText), [&](std::string_view line) {
        if (found) return;
        const auto parsed = ParseLine(line);
        if (parsed && EqualsNoCase(parsed->key, key)) found = parsed->value;
    });
    return found;
}

std::optional<std::string> SetPrefValue(std::string_view fileText, std::string_view key, std::string_view value) {
    if (!IsStorableKey(key) || value.find_first_of("\r\n") != std::string_view::npos) return std::nullopt;
    const std::string newLine = std::string(key) + " = " + std::string(value);
    std::string out(kByteOrderMark);
    bool written = false;
    ForEachLine(WithoutByteOrderMark(fileText), [&](std::string_view line) {
        const auto parsed = ParseLine(line);
        if (parsed && EqualsNoCase(parsed->key, key)) {
            if (written) return;  // a later duplicate of the key would shadow nothing: drop it
            out += newLine;
            written = true;
        } else {
            out += line;
        }
        out += '\n';
    });
    if (!written) out += newLine + '\n';
    return out;
}

int64_t ParsePrefInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Accumulate as a negative number so that INT64_MIN fits; saturate on overflow.
    int64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (value < (INT64_MIN + digit) / 10) overflow = true;
        if (!overflow) value = value * 10 - digit;
    }
    if (overflow) return negative ? INT64_MIN : INT64_MAX;
    if (negative) return value;
    return value == INT64_MIN ? INT64_MAX : -value;
}

double ParsePrefReal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    // from_chars takes no leading plus; "+-1" is no number.
    if (i < text.size() && text[i] == '+') {
        ++i;
        if (i < text.size() && text[i] == '-') return 0.0;
    }
    double value = 0.0;
    const auto result = std::from_chars(text.data() + i, text.data() + text.size(), value, std::chars_format::general);
    if (result.ec != std::errc() || !std::isfinite(value)) return 0.0;
    return value;
}

std::string FormatPrefReal(double value) {
    char buffer[400];  // fixed notation of the largest double needs 309 digits + sign + ".xxx"
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3);
    if (result.ec != std::errc()) return "0.000";
    return std::string(buffer, result.ptr);
}

std::string PrefsFilePath(const char* home) {
    std::string folder;
    if (home && *home) {
        folder = std::string(home) + "/." + kFolderName;
    } else {
        std::error_code error;
        const std::filesystem::path current = std::filesystem::current_path(error);
        folder = error ? std::string(kFolderName) : (current / kFolderName).string();
    }
    MakeDirectory(folder);
    return folder + "/" + kFileName;
}

std::string ReadPrefText(const std::string& file, const std::string& key) {
    if (file.empty()) return {};
    try {
        const std::optional<std::string> text = ReadPrefsFile(file);
        if (!text) return {};
        const auto value = FindPrefValue(*text, key);
        return value ? std::string(*value) : std::string();
    } catch (const std::bad_alloc&) {
        return {};
    }
}

int64_t ReadPrefInt(const std::string& file, const std::string& key, int64_t fallback) {
    const std::string text = ReadPrefText(file, key);
    return text.empty() ? fallback : ParsePrefInt(text);
}

double ReadPrefReal(const std::string& file, const std::string& key, double fallback) {
    const std::string text = ReadPrefText(file, key);
    return text.empty() ? fallback : ParsePrefReal(text);
}

std::string ReadPrefFolder(const std::string& file, const std::string& key) {
    std::string folder = ReadPrefText(file, key);
    return IsDirectory(folder) ? folder : std::string();
}

void WritePrefText(const std::string& file, const std::string& key, const std::string& value) {
    if (file.empty()) return;
    try {
        // The folder may have been removed since the path was computed.
        const std::string folder = FolderOf(file);
        if (!folder.empty()) MakeDirectory(folder);
        const std::optional<std::string> text = ReadPrefsFile(file);
        if (!text) return;
        const std::optional<std::string> updated = SetPrefValue(*text, key, value);
        if (!updated) return;
        WriteFileAtomic(file, std::span(reinterpret_cast<const uint8_t*>(updated->data()), updated->size()));
    } catch (const std::bad_alloc&) {
    }
}

void WritePrefInt(const std::string& file, const std::string& key, int64_t value) {
    WritePrefText(file, key, std::to_string(value));
}

void WritePrefReal(const std::string& file, const std::string& key, double value) {
    WritePrefText(file, key, FormatPrefReal(value));
}

void SetDefaultPreferences(Preferences& prefs) { prefs = Preferences{}; }

void ReadPreferences(const std::string& file, Preferences& prefs) {
    SetDefaultPreferences(prefs);
    prefs.rememberWindow = AsFlag(ReadPrefInt(file, "PrefRememberWindow", prefs.rememberWindow));
    prefs.background = ClampToInt(ReadPrefInt(file, "PrefBackground", prefs.background), 0, 3);
    prefs.undoSteps = ClampToInt(ReadPrefInt(file, "PrefUndoSteps", prefs.undoSteps), 2, 200);
    prefs.normalStrength = ReadPrefReal(file, "PrefNormalStrength", prefs.normalStrength);
    if (prefs.normalStrength <= 0.0) prefs.normalStrength = 2.0;
    prefs.hdrFixed = AsFlag(ReadPrefInt(file, "PrefHdrFixed", prefs.hdrFixed));
    prefs.hdrExposure = ReadPrefReal(file, "PrefHdrExposure", prefs.hdrExposure);
    prefs.hdrTone = ClampToInt(ReadPrefInt(file, "PrefHdrTone", prefs.hdrTone), 0, 1);
    prefs.saveFormat = ClampToInt(ReadPrefInt(file, "PrefSaveFormat", prefs.saveFormat), 0, 7);
    prefs.saveSourceFolder = AsFlag(ReadPrefInt(file, "PrefSaveSourceFolder", prefs.saveSourceFolder));
    prefs.warnDataLoss = AsFlag(ReadPrefInt(file, "PrefWarnDataLoss", prefs.warnDataLoss));
    prefs.warnSe1Size = AsFlag(ReadPrefInt(file, "PrefWarnSE1Size", prefs.warnSe1Size));
    prefs.warnClipping = AsFlag(ReadPrefInt(file, "PrefWarnClipping", prefs.warnClipping));
}

void SavePreferences(const std::string& file, const Preferences& prefs) {
    WritePrefInt(file, "PrefRememberWindow", prefs.rememberWindow);
    WritePrefInt(file, "PrefBackground", prefs.background);
    WritePrefInt(file, "PrefUndoSteps", prefs.undoSteps);
    WritePrefReal(file, "PrefNormalStrength", prefs.normalStrength);
    WritePrefInt(file, "PrefHdrFixed", prefs.hdrFixed);
    WritePrefReal(file, "PrefHdrExposure", prefs.hdrExposure);
    WritePrefInt(file, "PrefHdrTone", prefs.hdrTone);
    WritePrefInt(file, "PrefSaveFormat", prefs.saveFormat);
    WritePrefInt(file, "PrefSaveSourceFolder", prefs.saveSourceFolder);
    WritePrefInt(file, "PrefWarnDataLoss", prefs.warnDataLoss);
    WritePrefInt(file, "PrefWarnSE1Size", prefs.warnSe1Size);
    WritePrefInt(file, "PrefWarnClipping", prefs.warnClipping);
}
