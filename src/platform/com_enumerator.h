// An enumerator over a snapshot of elements (IEnumGUID, IEnumCATEGORYINFO).
//
// Thread safety: one thread at a time, as enumerators are used.
#pragma once

#include <algorithm>
#include <new>
#include <vector>

#include "platform/com_object.h"

namespace vek {

template <class Interface, class Element>
class SnapshotEnumerator final : public ComObject<Interface> {
public:
    explicit SnapshotEnumerator(std::vector<Element> elements, size_t position = 0)
        : elements_(std::move(elements)), position_(position) {}

    HRESULT Next(ULONG count, Element* out, ULONG* fetched) override {
        if (out == nullptr || (fetched == nullptr && count != 1)) return E_INVALIDARG;
        const size_t n = std::min<size_t>(count, elements_.size() - position_);
        std::copy_n(elements_.begin() + static_cast<std::ptrdiff_t>(position_), n, out);
        position_ += n;
        if (fetched != nullptr) *fetched = static_cast<ULONG>(n);
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        const size_t n = std::min<size_t>(count, elements_.size() - position_);
        position_ += n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT Clone(Interface** copy) override {
        if (copy == nullptr) return E_POINTER;
        *copy = new (std::nothrow) SnapshotEnumerator(elements_, position_);
        return *copy != nullptr ? S_OK : E_OUTOFMEMORY;
    }

private:
    std::vector<Element> elements_;
    size_t position_;
};

}  // namespace vek
