#include "platform/event_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "platform/vek_home.h"

namespace vek {
namespace {

LSTATUS Win32FromErrno(int error) {
    switch (error) {
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM: return ERROR_ACCESS_DENIED;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        default: return ERROR_READ_FAULT;
    }
}

int OpenForAppend(const std::filesystem::path& file) {
    return open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
}

std::filesystem::path RotatedName(const std::filesystem::path& file) {
    return std::filesystem::path(file.string() + ".1");
}

// Renames a full file away. Returns a descriptor on the file to append to.
int RotateIfFull(const std::filesystem::path& file, int fd, uint64_t limit) {
    struct stat opened {};
    if (fstat(fd, &opened) != 0 || static_cast<uint64_t>(opened.st_size) < limit) return fd;
    if (flock(fd, LOCK_EX) != 0) return fd;
    struct stat named {};
    // Another writer may have rotated while this one waited for the lock.
    const bool stillCurrent = stat(file.c_str(), &named) == 0 && named.st_ino == opened.st_ino &&
                              named.st_dev == opened.st_dev;
    if (stillCurrent) rename(file.c_str(), RotatedName(file).c_str());
    close(fd);
    return OpenForAppend(file);
}

LSTATUS AppendLinesOf(const std::filesystem::path& file, std::vector<std::string>* lines) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        const int error = errno;
        return error == ENOENT ? ERROR_SUCCESS : Win32FromErrno(error);
    }
    std::string line;
    while (std::getline(in, line)) {
        if (in.eof()) break;  // no newline yet: a line still being written
        lines->push_back(std::move(line));
    }
    if (in.bad()) return ERROR_READ_FAULT;
    return ERROR_SUCCESS;
}

}  // namespace

std::filesystem::path EventFilePath() {
    if (const char* named = std::getenv("VEK_EVENT_LOG"); named != nullptr && *named != 0)
        return named;
    const std::filesystem::path home = VekHome();
    if (home.empty()) return {};
    return home / "events.jsonl";
}

bool AppendEventLine(const std::filesystem::path& file, std::string_view line, uint64_t limit) {
    if (file.empty()) return false;
    int fd = OpenForAppend(file);
    if (fd < 0) return false;
    fd = RotateIfFull(file, fd, limit);
    if (fd < 0) return false;
    // One call per line keeps lines whole between processes; the newline
    // goes out in the same call.
    char newline = '\n';
    iovec parts[2] = {{const_cast<char*>(line.data()), line.size()}, {&newline, 1}};
    const ssize_t written = writev(fd, parts, 2);
    close(fd);
    return written == static_cast<ssize_t>(line.size() + 1);
}

LSTATUS ReadEventLines(const std::filesystem::path& file, std::vector<std::string>* lines) {
    if (const LSTATUS status = AppendLinesOf(RotatedName(file), lines); status != ERROR_SUCCESS)
        return status;
    return AppendLinesOf(file, lines);
}

}  // namespace vek
