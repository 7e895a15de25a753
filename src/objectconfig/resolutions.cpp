// Tables of the common record handed out as result arrays, the values in
// force chosen only from their tables, and the region of interest in the
// image unit in force. A count larger than its table is read as the table's
// size: nothing beyond a table is ever read.
#include <algorithm>
#include <cstring>

#include "objectconfig/access_patterns.h"
#include "platform/copy_bytes.h"
#include "vekconfig/com.h"
#include "vekconfig/objectconfig.h"

using vek::ChangeUnderLock;
using vek::ReadUnderLock;

namespace {

// Fills a result array with the first count entries of a table.
template <class Array, class Entry, size_t N>
HRESULT ArrayOut(const Entry (&table)[N], DWORD count, Array* out) {
    const DWORD used = std::min<DWORD>(count, N);
    out->Count = used;
    out->ByteSize = used * sizeof(Entry);
    out->Entries = static_cast<decltype(out->Entries)>(CoTaskMemAlloc(out->ByteSize));
    if (out->Entries == nullptr) return E_OUTOFMEMORY;
    vek::CopyBytes(out->Entries, table, out->ByteSize);
    return S_OK;
}

// The first used entry equal to value; resolutions compare as floats, so a
// NaN matches nothing.
template <class Entry, size_t N>
bool InTable(const Entry (&table)[N], DWORD count, Entry value) {
    const DWORD used = std::min<DWORD>(count, N);
    return std::find(table, table + used, value) != table + used;
}

template <size_t N>
FLOAT Largest(const FLOAT (&table)[N], DWORD count) {
    FLOAT largest = 0.0f;
    for (DWORD i = 0; i < std::min<DWORD>(count, N); ++i)
        if (table[i] > largest) largest = table[i];
    return largest;
}

// Nearest single-precision value to 2.54, widened for the product.
constexpr double kCentimetresPerInch = static_cast<double>(2.54f);

}  // namespace

HRESULT CVekObjectConfig::GetHorzResolutions(FLOATARRAY* resolutions) {
    if (resolutions == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetHorzResolutions", m_bOpen, m_bCommonConfig, [&] {
        return ArrayOut(m_Common.HorzResolutions, m_Common.NumHorzResolutions, resolutions);
    });
}

HRESULT CVekObjectConfig::GetVertResolutions(FLOATARRAY* resolutions) {
    if (resolutions == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetVertResolutions", m_bOpen, m_bCommonConfig, [&] {
        return ArrayOut(m_Common.VertResolutions, m_Common.NumVertResolutions, resolutions);
    });
}

HRESULT CVekObjectConfig::GetSupportedFormats(QMXFormatArray* formats) {
    if (formats == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetSupportedFormats", m_bOpen, m_bCommonConfig, [&] {
        return ArrayOut(m_Common.SupportedFormats, m_Common.NumSupportedFormats, formats);
    });
}

HRESULT CVekObjectConfig::GetImageUnits(COM_UNITOFMEASUREARRAY* units) {
    if (units == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetImageUnits", m_bOpen, m_bCommonConfig, [&] {
        return ArrayOut(m_Common.ImageUnits, m_Common.NumImageUnits, units);
    });
}

HRESULT CVekObjectConfig::GetCapabilities(PRINTER_CAPABILTY_ARRAY* capabilities) {
    if (capabilities == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetCapabilities", m_bOpen, m_bCommonConfig, [&] {
        return ArrayOut(m_Common.Capabilities, m_Common.NumCapabilities, capabilities);
    });
}

// Each entry gets its slot's name (at most 31 code units: a slot holds its
// terminator) and zeros to the end of the entry.
HRESULT CVekObjectConfig::GetPrinterModelsSupported(PRINTER_MODEL_ARRAY* models) {
    if (models == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetPrinterModelsSupported", m_bOpen, m_bCommonConfig, [&] {
        const DWORD used = std::min(m_Common.NumPrinterModelsSupported, VEK_MAX_MODEL_SLOTS);
        models->Count = used;
        models->ByteSize = used * sizeof(VEK_PRINTER_MODEL_NAME);
        models->Entries = static_cast<VEK_PRINTER_MODEL_NAME*>(CoTaskMemAlloc(models->ByteSize));
        if (models->Entries == nullptr) return E_OUTOFMEMORY;
        std::memset(models->Entries, 0, models->ByteSize);
        for (DWORD i = 0; i < used; ++i) {
            const WCHAR* slot = m_Common.PrinterModelsSupported + i * VEK_MODEL_SLOT_CHARS;
            for (DWORD c = 0; c < VEK_MODEL_SLOT_CHARS - 1 && slot[c] != 0; ++c)
                models->Entries[i][c] = slot[c];
        }
        return S_OK;
    });
}

HRESULT CVekObjectConfig::GetCurrentHorzResolution(FLOAT* resolution) {
    if (resolution == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetCurrentHorzResolution", m_bOpen, m_bCommonConfig,
                         [&] { return *resolution = m_Common.CurrentHorzResolution, S_OK; });
}

HRESULT CVekObjectConfig::GetCurrentVertResolution(FLOAT* resolution) {
    if (resolution == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetCurrentVertResolution", m_bOpen, m_bCommonConfig,
                         [&] { return *resolution = m_Common.CurrentVertResolution, S_OK; });
}

HRESULT CVekObjectConfig::GetCurrentFormat(ValidQMXFormat* format) {
    if (format == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetCurrentFormat", m_bOpen, m_bCommonConfig,
                         [&] { return *format = m_Common.CurrentFormat, S_OK; });
}

HRESULT CVekObjectConfig::GetPreferredFormat(ValidQMXFormat* format) {
    if (format == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetPreferredFormat", m_bOpen, m_bCommonConfig,
                         [&] { return *format = m_Common.PreferredFormat, S_OK; });
}

HRESULT CVekObjectConfig::GetCurrentImageUnit(COM_UNITOFMEASURE* unit) {
    if (unit == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetCurrentImageUnit", m_bOpen, m_bCommonConfig,
                         [&] { return *unit = m_Common.CurrentImageUnit, S_OK; });
}

HRESULT CVekObjectConfig::SetCurrentHorzResolution(FLOAT resolution) {
    return ChangeUnderLock(m_Lock, "SetCurrentHorzResolution", m_bOpen, m_bCommonConfig, [&] {
        if (!InTable(m_Common.HorzResolutions, m_Common.NumHorzResolutions, resolution))
            return E_INVALIDARG;
        m_Common.CurrentHorzResolution = resolution;
        return SetVekObjectConfig(m_Common);
    });
}

HRESULT CVekObjectConfig::SetCurrentVertResolution(FLOAT resolution) {
    return ChangeUnderLock(m_Lock, "SetCurrentVertResolution", m_bOpen, m_bCommonConfig, [&] {
        if (!InTable(m_Common.VertResolutions, m_Common.NumVertResolutions, resolution))
            return E_INVALIDARG;
        m_Common.CurrentVertResolution = resolution;
        return SetVekObjectConfig(m_Common);
    });
}

HRESULT CVekObjectConfig::SetCurrentFormat(ValidQMXFormat format) {
    return ChangeUnderLock(m_Lock, "SetCurrentFormat", m_bOpen, m_bCommonConfig, [&] {
        if (!InTable(m_Common.SupportedFormats, m_Common.NumSupportedFormats, format))
            return E_INVALIDARG;
        m_Common.CurrentFormat = format;
        return SetVekObjectConfig(m_Common);
    });
}

HRESULT CVekObjectConfig::SetCurrentImageUnit(COM_UNITOFMEASURE unit) {
    return ChangeUnderLock(m_Lock, "SetCurrentImageUnit", m_bOpen, m_bCommonConfig, [&] {
        if (!InTable(m_Common.ImageUnits, m_Common.NumImageUnits, unit)) return E_INVALIDARG;
        m_Common.CurrentImageUnit = unit;
        return SetVekObjectConfig(m_Common);
    });
}

FLOAT CVekObjectConfig::GetMaxHorzResolutionSupported() {
    return Largest(m_Common.HorzResolutions, m_Common.NumHorzResolutions);
}

FLOAT CVekObjectConfig::GetMaxVertResolutionSupported() {
    return Largest(m_Common.VertResolutions, m_Common.NumVertResolutions);
}

HRESULT CVekObjectConfig::GetRegionOfInterestExtents(FLOAT* horizontal, FLOAT* vertical) {
    if (horizontal == nullptr || vertical == nullptr) return E_POINTER;
    return ReadUnderLock(m_Lock, "GetRegionOfInterestExtents", m_bOpen, m_bCommonConfig, [&] {
        double hFactor = 1.0, vFactor = 1.0;
        switch (m_Common.CurrentImageUnit) {
            case UOM_INCHES: break;
            case UOM_CENTIMETERS: hFactor = vFactor = kCentimetresPerInch; break;
            case UOM_PIXELS:
                hFactor = GetMaxHorzResolutionSupported();
                vFactor = GetMaxVertResolutionSupported();
                break;
            default: return E_FAIL;
        }
        *horizontal = static_cast<FLOAT>(m_Common.RegionOfInterestExtents[0] * hFactor);
        *vertical = static_cast<FLOAT>(m_Common.RegionOfInterestExtents[1] * vFactor);
        return S_OK;
    });
}
