// A registry for fault tests: the real one, except that key opens answer a
// chosen code a number of times and key creates may always fail. Install it
// with RecordingEnv::SetRegistry.
#pragma once

#include "platform/env.h"

namespace vek::test {

// Key opens answer `code` for the first `times` calls (all calls when
// times is negative); creates answer createCode when it is not 0.
class FaultyRegistry : public RegistryApiWrapper {
public:
    FaultyRegistry(LSTATUS code, int times, LSTATUS createCode = ERROR_SUCCESS)
        : RegistryApiWrapper(&Env::Default().Registry()),
          code_(code),
          remaining_(times),
          createCode_(createCode) {}

    LSTATUS OpenKey(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access,
                    PHKEY result) override {
        ++opens_;
        if (remaining_ != 0) {
            if (remaining_ > 0) --remaining_;
            return code_;
        }
        return RegistryApiWrapper::OpenKey(key, subKey, options, access, result);
    }
    LSTATUS CreateKey(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access, PHKEY result,
                      DWORD* disposition) override {
        if (createCode_ != ERROR_SUCCESS) return createCode_;
        return RegistryApiWrapper::CreateKey(key, subKey, options, access, result, disposition);
    }
    int opens() const { return opens_; }

private:
    LSTATUS code_;
    int remaining_;
    LSTATUS createCode_;
    int opens_ = 0;
};

}  // namespace vek::test
