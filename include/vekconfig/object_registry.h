// The registry of configured objects, brokers and printer wiring, device
// checks and the configured-device list.
//
// Registry layout (below HKEY_CLASSES_ROOT, GUIDs in braced upper-case text):
//   "CLSID\{class}"                       default value: the class's name
//   "CLSID\{class}\Devices\{object}"      empty key: object is configured with class
//   "CLSID\{broker}\Brokered Class"       default value: the class the broker hands out
//   "CLSID\{class}\Broker"                default value: the broker class of class
// Each object's settings live in its configuration file, read through
// CVekObjectConfig.
//
// Failures are reported to the event log with the operation's context string
// and the failing call's own code; callers see E_FAIL (or the status named
// per operation). Objects whose configuration cannot be read are passed over
// silently by every walk.
//
// Machine names: null, empty, "localhost" or this host's name is the local
// machine; another name needs a registry store that holds several machines
// (with the embedded store the connect fails with ERROR_BAD_NETPATH, which
// the operation reports).
//
// Ownership: arrays of the free functions are allocated with malloc and freed
// by the caller with free; CVekConfigDevice::GetPotentialPhysicalPrinters
// hands out task memory (CoTaskMemFree). A result with count 0 has no array.
//
// Thread safety: no lock of the library's own; every call opens and closes
// its registry keys and files. Each object's configuration is read under
// that object's reader/writer lock. A CVekConfigDevice instance is used by
// one thread at a time.
#pragma once

#include "vekconfig/com_runtime.h"
#include "vekconfig/objectconfig_records.h"

// One configured object as the listings return it. Device address and kind
// are empty and 0 for objects without a physical-printer record.
struct BROKER_PRINTER_INFO {
    GUID ObjectID;
    WCHAR Description[VEK_TEXT_CHARS];
    WCHAR DeviceAddress[VEK_TEXT_CHARS];
    VEK_DEVICE_ADDRESS DeviceAddressKind;
};
static_assert(sizeof(BROKER_PRINTER_INFO) == 2068, "BROKER_PRINTER_INFO size");
static_assert(offsetof(BROKER_PRINTER_INFO, Description) == 16, "BROKER_PRINTER_INFO::Description");
static_assert(offsetof(BROKER_PRINTER_INFO, DeviceAddress) == 1040,
              "BROKER_PRINTER_INFO::DeviceAddress");
static_assert(offsetof(BROKER_PRINTER_INFO, DeviceAddressKind) == 2064,
              "BROKER_PRINTER_INFO::DeviceAddressKind");

// A physical printer that could feed a logical printer, with the connection
// ready to be added (PPObjectID, the broker class in ConnectionData, empty text).
struct POTENTIAL_LP_PP_CONNECTION {
    WCHAR Description[VEK_TEXT_CHARS];
    BOOL AlreadyConnected;
    VEK_LP_PP_CONNECTIONS Connection;
};
static_assert(sizeof(POTENTIAL_LP_PP_CONNECTION) == 2340, "POTENTIAL_LP_PP_CONNECTION size");
static_assert(offsetof(POTENTIAL_LP_PP_CONNECTION, AlreadyConnected) == 1024,
              "POTENTIAL_LP_PP_CONNECTION::AlreadyConnected");
static_assert(offsetof(POTENTIAL_LP_PP_CONNECTION, Connection) == 1028,
              "POTENTIAL_LP_PP_CONNECTION::Connection");

// A configured printer model: a ".att" file of that base name in the
// configuration root.
struct PRINTER_MODEL_INFO {
    WCHAR ModelName[MAX_PATH];
};
static_assert(sizeof(PRINTER_MODEL_INFO) == 520, "PRINTER_MODEL_INFO size");

// The class of the machine's logical printers: {6B4B6B21-B4DC-11D0-BE11-00609753E52B}.
constexpr CLSID CLSID_VekLogicalPrinter = {0x6B4B6B21, 0xB4DC, 0x11D0,
                                           {0xBE, 0x11, 0x00, 0x60, 0x97, 0x53, 0xE5, 0x2B}};

// ---- Configured objects ----

// The objects registered under the class whose configuration can be read, in
// key order. A class without a "Devices" key: S_OK and an empty result.
// S_OK, E_FAIL (the key cannot be opened), E_OUTOFMEMORY.
VEK_API HRESULT GetConfiguredVekObjects(REFCLSID clsid, ULONG& count, BROKER_PRINTER_INFO** list);
// Creates "CLSID\{class}\Devices\{object}" (and the keys above it); an
// existing registration is simply kept. S_OK or E_FAIL (not reported).
VEK_API HRESULT AddVekObjectIDToRegistry(REFCLSID clsid, GUID objectID);
// Removes the object's key with everything below it, then sweeps old
// temporary files. E_FAIL when the class has no "Devices" key (reported) or
// the object is not registered. The configuration file is not touched.
VEK_API HRESULT DeleteVekObjectIDFromRegistry(REFCLSID clsid, GUID objectID);
// *configured = 1 when the object's key exists on the machine (null: local),
// else 0. Opens no configuration file. S_OK or E_FAIL.
VEK_API HRESULT VerifyDeviceIsConfiguredByCLSID(REFCLSID clsid, const GUID& objectID,
                                                int& configured, const WCHAR* machine);
// Activates the object from its configuration file: the class stamped on the
// file is created in process and loads the file. Returns the status of the
// first failing step (file name, moniker, bind context, binding).
VEK_API HRESULT InstantiateVekObject(GUID objectID, IUnknown** object);
// Deletes the configuration file of every object registered under the class
// (failed deletes are reported, the walk goes on). Registrations stay.
VEK_API void DeleteComponentConfigFiles(GUID clsid);

// ---- Brokers and wiring ----

// The class a broker class hands out ("Brokered Class"). E_FAIL, reported,
// with GUID_NULL when the key or its value is missing.
VEK_API HRESULT GetBrokeredClass(GUID brokerClsid, GUID& brokeredClsid);
// The broker class of a class ("Broker") on the machine (null: local).
// E_FAIL, reported, with GUID_NULL when there is none.
VEK_API HRESULT GetClassOfBroker(GUID clsid, GUID& brokerClsid, const WCHAR* machine);
// *connected = 1 when some logical printer lists the physical printer.
VEK_API HRESULT CheckIfPPConnectedToLP(GUID ppObjectID, BOOL* connected);
// Removes the physical printer from every logical printer's connection list;
// stops at the first failing removal and returns its status.
VEK_API HRESULT DeleteAllLPConnectionsToPP(GUID ppObjectID);
// The registered physical printers of the machine's configuration root
// whose supported models include model (ignoring case), each marked when
// the given connection list already holds it. Null array pointer: E_POINTER.
VEK_API HRESULT GetPotentialPPs(const WCHAR* model, ULONG& count,
                                POTENTIAL_LP_PP_CONNECTION** candidates,
                                const VEK_LP_PP_CONNECTIONS* current, ULONG currentCount,
                                const WCHAR* machine);
// The same for a logical printer's own model and connection list.
// E_INVALIDARG when the object is no logical printer; a failure to read it
// is returned as it is.
VEK_API HRESULT GetPotentialPPs(GUID lpObjectID, ULONG& count,
                                POTENTIAL_LP_PP_CONNECTION** candidates);
// The base names of the ".att" files of the configuration root, in the order
// the file system delivers them. S_OK, E_FAIL, E_OUTOFMEMORY.
VEK_API HRESULT GetConfiguredPrinterModels(ULONG& count, PRINTER_MODEL_INFO** models);

// ---- Device checks ----

// Whether a physical printer of the class has exactly this address and kind.
// A class without a "Devices" key: E_FAIL, reported.
VEK_API HRESULT VerifyDeviceIsConfiguredByAddress(REFCLSID clsid, const WCHAR* address,
                                                  VEK_DEVICE_ADDRESS kind, int& configured,
                                                  BROKER_PRINTER_INFO& found);
// Whether a physical printer of the class has SCSI kind (2) and an address
// ("P-B-T-L", "_" or "-" between the numbers) with these four numbers. A
// class without a "Devices" key: S_OK, not configured.
VEK_API HRESULT VerifySCSIDeviceIsConfigured(REFCLSID clsid, int port, int bus, int target,
                                             int lun, int& configured,
                                             BROKER_PRINTER_INFO& found);
// The same for ASPI kind (8) and "A-T-L".
VEK_API HRESULT VerifyASPIDeviceIsConfigured(REFCLSID clsid, int adapter, int target, int lun,
                                             int& configured, BROKER_PRINTER_INFO& found);

// The configured objects of one class as a snapshot, with whole removal of
// an object. Copies duplicate the list, so each instance releases its own.
class VEK_API CVekConfigDevice {
public:
    CVekConfigDevice();
    ~CVekConfigDevice();
    CVekConfigDevice(const CVekConfigDevice& other);
    // Copies the class and count and a duplicate of the list; when the
    // duplicate cannot be allocated the instance is left empty (count 0).
    CVekConfigDevice& operator=(const CVekConfigDevice& other);

    // Replaces the snapshot with the class's configured objects; returns the
    // new count (0 also when the listing failed).
    ULONG GetConfiguredDevices(GUID clsid);
    ULONG GetNumDevices();
    // Copies record index; E_FAIL (record untouched) when index >= count.
    HRESULT GetDevice(ULONG index, BROKER_PRINTER_INFO* record);
    // Removes object index from the system: from every logical printer's
    // connection list (unless the class is a logical printer class), its
    // registration, then its configuration file. Stops at the first failing
    // step. The snapshot is not changed.
    HRESULT DeleteDevice(ULONG index);
    // GetPotentialPPs by model, handed out in task memory (CoTaskMemFree).
    HRESULT GetPotentialPhysicalPrinters(const WCHAR* model, ULONG* count,
                                         POTENTIAL_LP_PP_CONNECTION** candidates,
                                         const VEK_LP_PP_CONNECTIONS* current, ULONG currentCount,
                                         const WCHAR* machine);

private:
    CLSID m_ClassID;
    ULONG m_Count;
    BROKER_PRINTER_INFO* m_pList;
};
