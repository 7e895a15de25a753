#include "vekconfig/media_config.h"

#include <cstring>

#include "catalogs/catalog.h"
#include "catalogs/catalog_traits.h"

namespace {

using MediaCatalog = vek::catalogs::Catalog<vek::catalogs::MediaTraits>;
using vek::catalogs::CopyBoundedText;

// The global fields, in the entry's own order (Value1, Value4, Real1,
// Real2, Value2, Value3); the printer-model fields stay zero.
void FillEntry(MEDIA_ARRAY_ENTRY& entry, const MEDIA_CHARACTERISTICS& medium) {
    std::memset(&entry, 0, sizeof entry);
    entry.MediaID = medium.MediaID;
    CopyBoundedText(entry.Text, medium.Text, VEK_CATALOG_TEXT_UNITS);
    entry.Value1 = medium.Value1;
    entry.Value4 = medium.Value4;
    entry.Real1 = medium.Real1;
    entry.Real2 = medium.Real2;
    entry.Value2 = medium.Value2;
    entry.Value3 = medium.Value3;
}

void FillPrinterFields(MEDIA_ARRAY_ENTRY& entry, const PRINTER_MEDIA_CHARACTERISTICS& record) {
    entry.PrinterReal1 = record.PrinterReal1;
    entry.PrinterReal2 = record.PrinterReal2;
    CopyBoundedText(entry.PrinterText1, record.PrinterText1, VEK_CATALOG_TEXT_UNITS);
    CopyBoundedText(entry.PrinterText2, record.PrinterText2, VEK_CATALOG_TEXT_UNITS);
    CopyBoundedText(entry.PrinterText3, record.PrinterText3, VEK_CATALOG_TEXT3_UNITS);
    CopyBoundedText(entry.PrinterText4, record.PrinterText4, VEK_CATALOG_TEXT_UNITS);
    entry.PrinterValue1 = record.PrinterValue1;
    entry.PrinterValue2 = record.PrinterValue2;
}

// Sets ByteSize and Count for count entries, then allocates them. False when
// the block cannot be had; Media is then null and the sizes stay set.
bool AllocateEntries(VEK_MEDIA_ARRAY& media, size_t count) {
    media = {};
    if (count > UINT32_MAX / sizeof(MEDIA_ARRAY_ENTRY)) return false;
    media.ByteSize = static_cast<uint32_t>(count * sizeof(MEDIA_ARRAY_ENTRY));
    media.Count = static_cast<uint32_t>(count);
    media.Media = static_cast<MEDIA_ARRAY_ENTRY*>(CoTaskMemAlloc(media.ByteSize));
    return media.Media != nullptr;
}

}  // namespace

CVekMediaConfig::CVekMediaConfig() : m_pCatalog(new (std::nothrow) MediaCatalog) {}

CVekMediaConfig::~CVekMediaConfig() = default;

HRESULT CVekMediaConfig::Create() { return m_pCatalog ? m_pCatalog->Create() : E_OUTOFMEMORY; }

HRESULT CVekMediaConfig::Open() { return m_pCatalog ? m_pCatalog->Open() : E_OUTOFMEMORY; }

HRESULT CVekMediaConfig::Refresh() { return m_pCatalog ? m_pCatalog->Refresh() : E_OUTOFMEMORY; }

HRESULT CVekMediaConfig::GetMedia(VEK_MEDIA_ARRAY* media) {
    if (!m_pCatalog || !m_pCatalog->IsOpen()) return E_FAIL;
    if (media == nullptr) return E_POINTER;
    *media = {};
    const auto& entries = m_pCatalog->entries();
    if (entries.empty()) return S_OK;
    if (!AllocateEntries(*media, entries.size())) return E_OUTOFMEMORY;
    MEDIA_ARRAY_ENTRY* out = media->Media;
    for (const auto& [id, entry] : entries) FillEntry(*out++, entry.global);
    return S_OK;
}

HRESULT CVekMediaConfig::GetPotentialMedia(const WCHAR* model, VEK_MEDIA_ARRAY* media) {
    if (!m_pCatalog || !m_pCatalog->IsOpen()) return E_FAIL;
    if (model == nullptr || media == nullptr) return E_POINTER;
    const std::u16string_view key(model);
    const size_t matches = m_pCatalog->ForEachMatch(key, [](const auto&, const auto&) {});
    *media = {};
    if (matches == 0) return S_OK;
    if (!AllocateEntries(*media, matches)) {
        *media = {};
        return E_OUTOFMEMORY;
    }
    MEDIA_ARRAY_ENTRY* out = media->Media;
    m_pCatalog->ForEachMatch(key, [&](const MEDIA_CHARACTERISTICS& medium, const PRINTER_MEDIA_CHARACTERISTICS& record) {
        FillEntry(*out, medium);
        FillPrinterFields(*out++, record);
    });
    return S_OK;
}

HRESULT CVekMediaConfig::GetMediaCharacteristics(uint32_t id, MEDIA_CHARACTERISTICS* out) {
    return m_pCatalog ? m_pCatalog->GetGlobal(id, out) : E_FAIL;
}

HRESULT CVekMediaConfig::GetPrinterMediaCharacteristics(uint32_t id, const WCHAR* model,
                                                        PRINTER_MEDIA_CHARACTERISTICS* out) {
    return m_pCatalog ? m_pCatalog->GetPrinter(id, model, out) : E_FAIL;
}

HRESULT CVekMediaConfig::GetPrinterMediaCharacteristics(uint32_t id, uint32_t& count,
                                                        PRINTER_MEDIA_CHARACTERISTICS** out) {
    return m_pCatalog ? m_pCatalog->GetPrinters(id, count, out) : E_FAIL;
}

HRESULT CVekMediaConfig::SetMediaCharacteristics(const MEDIA_CHARACTERISTICS* record) {
    return m_pCatalog ? m_pCatalog->SetGlobal(record) : E_FAIL;
}

HRESULT CVekMediaConfig::SetPrinterMediaCharacteristics(uint32_t id,
                                                        const PRINTER_MEDIA_CHARACTERISTICS* record) {
    return m_pCatalog ? m_pCatalog->SetPrinter(id, record) : E_FAIL;
}

HRESULT CVekMediaConfig::DeleteMediaCharacteristics(uint32_t id) {
    return m_pCatalog ? m_pCatalog->DeleteGlobal(id) : E_FAIL;
}

HRESULT CVekMediaConfig::DeletePrinterMediaCharacteristics(uint32_t id, const WCHAR* model) {
    return m_pCatalog ? m_pCatalog->DeletePrinter(id, model) : E_FAIL;
}
