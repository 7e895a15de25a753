// CVekDonorConfig: the donor catalog, "VekDonor.cfg" in the configuration
// root, shared by all printers.
//
// An instance reads the whole file into memory at Open, answers every query
// from memory, and writes each change to memory first and then to the one
// element of the file that holds it. There is no rollback: when the file
// step of a change fails, memory keeps the change and the file step's status
// is returned. Changes made through another instance or process are seen
// after Refresh. The catalog reports nothing to the event log.
//
// A catalog file that exists but cannot be opened as a compound file
// (damaged, or of another format) is never replaced by a change: Open fails
// with the storage's status, and a Set on an instance opened earlier keeps
// its record in memory and returns that status, leaving the file as it is.
// Only a missing file is created by a Set; Create always replaces the file.
//
// Every operation except Create, Open and Refresh needs the catalog to be
// open and otherwise fails with E_FAIL. A null pointer argument gives
// E_POINTER.
//
// Thread safety: none. An instance is used by one thread at a time; separate
// instances, in one process or several, share only the file, which each
// operation opens exclusively for its own duration: a concurrent opener
// fails at once with the storage's sharing status (STG_E_LOCKVIOLATION).
//
// Copying is not allowed: an instance owns its records alone.
#pragma once

#include <memory>

#include "vekconfig/catalog_records.h"

namespace vek::catalogs {
template <class Traits>
class Catalog;
struct DonorTraits;
}  // namespace vek::catalogs

class VEK_API CVekDonorConfig {
public:
    CVekDonorConfig();
    ~CVekDonorConfig();
    CVekDonorConfig(const CVekDonorConfig&) = delete;
    CVekDonorConfig& operator=(const CVekDonorConfig&) = delete;

    // Replaces any "VekDonor.cfg" with an empty one and opens the catalog
    // with the records it already held in memory (none after construction).
    // E_FAIL when already open or when the configuration root is unavailable;
    // otherwise the storage's status on failure.
    HRESULT Create();
    // Reads "VekDonor.cfg" into memory. E_FAIL when already open; the
    // storage's status when the file cannot be opened (STG_E_FILENOTFOUND
    // when it is missing); E_FAIL when its root holds anything but donor
    // storages, in which case the donors read before stay in memory and the
    // catalog stays closed.
    HRESULT Open();
    // Forgets every record, closes the catalog and opens it again.
    HRESULT Refresh();

    // Every donor's global record, ascending DonorID; PrinterText is zero.
    // The array is emptied first; with no donors it stays empty (S_OK). No
    // memory: E_OUTOFMEMORY with all three fields zero. The caller frees
    // Donors with CoTaskMemFree.
    HRESULT GetDonor(VEK_DONOR_ARRAY* donors);
    // One entry, ascending DonorID, for each donor that has a printer-model
    // record whose PrinterModel equals model exactly (case included), with
    // that record's PrinterText. Closed: E_FAIL with the array untouched. No
    // match: S_OK with all three fields zero. No memory: E_OUTOFMEMORY with
    // all three fields zero.
    HRESULT GetPotentialDonor(const WCHAR* model, VEK_DONOR_ARRAY* donors);

    // A copy of donor id's global record (Reserved zero); E_FAIL when absent.
    HRESULT GetDonorCharacteristics(uint32_t id, DONOR_CHARACTERISTICS* out);
    // A copy of one printer-model record; E_FAIL when absent.
    HRESULT GetPrinterDonorCharacteristics(uint32_t id, const WCHAR* model,
                                           PRINTER_DONOR_CHARACTERISTICS* out);
    // All printer-model records of donor id, the most recently added first,
    // in a new array the caller frees with CoTaskMemFree. No such donor, no
    // records, or no memory for the array: S_OK with *out null and count 0.
    HRESULT GetPrinterDonorCharacteristics(uint32_t id, uint32_t& count,
                                           PRINTER_DONOR_CHARACTERISTICS** out);

    // Adds or replaces the global record of record->DonorID (its printer-model
    // records stay), then writes the record as passed, Reserved bytes
    // included. No memory: E_OUTOFMEMORY, nothing changed. File step failed:
    // the storage's status when the file cannot be opened, else E_FAIL;
    // memory keeps the record.
    HRESULT SetDonorCharacteristics(const DONOR_CHARACTERISTICS* record);
    // Adds or replaces the printer-model record of donor id with the same
    // PrinterModel; a new record goes to the front of the donor's records. A
    // donor that does not exist is made with an empty global record, which
    // is not written to the file. A PrinterModel that cannot name a stream
    // (empty, 32 characters or more, or holding \ / : !) stays in memory and
    // gives E_FAIL without touching the file.
    HRESULT SetPrinterDonorCharacteristics(uint32_t id, const PRINTER_DONOR_CHARACTERISTICS* record);
    // Removes donor id with all its printer-model records. E_FAIL when absent
    // (the file is not touched); otherwise the storage's status when the file
    // cannot be opened or holds no such donor (memory keeps the removal).
    HRESULT DeleteDonorCharacteristics(uint32_t id);
    // Removes one printer-model record, likewise.
    HRESULT DeletePrinterDonorCharacteristics(uint32_t id, const WCHAR* model);

private:
    std::unique_ptr<vek::catalogs::Catalog<vek::catalogs::DonorTraits>> m_pCatalog;
};
