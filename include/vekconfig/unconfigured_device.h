// CUnconfiguredDevice: the devices of one device class that are attached to
// this machine but not yet configured under that class.
//
//   print-queue class {F63D7D81-...}: the machine's print queues (kind 3)
//   ASPI class {81D97580-...}: the ASPI walk (kind 8)
//   any other class: the SCSI walk (kind 2); only the classes of
//   vekconfig/discovery.h have models, so other classes find nothing
//
// A device is offered when its type and identification match the class's
// models and no physical printer of the class has its address and kind (the
// device checks of vekconfig/object_registry.h; a failed check counts as not
// configured). Each search walks the bus twice: once to count, once to fill.
//
// Thread safety: an instance is used by one thread at a time. Copies
// duplicate the list, so each instance releases its own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vekconfig/objectconfig_records.h"

// One device offered for configuration, in the form a physical printer's
// configuration stores its DeviceAddress and DeviceAddressKind.
struct UNCONFIGURED_PRINTER_INFO {
    WCHAR DeviceAddress[512];  // "P-B-T-L", "A-T-L" or the queue name
    WCHAR Model[512];          // the model found, or "Windows Printer" for queues
    VEK_DEVICE_ADDRESS DeviceAddressKind;
};
static_assert(sizeof(UNCONFIGURED_PRINTER_INFO) == 2052, "UNCONFIGURED_PRINTER_INFO size");
static_assert(offsetof(UNCONFIGURED_PRINTER_INFO, Model) == 1024,
              "UNCONFIGURED_PRINTER_INFO::Model");
static_assert(offsetof(UNCONFIGURED_PRINTER_INFO, DeviceAddressKind) == 2048,
              "UNCONFIGURED_PRINTER_INFO::DeviceAddressKind");

class VEK_API CUnconfiguredDevice {
public:
    // No class, counts 0, no list.
    CUnconfiguredDevice();
    ~CUnconfiguredDevice();
    CUnconfiguredDevice(const CUnconfiguredDevice& other);
    // Copies every field and a duplicate of the list; when the duplicate
    // cannot be allocated the instance is left with count 0 and no list.
    CUnconfiguredDevice& operator=(const CUnconfiguredDevice& other);

    // Replaces the list with the class's unconfigured devices and returns
    // their number. A walk that cannot run, a device that does not answer in
    // time or an unreachable print server gives fewer or no records; there is
    // no failure result.
    ULONG GetUnConfiguredDevices(GUID clsid);
    ULONG GetNumDevices();
    // Copies record index. S_OK; E_FAIL (record untouched) when index is not
    // below the count.
    HRESULT GetDevice(ULONG index, UNCONFIGURED_PRINTER_INFO* record);

private:
    struct WalkedDevice;  // a device a walk reported: address kind and numbers

    void EnumerateWindowsPrinters();
    // Walk callbacks; the context is the instance. They always answer 1.
    static int SCSICallBackCount(int port, int bus, int target, int lun, const WCHAR* typeName,
                                 const WCHAR* identification, uintptr_t context);
    static int SCSICallBack(int port, int bus, int target, int lun, const WCHAR* typeName,
                            const WCHAR* identification, uintptr_t context);
    static int ASPICallBackCount(int adapter, int target, int lun, const WCHAR* typeName,
                                 const WCHAR* identification, uintptr_t context);
    static int ASPICallBack(int adapter, int target, int lun, const WCHAR* typeName,
                            const WCHAR* identification, uintptr_t context);
    // The two passes for one walked device; model is null when the device
    // does not qualify, walkCount the pass's count (SCSI or ASPI).
    void CountDevice(const WCHAR* model, const WalkedDevice& device, ULONG& walkCount);
    void AddDevice(const WCHAR* model, const WalkedDevice& device, ULONG walkCount);
    // Whether a physical printer of the class has the device's address; a
    // failed check counts as not configured.
    bool IsConfigured(const WalkedDevice& device) const;
    void Append(const WCHAR* address, const WCHAR* model, VEK_DEVICE_ADDRESS kind);
    void Release();

    CLSID m_ClassID;
    ULONG m_SCSICount;
    ULONG m_ASPICount;
    ULONG m_Count;
    UNCONFIGURED_PRINTER_INFO* m_pList;
};
