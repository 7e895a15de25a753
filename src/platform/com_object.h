// The reference counting and QueryInterface that every object of the runtime
// shares: derive from ComObject<Interfaces...> and implement the methods of
// the interfaces; IUnknown answers for the first interface.
//
// Thread safety: AddRef/Release are atomic; the rest is the object's business.
#pragma once

#include <atomic>

#include "platform/com_ptr.h"
#include "vekconfig/component_categories.h"
#include "vekconfig/storage.h"

namespace vek {

// The IID of each interface the runtime implements.
template <class Interface>
struct InterfaceId;
template <> struct InterfaceId<IStream> { static constexpr const IID& value = IID_IStream; };
template <> struct InterfaceId<IClassFactory> { static constexpr const IID& value = IID_IClassFactory; };
template <> struct InterfaceId<IMoniker> { static constexpr const IID& value = IID_IMoniker; };
template <> struct InterfaceId<IBindCtx> { static constexpr const IID& value = IID_IBindCtx; };
template <> struct InterfaceId<ICatRegister> { static constexpr const IID& value = IID_ICatRegister; };
template <> struct InterfaceId<ICatInformation> { static constexpr const IID& value = IID_ICatInformation; };
template <> struct InterfaceId<IEnumGUID> { static constexpr const IID& value = IID_IEnumGUID; };
template <> struct InterfaceId<IEnumCATEGORYINFO> { static constexpr const IID& value = IID_IEnumCATEGORYINFO; };
template <> struct InterfaceId<IStorage> { static constexpr const IID& value = IID_IStorage; };
template <> struct InterfaceId<IEnumSTATSTG> { static constexpr const IID& value = IID_IEnumSTATSTG; };

template <class First, class... Others>
class ComObject : public First, public Others... {
public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown || iid == InterfaceId<First>::value) {
            *object = static_cast<First*>(this);
        } else {
            ((*object == nullptr && iid == InterfaceId<Others>::value
                  ? (void)(*object = static_cast<Others*>(this))
                  : (void)0),
             ...);
        }
        if (*object == nullptr) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override {
        const ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~ComObject() = default;

private:
    std::atomic<ULONG> refs_{1};
};

}  // namespace vek
