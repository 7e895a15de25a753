#include "foundation/report.h"
#include "settings/settings_key.h"
#include "vekconfig/config_files.h"
#include "vekconfig/settings.h"
#include "vekconfig/text.h"

namespace {

constexpr int kGuidTextSize = 39;  // 38 characters and the terminator

// root + name + extension into out (MAX_PATH characters); E_FAIL with out
// empty when the root cannot be read or the whole does not fit.
HRESULT ComposeInRoot(const WCHAR* name, const WCHAR* extension, WCHAR* out) {
    out[0] = 0;
    WCHAR root[vek::kLocationSize];
    if (FAILED(GetConfigLocation(root, nullptr))) return E_FAIL;
    const size_t rootLength = vek::WideLength(root);
    const size_t nameLength = vek::WideLength(name);
    const size_t extensionLength = vek::WideLength(extension);
    if (rootLength + nameLength + extensionLength >= MAX_PATH) return E_FAIL;
    vek::WideCopy(out, MAX_PATH, root);
    vek::WideCopy(out + rootLength, MAX_PATH - rootLength, name);
    vek::WideCopy(out + rootLength + nameLength, MAX_PATH - rootLength - nameLength, extension);
    return S_OK;
}

}  // namespace

HRESULT ComposeConfigFilePathname(GUID objectId, WCHAR* out) {
    if (out == nullptr) return E_FAIL;
    WCHAR text[kGuidTextSize];
    StringFromGUID2(objectId, text, kGuidTextSize);
    return ComposeInRoot(text, u".cfg", out);
}

HRESULT ComposeATTFilePathname(const WCHAR* baseName, WCHAR* out) {
    if (out == nullptr) return E_FAIL;
    if (baseName == nullptr) {
        out[0] = 0;
        return E_FAIL;
    }
    return ComposeInRoot(baseName, u".ATT", out);
}

HRESULT OpenStorage(const WCHAR* name, IStorage* parent, IStorage** out) {
    if (parent == nullptr || out == nullptr) return E_FAIL;
    constexpr DWORD kMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
    if (SUCCEEDED(parent->OpenStorage(name, nullptr, kMode, nullptr, 0, out))) return S_OK;
    if (SUCCEEDED(parent->CreateStorage(name, kMode, 0, 0, out))) return S_OK;
    return E_FAIL;
}

void CLSIDtoChar(const GUID& id, WCHAR* out, int /*length*/) {
    if (out == nullptr) return;
    StringFromGUID2(id, out, kGuidTextSize);
}
