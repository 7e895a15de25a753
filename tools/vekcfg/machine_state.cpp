#include "machine_state.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "vekconfig/vekconfig.h"

namespace vekcfg {
namespace {

namespace fs = std::filesystem;

std::string ThisHome() {
    const char* home = std::getenv("VEK_HOME");
    return home != nullptr ? home : "";
}

std::string Status(LSTATUS status) { return "registry error " + std::to_string(status); }

bool CaptureKey(HKEY parent, const std::u16string& path, const std::u16string& name,
                Archive* archive, std::string* error) {
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, &key);
    if (status == ERROR_FILE_NOT_FOUND) return true;
    if (status != ERROR_SUCCESS) {
        *error = "cannot open " + vek::Utf16ToUtf8(path) + " (" + Status(status) + ")";
        return false;
    }
    ArchiveKey record;
    record.path = vek::Utf16ToUtf8(path);
    DWORD maxName = 0, maxData = 0;
    status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              &maxName, &maxData, nullptr, nullptr);
    std::vector<WCHAR> valueName(maxName + 1);
    std::vector<BYTE> data(maxData + 1);
    for (DWORD index = 0; status == ERROR_SUCCESS; ++index) {
        DWORD nameLength = static_cast<DWORD>(valueName.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        status = RegEnumValueW(key, index, valueName.data(), &nameLength, nullptr, &type,
                               data.data(), &dataSize);
        if (status == ERROR_SUCCESS)
            record.values.push_back({vek::Utf16ToUtf8(std::u16string_view(valueName.data(), nameLength)),
                                     type, std::string(data.begin(), data.begin() + dataSize)});
    }
    archive->keys.push_back(std::move(record));
    WCHAR child[256];
    for (DWORD index = 0; status == ERROR_NO_MORE_ITEMS || status == ERROR_SUCCESS; ++index) {
        DWORD length = 256;
        status = RegEnumKeyExW(key, index, child, &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) break;
        const std::u16string childName(child, length);
        if (!CaptureKey(key, path + u"\\" + childName, childName, archive, error)) {
            RegCloseKey(key);
            return false;
        }
    }
    RegCloseKey(key);
    if (status != ERROR_NO_MORE_ITEMS) {
        *error = "cannot read " + vek::Utf16ToUtf8(path) + " (" + Status(status) + ")";
        return false;
    }
    return true;
}

bool ConfigRoot(fs::path* root, std::string* error) {
    WCHAR text[MAX_PATH];
    if (FAILED(GetConfigLocation(text, nullptr))) {
        *error = "cannot read the configuration root setting";
        return false;
    }
    std::string utf8 = vek::Utf16ToUtf8(text);
    while (utf8.size() > 1 && utf8.back() == '/') utf8.pop_back();
    *root = utf8;
    return true;
}

// The files an archive carries: objects, catalogs (".cfg") and printer
// models (".att"), in name order.
bool IsArchivedFile(const fs::directory_entry& entry) {
    if (!entry.is_regular_file()) return false;
    std::string extension = entry.path().extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".cfg" || extension == ".att";
}

bool CaptureFiles(Archive* archive, std::string* error) {
    fs::path root;
    if (!ConfigRoot(&root, error)) return false;
    std::error_code code;
    if (!fs::exists(root, code)) return true;
    for (const auto& entry : fs::directory_iterator(root, code)) {
        if (!IsArchivedFile(entry)) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        ArchiveFile file{entry.path().filename().string(),
                         std::string(std::istreambuf_iterator<char>(in), {})};
        if (!in.good() && !in.eof()) {
            *error = "cannot read " + entry.path().string();
            return false;
        }
        archive->files.push_back(std::move(file));
    }
    if (code) {
        *error = "cannot list " + root.string() + ": " + code.message();
        return false;
    }
    std::sort(archive->files.begin(), archive->files.end(),
              [](const ArchiveFile& a, const ArchiveFile& b) { return a.name < b.name; });
    return true;
}

LSTATUS DeleteTree(HKEY parent, const std::u16string& name) {
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExW(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    WCHAR child[256];
    for (;;) {
        DWORD length = 256;
        status = RegEnumKeyExW(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) break;
        status = DeleteTree(key, std::u16string(child, length));
        if (status != ERROR_SUCCESS) break;
    }
    RegCloseKey(key);
    if (status != ERROR_NO_MORE_ITEMS) return status;
    return RegDeleteKeyW(parent, name.c_str());
}

bool WriteTrees(const Archive& archive, std::string* error) {
    for (const char16_t* tree : kArchivedTrees) {
        const LSTATUS status = DeleteTree(HKEY_LOCAL_MACHINE, tree);
        if (status != ERROR_SUCCESS) {
            *error = "cannot clear " + vek::Utf16ToUtf8(tree) + " (" + Status(status) + ")";
            return false;
        }
    }
    for (const auto& record : archive.keys) {
        HKEY key = nullptr;
        LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, vek::Utf8ToUtf16(record.path).c_str(),
                                         0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        for (size_t i = 0; status == ERROR_SUCCESS && i < record.values.size(); ++i) {
            const auto& value = record.values[i];
            status = RegSetValueExW(key, vek::Utf8ToUtf16(value.name).c_str(), 0, value.type,
                                    reinterpret_cast<const BYTE*>(value.data.data()),
                                    static_cast<DWORD>(value.data.size()));
        }
        if (key != nullptr) RegCloseKey(key);
        if (status != ERROR_SUCCESS) {
            *error = "cannot write " + record.path + " (" + Status(status) + ")";
            return false;
        }
    }
    return true;
}

bool InArchivedTree(const std::string& path) {
    const std::u16string wide = vek::Utf8ToUtf16(path);
    for (const char16_t* tree : kArchivedTrees) {
        const std::u16string_view root(tree);
        if (wide.size() >= root.size() && vek::WideEqualsIgnoreCase(wide.substr(0, root.size()), root) &&
            (wide.size() == root.size() || wide[root.size()] == u'\\'))
            return true;
    }
    return false;
}

// Text values that name a place under the archive's home name the same
// place under this machine's home.
Archive Rebased(const Archive& archive) {
    Archive out = archive;
    const std::u16string from = vek::Utf8ToUtf16(archive.home);
    const std::u16string to = vek::Utf8ToUtf16(ThisHome());
    if (from.empty() || to.empty() || from == to) return out;
    for (auto& key : out.keys) {
        for (auto& value : key.values) {
            if ((value.type != REG_SZ && value.type != REG_EXPAND_SZ) || value.data.size() % 2 != 0)
                continue;
            std::u16string text(value.data.size() / 2, u'\0');
            std::copy(value.data.begin(), value.data.end(), reinterpret_cast<char*>(text.data()));
            if (text.rfind(from + u"/", 0) != 0) continue;
            text = to + text.substr(from.size());
            value.data.assign(reinterpret_cast<const char*>(text.data()), text.size() * 2);
        }
    }
    return out;
}

// The archive's files, beside copies of whatever else the current root holds.
bool StageFiles(const Archive& archive, const fs::path& root, const fs::path& stage,
                std::string* error) {
    std::error_code code;
    fs::create_directories(stage.parent_path(), code);
    if (code || !fs::create_directory(stage, code)) {
        *error = "cannot make " + stage.string() + ": " + (code ? code.message() : "it exists");
        return false;
    }
    if (fs::exists(root, code)) {
        for (const auto& entry : fs::directory_iterator(root, code)) {
            if (IsArchivedFile(entry)) continue;
            fs::copy(entry.path(), stage / entry.path().filename(),
                     fs::copy_options::recursive | fs::copy_options::copy_symlinks, code);
            if (code) break;
        }
    }
    if (code) {
        *error = "cannot copy the other files of " + root.string() + ": " + code.message();
        return false;
    }
    for (const auto& file : archive.files) {
        std::ofstream out(stage / file.name, std::ios::binary | std::ios::trunc);
        out.write(file.data.data(), static_cast<std::streamsize>(file.data.size()));
        out.close();
        if (!out) {
            *error = "cannot write " + (stage / file.name).string();
            return false;
        }
    }
    return true;
}

// Moves stage to root, keeping what was at root in previous until the end.
bool SwitchIn(const fs::path& stage, const fs::path& root, const fs::path& previous,
              std::string* error) {
    std::error_code code;
    const bool hadRoot = fs::exists(root, code);
    if (hadRoot) fs::rename(root, previous, code);
    if (!code) fs::rename(stage, root, code);
    if (code) {
        *error = "cannot switch " + root.string() + " to the imported files: " + code.message();
        std::error_code ignored;
        if (hadRoot && !fs::exists(root, ignored)) fs::rename(previous, root, ignored);
        return false;
    }
    fs::remove_all(previous, code);
    return true;
}

}  // namespace

bool CaptureMachine(Archive* archive, std::string* error) {
    *archive = Archive{};
    archive->home = ThisHome();
    fs::path root;  // settles the configuration root (written on first use)
    if (!ConfigRoot(&root, error)) return false;
    for (const char16_t* tree : kArchivedTrees)
        if (!CaptureKey(HKEY_LOCAL_MACHINE, tree, tree, archive, error)) return false;
    return CaptureFiles(archive, error);
}

bool ApplyMachine(const Archive& archive, std::string* error) {
    for (const auto& key : archive.keys) {
        if (!InArchivedTree(key.path)) {
            *error = "the archive names a registry key outside the configuration: " + key.path;
            return false;
        }
    }
    Archive before;
    if (!CaptureMachine(&before, error)) return false;
    if (!WriteTrees(Rebased(archive), error)) {
        std::string ignored;
        WriteTrees(before, &ignored);
        return false;
    }
    fs::path root;
    bool done = ConfigRoot(&root, error);
    const std::string suffix = std::to_string(getpid());
    const fs::path stage = root.string() + ".import-" + suffix;
    if (done) done = StageFiles(archive, root, stage, error);
    if (done) done = SwitchIn(stage, root, root.string() + ".previous-" + suffix, error);
    if (!done) {
        std::error_code ignored;
        fs::remove_all(stage, ignored);
        std::string alsoIgnored;
        WriteTrees(before, &alsoIgnored);
    }
    return done;
}

}  // namespace vekcfg
