// The attached devices a class looks for, found with the bus walks and the
// print spooler and filtered by the class's model rules.
#include <vector>

#include "discovery/bus_walk.h"
#include "discovery/device_models.h"
#include "platform/env.h"
#include "platform/print_spooler.h"
#include "platform/scsi_bus.h"
#include "vekconfig/discovery.h"
#include "vekconfig/text.h"

namespace vek {

namespace {

constexpr int32_t kScsiAddress = 2;
constexpr int32_t kPrintQueueAddress = 3;
constexpr int32_t kAspiAddress = 8;
constexpr int kAddressCapacity = 259;

struct Search {
    GUID deviceClass;
    std::vector<AttachedDevice>* devices;
};

void Offer(Search& search, const WCHAR* address, const WCHAR* model, int32_t kind) {
    search.devices->push_back({Utf16ToUtf8(address), Utf16ToUtf8(model), kind});
}

int OfferScsiDevice(int port, int bus, int target, int unit, const WCHAR* type,
                    const WCHAR* identification, uintptr_t context) {
    auto& search = *reinterpret_cast<Search*>(context);
    if (const WCHAR* model = ScsiModelFor(search.deviceClass, type, identification)) {
        WCHAR address[kAddressCapacity];
        SCSItowcs(port, bus, target, unit, address);
        Offer(search, address, model, kScsiAddress);
    }
    return 1;
}

int OfferAspiDevice(int adapter, int target, int unit, const WCHAR* type,
                    const WCHAR* identification, uintptr_t context) {
    auto& search = *reinterpret_cast<Search*>(context);
    if (const WCHAR* model = AspiModelFor(unit, type, identification)) {
        WCHAR address[kAddressCapacity];
        ASPItowcs(adapter, target, unit, address);
        Offer(search, address, model, kAspiAddress);
    }
    return 1;
}

HRESULT OfferPrintQueues(Search& search) {
    std::vector<PrintQueue> queues;
    const LSTATUS status = CurrentEnv().Spooler().ListQueues(queues);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    for (const PrintQueue& queue : queues)
        search.devices->push_back({queue.name, Utf16ToUtf8(kPrintQueueModel), kPrintQueueAddress});
    return S_OK;
}

}  // namespace

DeviceSources ProbeDeviceSources() {
    Env& env = CurrentEnv();
    return {static_cast<int>(env.Scsi().Hosts().size()), env.Spooler().ServerName()};
}

HRESULT ListAttachedDevices(const GUID& deviceClass, std::vector<AttachedDevice>& devices) {
    devices.clear();
    Search search{deviceClass, &devices};
    const auto context = reinterpret_cast<uintptr_t>(&search);
    switch (SearchFor(deviceClass)) {
    case DeviceSearch::kPrintQueues:
        return OfferPrintQueues(search);
    case DeviceSearch::kAspi:
        return EnumerateASPIDevices(-1, OfferAspiDevice, context) < 0
                   ? HRESULT_FROM_WIN32(ERROR_TIMEOUT)
                   : S_OK;
    case DeviceSearch::kScsi:
        EnumerateSCSIDevices(-1, OfferScsiDevice, context);
        return S_OK;
    }
    return S_OK;
}

}  // namespace vek
