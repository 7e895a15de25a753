// An owning reference to a COM-shaped interface: releases what it holds when
// it goes out of scope, so every object is released on every path.
//
// Thread safety: as the interface it holds.
#pragma once

namespace vek {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T* adopted) : pointer_(adopted) {}
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(other.detach()) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            pointer_ = other.detach();
        }
        return *this;
    }

    T* get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // For an out-parameter: releases the current reference and hands out the
    // slot that receives a new one.
    T** put() {
        reset();
        return &pointer_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

    // Hands the reference to the caller, leaving this empty.
    T* detach() {
        T* pointer = pointer_;
        pointer_ = nullptr;
        return pointer;
    }
    void reset() {
        if (pointer_ != nullptr) pointer_->Release();
        pointer_ = nullptr;
    }

private:
    T* pointer_ = nullptr;
};

}  // namespace vek
