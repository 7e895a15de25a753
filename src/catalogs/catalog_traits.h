// What distinguishes the donor catalog from the media catalog: file and
// element names, record types and the field that keys a global record.
// Everything else of the two catalogs is one implementation (catalog.h).
#pragma once

#include "vekconfig/catalog_records.h"

namespace vek::catalogs {

struct DonorTraits {
    using Global = DONOR_CHARACTERISTICS;
    using Printer = PRINTER_DONOR_CHARACTERISTICS;
    static constexpr uint32_t Global::*kId = &Global::DonorID;
    static constexpr const WCHAR* kFileName = u"VekDonor.cfg";
    static constexpr const WCHAR* kGlobalStream = u"DONOR_CHARACTERISTICS_V1";
    static constexpr const WCHAR* kPrinterStorage = u"PRINTER_DONOR";
};

struct MediaTraits {
    using Global = MEDIA_CHARACTERISTICS;
    using Printer = PRINTER_MEDIA_CHARACTERISTICS;
    static constexpr uint32_t Global::*kId = &Global::MediaID;
    static constexpr const WCHAR* kFileName = u"VekMedia.cfg";
    static constexpr const WCHAR* kGlobalStream = u"MEDIA_CHARACTERISTICS_V1";
    static constexpr const WCHAR* kPrinterStorage = u"PRINTER_MEDIA";
};

}  // namespace vek::catalogs
