#include "app/archive_path.h"

#include <algorithm>

#include "platform/file_io.h"

namespace {
constexpr const char* kSeparator = "::";
}

bool IsArchivePath(const std::string& path) { return path.find(kSeparator) != std::string::npos; }

std::string ArchiveFilePath(const std::string& path) { return path.substr(0, path.find(kSeparator)); }

std::string ArchiveMemberPath(const std::string& path) {
    const auto at = path.find(kSeparator);
    return at == std::string::npos ? std::string() : path.substr(at + 2);
}

std::string LastPathComponent(const std::string& memberPath) {
    std::string normalised = memberPath;
    std::replace(normalised.begin(), normalised.end(), '\\', '/');
    return FileNameOf(normalised);
}

std::string DisplayName(const std::string& path) {
    return IsArchivePath(path) ? LastPathComponent(ArchiveMemberPath(path)) : FileNameOf(path);
}

std::string DisplayLocation(const std::string& path) {
    if (!IsArchivePath(path)) return FolderOf(path);
    const std::string member = ArchiveMemberPath(path);
    const auto lastSeparator = member.find_last_of("/\\");
    const std::string memberFolder = lastSeparator == std::string::npos ? std::string() : member.substr(0, lastSeparator + 1);
    return FileNameOf(ArchiveFilePath(path)) + " : " + memberFolder;
}
