// The archive of a machine's configuration that vekcfg export writes and
// vekcfg import reads (layout in docs/formats.md): registry keys with their
// values, and the files of the configuration root, all as plain bytes.
//
// Thread safety: plain values and pure functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vekcfg {

struct ArchiveValue {
    std::string name;  // UTF-8; empty is the key's default value
    uint32_t type = 0;
    std::string data;  // the value's bytes as the registry holds them
};

struct ArchiveKey {
    std::string path;  // UTF-8, below HKEY_LOCAL_MACHINE, '\' between names
    std::vector<ArchiveValue> values;
};

struct ArchiveFile {
    std::string name;  // a plain file name in the configuration root
    std::string data;
};

struct Archive {
    std::string home;  // VEK_HOME of the machine that wrote it
    std::vector<ArchiveKey> keys;  // parents before their children
    std::vector<ArchiveFile> files;
};

std::string SerializeArchive(const Archive& archive);

// Reads bytes written by SerializeArchive. False, with *error saying what
// and where, for anything else: another header or version, a record cut
// short, a length past the end, a file name with a path in it, bytes after
// the end record. *archive is only complete on success.
bool ParseArchive(std::string_view bytes, Archive* archive, std::string* error);

}  // namespace vekcfg
