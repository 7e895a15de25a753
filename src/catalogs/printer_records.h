// The printer-model records of one catalog entry, in the order the catalog
// shows them: the record added most recently first; a replaced record keeps
// its place. Records are keyed by their PrinterModel text, compared exactly
// (code unit by code unit, case included), and found in logarithmic time.
//
// Thread safety: none; owned by one catalog instance.
#pragma once

#include <cstring>
#include <list>
#include <map>
#include <string_view>

#include "catalogs/catalog_names.h"
#include "vekconfig/catalog_records.h"

namespace vek::catalogs {

// The key of a printer-model record: its model text up to the terminator.
template <class Printer>
std::u16string_view ModelOf(const Printer& record) {
    return BoundedText(record.PrinterModel, VEK_CATALOG_TEXT_UNITS);
}

template <class Printer>
class PrinterRecords {
public:
    PrinterRecords() = default;
    PrinterRecords(const PrinterRecords&) = delete;
    PrinterRecords& operator=(const PrinterRecords&) = delete;

    const Printer* Find(std::u16string_view model) const {
        const auto found = byModel_.find(model);
        return found == byModel_.end() ? nullptr : &*found->second;
    }

    // Replaces the record of the same model in place, or puts a new one in
    // front; returns the stored copy. Throws std::bad_alloc with nothing
    // changed.
    Printer& Store(const Printer& record) {
        const auto found = byModel_.find(ModelOf(record));
        if (found != byModel_.end()) {
            std::memcpy(&*found->second, &record, sizeof(Printer));
            return *found->second;
        }
        records_.push_front(record);
        try {
            byModel_.emplace(ModelOf(records_.front()), records_.begin());
        } catch (...) {
            records_.pop_front();
            throw;
        }
        return records_.front();
    }

    // False when no record of that model exists.
    bool Remove(std::u16string_view model) {
        const auto found = byModel_.find(model);
        if (found == byModel_.end()) return false;
        const auto record = found->second;
        byModel_.erase(found);
        records_.erase(record);
        return true;
    }

    size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }
    // Newest first.
    auto begin() const { return records_.cbegin(); }
    auto end() const { return records_.cend(); }

private:
    std::list<Printer> records_;
    // Views into the records' own PrinterModel buffers, which list nodes keep
    // in place for the records' lifetime.
    std::map<std::u16string_view, typename std::list<Printer>::iterator> byModel_;
};

}  // namespace vek::catalogs
