#include "platform/files.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "vekconfig/text.h"

namespace vek {
namespace {

constexpr LSTATUS kGeneralFailure = 1;

}  // namespace

LSTATUS CreateDirectoryW(const WCHAR* path) {
    const std::string name = Utf16ToUtf8(path);
    if (name.empty()) return ERROR_PATH_NOT_FOUND;
    if (mkdir(name.c_str(), 0755) == 0) return ERROR_SUCCESS;
    switch (errno) {
        case EEXIST: return ERROR_ALREADY_EXISTS;
        case ENOENT:
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS: return ERROR_ACCESS_DENIED;
        default: return kGeneralFailure;
    }
}

LSTATUS FindMatchingFiles(const WCHAR* directory, const WCHAR* pattern,
                          std::vector<std::u16string>* names) {
    names->clear();
    const std::string dir = Utf16ToUtf8(directory);
    const std::string glob = Utf16ToUtf8(pattern);
    DIR* stream = opendir(dir.empty() ? "." : dir.c_str());
    if (stream == nullptr) return ERROR_PATH_NOT_FOUND;
    while (const dirent* entry = readdir(stream)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (fnmatch(glob.c_str(), entry->d_name, FNM_CASEFOLD) == 0)
            names->push_back(Utf8ToUtf16(name));
    }
    closedir(stream);
    std::sort(names->begin(), names->end());
    return names->empty() ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
}

LSTATUS FileModificationTime(const WCHAR* path, int64_t* seconds) {
    struct stat status {};
    if (stat(Utf16ToUtf8(path).c_str(), &status) != 0) return ERROR_FILE_NOT_FOUND;
    *seconds = static_cast<int64_t>(status.st_mtim.tv_sec);
    return ERROR_SUCCESS;
}

LSTATUS DeleteFileW(const WCHAR* path) {
    if (unlink(Utf16ToUtf8(path).c_str()) == 0) return ERROR_SUCCESS;
    return errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
}

}  // namespace vek
