// CVekObjectConfig: the configuration of one configured object (physical
// printer, logical printer or broker), held in memory and kept in a compound
// file of up to ten streams, one per record or list.
//
// Life: Open reads every stream into the instance; every change updates the
// member first and then rewrites the one stream that holds it, opening the
// file exclusively for that one write. No file is kept open between calls.
// While another instance or process holds the file, an open waits for it to
// let go, up to 1001 times 100 ms; a file that cannot be opened for writing is
// opened read-only, and its setters then fail with E_FAIL while the member
// keeps the new value.
//
// Statuses: S_OK; E_FAIL when the instance is closed or the record is not
// present; E_INVALIDARG for a value a setter rejects (nothing changes);
// E_POINTER for a null pointer; E_OUTOFMEMORY; the compound-file status of a
// failed open; E_ABORT when the lock cannot be taken. Failures of the lock and
// of the file are reported to the event log with the operation's context.
//
// Thread safety: one instance may be used by many threads at once; getters
// share its reader/writer lock, changes take it alone. The exceptions are
// SetVekObjectConfig, SetPhysicalPrinterConfig and SetLpPpConnection, which
// take no lock: their callers serialise their own access. Copies share the
// lock of their source and own copies of the lists.
//
// Memory handed out: text fields as BSTR (free with SysFreeString), result
// arrays and the media list copy from CoTaskMemAlloc (free with CoTaskMemFree),
// the connection list copy from malloc (free with free).
#pragma once

#include "vekconfig/objectconfig_records.h"
#include "vekconfig/rwlock.h"

struct IStorage;

class VEK_API CVekObjectConfig {
public:
    // Closed, with no records and empty lists.
    CVekObjectConfig();
    CVekObjectConfig(const CVekObjectConfig& other);
    CVekObjectConfig& operator=(const CVekObjectConfig& other);
    // Releases the lists; the file is not touched.
    ~CVekObjectConfig();

    // ---- attaching to a file ----
    // Creates an empty file (replacing any file of that name) for the object
    // in the configuration root, or at the path given, and attaches to it.
    // On failure the instance is closed.
    HRESULT Create(GUID objectID);
    HRESULT Create(const WCHAR* fileName);
    // Opens the object's file in the configuration root, or the file at the
    // path given, and reads every stream. The path form takes the object ID
    // from the common record when there is one. On failure the instance is
    // closed and holds no record.
    HRESULT Open(GUID objectID);
    HRESULT Open(const WCHAR* fileName);
    // Reads the attached file again; E_FAIL when nothing was ever attached.
    HRESULT Refresh();

    // ---- whole records (getters need the record; setters need only an open instance) ----
    HRESULT GetVekObjectConfig(VEK_COMMON_CONFIG_DATA* config);
    HRESULT GetPhysicalPrinterConfig(VEK_PHYSICAL_PRINTER_CONFIG_DATA* config);
    HRESULT GetLogicalPrinterConfig(VEK_LOGICAL_PRINTER_CONFIG_DATA* config);
    HRESULT GetPFLogicalPrinterConfig(VEK_PF_LOGICAL_PRINTER_CONFIG_DATA* config);
    HRESULT GetLogicalPrinter5300Config(VEK_LOGICAL_PRINTER_5300_CONFIG_DATA* config);
    HRESULT GetDefaultJobAttributes(VEK_JOB_ATTRIBUTES* attributes);
    HRESULT GetDefaultPageAttributes(PageAttributesT2* attributes);
    HRESULT GetDefaultImageAttributes(ImageAttributesT* attributes);
    // Unlocked: the reserved tail is stored as zeros.
    HRESULT SetVekObjectConfig(VEK_COMMON_CONFIG_DATA config);
    HRESULT SetPhysicalPrinterConfig(VEK_PHYSICAL_PRINTER_CONFIG_DATA config);
    // The TransientFlag byte is stored as 0.
    HRESULT SetLogicalPrinterConfig(VEK_LOGICAL_PRINTER_CONFIG_DATA config);
    HRESULT SetPFLogicalPrinterConfig(VEK_PF_LOGICAL_PRINTER_CONFIG_DATA config);
    HRESULT SetLogicalPrinter5300Config(VEK_LOGICAL_PRINTER_5300_CONFIG_DATA config);
    HRESULT SetDefaultJobAttributes(VEK_JOB_ATTRIBUTES attributes);
    HRESULT SetDefaultPageAttributes(PageAttributesT2 attributes);
    HRESULT SetDefaultImageAttributes(ImageAttributesT attributes);

    // ---- fields of the common record ----
    HRESULT GetVekObjectID(GUID* objectID);  // the ID stored in the record
    HRESULT GetVekObjectType(COM_VEK_OBJECT_TYPE* type);
    HRESULT GetUserDescription(WCHAR** text);
    HRESULT GetLocation(WCHAR** text);
    HRESULT GetPrinterModel(WCHAR* model);  // caller buffer of 512 code units
    HRESULT GetDefaultColorProfile(WCHAR** text);
    HRESULT GetBufferSizes(DWORD* first, DWORD* second);
    HRESULT GetRequiredScanPixels(DWORD* first, DWORD* second);
    HRESULT GetPrinterClass(VEK_PRINTER_CLASS* printerClass);
    // On a closed instance: both 0 and S_OK.
    HRESULT GetDebugLevel(DWORD* supported, DWORD* current);
    HRESULT GetEventLoggingLevel(DWORD* supported, DWORD* current);
    HRESULT GetErrorBroadcastState(BOOL* state);
    HRESULT GetDefaultMediaID(DWORD* mediaID);
    HRESULT GetDefaultDonorID(DWORD* donorID);
    HRESULT GetClassID(GUID* classID);
    HRESULT GetProcessingStates(BOOL* first, BOOL* second);
    HRESULT GetPageOversprayDimensions(FLOAT* first, FLOAT* second, VEK_OVERSPRAY_TYPE* type);

    // Texts of 512 code units or more are stored cut to 511 and terminated.
    HRESULT SetUserDescription(const WCHAR* text);
    HRESULT SetLocation(const WCHAR* text);
    HRESULT SetDefaultColorProfile(const WCHAR* text);
    HRESULT SetBufferSizes(DWORD first, DWORD second);
    // E_INVALIDARG above DebugLevelsSupported.
    HRESULT SetCurrentDebugLevel(DWORD level);
    // The level in force keeps only the bits still supported.
    HRESULT SetDebugLevelsSupported(DWORD levels);
    HRESULT SetCurrentEventLoggingLevel(DWORD level);
    HRESULT SetEventLoggingLevelsSupported(DWORD levels);
    HRESULT SetErrorBroadcastState(BOOL state);
    HRESULT SetDefaultMediaID(DWORD mediaID);
    HRESULT SetDefaultDonorID(DWORD donorID);
    HRESULT SetClassID(GUID classID);  // the record only; see AssociateClassID
    HRESULT SetProcessingStates(BOOL first, BOOL second);

    // ---- fields of the physical-printer record ----
    HRESULT GetDeviceAddress(WCHAR** address);
    HRESULT GetDeviceAddress(WCHAR** address, VEK_DEVICE_ADDRESS* kind);
    HRESULT GetPageLimit(DWORD* maximum, DWORD* current);
    HRESULT GetAcceptingMultipleOpenJobs(BOOL* state);
    HRESULT GetCopyRemoteImageFileState(BOOL* state);
    HRESULT RejectJobsOnNeedsAttentionState(BOOL* state);  // a getter
    HRESULT SetAcceptingMultipleOpenJobs(BOOL state);
    HRESULT SetCopyRemoteImageFileState(BOOL state);
    // E_INVALIDARG when MaxPageLimit is not 0 and the limit is above it.
    HRESULT SetPageLimit(DWORD limit);

    // ---- fields of the logical-printer record ----
    HRESULT GetSpoolingOn(BOOL* state);
    HRESULT RescheduleJobsOnInfoError(BOOL* state);  // a getter
    // Rewrites the record only when the value changes.
    HRESULT SetSpoolingOn(BOOL state);

    // ---- tables, values in force and region of interest ----
    // Each array getter fills all three fields; Entries is freed by the caller.
    HRESULT GetHorzResolutions(FLOATARRAY* resolutions);
    HRESULT GetVertResolutions(FLOATARRAY* resolutions);
    HRESULT GetSupportedFormats(QMXFormatArray* formats);
    HRESULT GetImageUnits(COM_UNITOFMEASUREARRAY* units);
    HRESULT GetCapabilities(PRINTER_CAPABILTY_ARRAY* capabilities);
    HRESULT GetPrinterModelsSupported(PRINTER_MODEL_ARRAY* models);
    HRESULT GetCurrentHorzResolution(FLOAT* resolution);
    HRESULT GetCurrentVertResolution(FLOAT* resolution);
    HRESULT GetCurrentFormat(ValidQMXFormat* format);
    HRESULT GetPreferredFormat(ValidQMXFormat* format);
    HRESULT GetCurrentImageUnit(COM_UNITOFMEASURE* unit);
    // The value must equal one of the table's used entries (exactly, for
    // resolutions; NaN matches nothing); otherwise E_INVALIDARG and no change.
    HRESULT SetCurrentHorzResolution(FLOAT resolution);
    HRESULT SetCurrentVertResolution(FLOAT resolution);
    HRESULT SetCurrentFormat(ValidQMXFormat format);
    HRESULT SetCurrentImageUnit(COM_UNITOFMEASURE unit);
    // The region of interest in the image unit in force (inches,
    // centimetres, or pixels at the largest supported resolutions); E_FAIL
    // and nothing written for any other unit.
    HRESULT GetRegionOfInterestExtents(FLOAT* horizontal, FLOAT* vertical);

    // ---- connections of a logical printer ----
    // A malloc'd copy (null when empty) and its count.
    HRESULT GetLpPpConnections(VEK_LP_PP_CONNECTIONS** list, DWORD* count);
    // S_OK without a change when the physical printer is already listed.
    HRESULT AddLpPpConnection(VEK_LP_PP_CONNECTIONS connection);
    // S_OK without a change when it is not listed.
    HRESULT DeleteLpPpConnection(GUID ppObjectID);
    // Unlocked. Takes ownership of a malloc'd block (count not 0) and rewrites
    // the stream; count 0 removes the stream.
    HRESULT SetLpPpConnection(VEK_LP_PP_CONNECTIONS* list, DWORD count);

    // ---- the printer's own media ----
    HRESULT GetVekSpecificMedia(DWORD mediaID, PRINTER_MEDIA_DATA* media);
    // A CoTaskMemAlloc'd copy (null when empty) and its count.
    HRESULT GetAllVekSpecificMedia(DWORD& count, CONFIG_PRINTER_MEDIA_DATA** list);
    // Replaces the data of a listed medium in place, or appends a new one.
    HRESULT SetVekSpecificMedia(DWORD mediaID, PRINTER_MEDIA_DATA media);
    HRESULT DeleteVekSpecificMedia(DWORD mediaID);

    // Stamps the compound file's root storage with the class ID; the common
    // record's ClassID is not changed.
    HRESULT AssociateClassID(const GUID& classID);

private:
    HRESULT freeVekObject();
    HRESULT OpenVekObjectFile(IStorage** storage, GUID objectID);
    HRESULT OpenVekObjectFile(IStorage** storage, const WCHAR* path);
    HRESULT CreateVekObjectFile(IStorage** storage, GUID objectID);
    HRESULT CreateVekObjectFile(IStorage** storage, const WCHAR* path);
    HRESULT ReadObjectAttributes(IStorage* storage);
    HRESULT WriteConfig(IStorage* storage, VEK_COMMON_CONFIG_DATA* record);
    HRESULT WritePhysicalPrinterData(IStorage* storage, VEK_PHYSICAL_PRINTER_CONFIG_DATA* record);
    HRESULT WriteLogicalPrinterData(IStorage* storage, VEK_LOGICAL_PRINTER_CONFIG_DATA* record);
    HRESULT WritePFLogicalPrinterData(IStorage* storage, VEK_PF_LOGICAL_PRINTER_CONFIG_DATA* record);
    HRESULT WriteLogicalPrinter5300Data(IStorage* storage,
                                        VEK_LOGICAL_PRINTER_5300_CONFIG_DATA* record);
    HRESULT WriteDefaultJobData(IStorage* storage, VEK_JOB_ATTRIBUTES* record);
    HRESULT WriteDefaultPageData(IStorage* storage, PageAttributesT2* record);
    HRESULT WriteDefaultImageData(IStorage* storage, ImageAttributesT* record);
    HRESULT WriteVekSpecificMedia(IStorage* storage, CONFIG_PRINTER_MEDIA_DATA* list, DWORD count);
    HRESULT WriteLPtoPPConnections(IStorage* storage, VEK_LP_PP_CONNECTIONS* list, DWORD count);
    HRESULT UpdateVekSpecificMedia(DWORD mediaID, PRINTER_MEDIA_DATA media);
    HRESULT SetDeleteVekSpecificMedia(CONFIG_PRINTER_MEDIA_DATA* list, DWORD count);
    FLOAT GetMaxHorzResolutionSupported();
    FLOAT GetMaxVertResolutionSupported();
    // Copies every member of other except the lock; the lists are duplicated.
    // False when a list copy could not be allocated (nothing is then copied).
    bool CopyMembersFrom(const CVekObjectConfig& other);

    bool m_bOpen = false;
    GUID m_ObjectID = GUID_NULL;
    WCHAR m_FileName[MAX_PATH] = {};
    VEK_COMMON_CONFIG_DATA m_Common = {};
    bool m_bCommonConfig = false;
    VEK_PHYSICAL_PRINTER_CONFIG_DATA m_PhysicalPrinter = {};
    bool m_bPhysicalPrinter = false;
    VEK_LOGICAL_PRINTER_CONFIG_DATA m_LogicalPrinter = {};
    bool m_bLogicalPrinter = false;
    VEK_PF_LOGICAL_PRINTER_CONFIG_DATA m_PFLogicalPrinter = {};
    VEK_LOGICAL_PRINTER_5300_CONFIG_DATA m_LogicalPrinter5300 = {};
    bool m_bPFLogicalPrinter = false;
    bool m_bLogicalPrinter5300 = false;
    CONFIG_PRINTER_MEDIA_DATA* m_pMedia = nullptr;
    DWORD m_nMedia = 0;
    VEK_JOB_ATTRIBUTES m_JobAttributes = {};
    bool m_bJobAttributes = false;
    PageAttributesT2 m_PageAttributes = {};
    bool m_bPageAttributes = false;
    ImageAttributesT m_ImageAttributes = {};
    bool m_bImageAttributes = false;
    CVekRWLock m_Lock;
    VEK_LP_PP_CONNECTIONS* m_pConnections = nullptr;
    DWORD m_nConnections = 0;
};
