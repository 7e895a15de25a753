#include "vekconfig/donor_config.h"

#include <cstring>

#include "catalogs/catalog.h"
#include "catalogs/catalog_traits.h"

namespace {

using DonorCatalog = vek::catalogs::Catalog<vek::catalogs::DonorTraits>;

void FillEntry(DONOR_ARRAY_ENTRY& entry, const DONOR_CHARACTERISTICS& donor, const WCHAR* printerText) {
    using vek::catalogs::CopyBoundedText;
    std::memset(&entry, 0, sizeof entry);
    entry.DonorID = donor.DonorID;
    entry.Value1 = donor.Value1;
    CopyBoundedText(entry.Text, donor.Text, VEK_CATALOG_TEXT_UNITS);
    entry.Value2 = donor.Value2;
    entry.Real1 = donor.Real1;
    entry.Real2 = donor.Real2;
    if (printerText != nullptr) CopyBoundedText(entry.PrinterText, printerText, VEK_CATALOG_TEXT_UNITS);
    entry.Value3 = donor.Value3;
}

// Sizes the array for count entries and allocates them; all three fields
// zero when the block cannot be had.
bool AllocateEntries(VEK_DONOR_ARRAY& donors, size_t count) {
    donors = {};
    if (count > UINT32_MAX / sizeof(DONOR_ARRAY_ENTRY)) return false;
    auto* entries = static_cast<DONOR_ARRAY_ENTRY*>(CoTaskMemAlloc(count * sizeof(DONOR_ARRAY_ENTRY)));
    if (entries == nullptr) return false;
    donors.ByteSize = static_cast<uint32_t>(count * sizeof(DONOR_ARRAY_ENTRY));
    donors.Count = static_cast<uint32_t>(count);
    donors.Donors = entries;
    return true;
}

}  // namespace

CVekDonorConfig::CVekDonorConfig() : m_pCatalog(new (std::nothrow) DonorCatalog) {}

CVekDonorConfig::~CVekDonorConfig() = default;

HRESULT CVekDonorConfig::Create() { return m_pCatalog ? m_pCatalog->Create() : E_OUTOFMEMORY; }

HRESULT CVekDonorConfig::Open() { return m_pCatalog ? m_pCatalog->Open() : E_OUTOFMEMORY; }

HRESULT CVekDonorConfig::Refresh() { return m_pCatalog ? m_pCatalog->Refresh() : E_OUTOFMEMORY; }

HRESULT CVekDonorConfig::GetDonor(VEK_DONOR_ARRAY* donors) {
    if (donors == nullptr) return E_POINTER;
    *donors = {};
    if (!m_pCatalog || !m_pCatalog->IsOpen()) return E_FAIL;
    const auto& entries = m_pCatalog->entries();
    if (entries.empty()) return S_OK;
    if (!AllocateEntries(*donors, entries.size())) return E_OUTOFMEMORY;
    DONOR_ARRAY_ENTRY* out = donors->Donors;
    for (const auto& [id, entry] : entries) FillEntry(*out++, entry.global, nullptr);
    return S_OK;
}

HRESULT CVekDonorConfig::GetPotentialDonor(const WCHAR* model, VEK_DONOR_ARRAY* donors) {
    if (!m_pCatalog || !m_pCatalog->IsOpen()) return E_FAIL;
    if (model == nullptr || donors == nullptr) return E_POINTER;
    const std::u16string_view key(model);
    const size_t matches = m_pCatalog->ForEachMatch(key, [](const auto&, const auto&) {});
    *donors = {};
    if (matches == 0) return S_OK;
    if (!AllocateEntries(*donors, matches)) return E_OUTOFMEMORY;
    DONOR_ARRAY_ENTRY* out = donors->Donors;
    m_pCatalog->ForEachMatch(key, [&](const DONOR_CHARACTERISTICS& donor, const PRINTER_DONOR_CHARACTERISTICS& record) {
        FillEntry(*out++, donor, record.PrinterText);
    });
    return S_OK;
}

HRESULT CVekDonorConfig::GetDonorCharacteristics(uint32_t id, DONOR_CHARACTERISTICS* out) {
    return m_pCatalog ? m_pCatalog->GetGlobal(id, out) : E_FAIL;
}

HRESULT CVekDonorConfig::GetPrinterDonorCharacteristics(uint32_t id, const WCHAR* model,
                                                        PRINTER_DONOR_CHARACTERISTICS* out) {
    return m_pCatalog ? m_pCatalog->GetPrinter(id, model, out) : E_FAIL;
}

HRESULT CVekDonorConfig::GetPrinterDonorCharacteristics(uint32_t id, uint32_t& count,
                                                        PRINTER_DONOR_CHARACTERISTICS** out) {
    return m_pCatalog ? m_pCatalog->GetPrinters(id, count, out) : E_FAIL;
}

HRESULT CVekDonorConfig::SetDonorCharacteristics(const DONOR_CHARACTERISTICS* record) {
    return m_pCatalog ? m_pCatalog->SetGlobal(record) : E_FAIL;
}

HRESULT CVekDonorConfig::SetPrinterDonorCharacteristics(uint32_t id,
                                                        const PRINTER_DONOR_CHARACTERISTICS* record) {
    return m_pCatalog ? m_pCatalog->SetPrinter(id, record) : E_FAIL;
}

HRESULT CVekDonorConfig::DeleteDonorCharacteristics(uint32_t id) {
    return m_pCatalog ? m_pCatalog->DeleteGlobal(id) : E_FAIL;
}

HRESULT CVekDonorConfig::DeletePrinterDonorCharacteristics(uint32_t id, const WCHAR* model) {
    return m_pCatalog ? m_pCatalog->DeletePrinter(id, model) : E_FAIL;
}
