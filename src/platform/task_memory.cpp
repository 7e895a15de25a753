// Task allocator and BSTR strings.
#include <cstdlib>
#include <cstring>

#include "vekconfig/com.h"
#include "vekconfig/text.h"

void* CoTaskMemAlloc(size_t bytes) { return std::malloc(bytes == 0 ? 1 : bytes); }

void* CoTaskMemRealloc(void* p, size_t bytes) { return std::realloc(p, bytes == 0 ? 1 : bytes); }

void CoTaskMemFree(void* p) { std::free(p); }

namespace {

// A BSTR points just past its 32-bit byte length.
uint32_t* LengthPrefix(BSTR text) { return reinterpret_cast<uint32_t*>(text) - 1; }

}  // namespace

BSTR SysAllocStringLen(const WCHAR* text, uint32_t length) {
    if (length > (UINT32_MAX - sizeof(uint32_t) - sizeof(WCHAR)) / sizeof(WCHAR)) return nullptr;
    const size_t bytes = static_cast<size_t>(length) * sizeof(WCHAR);
    auto* block = static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) + bytes + sizeof(WCHAR)));
    if (block == nullptr) return nullptr;
    block[0] = static_cast<uint32_t>(bytes);
    BSTR chars = reinterpret_cast<BSTR>(block + 1);
    if (text != nullptr)
        std::memcpy(chars, text, bytes);
    else
        std::memset(chars, 0, bytes);
    chars[length] = 0;
    return chars;
}

BSTR SysAllocString(const WCHAR* text) {
    if (text == nullptr) return nullptr;
    return SysAllocStringLen(text, static_cast<uint32_t>(vek::WideLength(text)));
}

void SysFreeString(BSTR text) {
    if (text != nullptr) std::free(LengthPrefix(text));
}

uint32_t SysStringByteLen(BSTR text) { return text == nullptr ? 0 : *LengthPrefix(text); }

uint32_t SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(WCHAR); }
