// The machine registry: a tree of keys with named values. Key and value
// names compare without regard to case (ASCII letters) and keep the case they
// were created with; a key name holds at most 255 characters.
//
// The functions keep their Win32 shapes and result codes: 0 success, 2
// missing key or value, 5 delete of a key that has subkeys, 6 bad handle,
// 53 unreachable machine, 87 a null output, a key name over 255 characters
// or an empty name inside a path, 234 value or name does not fit, 259 no
// more items, 1018 the handle's key was deleted. The store adds: 6 also when
// it stayed busy with other writers for seconds (transient, worth a retry),
// 1009 (ERROR_BADDB) for a damaged or foreign database file, 1016 when the
// database cannot be opened at all. Every change is durable when the call
// returns. Access masks are accepted and not enforced.
//
// Thread safety: every function may be called from any thread, and many
// processes may use one registry at once. A handle may be shared between
// threads but must not be used after RegCloseKey.
#pragma once

#include "vekconfig/types.h"

struct VekRegKey;
using HKEY = VekRegKey*;
using PHKEY = HKEY*;
using REGSAM = DWORD;

// Predefined roots; they need no close and closing one is harmless.
// HKEY_CLASSES_ROOT is the view of HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000000u));
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u));

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Null, empty, "localhost" or this host's name (with or without a leading
// "\\") is the local machine; another name needs a store that holds several
// machines, else ERROR_BAD_NETPATH.
VEK_API LSTATUS RegConnectRegistryW(const WCHAR* machine, HKEY root, PHKEY result);
VEK_API LSTATUS RegOpenKeyExW(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access,
                              PHKEY result);
// Creates every missing key on the path, or opens the existing key;
// *disposition (optional) says which.
VEK_API LSTATUS RegCreateKeyExW(HKEY key, const WCHAR* subKey, DWORD reserved, WCHAR* keyClass,
                                DWORD options, REGSAM access, void* security, PHKEY result,
                                DWORD* disposition);
// A null or empty name is the default value. With data too small: 234 and
// the needed size in *size; with no data buffer: 0 and the size.
VEK_API LSTATUS RegQueryValueExW(HKEY key, const WCHAR* valueName, DWORD* reserved, DWORD* type,
                                 BYTE* data, DWORD* size);
// Stores exactly the bytes given, with the type given.
VEK_API LSTATUS RegSetValueExW(HKEY key, const WCHAR* valueName, DWORD reserved, DWORD type,
                               const BYTE* data, DWORD size);
VEK_API LSTATUS RegDeleteValueW(HKEY key, const WCHAR* valueName);
// *nameLength is in characters: in, the buffer; out, the name without its
// terminator. Subkeys come in case-insensitive name order.
VEK_API LSTATUS RegEnumKeyExW(HKEY key, DWORD index, WCHAR* name, DWORD* nameLength,
                              DWORD* reserved, WCHAR* keyClass, DWORD* classLength,
                              FILETIME* lastWrite);
// Value enumeration, in case-insensitive name order.
VEK_API LSTATUS RegEnumValueW(HKEY key, DWORD index, WCHAR* name, DWORD* nameLength,
                              DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize);
// Every output optional.
VEK_API LSTATUS RegQueryInfoKeyW(HKEY key, WCHAR* keyClass, DWORD* classLength, DWORD* reserved,
                                 DWORD* subKeys, DWORD* maxSubKeyLength, DWORD* maxClassLength,
                                 DWORD* values, DWORD* maxValueNameLength, DWORD* maxValueLength,
                                 DWORD* securityDescriptor, FILETIME* lastWrite);
// Deletes one key without subkeys (5 otherwise), with its values.
VEK_API LSTATUS RegDeleteKeyW(HKEY key, const WCHAR* subKey);
VEK_API LSTATUS RegCloseKey(HKEY key);
