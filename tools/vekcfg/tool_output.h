// Shared pieces of the tool's commands: one-line errors and what is wrong
// with the registry.
#pragma once

#include <string>

#include "vekconfig/types.h"

namespace vekcfg {

// Prints "vekcfg: <command>: <message>" to stderr and returns 1, the exit
// status of a failed command.
int Fail(const char* command, const std::string& message);
// Prints usage trouble the same way and returns 2.
int Usage(const char* command, const std::string& message);

// What is wrong with the registry as this tool can see it: "" when its
// database opens and reads, else a sentence naming the database and the
// trouble (damaged, unreadable, ...).
std::string DescribeRegistryTrouble();

// A status as 0xXXXXXXXX.
std::string StatusString(HRESULT status);
// A failed open or read of a compound file in words ("no such file", "not a
// compound file", ...), with the status.
std::string StorageStatusText(HRESULT status);
// A new random (version 4) GUID.
GUID NewGuid();

}  // namespace vekcfg
