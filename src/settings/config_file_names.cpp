#include "settings/config_file_names.h"

#include "foundation/report.h"
#include "settings/settings_key.h"
#include "vekconfig/config_files.h"
#include "vekconfig/settings.h"
#include "vekconfig/text.h"

namespace {

constexpr int kGuidTextSize = 39;  // 38 characters and the terminator

// root + name + extension into out (MAX_PATH characters); E_FAIL with out
// empty when the whole does not fit.
HRESULT ComposeInRoot(const WCHAR* root, const WCHAR* name, const WCHAR* extension, WCHAR* out) {
    out[0] = 0;
    const size_t rootLength = vek::WideLength(root);
    const size_t nameLength = vek::WideLength(name);
    const size_t extensionLength = vek::WideLength(extension);
    if (rootLength + nameLength + extensionLength >= MAX_PATH) return E_FAIL;
    vek::WideCopy(out, MAX_PATH, root);
    vek::WideCopy(out + rootLength, MAX_PATH - rootLength, name);
    vek::WideCopy(out + rootLength + nameLength, MAX_PATH - rootLength - nameLength, extension);
    return S_OK;
}

// The same in the configuration root read now; E_FAIL with out empty when
// it cannot be read.
HRESULT ComposeInConfigRoot(const WCHAR* name, const WCHAR* extension, WCHAR* out) {
    out[0] = 0;
    WCHAR root[vek::kLocationSize];
    if (FAILED(GetConfigLocation(root, nullptr))) return E_FAIL;
    return ComposeInRoot(root, name, extension, out);
}

}  // namespace

namespace vek {

HRESULT ComposeConfigFilePathIn(const WCHAR* root, GUID objectId, WCHAR* out) {
    WCHAR text[kGuidTextSize];
    StringFromGUID2(objectId, text, kGuidTextSize);
    return ComposeInRoot(root, text, u".cfg", out);
}

HRESULT ConfigRootOfWalk::ComposePath(GUID objectId, WCHAR* out) {
    if (!known_ && FAILED(GetConfigLocation(root_, nullptr))) {
        out[0] = 0;
        return E_FAIL;
    }
    known_ = true;
    return ComposeConfigFilePathIn(root_, objectId, out);
}

}  // namespace vek

HRESULT ComposeConfigFilePathname(GUID objectId, WCHAR* out) {
    if (out == nullptr) return E_FAIL;
    // A walk of one object.
    return vek::ConfigRootOfWalk().ComposePath(objectId, out);
}

HRESULT ComposeATTFilePathname(const WCHAR* baseName, WCHAR* out) {
    if (out == nullptr) return E_FAIL;
    if (baseName == nullptr) {
        out[0] = 0;
        return E_FAIL;
    }
    return ComposeInConfigRoot(baseName, u".ATT", out);
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
