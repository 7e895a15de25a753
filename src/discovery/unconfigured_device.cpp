// The devices of a class that are attached but not yet configured: walked
// twice (count, then fill) or listed once (print queues), filtered by the
// class's models and by the device checks of the object registry.
#include "vekconfig/unconfigured_device.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "discovery/bus_walk.h"
#include "discovery/device_models.h"
#include "platform/env.h"
#include "platform/print_spooler.h"
#include "vekconfig/discovery.h"
#include "vekconfig/object_registry.h"
#include "vekconfig/text.h"

namespace {

constexpr size_t kRecordTextChars = 512;
constexpr size_t kQueueNameChars = 260;  // the part of a queue name the check compares
constexpr int kAddressChars = 259;

UNCONFIGURED_PRINTER_INFO* AllocateRecords(size_t count) {
    return static_cast<UNCONFIGURED_PRINTER_INFO*>(
        std::malloc(count * sizeof(UNCONFIGURED_PRINTER_INFO)));
}

}  // namespace

struct CUnconfiguredDevice::WalkedDevice {
    VEK_DEVICE_ADDRESS kind;
    int numbers[4];  // port, bus, target, unit (SCSI); adapter, target, unit (ASPI)
};

bool CUnconfiguredDevice::IsConfigured(const WalkedDevice& device) const {
    int configured = 0;
    BROKER_PRINTER_INFO found;
    const int* n = device.numbers;
    if (device.kind == VEK_ADDRESS_SCSI)
        VerifySCSIDeviceIsConfigured(m_ClassID, n[0], n[1], n[2], n[3], configured, found);
    else
        VerifyASPIDeviceIsConfigured(m_ClassID, n[0], n[1], n[2], configured, found);
    return configured != 0;
}

CUnconfiguredDevice::CUnconfiguredDevice()
    : m_ClassID(GUID_NULL), m_SCSICount(0), m_ASPICount(0), m_Count(0), m_pList(nullptr) {}

CUnconfiguredDevice::~CUnconfiguredDevice() { Release(); }

CUnconfiguredDevice::CUnconfiguredDevice(const CUnconfiguredDevice& other) : CUnconfiguredDevice() {
    *this = other;
}

CUnconfiguredDevice& CUnconfiguredDevice::operator=(const CUnconfiguredDevice& other) {
    if (this == &other) return *this;
    Release();
    m_ClassID = other.m_ClassID;
    m_SCSICount = other.m_SCSICount;
    m_ASPICount = other.m_ASPICount;
    if (other.m_Count == 0) return *this;
    m_pList = AllocateRecords(other.m_Count);
    if (m_pList == nullptr) return *this;
    std::memcpy(m_pList, other.m_pList, other.m_Count * sizeof(UNCONFIGURED_PRINTER_INFO));
    m_Count = other.m_Count;
    return *this;
}

void CUnconfiguredDevice::Release() {
    std::free(m_pList);
    m_pList = nullptr;
    m_Count = 0;
}

ULONG CUnconfiguredDevice::GetUnConfiguredDevices(GUID clsid) {
    Release();
    m_ClassID = clsid;
    const auto self = reinterpret_cast<uintptr_t>(this);
    switch (vek::SearchFor(clsid)) {
    case vek::DeviceSearch::kPrintQueues:
        EnumerateWindowsPrinters();
        break;
    case vek::DeviceSearch::kAspi:
        m_ASPICount = 0;
        vek::EnumerateASPIDevices(-1, ASPICallBackCount, self);
        if (m_ASPICount == 0) break;
        m_pList = AllocateRecords(m_ASPICount);
        if (m_pList != nullptr) vek::EnumerateASPIDevices(-1, ASPICallBack, self);
        break;
    case vek::DeviceSearch::kScsi:
        m_SCSICount = 0;
        vek::EnumerateSCSIDevices(-1, SCSICallBackCount, self);
        if (m_SCSICount == 0) break;
        m_pList = AllocateRecords(m_SCSICount);
        if (m_pList != nullptr) vek::EnumerateSCSIDevices(-1, SCSICallBack, self);
        break;
    }
    return m_Count;
}

ULONG CUnconfiguredDevice::GetNumDevices() { return m_Count; }

HRESULT CUnconfiguredDevice::GetDevice(ULONG index, UNCONFIGURED_PRINTER_INFO* record) {
    if (index >= m_Count) return E_FAIL;
    if (record == nullptr) return E_POINTER;
    *record = m_pList[index];
    return S_OK;
}

void CUnconfiguredDevice::Append(const WCHAR* address, const WCHAR* model, VEK_DEVICE_ADDRESS kind) {
    UNCONFIGURED_PRINTER_INFO& record = m_pList[m_Count++];
    std::memset(&record, 0, sizeof record);
    vek::WideCopy(record.DeviceAddress, kRecordTextChars, address);
    vek::WideCopy(record.Model, kRecordTextChars, model);
    record.DeviceAddressKind = kind;
}

void CUnconfiguredDevice::EnumerateWindowsPrinters() {
    std::vector<vek::PrintQueue> queues;
    if (vek::CurrentEnv().Spooler().ListQueues(queues) != ERROR_SUCCESS || queues.empty()) return;
    m_pList = AllocateRecords(queues.size());
    if (m_pList == nullptr) return;
    for (const vek::PrintQueue& queue : queues) {
        const std::u16string name = vek::Utf8ToUtf16(queue.name);
        WCHAR checked[kQueueNameChars] = {};
        vek::WideCopy(checked, kQueueNameChars, name.c_str());
        int configured = 0;
        BROKER_PRINTER_INFO found;
        VerifyDeviceIsConfiguredByAddress(m_ClassID, checked, VEK_ADDRESS_PRINT_QUEUE, configured,
                                          found);
        if (configured == 0) Append(name.c_str(), vek::kPrintQueueModel, VEK_ADDRESS_PRINT_QUEUE);
    }
}

void CUnconfiguredDevice::CountDevice(const WCHAR* model, const WalkedDevice& device,
                                      ULONG& walkCount) {
    if (model == nullptr) return;
    ++walkCount;
    if (IsConfigured(device)) --walkCount;
}

void CUnconfiguredDevice::AddDevice(const WCHAR* model, const WalkedDevice& device,
                                    ULONG walkCount) {
    // The counting pass sized the list: a device that turned up since is not stored.
    if (model == nullptr || IsConfigured(device) || m_Count >= walkCount) return;
    WCHAR address[kAddressChars];
    const int* n = device.numbers;
    if (device.kind == VEK_ADDRESS_SCSI)
        SCSItowcs(n[0], n[1], n[2], n[3], address);
    else
        ASPItowcs(n[0], n[1], n[2], address);
    Append(address, model, device.kind);
}

int CUnconfiguredDevice::SCSICallBackCount(int port, int bus, int target, int lun,
                                           const WCHAR* typeName, const WCHAR* identification,
                                           uintptr_t context) {
    auto& self = *reinterpret_cast<CUnconfiguredDevice*>(context);
    self.CountDevice(vek::ScsiModelFor(self.m_ClassID, typeName, identification),
                     {VEK_ADDRESS_SCSI, {port, bus, target, lun}}, self.m_SCSICount);
    return 1;
}

int CUnconfiguredDevice::SCSICallBack(int port, int bus, int target, int lun,
                                      const WCHAR* typeName, const WCHAR* identification,
                                      uintptr_t context) {
    auto& self = *reinterpret_cast<CUnconfiguredDevice*>(context);
    self.AddDevice(vek::ScsiModelFor(self.m_ClassID, typeName, identification),
                   {VEK_ADDRESS_SCSI, {port, bus, target, lun}}, self.m_SCSICount);
    return 1;
}

int CUnconfiguredDevice::ASPICallBackCount(int adapter, int target, int lun,
                                           const WCHAR* typeName, const WCHAR* identification,
                                           uintptr_t context) {
    auto& self = *reinterpret_cast<CUnconfiguredDevice*>(context);
    self.CountDevice(vek::AspiModelFor(lun, typeName, identification),
                     {VEK_ADDRESS_ASPI, {adapter, target, lun, 0}}, self.m_ASPICount);
    return 1;
}

int CUnconfiguredDevice::ASPICallBack(int adapter, int target, int lun, const WCHAR* typeName,
                                      const WCHAR* identification, uintptr_t context) {
    auto& self = *reinterpret_cast<CUnconfiguredDevice*>(context);
    self.AddDevice(vek::AspiModelFor(lun, typeName, identification),
                   {VEK_ADDRESS_ASPI, {adapter, target, lun, 0}}, self.m_ASPICount);
    return 1;
}
