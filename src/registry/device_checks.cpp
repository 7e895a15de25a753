// Whether a physical printer is already configured for a device: by address
// text and kind, by SCSI numbers or by ASPI numbers.
#include <cstring>
#include <functional>

#include "registry/registry_paths.h"
#include "foundation/report.h"
#include "vekconfig/discovery.h"
#include "vekconfig/object_registry.h"
#include "vekconfig/objectconfig.h"
#include "settings/open_with_retry.h"
#include "vekconfig/text.h"

namespace {

using MatchRule = std::function<bool(const VEK_PHYSICAL_PRINTER_CONFIG_DATA&)>;

// How a search treats a class without a "Devices" key.
enum class MissingDevices { kFailure, kNotConfigured };

// Walks the class's objects in key order; the first physical printer that
// matches and whose common record can be read is handed back.
HRESULT FindDevice(REFCLSID clsid, const MatchRule& matches, MissingDevices missing,
                   const char16_t* openContext, int& configured, BROKER_PRINTER_INFO& found) {
    configured = 0;
    const auto sharedReads = vek::ShareWalkReads();
    vek::ScopedKey devices;
    const LSTATUS status = VekOpenRegKeyWithRetry(
        HKEY_CLASSES_ROOT, vek::DevicesKeyPath(clsid).c_str(), 0, KEY_READ, devices.put());
    if (status == ERROR_FILE_NOT_FOUND && missing == MissingDevices::kNotConfigured) return S_OK;
    if (status != ERROR_SUCCESS) {
        vek::ReportError(openContext, status);
        return E_FAIL;
    }
    CVekObjectConfig config;
    VEK_PHYSICAL_PRINTER_CONFIG_DATA printer;
    VEK_COMMON_CONFIG_DATA common;
    vek::ConfigRootOfWalk root;
    for (DWORD index = 0;; ++index) {
        GUID objectID = GUID_NULL;
        const LSTATUS enumerated = vek::EnumObjectID(devices.get(), index, objectID);
        if (enumerated == ERROR_NO_MORE_ITEMS) return S_OK;
        if (enumerated != ERROR_SUCCESS) return E_FAIL;
        if (FAILED(vek::OpenObjectOfWalk(config, root, objectID)) ||
            FAILED(config.GetPhysicalPrinterConfig(&printer)))
            continue;
        if (!matches(printer) || FAILED(config.GetVekObjectConfig(&common))) continue;
        std::memset(&found, 0, sizeof(found));
        found.ObjectID = objectID;
        vek::WideCopy(found.Description, VEK_TEXT_CHARS, common.UserDescription);
        vek::WideCopy(found.DeviceAddress, VEK_TEXT_CHARS, printer.DeviceAddress);
        found.DeviceAddressKind = printer.DeviceAddressKind;
        configured = 1;
        return S_OK;
    }
}

// The stored address as a terminated string, whatever the record holds.
std::u16string AddressOf(const VEK_PHYSICAL_PRINTER_CONFIG_DATA& printer) {
    size_t length = 0;
    while (length < VEK_TEXT_CHARS && printer.DeviceAddress[length] != 0) ++length;
    return std::u16string(printer.DeviceAddress, length);
}

}  // namespace

HRESULT VerifyDeviceIsConfiguredByAddress(REFCLSID clsid, const WCHAR* address,
                                          VEK_DEVICE_ADDRESS kind, int& configured,
                                          BROKER_PRINTER_INFO& found) {
    const std::u16string wanted(address != nullptr ? address : u"");
    const MatchRule sameAddress = [&](const VEK_PHYSICAL_PRINTER_CONFIG_DATA& printer) {
        return AddressOf(printer) == wanted && printer.DeviceAddressKind == kind;
    };
    return FindDevice(clsid, sameAddress, MissingDevices::kFailure,
                      u"VerifyDeviceIsConfiguredByAddress-->VekOpenRegKeyWithRetry", configured,
                      found);
}

HRESULT VerifySCSIDeviceIsConfigured(REFCLSID clsid, int port, int bus, int target, int lun,
                                     int& configured, BROKER_PRINTER_INFO& found) {
    const MatchRule sameNumbers = [&](const VEK_PHYSICAL_PRINTER_CONFIG_DATA& printer) {
        int p = 0, b = 0, t = 0, l = 0;
        const std::u16string text = AddressOf(printer);
        return SUCCEEDED(wcstoSCSI(text.c_str(), p, b, t, l)) && p == port && b == bus &&
               t == target && l == lun && printer.DeviceAddressKind == VEK_ADDRESS_SCSI;
    };
    return FindDevice(clsid, sameNumbers, MissingDevices::kNotConfigured,
                      u"VerifySCSIDeviceIsConfigured-->VekOpenRegKeyWithRetry", configured, found);
}

HRESULT VerifyASPIDeviceIsConfigured(REFCLSID clsid, int adapter, int target, int lun,
                                     int& configured, BROKER_PRINTER_INFO& found) {
    const MatchRule sameNumbers = [&](const VEK_PHYSICAL_PRINTER_CONFIG_DATA& printer) {
        int a = 0, t = 0, l = 0;
        const std::u16string text = AddressOf(printer);
        return SUCCEEDED(wcstoASPI(text.c_str(), a, t, l)) && a == adapter && t == target &&
               l == lun && printer.DeviceAddressKind == VEK_ADDRESS_ASPI;
    };
    // The ASPI check reports under the SCSI check's context.
    return FindDevice(clsid, sameNumbers, MissingDevices::kNotConfigured,
                      u"VerifySCSIDeviceIsConfigured-->VekOpenRegKeyWithRetry", configured, found);
}
