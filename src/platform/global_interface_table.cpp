// The process-wide global interface table: cookies issued under one lock, each
// holding a reference to its interface until revoked.
#include <mutex>
#include <unordered_map>

#include "platform/builtin_classes.h"

namespace vek {
namespace {

class GlobalInterfaceTable final : public IGlobalInterfaceTable {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IGlobalInterfaceTable) return E_NOINTERFACE;
        *object = static_cast<IGlobalInterfaceTable*>(this);
        return S_OK;
    }
    // The table lives as long as the process: counts are not kept.
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    HRESULT RegisterInterfaceInGlobal(IUnknown* object, REFIID iid, DWORD* cookie) override {
        if (object == nullptr || cookie == nullptr) return E_INVALIDARG;
        IUnknown* held = nullptr;
        const HRESULT hr = object->QueryInterface(iid, reinterpret_cast<void**>(&held));
        if (FAILED(hr)) return hr;
        std::lock_guard<std::mutex> lock(mutex_);
        do {
            ++lastCookie_;
        } while (lastCookie_ == 0 || entries_.count(lastCookie_) != 0);
        entries_.emplace(lastCookie_, Entry{held, iid});
        *cookie = lastCookie_;
        return S_OK;
    }
    HRESULT RevokeInterfaceFromGlobal(DWORD cookie) override {
        IUnknown* held = nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto found = entries_.find(cookie);
            if (found == entries_.end()) return E_INVALIDARG;
            held = found->second.object;
            entries_.erase(found);
        }
        held->Release();  // outside the lock: the object may use the table
        return S_OK;
    }
    HRESULT GetInterfaceFromGlobal(DWORD cookie, REFIID iid, void** object) override {
        if (object == nullptr) return E_INVALIDARG;
        *object = nullptr;
        IUnknown* held = nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto found = entries_.find(cookie);
            if (found == entries_.end()) return E_INVALIDARG;
            held = found->second.object;
            held->AddRef();
        }
        const HRESULT hr = held->QueryInterface(iid, object);
        held->Release();
        return hr;
    }

protected:
    ~GlobalInterfaceTable() = default;

private:
    struct Entry {
        IUnknown* object;
        IID iid;
    };
    std::mutex mutex_;
    std::unordered_map<DWORD, Entry> entries_;
    DWORD lastCookie_ = 0;
};

}  // namespace

HRESULT CreateGlobalInterfaceTable(REFIID iid, void** object) {
    static auto* table = new GlobalInterfaceTable();
    return table->QueryInterface(iid, object);
}

}  // namespace vek
