#include "discovery/device_models.h"

#include <string_view>

#include "vekconfig/discovery.h"

namespace vek {

namespace {

// Searched in this order; the first found is the device's model.
constexpr const WCHAR* kScsiModels[] = {u"ZRT 4300", u"QS 4350", u"4360", u"4370",
                                        u"QXR Prismachrome"};
constexpr int kPrismachromeModel = 4;
constexpr const WCHAR* kAspiModels[] = {u"Vireo Array 30P", u"Vireo Array 30R"};

bool IsPrinterType(const WCHAR* typeName) {
    const std::u16string_view type(typeName);
    return type == u"OtherPeripheral" || type == u"PrinterPeripheral";
}

// The index of the first model found in the text, or -1.
template <size_t N>
int FirstModelIn(const WCHAR* const (&models)[N], const WCHAR* identification) {
    const std::u16string_view text(identification);
    for (size_t i = 0; i < N; ++i)
        if (text.find(models[i]) != std::u16string_view::npos) return static_cast<int>(i);
    return -1;
}

}  // namespace

DeviceSearch SearchFor(const GUID& deviceClass) {
    if (deviceClass == CLSID_VekPrintQueueDevices) return DeviceSearch::kPrintQueues;
    if (deviceClass == CLSID_VekAspiArrayDevices) return DeviceSearch::kAspi;
    return DeviceSearch::kScsi;
}

const WCHAR* ScsiModelFor(const GUID& deviceClass, const WCHAR* typeName,
                          const WCHAR* identification) {
    if (!IsPrinterType(typeName)) return nullptr;
    const int model = FirstModelIn(kScsiModels, identification);
    if (model < 0) return nullptr;
    if (deviceClass == CLSID_VekScsiPrinterDevices && model < kPrismachromeModel)
        return kScsiModels[model];
    if (deviceClass == CLSID_VekPrismachromeDevices && model == kPrismachromeModel)
        return kScsiModels[model];
    return nullptr;
}

const WCHAR* AspiModelFor(int logicalUnit, const WCHAR* typeName, const WCHAR* identification) {
    if (!IsPrinterType(typeName) || logicalUnit != 0) return nullptr;
    const int model = FirstModelIn(kAspiModels, identification);
    return model < 0 ? nullptr : kAspiModels[model];
}

}  // namespace vek
