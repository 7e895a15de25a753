// Whole records: getters copy the member; setters store the record and
// rewrite its one stream. The common and physical-printer setters take no
// lock (the field setters call them while holding the write lock) and zero
// the reserved tail; the others take the write lock themselves.
#include <cstring>

#include "objectconfig/access_patterns.h"
#include "platform/com_ptr.h"
#include "platform/copy_bytes.h"
#include "vekconfig/objectconfig.h"
#include "vekconfig/storage.h"

using vek::ReadUnderLock;

namespace {

template <class Record>
HRESULT CopyOut(const Record& member, Record* out) {
    vek::CopyBytes(out, &member, sizeof member);
    return S_OK;
}

}  // namespace

HRESULT CVekObjectConfig::GetVekObjectConfig(VEK_COMMON_CONFIG_DATA* config) {
    if (config == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetVekObjectConfig", m_bOpen, m_bCommonConfig,
                         [&] { return CopyOut(m_Common, config); });
}

HRESULT CVekObjectConfig::GetPhysicalPrinterConfig(VEK_PHYSICAL_PRINTER_CONFIG_DATA* config) {
    if (config == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetPhysicalPrinterConfig", m_bOpen, m_bPhysicalPrinter,
                         [&] { return CopyOut(m_PhysicalPrinter, config); });
}

HRESULT CVekObjectConfig::GetLogicalPrinterConfig(VEK_LOGICAL_PRINTER_CONFIG_DATA* config) {
    if (config == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetLogicalPrinterConfig", m_bOpen, m_bLogicalPrinter,
                         [&] { return CopyOut(m_LogicalPrinter, config); });
}

HRESULT CVekObjectConfig::GetPFLogicalPrinterConfig(VEK_PF_LOGICAL_PRINTER_CONFIG_DATA* config) {
    if (config == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetPFLogicalPrinterConfig", m_bOpen, m_bPFLogicalPrinter,
                         [&] { return CopyOut(m_PFLogicalPrinter, config); });
}

HRESULT CVekObjectConfig::GetLogicalPrinter5300Config(VEK_LOGICAL_PRINTER_5300_CONFIG_DATA* config) {
    if (config == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetLogicalPrinter5300Config", m_bOpen, m_bLogicalPrinter5300,
                         [&] { return CopyOut(m_LogicalPrinter5300, config); });
}

HRESULT CVekObjectConfig::GetDefaultJobAttributes(VEK_JOB_ATTRIBUTES* attributes) {
    if (attributes == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetDefaultJobAttributes", m_bOpen, m_bJobAttributes,
                         [&] { return CopyOut(m_JobAttributes, attributes); });
}

HRESULT CVekObjectConfig::GetDefaultPageAttributes(PageAttributesT2* attributes) {
    if (attributes == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetDefaultPageAttributes", m_bOpen, m_bPageAttributes,
                         [&] { return CopyOut(m_PageAttributes, attributes); });
}

HRESULT CVekObjectConfig::GetDefaultImageAttributes(ImageAttributesT* attributes) {
    if (attributes == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetDefaultImageAttributes", m_bOpen, m_bImageAttributes,
                         [&] { return CopyOut(m_ImageAttributes, attributes); });
}

HRESULT CVekObjectConfig::SetVekObjectConfig(VEK_COMMON_CONFIG_DATA config) {
    if (!m_bOpen) return E_FAIL;
    vek::ComPtr<IStorage> storage;
    const HRESULT hr = OpenVekObjectFile(storage.put(), m_FileName);
    if (FAILED(hr)) return hr;
    m_Common = config;
    std::memset(m_Common.Reserved, 0, sizeof m_Common.Reserved);
    const HRESULT written = WriteConfig(storage.get(), &m_Common);
    m_bCommonConfig = true;
    return written;
}

HRESULT CVekObjectConfig::SetPhysicalPrinterConfig(VEK_PHYSICAL_PRINTER_CONFIG_DATA config) {
    if (!m_bOpen) return E_FAIL;
    vek::ComPtr<IStorage> storage;
    const HRESULT hr = OpenVekObjectFile(storage.put(), m_FileName);
    if (FAILED(hr)) return hr;
    m_PhysicalPrinter = config;
    std::memset(m_PhysicalPrinter.Reserved, 0, sizeof m_PhysicalPrinter.Reserved);
    const HRESULT written = WritePhysicalPrinterData(storage.get(), &m_PhysicalPrinter);
    m_bPhysicalPrinter = true;
    return written;
}

// The locked whole-record setters: store, write with the record's writer,
// mark present whatever the write gave.
#define VEK_LOCKED_RECORD_SETTER(Method, Type, member, present, writer)                 \
    HRESULT CVekObjectConfig::Method(Type record) {                                     \
        vek::ConfigLockScope lock(m_Lock, vek::ConfigLockScope::Kind::kWrite, #Method); \
        if (FAILED(lock.status())) return lock.status();                               \
        if (!m_bOpen) return E_FAIL;                                                    \
        vek::ComPtr<IStorage> storage;                                                  \
        const HRESULT hr = OpenVekObjectFile(storage.put(), m_FileName);                \
        if (FAILED(hr)) return hr;                                                      \
        member = record;                                                                \
        const HRESULT written = writer(storage.get(), &member);                         \
        present = true;                                                                 \
        return written;                                                                 \
    }

VEK_LOCKED_RECORD_SETTER(SetLogicalPrinterConfig, VEK_LOGICAL_PRINTER_CONFIG_DATA, m_LogicalPrinter,
                         m_bLogicalPrinter, WriteLogicalPrinterData)
VEK_LOCKED_RECORD_SETTER(SetPFLogicalPrinterConfig, VEK_PF_LOGICAL_PRINTER_CONFIG_DATA,
                         m_PFLogicalPrinter, m_bPFLogicalPrinter, WritePFLogicalPrinterData)
VEK_LOCKED_RECORD_SETTER(SetLogicalPrinter5300Config, VEK_LOGICAL_PRINTER_5300_CONFIG_DATA,
                         m_LogicalPrinter5300, m_bLogicalPrinter5300, WriteLogicalPrinter5300Data)
VEK_LOCKED_RECORD_SETTER(SetDefaultJobAttributes, VEK_JOB_ATTRIBUTES, m_JobAttributes,
                         m_bJobAttributes, WriteDefaultJobData)
VEK_LOCKED_RECORD_SETTER(SetDefaultPageAttributes, PageAttributesT2, m_PageAttributes,
                         m_bPageAttributes, WriteDefaultPageData)
VEK_LOCKED_RECORD_SETTER(SetDefaultImageAttributes, ImageAttributesT, m_ImageAttributes,
                         m_bImageAttributes, WriteDefaultImageData)

#undef VEK_LOCKED_RECORD_SETTER
