// One consumable catalog held in memory, and the file it mirrors.
//
// The whole file is read when the catalog is opened; queries are answered
// from memory; each change goes to memory first and then to the one stream
// (or storage) of the file that holds it, with no rollback of memory when
// the file step fails. Global entries are kept in ascending unsigned id
// order. Both catalogs share this implementation through their traits.
//
// The file: a root of entry storages named by id (catalog_names.h); each
// holds the global record stream and, once a printer-model record has been
// written, a printer-model storage of streams named by model.
//
// Thread safety: none; an instance is used by one thread at a time. Separate
// instances share only the file, opened exclusively for each operation.
#pragma once

#include <cstring>
#include <map>
#include <new>
#include <string_view>

#include "catalogs/catalog_file.h"
#include "catalogs/catalog_names.h"
#include "catalogs/printer_records.h"
#include "platform/com_ptr.h"
#include "vekconfig/com.h"

namespace vek::catalogs {

template <class Traits>
class Catalog {
public:
    using Global = typename Traits::Global;
    using Printer = typename Traits::Printer;

    struct Entry {
        Global global;
        PrinterRecords<Printer> printers;
    };
    using Entries = std::map<uint32_t, Entry>;

    Catalog() = default;
    Catalog(const Catalog&) = delete;
    Catalog& operator=(const Catalog&) = delete;

    bool IsOpen() const { return open_; }
    // Ascending unsigned id.
    const Entries& entries() const { return entries_; }

    HRESULT Open() {
        if (open_) return E_FAIL;
        ComPtr<IStorage> root;
        HRESULT status = OpenCatalogFile(Traits::kFileName, root.put());
        if (FAILED(status)) return status;
        status = ReadConfigFile(root.get());
        if (FAILED(status)) return status;
        open_ = true;
        return S_OK;
    }

    HRESULT Create() {
        if (open_) return E_FAIL;
        ComPtr<IStorage> root;
        const HRESULT status = CreateCatalogFile(Traits::kFileName, root.put());
        if (FAILED(status)) return status;
        open_ = true;
        return S_OK;
    }

    HRESULT Refresh() {
        Free();
        return Open();
    }

    // Forgets every record and closes the catalog.
    void Free() {
        entries_.clear();
        open_ = false;
    }

    // Calls visit(global, printer) for each entry holding a printer-model
    // record of exactly that model, ascending id; returns how many did.
    template <class Visit>
    size_t ForEachMatch(std::u16string_view model, Visit visit) const {
        size_t matches = 0;
        for (const auto& [id, entry] : entries_) {
            if (const Printer* record = entry.printers.Find(model)) {
                visit(entry.global, *record);
                ++matches;
            }
        }
        return matches;
    }

    const Entry* Find(uint32_t id) const {
        const auto found = entries_.find(id);
        return found == entries_.end() ? nullptr : &found->second;
    }

    HRESULT GetGlobal(uint32_t id, Global* out) const {
        if (!open_) return E_FAIL;
        if (out == nullptr) return E_POINTER;
        const Entry* entry = Find(id);
        if (entry == nullptr) return E_FAIL;
        std::memcpy(out, &entry->global, sizeof(Global));
        return S_OK;
    }

    HRESULT GetPrinter(uint32_t id, const WCHAR* model, Printer* out) const {
        if (!open_) return E_FAIL;
        if (model == nullptr || out == nullptr) return E_POINTER;
        const Entry* entry = Find(id);
        const Printer* record = entry == nullptr ? nullptr : entry->printers.Find(model);
        if (record == nullptr) return E_FAIL;
        std::memcpy(out, record, sizeof(Printer));
        return S_OK;
    }

    // All printer-model records of one entry, newest first, in one
    // CoTaskMemAlloc block. No entry, no records or no memory: S_OK with
    // nothing returned.
    HRESULT GetPrinters(uint32_t id, uint32_t& count, Printer** out) const {
        if (!open_) return E_FAIL;
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        count = 0;
        const Entry* entry = Find(id);
        if (entry == nullptr || entry->printers.empty()) return S_OK;
        auto* records = static_cast<Printer*>(CoTaskMemAlloc(entry->printers.size() * sizeof(Printer)));
        if (records == nullptr) return S_OK;
        for (const Printer& record : entry->printers) std::memcpy(&records[count++], &record, sizeof(Printer));
        *out = records;
        return S_OK;
    }

    // Stores the record in memory, then writes it to the file exactly as
    // passed (Reserved bytes included). A missing file is created.
    HRESULT SetGlobal(const Global* record) {
        if (!open_) return E_FAIL;
        if (record == nullptr) return E_POINTER;
        HRESULT status = StoreGlobal(*record);
        if (FAILED(status)) return status;
        ComPtr<IStorage> root;
        status = OpenCatalogFileForChange(Traits::kFileName, root.put());
        if (FAILED(status)) return status;
        return WriteGlobal(root.get(), *record);
    }

    HRESULT SetPrinter(uint32_t id, const Printer* record) {
        if (!open_) return E_FAIL;
        if (record == nullptr) return E_POINTER;
        HRESULT status = StorePrinter(id, *record);
        if (FAILED(status)) return status;
        ComPtr<IStorage> root;
        status = OpenCatalogFileForChange(Traits::kFileName, root.put());
        if (FAILED(status)) return status;
        return WritePrinter(root.get(), id, *record);
    }

    // Removes an entry with its printer-model records, from memory and then
    // from the file (which is never created here).
    HRESULT DeleteGlobal(uint32_t id) {
        if (!open_) return E_FAIL;
        if (entries_.erase(id) == 0) return E_FAIL;
        ComPtr<IStorage> root;
        const HRESULT status = OpenCatalogFile(Traits::kFileName, root.put());
        if (FAILED(status)) return status;
        WCHAR name[kIdNameUnits];
        IdToStorageName(id, name);
        return root->DestroyElement(name);
    }

    HRESULT DeletePrinter(uint32_t id, const WCHAR* model) {
        if (!open_) return E_FAIL;
        if (model == nullptr) return E_POINTER;
        const auto found = entries_.find(id);
        if (found == entries_.end() || !found->second.printers.Remove(model)) return E_FAIL;
        ComPtr<IStorage> root;
        HRESULT status = OpenCatalogFile(Traits::kFileName, root.put());
        if (FAILED(status)) return status;
        ComPtr<IStorage> printers;
        status = OpenPrinterStorage(root.get(), id, printers);
        if (FAILED(status)) return status;
        return printers->DestroyElement(model);
    }

private:
    static constexpr DWORD kOpenMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

    // Stores a copy with a zero Reserved tail: replaces the record of the same
    // id in place (its printer-model records stay) or inserts a new entry.
    HRESULT StoreGlobal(const Global& record) {
        try {
            Entry& entry = entries_[record.*Traits::kId];
            std::memcpy(&entry.global, &record, sizeof(Global));
            std::memset(entry.global.Reserved, 0, sizeof entry.global.Reserved);
            return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

    // Stores a copy with a zero Reserved tail under entry id, which is made
    // with an otherwise empty global record when it does not exist.
    HRESULT StorePrinter(uint32_t id, const Printer& record) {
        auto found = entries_.find(id);
        if (found == entries_.end()) {
            Global empty = {};
            empty.*Traits::kId = id;
            if (FAILED(StoreGlobal(empty))) return E_FAIL;
            found = entries_.find(id);
        }
        try {
            Printer& stored = found->second.printers.Store(record);
            std::memset(stored.Reserved, 0, sizeof stored.Reserved);
            return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

    // The root holds entry storages only: any other element stops the read
    // with E_FAIL, keeping what was read before it. An entry storage that
    // cannot be opened or read is skipped.
    HRESULT ReadConfigFile(IStorage* root) {
        bool foreign = false;
        const HRESULT status = WalkElements(root, [&](const WCHAR* name, DWORD type) {
            if (type != STGTY_STORAGE) {
                foreign = true;
                return false;
            }
            ComPtr<IStorage> entry;
            if (SUCCEEDED(root->OpenStorage(name, nullptr, kOpenMode, nullptr, 0, entry.put())))
                ReadEntry(StorageNameToId(name), entry.get());
            return true;
        });
        if (FAILED(status)) return status;
        return foreign ? E_FAIL : S_OK;
    }

    // Any stream makes the global record stream be read and stored under its
    // own id; if that stream cannot be read, the rest of this storage is
    // skipped. Every sub-storage is read as printer-model records of id.
    void ReadEntry(uint32_t id, IStorage* storage) {
        WalkElements(storage, [&](const WCHAR* name, DWORD type) {
            if (type == STGTY_STORAGE) {
                ComPtr<IStorage> printers;
                if (SUCCEEDED(storage->OpenStorage(name, nullptr, kOpenMode, nullptr, 0, printers.put())))
                    ReadPrinters(id, printers.get());
                return true;
            }
            if (type != STGTY_STREAM) return true;
            Global record;
            if (FAILED(ReadRecord(storage, Traits::kGlobalStream, &record, sizeof record))) return false;
            StoreGlobal(record);
            return true;
        });
    }

    // Each stream is one printer-model record of entry id, keyed by its own
    // PrinterModel. A stream that cannot be read ends this storage's walk.
    void ReadPrinters(uint32_t id, IStorage* storage) {
        WalkElements(storage, [&](const WCHAR* name, DWORD type) {
            if (type != STGTY_STREAM) return true;
            Printer record;
            if (FAILED(ReadRecord(storage, name, &record, sizeof record))) return false;
            StorePrinter(id, record);
            return true;
        });
    }

    static HRESULT WriteGlobal(IStorage* root, const Global& record) {
        WCHAR name[kIdNameUnits];
        IdToStorageName(record.*Traits::kId, name);
        ComPtr<IStorage> entry;
        if (FAILED(OpenOrCreateStorage(root, name, entry.put()))) return E_FAIL;
        return WriteRecord(entry.get(), Traits::kGlobalStream, &record, sizeof record);
    }

    // A model that cannot name a stream fails before the file is touched.
    static HRESULT WritePrinter(IStorage* root, uint32_t id, const Printer& record) {
        const std::u16string_view model = ModelOf(record);
        if (!IsValidElementName(model)) return E_FAIL;
        WCHAR streamName[VEK_CATALOG_TEXT_UNITS + 1] = {};
        std::memcpy(streamName, model.data(), model.size() * sizeof(WCHAR));
        WCHAR name[kIdNameUnits];
        IdToStorageName(id, name);
        ComPtr<IStorage> entry;
        if (FAILED(OpenOrCreateStorage(root, name, entry.put()))) return E_FAIL;
        ComPtr<IStorage> printers;
        if (FAILED(OpenOrCreateStorage(entry.get(), Traits::kPrinterStorage, printers.put()))) return E_FAIL;
        return WriteRecord(printers.get(), streamName, &record, sizeof record);
    }

    // Reaches the printer-model storage of entry id without creating it: a
    // removal from a file that lacks it has nothing to remove.
    static HRESULT OpenPrinterStorage(IStorage* root, uint32_t id, ComPtr<IStorage>& printers) {
        WCHAR name[kIdNameUnits];
        IdToStorageName(id, name);
        ComPtr<IStorage> entry;
        const HRESULT status = root->OpenStorage(name, nullptr, kOpenMode, nullptr, 0, entry.put());
        if (FAILED(status)) return status;
        return entry->OpenStorage(Traits::kPrinterStorage, nullptr, kOpenMode, nullptr, 0, printers.put());
    }

    Entries entries_;
    bool open_ = false;
};

}  // namespace vek::catalogs
