// The shared library's load and unload hooks. Built into libVekConfigU.so
// only: programs that link the library's objects directly (the tests) call
// vek::AttachLibrary themselves.
#include "foundation/library_entry.h"
#include "platform/module_path.h"

namespace {

__attribute__((constructor)) void LoadVekConfig() {
    WCHAR modulePath[MAX_PATH] = {};
    vek::ModuleFileNameOf(reinterpret_cast<const void*>(&LoadVekConfig), modulePath, MAX_PATH);
    vek::AttachLibrary(modulePath);
}

__attribute__((destructor)) void UnloadVekConfig() { vek::DetachLibrary(); }

}  // namespace
