#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

ReadStatus ReadWholeFile(const std::string& path, ByteBuffer& out) {
    out.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ReadStatus::CannotOpen;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return ReadStatus::CannotOpen;
    }
    if (st.st_size <= 0 || !TryResize(out, std::size_t(st.st_size))) {
        close(fd);
        return ReadStatus::EmptyOrTooLarge;
    }
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = read(fd, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += std::size_t(n);
    }
    close(fd);
    if (done == 0) {
        out.clear();
        return ReadStatus::EmptyOrTooLarge;
    }
    out.resize(done);  // the file shrank while we read it: keep what is there
    return ReadStatus::Ok;
}

bool WriteFileAtomic(const std::string& path, std::span<const uint8_t> bytes) {
    std::string tmpl = FolderOf(path) + "." + FileNameOf(path) + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += std::size_t(n);
    }
    // mkstemp makes the file 0600; give it the mode a plain creat() would have.
    const mode_t mask = umask(0);
    umask(mask);
    struct stat existing {};
    const mode_t mode = stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : (0666 & ~mask);
    if (ok && fchmod(fd, mode) != 0) ok = false;
    if (ok && fsync(fd) != 0) ok = false;
    if (close(fd) != 0) ok = false;
    if (ok && rename(name.data(), path.c_str()) != 0) ok = false;
    if (!ok) unlink(name.data());
    return ok;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t FileSize(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return int64_t(st.st_size);
}

bool MakeDirectory(const std::string& path) {
    if (IsDirectory(path)) return true;
    mkdir(path.c_str(), 0755);
    return IsDirectory(path);
}

std::string ToLower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string ToUpper(std::string text) {
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string FileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string LowerExtension(const std::string& path) {
    const std::string name = FileNameOf(path);
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : ToLower(name.substr(dot + 1));
}
