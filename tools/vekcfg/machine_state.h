// The whole configuration of this machine as an Archive: the installation
// settings and the class root in the registry, and the object, model and
// catalog files of the configuration root.
#pragma once

#include <string>

#include "archive.h"

namespace vekcfg {

// The registry trees an archive carries, below HKEY_LOCAL_MACHINE.
inline constexpr const char16_t* kArchivedTrees[] = {u"SOFTWARE\\Norvane\\VekConfiguration",
                                                    u"SOFTWARE\\Classes"};

// Reads the machine's configuration. False with *error on the first failure.
bool CaptureMachine(Archive* archive, std::string* error);

// Makes the machine's configuration that of archive: directory settings
// under the archive's home are moved to this machine's VEK_HOME, the
// archived registry trees are replaced, and the configuration root is
// replaced by a directory staged beside it, switched in by rename. When a
// step fails, the registry trees and the directory are put back as they
// were. False with *error on failure.
bool ApplyMachine(const Archive& archive, std::string* error);

}  // namespace vekcfg
