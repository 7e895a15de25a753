#include "platform/store_registry.h"

#include <algorithm>
#include <cstring>

#include "platform/machine_name.h"
#include "platform/registry_names.h"
#include "vekconfig/text.h"

namespace vek {
namespace {

using Base = KeyRef::Base;

const std::vector<RegName>& ClassesPath() {
    static const std::vector<RegName> path = {{"SOFTWARE", "SOFTWARE"}, {"Classes", "CLASSES"}};
    return path;
}

// Follows names down from `from`; with create, adds the keys that are
// missing. *created (optional) says whether the last key was added.
LSTATUS Walk(RegistryTransaction& txn, RegKeyId from, const std::vector<RegName>& names,
             bool create, RegKeyId* out, bool* created) {
    RegKeyId at = from;
    bool added = false;
    for (const RegName& name : names) {
        RegKeyId next = 0;
        LSTATUS status = txn.FindSubkey(at, name.folded, &next);
        added = false;
        if (status == ERROR_FILE_NOT_FOUND && create) {
            status = txn.AddSubkey(at, name, &next);
            added = true;
        }
        if (status != ERROR_SUCCESS) return status;
        at = next;
    }
    *out = at;
    if (created != nullptr) *created = added;
    return ERROR_SUCCESS;
}

// The key a handle names; the classes view is created on demand when create.
LSTATUS BaseKey(RegistryTransaction& txn, const KeyRef& ref, bool create, RegKeyId* id) {
    if (ref.base == Base::kKey) {
        *id = ref.key;
        return ERROR_SUCCESS;
    }
    RegKeyId root = 0;
    if (LSTATUS status = txn.MachineRoot(ref.machine, &root); status != ERROR_SUCCESS)
        return status;
    if (ref.base == Base::kMachineRoot) {
        *id = root;
        return ERROR_SUCCESS;
    }
    return Walk(txn, root, ClassesPath(), create, id, nullptr);
}

// Something missing below a handle whose own key was deleted meanwhile is
// reported as the deletion.
LSTATUS MissingOrDeleted(RegistryTransaction& txn, const KeyRef& ref, LSTATUS status) {
    if ((status == ERROR_FILE_NOT_FOUND || status == ERROR_NO_MORE_ITEMS) &&
        ref.base == Base::kKey) {
        if (LSTATUS check = txn.CheckKey(ref.key); check != ERROR_SUCCESS) return check;
    }
    return status;
}

// The key named by a handle and a path below it.
LSTATUS Locate(RegistryTransaction& txn, const KeyRef& ref, const std::vector<RegName>& names,
               bool create, RegKeyId* id, bool* created) {
    RegKeyId base = 0;
    LSTATUS status = BaseKey(txn, ref, create, &base);
    // Nothing is added below a key that is gone.
    if (status == ERROR_SUCCESS && ref.base == Base::kKey && (names.empty() || create))
        status = txn.CheckKey(base);
    if (status == ERROR_SUCCESS) status = Walk(txn, base, names, create, id, created);
    return MissingOrDeleted(txn, ref, status);
}

// The key a handle names, which must still exist.
LSTATUS LiveBaseKey(RegistryTransaction& txn, const KeyRef& ref, bool create, RegKeyId* id) {
    return Locate(txn, ref, {}, create, id, nullptr);
}

// The key an enumeration walks; a classes view not made yet has no items.
LSTATUS ListedKey(RegistryTransaction& txn, const KeyRef& ref, RegKeyId* id) {
    const LSTATUS status = BaseKey(txn, ref, false, id);
    if (status == ERROR_FILE_NOT_FOUND && ref.base == Base::kClassesRoot)
        return ERROR_NO_MORE_ITEMS;
    return status;
}

// Copies value data into a caller's buffer following the query rules: no
// size, nothing; no buffer, the size; too small, ERROR_MORE_DATA and the size.
LSTATUS CopyDataOut(const std::vector<BYTE>& value, BYTE* data, DWORD* size) {
    if (size == nullptr) return ERROR_SUCCESS;
    const auto needed = static_cast<DWORD>(value.size());
    if (data != nullptr && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr && needed != 0) std::memcpy(data, value.data(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

}  // namespace

StoreRegistry::StoreRegistry(std::unique_ptr<RegistryStore> store) : store_(std::move(store)) {}

LSTATUS StoreRegistry::ConnectRegistry(const WCHAR* machine, HKEY root, PHKEY result) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (root != HKEY_LOCAL_MACHINE && root != HKEY_CLASSES_ROOT) return ERROR_INVALID_HANDLE;
    KeyRef ref;
    ref.base = root == HKEY_LOCAL_MACHINE ? Base::kMachineRoot : Base::kClassesRoot;
    if (!IsLocalMachineName(machine)) {
        if (LSTATUS status = store_->ConnectMachine(BareMachineName(machine), &ref.machine);
            status != ERROR_SUCCESS)
            return status;
    }
    *result = handles_.Add(ref);
    return ERROR_SUCCESS;
}

LSTATUS StoreRegistry::OpenKey(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access,
                               PHKEY result) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    KeyRef ref;
    if (LSTATUS status = handles_.Find(key, &ref); status != ERROR_SUCCESS) return status;
    std::vector<RegName> names;
    if (LSTATUS status = ParseKeyPath(subKey, &names); status != ERROR_SUCCESS) return status;
    if (names.empty() && (key == HKEY_LOCAL_MACHINE || key == HKEY_CLASSES_ROOT)) {
        *result = key;
        return ERROR_SUCCESS;
    }
    if (names.empty() && ref.base != Base::kKey) {
        *result = handles_.Add(ref);
        return ERROR_SUCCESS;
    }
    RegKeyId id = 0;
    const LSTATUS status = store_->Run(RegTxnKind::kRead, [&](RegistryTransaction& txn) {
        return Locate(txn, ref, names, false, &id, nullptr);
    });
    if (status != ERROR_SUCCESS) return status;
    *result = handles_.Add(KeyRef{ref.machine, Base::kKey, id});
    return ERROR_SUCCESS;
}

LSTATUS StoreRegistry::CreateKey(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access,
                                 PHKEY result, DWORD* disposition) {
    if (result == nullptr || subKey == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (options != REG_OPTION_NON_VOLATILE) return ERROR_INVALID_PARAMETER;
    // An existing key is opened without taking the store's write lock.
    LSTATUS status = OpenKey(key, subKey, 0, access, result);
    if (status == ERROR_SUCCESS) {
        if (disposition != nullptr) *disposition = REG_OPENED_EXISTING_KEY;
        return status;
    }
    if (status != ERROR_FILE_NOT_FOUND) return status;
    KeyRef ref;
    if (status = handles_.Find(key, &ref); status != ERROR_SUCCESS) return status;
    std::vector<RegName> names;
    if (status = ParseKeyPath(subKey, &names); status != ERROR_SUCCESS) return status;
    RegKeyId id = 0;
    bool created = false;
    status = store_->Run(RegTxnKind::kWrite, [&](RegistryTransaction& txn) {
        return Locate(txn, ref, names, true, &id, &created);
    });
    if (status != ERROR_SUCCESS) return status;
    *result = handles_.Add(KeyRef{ref.machine, Base::kKey, id});
    if (disposition != nullptr)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LSTATUS StoreRegistry::QueryValue(HKEY key, const WCHAR* valueName, DWORD* type, BYTE* data,
                                  DWORD* size) {
    if (data != nullptr && size == nullptr) return ERROR_INVALID_PARAMETER;
    KeyRef ref;
    if (LSTATUS status = handles_.Find(key, &ref); status != ERROR_SUCCESS) return status;
    RegName name;
    if (LSTATUS status = ParseValueName(valueName, &name); status != ERROR_SUCCESS) return status;
    RegValue value;
    const LSTATUS status = store_->Run(RegTxnKind::kRead, [&](RegistryTransaction& txn) {
        RegKeyId id = 0;
        LSTATUS found = BaseKey(txn, ref, false, &id);
        if (found == ERROR_SUCCESS) found = txn.GetValue(id, name.folded, &value);
        return MissingOrDeleted(txn, ref, found);
    });
    if (status != ERROR_SUCCESS) return status;
    if (type != nullptr) *type = value.type;
    return CopyDataOut(value.data, data, size);
}

LSTATUS StoreRegistry::SetValue(HKEY key, const WCHAR* valueName, DWORD type, const BYTE* data,
                                DWORD size) {
    if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
    KeyRef ref;
    if (LSTATUS status = handles_.Find(key, &ref); status != ERROR_SUCCESS) return status;
    RegName name;
    if (LSTATUS status = ParseValueName(valueName, &name); status != ERROR_SUCCESS) return status;
    return store_->Run(RegTxnKind::kWrite, [&](RegistryTransaction& txn) {
        RegKeyId id = 0;
        LSTATUS status = LiveBaseKey(txn, ref, true, &id);
        if (status != ERROR_SUCCESS) return status;
        return txn.PutValue(id, name, type, data, size);
    });
}

LSTATUS StoreRegistry::DeleteValue(HKEY key, const WCHAR* valueName) {
    KeyRef ref;
    if (LSTATUS status = handles_.Find(key, &ref); status != ERROR_SUCCESS) return status;
    RegName name;
    if (LSTATUS status = ParseValueName(valueName, &name); status != ERROR_SUCCESS) return status;
    return store_->Run(RegTxnKind::kWrite, [&](RegistryTransaction& txn) {
        RegKeyId id = 0;
        LSTATUS status = BaseKey(txn, ref, false, &id);
        if (status == ERROR_SUCCESS) status = txn.RemoveValue(id, name.folded);
        return MissingOrDeleted(txn, ref, status);
    });
}

LSTATUS StoreRegistry::EnumKey(HKEY key, DWORD index, WCHAR* name, DWORD* nameLength) {
    if (name == nullptr || nameLength == nullptr) return ERROR_INVALID_PARAMETER;
    KeyRef ref;
    if (LSTATUS status = handles_.Find(key, &ref); status != ERROR_SUCCESS) return status;
    // A walk asking for the index after the one it last got goes on from that
    // name: counting from the first subkey at each index makes a walk
    // quadratic. Keys added or deleted meanwhile are then neither repeated
    // nor skipped.
    WalkMark last;
    const bool follows = index > 0 && handles_.FindMark(key, &last) && last.index + 1 == index;
    RegName found;
    RegKeyId walked = 0;
    const LSTATUS status = store_->Run(RegTxnKind::kRead, [&](RegistryTransaction& txn) {
        LSTATUS status = ListedKey(txn, ref, &walked);
        if (status == ERROR_SUCCESS)
            status = follows && last.key == walked ? txn.SubkeyAfter(walked, last.folded, &found)
                                                   : txn.SubkeyAt(walked, index, &found);
        return MissingOrDeleted(txn, ref, status);
    });
    if (status != ERROR_SUCCESS) return status;
    handles_.SetMark(key, WalkMark{walked, index, found.folded});
    return CopyNameOut(found.text, name, nameLength);
}

LSTATUS StoreRegistry::ListSubkeys(HKEY key, std::vector<std::u16string>* names) {
    names->clear();
    KeyRef ref;
    if (LSTATUS status = handles_.Find(key, &ref); status != ERROR_SUCCESS) return status;
    std::vector<std::string> found;
    const LSTATUS status = store_->Run(RegTxnKind::kRead, [&](RegistryTransaction& txn) {
        found.clear();
        RegKeyId id = 0;
        const LSTATUS status = LiveBaseKey(txn, ref, false, &id);
        if (status == ERROR_FILE_NOT_FOUND && ref.base == Base::kClassesRoot) return ERROR_SUCCESS;
        if (status != ERROR_SUCCESS) return status;
        return txn.VisitSubkeys(id, [&](std::string_view name) { found.emplace_back(name); });
    });
    if (status != ERROR_SUCCESS) return status;
    names->reserve(found.size());
    for (const std::string& name : found) names->push_back(Utf8ToUtf16(name));
    return ERROR_SUCCESS;
}

LSTATUS StoreRegistry::EnumValue(HKEY key, DWORD index, WCHAR* name, DWORD* nameLength,
                                 DWORD* type, BYTE* data, DWORD* dataSize) {
    if (name == nullptr || nameLength == nullptr || (data != nullptr && dataSize == nullptr))
        return ERROR_INVALID_PARAMETER;
    KeyRef ref;
    if (LSTATUS status = handles_.Find(key, &ref); status != ERROR_SUCCESS) return status;
    std::string found;
    RegValue value;
    const LSTATUS status = store_->Run(RegTxnKind::kRead, [&](RegistryTransaction& txn) {
        RegKeyId id = 0;
        LSTATUS status = ListedKey(txn, ref, &id);
        if (status == ERROR_SUCCESS) status = txn.ValueAt(id, index, &found, &value);
        return MissingOrDeleted(txn, ref, status);
    });
    if (status != ERROR_SUCCESS) return status;
    if (LSTATUS copied = CopyNameOut(found, name, nameLength); copied != ERROR_SUCCESS)
        return copied;
    if (type != nullptr) *type = value.type;
    return CopyDataOut(value.data, data, dataSize);
}

LSTATUS StoreRegistry::QueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLength,
                                    DWORD* values, DWORD* maxValueNameLength,
                                    DWORD* maxValueLength) {
    KeyRef ref;
    if (LSTATUS status = handles_.Find(key, &ref); status != ERROR_SUCCESS) return status;
    struct Info {
        size_t subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxValue = 0;
    } info;
    const LSTATUS status = store_->Run(RegTxnKind::kRead, [&](RegistryTransaction& txn) {
        info = Info{};
        RegKeyId id = 0;
        LSTATUS status = LiveBaseKey(txn, ref, false, &id);
        if (status == ERROR_FILE_NOT_FOUND && ref.base == Base::kClassesRoot)
            return ERROR_SUCCESS;
        if (status == ERROR_SUCCESS)
            status = txn.VisitSubkeys(id, [&](std::string_view name) {
                ++info.subKeys;
                // Measured only when asked for: a walk counts a thousand keys.
                if (maxSubKeyLength != nullptr) info.maxSubKey = std::max(info.maxSubKey, WideNameLength(name));
            });
        if (status == ERROR_SUCCESS)
            status = txn.VisitValues(id, [&](std::string_view name, size_t size) {
                ++info.values;
                info.maxValueName = std::max(info.maxValueName, WideNameLength(name));
                info.maxValue = std::max(info.maxValue, size);
            });
        return status;
    });
    if (status != ERROR_SUCCESS) return status;
    if (subKeys != nullptr) *subKeys = static_cast<DWORD>(info.subKeys);
    if (maxSubKeyLength != nullptr) *maxSubKeyLength = static_cast<DWORD>(info.maxSubKey);
    if (values != nullptr) *values = static_cast<DWORD>(info.values);
    if (maxValueNameLength != nullptr) *maxValueNameLength = static_cast<DWORD>(info.maxValueName);
    if (maxValueLength != nullptr) *maxValueLength = static_cast<DWORD>(info.maxValue);
    return ERROR_SUCCESS;
}

LSTATUS StoreRegistry::DeleteKey(HKEY key, const WCHAR* subKey) {
    if (subKey == nullptr) return ERROR_INVALID_PARAMETER;
    KeyRef ref;
    if (LSTATUS status = handles_.Find(key, &ref); status != ERROR_SUCCESS) return status;
    std::vector<RegName> names;
    if (LSTATUS status = ParseKeyPath(subKey, &names); status != ERROR_SUCCESS) return status;
    // A root or the classes view itself is never deleted.
    if (names.empty() && ref.base != Base::kKey) return ERROR_ACCESS_DENIED;
    return store_->Run(RegTxnKind::kWrite, [&](RegistryTransaction& txn) {
        RegKeyId id = 0;
        LSTATUS status = Locate(txn, ref, names, false, &id, nullptr);
        if (status != ERROR_SUCCESS) return status;
        bool hasSubkeys = false;
        if (status = txn.HasSubkeys(id, &hasSubkeys); status != ERROR_SUCCESS) return status;
        if (hasSubkeys) return ERROR_ACCESS_DENIED;
        return txn.RemoveKey(id);
    });
}

LSTATUS StoreRegistry::CloseKey(HKEY key) { return handles_.Remove(key); }

}  // namespace vek
