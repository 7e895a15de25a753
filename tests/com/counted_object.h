// A test object with an observable reference count, to check that every
// reference handed out is released exactly once.
#pragma once

#include <atomic>

#include "vekconfig/com_runtime.h"

namespace vek::test {

// {0A1B2C3D-1111-2222-3333-444455556666}
constexpr IID IID_ICounted = {0x0A1B2C3D, 0x1111, 0x2222, {0x33, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66}};

struct ICounted : IUnknown {
    virtual int Value() = 0;

protected:
    ~ICounted() = default;
};

class CountedObject final : public ICounted {
public:
    explicit CountedObject(int value) : value_(value) {}

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_ICounted) return E_NOINTERFACE;
        *object = static_cast<ICounted*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override { return --refs_; }  // the test owns the object
    int Value() override { return value_; }

    ULONG refs() const { return refs_.load(); }

private:
    std::atomic<ULONG> refs_{1};
    int value_;
};

}  // namespace vek::test
