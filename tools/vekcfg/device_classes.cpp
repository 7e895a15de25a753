#include "device_classes.h"

namespace vekcfg {

const DeviceClass* FindClass(const std::string& text, DeviceClass& custom) {
    for (const DeviceClass& deviceClass : kClasses)
        if (text == deviceClass.name) return &deviceClass;
    const std::u16string wide = vek::Utf8ToUtf16(text);
    CLSID id;
    if (FAILED(CLSIDFromString(wide.c_str(), &id))) return nullptr;
    for (const DeviceClass& deviceClass : kClasses)
        if (deviceClass.id == id) return &deviceClass;
    custom = {"other", id, "no device models"};
    return &custom;
}

}  // namespace vekcfg
