#include "registry_tool_support.h"

#include "vekconfig/vekconfig.h"

namespace vekcfg {

bool ParseGuidArgument(const std::string& text, GUID* guid) {
    const std::u16string wide = vek::Utf8ToUtf16(text);
    return SUCCEEDED(CLSIDFromString(wide.c_str(), guid));
}

std::string GuidString(const GUID& guid) {
    WCHAR text[39];
    StringFromGUID2(guid, text, 39);
    return vek::Utf16ToUtf8(text);
}

std::string FieldString(const WCHAR* field, size_t capacity) {
    size_t length = 0;
    while (length < capacity && field[length] != 0) ++length;
    return vek::Utf16ToUtf8(std::u16string_view(field, length));
}

std::string CategoryDescription(const GUID& catid) {
    ICatInformation* information = nullptr;
    if (FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_ALL,
                                IID_ICatInformation, reinterpret_cast<void**>(&information))))
        return "";
    WCHAR* description = nullptr;
    std::string text;
    if (SUCCEEDED(information->GetCategoryDesc(catid, 0x409, &description))) {
        text = vek::Utf16ToUtf8(description);
        CoTaskMemFree(description);
    }
    information->Release();
    return text;
}

}  // namespace vekcfg
