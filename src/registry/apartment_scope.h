// Joins the calling thread to the multithreaded apartment for one operation
// unless it already belongs to an apartment, and leaves it again at the end
// only when this scope joined it.
//
// Thread safety: acts on the calling thread only.
#pragma once

#include "vekconfig/com.h"

namespace vek {

class ApartmentScope {
public:
    ApartmentScope() : status_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ApartmentScope() {
        if (status_ == S_OK) CoUninitialize();
    }
    ApartmentScope(const ApartmentScope&) = delete;
    ApartmentScope& operator=(const ApartmentScope&) = delete;

    // False when initialisation failed with anything but "already
    // initialised" or "another apartment"; the operation then returns status().
    bool usable() const { return status_ == S_OK || status_ == S_FALSE || status_ == RPC_E_CHANGED_MODE; }
    HRESULT status() const { return status_; }

private:
    HRESULT status_;
};

}  // namespace vek
