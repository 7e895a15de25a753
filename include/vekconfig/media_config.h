// CVekMediaConfig: the media catalog, "VekMedia.cfg" in the configuration
// root, shared by all printers. It keeps its file exactly as
// CVekDonorConfig keeps "VekDonor.cfg" (see donor_config.h for the rules on
// memory and file, damaged files, sharing and copying); the differences are
// the records and the failure results of the two listings.
//
// Every operation except Create, Open and Refresh needs the catalog to be
// open and otherwise fails with E_FAIL. A null pointer argument gives
// E_POINTER.
//
// Thread safety: none; an instance is used by one thread at a time. Each
// operation opens the file exclusively for its own duration.
#pragma once

#include <memory>

#include "vekconfig/catalog_records.h"

namespace vek::catalogs {
template <class Traits>
class Catalog;
struct MediaTraits;
}  // namespace vek::catalogs

class VEK_API CVekMediaConfig {
public:
    CVekMediaConfig();
    ~CVekMediaConfig();
    CVekMediaConfig(const CVekMediaConfig&) = delete;
    CVekMediaConfig& operator=(const CVekMediaConfig&) = delete;

    // As CVekDonorConfig::Create, Open and Refresh, on "VekMedia.cfg".
    HRESULT Create();
    HRESULT Open();
    HRESULT Refresh();

    // Every medium's global record, ascending MediaID; the printer-model
    // fields of the entries are zero. Closed: E_FAIL with the array left as it
    // was. No media: S_OK with all three fields zero. No memory:
    // E_OUTOFMEMORY with Media null while ByteSize and Count hold the sizes
    // that were wanted. The caller frees Media with CoTaskMemFree.
    HRESULT GetMedia(VEK_MEDIA_ARRAY* media);
    // One entry, ascending MediaID, for each medium that has a printer-model
    // record whose PrinterModel equals model exactly, with that record's
    // fields (PrinterText3 whole, all 513 units). Closed: E_FAIL with the
    // array untouched. No match: S_OK with all three fields zero. No memory:
    // E_OUTOFMEMORY with all three fields zero.
    HRESULT GetPotentialMedia(const WCHAR* model, VEK_MEDIA_ARRAY* media);

    // A copy of medium id's global record (Reserved zero); E_FAIL when absent.
    HRESULT GetMediaCharacteristics(uint32_t id, MEDIA_CHARACTERISTICS* out);
    // A copy of one printer-model record; E_FAIL when absent.
    HRESULT GetPrinterMediaCharacteristics(uint32_t id, const WCHAR* model,
                                           PRINTER_MEDIA_CHARACTERISTICS* out);
    // All printer-model records of medium id, the most recently added first,
    // in a new array the caller frees with CoTaskMemFree. No such medium, no
    // records, or no memory: S_OK with *out null and count 0.
    HRESULT GetPrinterMediaCharacteristics(uint32_t id, uint32_t& count,
                                           PRINTER_MEDIA_CHARACTERISTICS** out);

    // As the donor catalog's Set and Delete operations. A printer-model record
    // is written with its two bytes of AlignmentFill as passed.
    HRESULT SetMediaCharacteristics(const MEDIA_CHARACTERISTICS* record);
    HRESULT SetPrinterMediaCharacteristics(uint32_t id, const PRINTER_MEDIA_CHARACTERISTICS* record);
    HRESULT DeleteMediaCharacteristics(uint32_t id);
    HRESULT DeletePrinterMediaCharacteristics(uint32_t id, const WCHAR* model);

private:
    std::unique_ptr<vek::catalogs::Catalog<vek::catalogs::MediaTraits>> m_pCatalog;
};
