// Single fields of the common, physical-printer and logical-printer records.
// Getters copy under the read lock; setters change the member under the write
// lock and rewrite the record's whole stream from memory.
#include <algorithm>
#include <cstring>

#include "objectconfig/access_patterns.h"
#include "vekconfig/com.h"
#include "vekconfig/objectconfig.h"

using vek::ChangeUnderLock;
using vek::ReadUnderLock;

namespace {

// Length of a text field up to its terminator, never beyond the field.
template <size_t N>
uint32_t FieldLength(const WCHAR (&field)[N]) {
    uint32_t length = 0;
    while (length < N && field[length] != 0) ++length;
    return length;
}

// A new BSTR copy of a text field.
template <size_t N>
HRESULT TextOut(const WCHAR (&field)[N], WCHAR** out) {
    BSTR copy = SysAllocStringLen(field, FieldLength(field));
    if (copy == nullptr) return E_OUTOFMEMORY;
    *out = copy;
    return S_OK;
}

// Stores at most N-1 code units, then zeros to the end of the field, so the
// stored text is always terminated.
template <size_t N>
void TextIn(WCHAR (&field)[N], const WCHAR* text) {
    size_t length = 0;
    while (length < N - 1 && text[length] != 0) ++length;
    std::memcpy(field, text, length * sizeof(WCHAR));
    std::memset(field + length, 0, (N - length) * sizeof(WCHAR));
}

}  // namespace

// ---- common record: getters ----

HRESULT CVekObjectConfig::GetVekObjectID(GUID* objectID) {
    if (objectID == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetVekObjectID", m_bOpen, m_bCommonConfig,
                         [&] { return *objectID = m_Common.ObjectID, S_OK; });
}

HRESULT CVekObjectConfig::GetVekObjectType(COM_VEK_OBJECT_TYPE* type) {
    if (type == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetVekObjectType", m_bOpen, m_bCommonConfig,
                         [&] { return *type = m_Common.ObjectType, S_OK; });
}

HRESULT CVekObjectConfig::GetUserDescription(WCHAR** text) {
    if (text == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetUserDescription", m_bOpen, m_bCommonConfig,
                         [&] { return TextOut(m_Common.UserDescription, text); });
}

HRESULT CVekObjectConfig::GetLocation(WCHAR** text) {
    if (text == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetLocation", m_bOpen, m_bCommonConfig,
                         [&] { return TextOut(m_Common.Location, text); });
}

HRESULT CVekObjectConfig::GetPrinterModel(WCHAR* model) {
    if (model == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetPrinterModel", m_bOpen, m_bCommonConfig, [&] {
        const uint32_t length = std::min<uint32_t>(FieldLength(m_Common.PrinterModel), VEK_TEXT_CHARS - 1);
        std::memcpy(model, m_Common.PrinterModel, length * sizeof(WCHAR));
        model[length] = 0;
        return S_OK;
    });
}

HRESULT CVekObjectConfig::GetDefaultColorProfile(WCHAR** text) {
    if (text == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetDefaultColorProfile", m_bOpen, m_bCommonConfig,
                         [&] { return TextOut(m_Common.DefaultColorProfile, text); });
}

HRESULT CVekObjectConfig::GetBufferSizes(DWORD* first, DWORD* second) {
    if (first == nullptr || second == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetBufferSizes", m_bOpen, m_bCommonConfig, [&] {
        *first = m_Common.BufferSizes[0];
        *second = m_Common.BufferSizes[1];
        return S_OK;
    });
}

HRESULT CVekObjectConfig::GetRequiredScanPixels(DWORD* first, DWORD* second) {
    if (first == nullptr || second == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetRequiredScanPixels", m_bOpen, m_bCommonConfig, [&] {
        *first = m_Common.BufferSizes[0];
        *second = m_Common.BufferSizes[1];
        return S_OK;
    });
}

HRESULT CVekObjectConfig::GetPrinterClass(VEK_PRINTER_CLASS* printerClass) {
    if (printerClass == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetPrinterClass", m_bOpen, m_bCommonConfig,
                         [&] { return *printerClass = m_Common.PrinterClass, S_OK; });
}

// The one getter that answers on a closed instance: no levels.
HRESULT CVekObjectConfig::GetDebugLevel(DWORD* supported, DWORD* current) {
    if (supported == nullptr || current == nullptr) return E_POINTER;
    vek::ConfigLockScope lock(m_Lock, vek::ConfigLockScope::Kind::kRead, "GetDebugLevel");
    if (FAILED(lock.status())) return lock.status();
    if (!m_bOpen) {
        *supported = 0;
        *current = 0;
        return S_OK;
    }
    if (!m_bCommonConfig) return E_FAIL;
    *supported = m_Common.DebugLevelsSupported;
    *current = m_Common.CurrentDebugLevel;
    return S_OK;
}

HRESULT CVekObjectConfig::GetEventLoggingLevel(DWORD* supported, DWORD* current) {
    if (supported == nullptr || current == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetEventLoggingLevel", m_bOpen, m_bCommonConfig, [&] {
        *supported = m_Common.EventLoggingLevelsSupported;
        *current = m_Common.CurrentEventLoggingLevel;
        return S_OK;
    });
}

HRESULT CVekObjectConfig::GetErrorBroadcastState(BOOL* state) {
    if (state == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetErrorBroadcastState", m_bOpen, m_bCommonConfig,
                         [&] { return *state = m_Common.ErrorBroadcastState, S_OK; });
}

HRESULT CVekObjectConfig::GetDefaultMediaID(DWORD* mediaID) {
    if (mediaID == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetDefaultMediaID", m_bOpen, m_bCommonConfig,
                         [&] { return *mediaID = m_Common.DefaultMediaID, S_OK; });
}

HRESULT CVekObjectConfig::GetDefaultDonorID(DWORD* donorID) {
    if (donorID == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetDefaultDonorID", m_bOpen, m_bCommonConfig,
                         [&] { return *donorID = m_Common.DefaultDonorID, S_OK; });
}

HRESULT CVekObjectConfig::GetClassID(GUID* classID) {
    if (classID == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetClassID", m_bOpen, m_bCommonConfig,
                         [&] { return *classID = m_Common.ClassID, S_OK; });
}

HRESULT CVekObjectConfig::GetProcessingStates(BOOL* first, BOOL* second) {
    if (first == nullptr || second == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetProcessingStates", m_bOpen, m_bCommonConfig, [&] {
        *first = m_Common.ProcessingStates[0];
        *second = m_Common.ProcessingStates[1];
        return S_OK;
    });
}

HRESULT CVekObjectConfig::GetPageOversprayDimensions(FLOAT* first, FLOAT* second,
                                                     VEK_OVERSPRAY_TYPE* type) {
    if (first == nullptr || second == nullptr || type == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetPageOversprayDimensions", m_bOpen, m_bCommonConfig, [&] {
        *first = m_Common.PageOverspray[0];
        *second = m_Common.PageOverspray[1];
        *type = m_Common.OversprayType;
        return S_OK;
    });
}

// ---- common record: setters ----

HRESULT CVekObjectConfig::SetUserDescription(const WCHAR* text) {
    if (text == nullptr) return E_POINTER;
    return ChangeUnderLock(m_Lock, "SetUserDescription", m_bOpen, m_bCommonConfig, [&] {
        TextIn(m_Common.UserDescription, text);
        return SetVekObjectConfig(m_Common);
    });
}

HRESULT CVekObjectConfig::SetLocation(const WCHAR* text) {
    if (text == nullptr) return E_POINTER;
    return ChangeUnderLock(m_Lock, "SetLocation", m_bOpen, m_bCommonConfig, [&] {
        TextIn(m_Common.Location, text);
        return SetVekObjectConfig(m_Common);
    });
}

HRESULT CVekObjectConfig::SetDefaultColorProfile(const WCHAR* text) {
    if (text == nullptr) return E_POINTER;
    return ChangeUnderLock(m_Lock, "SetDefaultColorProfile", m_bOpen, m_bCommonConfig, [&] {
        TextIn(m_Common.DefaultColorProfile, text);
        return SetVekObjectConfig(m_Common);
    });
}

HRESULT CVekObjectConfig::SetBufferSizes(DWORD first, DWORD second) {
    return ChangeUnderLock(m_Lock, "SetBufferSizes", m_bOpen, m_bCommonConfig, [&] {
        m_Common.BufferSizes[0] = first;
        m_Common.BufferSizes[1] = second;
        return SetVekObjectConfig(m_Common);
    });
}

HRESULT CVekObjectConfig::SetCurrentDebugLevel(DWORD level) {
    return ChangeUnderLock(m_Lock, "SetCurrentDebugLevel", m_bOpen, m_bCommonConfig, [&] {
        if (level > m_Common.DebugLevelsSupported) return E_INVALIDARG;
        m_Common.CurrentDebugLevel = level;
        return SetVekObjectConfig(m_Common);
    });
}

HRESULT CVekObjectConfig::SetDebugLevelsSupported(DWORD levels) {
    return ChangeUnderLock(m_Lock, "SetDebugLevelsSupported", m_bOpen, m_bCommonConfig, [&] {
        m_Common.CurrentDebugLevel &= levels;
        m_Common.DebugLevelsSupported = levels;
        return SetVekObjectConfig(m_Common);
    });
}

HRESULT CVekObjectConfig::SetCurrentEventLoggingLevel(DWORD level) {
    return ChangeUnderLock(m_Lock, "SetCurrentEventLoggingLevel", m_bOpen, m_bCommonConfig, [&] {
        if (level > m_Common.EventLoggingLevelsSupported) return E_INVALIDARG;
        m_Common.CurrentEventLoggingLevel = level;
        return SetVekObjectConfig(m_Common);
    });
}

HRESULT CVekObjectConfig::SetEventLoggingLevelsSupported(DWORD levels) {
    return ChangeUnderLock(m_Lock, "SetEventLoggingLevelsSupported", m_bOpen, m_bCommonConfig, [&] {
        m_Common.CurrentEventLoggingLevel &= levels;
        m_Common.EventLoggingLevelsSupported = levels;
        return SetVekObjectConfig(m_Common);
    });
}

HRESULT CVekObjectConfig::SetErrorBroadcastState(BOOL state) {
    return ChangeUnderLock(m_Lock, "SetErrorBroadcastState", m_bOpen, m_bCommonConfig, [&] {
        m_Common.ErrorBroadcastState = state;
        return SetVekObjectConfig(m_Common);
    });
}

HRESULT CVekObjectConfig::SetDefaultMediaID(DWORD mediaID) {
    return ChangeUnderLock(m_Lock, "SetDefaultMediaID", m_bOpen, m_bCommonConfig, [&] {
        m_Common.DefaultMediaID = mediaID;
        return SetVekObjectConfig(m_Common);
    });
}

HRESULT CVekObjectConfig::SetDefaultDonorID(DWORD donorID) {
    return ChangeUnderLock(m_Lock, "SetDefaultDonorID", m_bOpen, m_bCommonConfig, [&] {
        m_Common.DefaultDonorID = donorID;
        return SetVekObjectConfig(m_Common);
    });
}

HRESULT CVekObjectConfig::SetClassID(GUID classID) {
    return ChangeUnderLock(m_Lock, "SetClassID", m_bOpen, m_bCommonConfig, [&] {
        m_Common.ClassID = classID;
        return SetVekObjectConfig(m_Common);
    });
}

HRESULT CVekObjectConfig::SetProcessingStates(BOOL first, BOOL second) {
    return ChangeUnderLock(m_Lock, "SetProcessingStates", m_bOpen, m_bCommonConfig, [&] {
        m_Common.ProcessingStates[0] = first;
        m_Common.ProcessingStates[1] = second;
        return SetVekObjectConfig(m_Common);
    });
}

// ---- physical-printer record ----

HRESULT CVekObjectConfig::GetDeviceAddress(WCHAR** address) {
    if (address == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetDeviceAddress", m_bOpen, m_bPhysicalPrinter,
                         [&] { return TextOut(m_PhysicalPrinter.DeviceAddress, address); });
}

HRESULT CVekObjectConfig::GetDeviceAddress(WCHAR** address, VEK_DEVICE_ADDRESS* kind) {
    if (address == nullptr || kind == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetDeviceAddress", m_bOpen, m_bPhysicalPrinter, [&] {
        const HRESULT hr = TextOut(m_PhysicalPrinter.DeviceAddress, address);
        if (SUCCEEDED(hr)) *kind = m_PhysicalPrinter.DeviceAddressKind;
        return hr;
    });
}

HRESULT CVekObjectConfig::GetPageLimit(DWORD* maximum, DWORD* current) {
    if (maximum == nullptr || current == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetPageLimit", m_bOpen, m_bPhysicalPrinter, [&] {
        *maximum = m_PhysicalPrinter.MaxPageLimit;
        *current = m_PhysicalPrinter.PageLimit;
        return S_OK;
    });
}

HRESULT CVekObjectConfig::GetAcceptingMultipleOpenJobs(BOOL* state) {
    if (state == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetAcceptingMultipleOpenJobs", m_bOpen, m_bPhysicalPrinter,
                         [&] { return *state = m_PhysicalPrinter.AcceptingMultipleOpenJobs, S_OK; });
}

HRESULT CVekObjectConfig::GetCopyRemoteImageFileState(BOOL* state) {
    if (state == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetCopyRemoteImageFileState", m_bOpen, m_bPhysicalPrinter,
                         [&] { return *state = m_PhysicalPrinter.CopyRemoteImageFile, S_OK; });
}

HRESULT CVekObjectConfig::RejectJobsOnNeedsAttentionState(BOOL* state) {
    if (state == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "RejectJobsOnNeedsAttentionState", m_bOpen, m_bPhysicalPrinter,
                         [&] { return *state = m_PhysicalPrinter.RejectJobsOnNeedsAttention, S_OK; });
}

HRESULT CVekObjectConfig::SetAcceptingMultipleOpenJobs(BOOL state) {
    return ChangeUnderLock(m_Lock, "SetAcceptingMultipleOpenJobs", m_bOpen, m_bPhysicalPrinter, [&] {
        m_PhysicalPrinter.AcceptingMultipleOpenJobs = state;
        return SetPhysicalPrinterConfig(m_PhysicalPrinter);
    });
}

HRESULT CVekObjectConfig::SetCopyRemoteImageFileState(BOOL state) {
    return ChangeUnderLock(m_Lock, "SetCopyRemoteImageFileState", m_bOpen, m_bPhysicalPrinter, [&] {
        m_PhysicalPrinter.CopyRemoteImageFile = state;
        return SetPhysicalPrinterConfig(m_PhysicalPrinter);
    });
}

HRESULT CVekObjectConfig::SetPageLimit(DWORD limit) {
    return ChangeUnderLock(m_Lock, "SetPageLimit", m_bOpen, m_bPhysicalPrinter, [&] {
        const DWORD maximum = m_PhysicalPrinter.MaxPageLimit;
        if (maximum != 0 && limit > maximum) return E_INVALIDARG;
        m_PhysicalPrinter.PageLimit = limit;
        return SetPhysicalPrinterConfig(m_PhysicalPrinter);
    });
}

// ---- logical-printer record ----

HRESULT CVekObjectConfig::GetSpoolingOn(BOOL* state) {
    if (state == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetSpoolingOn", m_bOpen, m_bLogicalPrinter,
                         [&] { return *state = m_LogicalPrinter.SpoolingOn, S_OK; });
}

HRESULT CVekObjectConfig::RescheduleJobsOnInfoError(BOOL* state) {
    if (state == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "RescheduleJobsOnInfoError", m_bOpen, m_bLogicalPrinter,
                         [&] { return *state = m_LogicalPrinter.RescheduleJobsOnInfoError, S_OK; });
}
