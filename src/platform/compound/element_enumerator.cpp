// IEnumSTATSTG over the elements of one storage, in sibling order. The list
// is taken when the enumerator is made and again at each Reset.

#include "platform/compound/com_objects.h"

namespace vek::compound {
namespace {

class ElementEnumerator final : public ComObject<IEnumSTATSTG> {
public:
    ElementEnumerator(std::shared_ptr<CompoundFile> file, uint32_t storage)
        : file_(std::move(file)), storage_(storage) {}


    HRESULT Next(ULONG count, STATSTG* elements, ULONG* fetched) override {
        if (elements == nullptr || (fetched == nullptr && count != 1)) return STG_E_INVALIDPOINTER;
        ULONG done = 0;
        while (done < count && next_ < ids_.size()) {
            const Entry& entry = file_->entry(ids_[next_]);
            if (entry.type == kTypeUnused || entry.parent != storage_) {
                ++next_;  // destroyed since the list was taken
                continue;
            }
            HRESULT hr = FillStat(entry, entry.type == kTypeStream ? entry.size : 0, 0, STATFLAG_DEFAULT,
                                  &elements[done]);
            if (FAILED(hr)) {
                for (ULONG i = 0; i < done; ++i) CoTaskMemFree(elements[i].pwcsName);
                return hr;
            }
            ++done;
            ++next_;
        }
        if (fetched != nullptr) *fetched = done;
        return done == count ? S_OK : S_FALSE;
    }

    HRESULT Skip(ULONG count) override {
        const size_t left = ids_.size() - next_;
        next_ += std::min<size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }

    HRESULT Reset() override {
        next_ = 0;
        return file_->Children(storage_, &ids_);
    }

    HRESULT Clone(IEnumSTATSTG** copy) override {
        if (copy == nullptr) return STG_E_INVALIDPOINTER;
        auto* clone = new ElementEnumerator(file_, storage_);
        clone->ids_ = ids_;
        clone->next_ = next_;
        *copy = clone;
        return S_OK;
    }

private:
    std::shared_ptr<CompoundFile> file_;
    const uint32_t storage_;
    std::vector<uint32_t> ids_;
    size_t next_ = 0;
};

}  // namespace

HRESULT NewEnumerator(std::shared_ptr<CompoundFile> file, uint32_t storage, IEnumSTATSTG** enumerator) {
    auto* made = new ElementEnumerator(std::move(file), storage);
    HRESULT hr = made->Reset();
    if (FAILED(hr)) {
        made->Release();
        return hr;
    }
    *enumerator = made;
    return S_OK;
}

}  // namespace vek::compound
