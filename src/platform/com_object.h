// The reference counting and QueryInterface that every object of the runtime
// shares: derive from ComObject<Interfaces...> and implement the methods of
// the interfaces; IUnknown answers for the first interface.
//
// Thread safety: AddRef/Release are atomic; the rest is the object's business.
#pragma once

#include <atomic>

#include "vekconfig/component_categories.h"

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

// Holds one reference and releases it at the end of its scope.
template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(Interface* adopted) : p_(adopted) {}
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* get() const { return p_; }
    Interface* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-arguments: releases what is held and hands out the slot.
    Interface** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    Interface* detach() {
        Interface* p = p_;
        p_ = nullptr;
        return p;
    }
    void reset() {
        if (p_ != nullptr) p_->Release();
        p_ = nullptr;
    }

private:
    Interface* p_ = nullptr;
};

}  // namespace vek
