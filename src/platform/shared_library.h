// Client libraries opened on first use instead of at program start: the
// PostgreSQL and print-server clients pull in some thirty libraries between
// them, which every process would otherwise load and relocate (several
// milliseconds per start of vekcfg) though most never reach either.
//
// A library is described by a table of function pointers, one per function
// the library's client code calls, listed once in an X-macro.
//
// Thread safety: OpenSharedLibrary and LoadSymbol may be called from any
// thread; the tables built from them are filled once and then only read.
#pragma once

#include <dlfcn.h>

namespace vek {

// The library of this soname, opened once and kept for the life of the
// process; null when it cannot be loaded.
void* OpenSharedLibrary(const char* soname);

// Points out at the function name of library; false when it is missing.
template <typename Function>
bool LoadSymbol(void* library, const char* name, Function* out) {
    *out = reinterpret_cast<Function>(::dlsym(library, name));
    return *out != nullptr;
}

// The function table of library soname, filled by load the first time it
// is asked for; null when the library or one of its functions is missing.
// load calls LoadSymbol for each function and says whether all were found.
template <typename Table>
const Table* LoadLibraryTable(const char* soname, bool (*load)(void* library, Table* table)) {
    static const Table* const loaded = [&]() -> const Table* {
        static Table table;
        void* library = OpenSharedLibrary(soname);
        return library != nullptr && load(library, &table) ? &table : nullptr;
    }();
    return loaded;
}

}  // namespace vek
