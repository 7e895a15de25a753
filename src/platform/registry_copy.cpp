#include "platform/registry_copy.h"

#include <string>
#include <vector>

#include "platform/machine_name.h"
#include "platform/registry_location.h"
#include "platform/registry_names.h"
#include "vekconfig/registry_migration.h"

namespace vek {
namespace {

LSTATUS CopyValues(RegistryTransaction& from, RegKeyId source, RegistryTransaction& to,
                   RegKeyId target, RegistryCopyCount* count) {
    for (DWORD index = 0;; ++index) {
        std::string name;
        RegValue value;
        LSTATUS status = from.ValueAt(source, index, &name, &value);
        if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (status == ERROR_SUCCESS)
            status = to.PutValue(target, RegName{name, FoldName(name)}, value.type,
                                 value.data.data(), static_cast<DWORD>(value.data.size()));
        if (status != ERROR_SUCCESS) return status;
        ++count->values;
    }
}

LSTATUS CopyTree(RegistryTransaction& from, RegKeyId source, RegistryTransaction& to,
                 RegKeyId target, RegistryCopyCount* count) {
    if (LSTATUS status = CopyValues(from, source, to, target, count); status != ERROR_SUCCESS)
        return status;
    std::vector<std::string> names;
    LSTATUS status =
        from.VisitSubkeys(source, [&](std::string_view name) { names.emplace_back(name); });
    for (const std::string& text : names) {
        if (status != ERROR_SUCCESS) break;
        const RegName name{text, FoldName(text)};
        RegKeyId sourceChild = 0, targetChild = 0;
        status = from.FindSubkey(source, name.folded, &sourceChild);
        if (status != ERROR_SUCCESS) break;
        status = to.FindSubkey(target, name.folded, &targetChild);
        if (status == ERROR_FILE_NOT_FOUND) status = to.AddSubkey(target, name, &targetChild);
        if (status != ERROR_SUCCESS) break;
        ++count->keys;
        status = CopyTree(from, sourceChild, to, targetChild, count);
    }
    return status;
}

}  // namespace

LSTATUS CopyRegistry(RegistryStore& from, RegistryStore& to, RegistryCopyCount* count) {
    RegistryCopyCount copied;
    const LSTATUS status = from.Run(RegTxnKind::kRead, [&](RegistryTransaction& source) {
        return to.Run(RegTxnKind::kWrite, [&](RegistryTransaction& target) {
            copied = RegistryCopyCount{};
            RegKeyId sourceRoot = 0, targetRoot = 0;
            LSTATUS status = source.MachineRoot(kLocalMachine, &sourceRoot);
            if (status == ERROR_SUCCESS) status = target.MachineRoot(kLocalMachine, &targetRoot);
            if (status == ERROR_SUCCESS)
                status = CopyTree(source, sourceRoot, target, targetRoot, &copied);
            return status;
        });
    });
    if (status == ERROR_SUCCESS && count != nullptr) *count = copied;
    return status;
}

}  // namespace vek

LSTATUS VekCopyRegistry(const char* from, const char* to, const char* machine, DWORD* keys,
                        DWORD* values) {
    if (from == nullptr || to == nullptr || *from == 0 || *to == 0)
        return ERROR_INVALID_PARAMETER;
    const std::string source = vek::RegistryLocation(from);
    const std::string target = vek::RegistryLocation(to);
    if (source == target) return ERROR_INVALID_PARAMETER;
    const std::string name =
        machine != nullptr && *machine != 0 ? std::string(machine) : vek::LocalMachineName();
    auto sourceStore = vek::MakeRegistryStore(source, name);
    auto targetStore = vek::MakeRegistryStore(target, name);
    vek::RegistryCopyCount count;
    const LSTATUS status = vek::CopyRegistry(*sourceStore, *targetStore, &count);
    if (status == ERROR_SUCCESS) {
        if (keys != nullptr) *keys = static_cast<DWORD>(count.keys);
        if (values != nullptr) *values = static_cast<DWORD>(count.values);
    }
    return status;
}
