#include "platform/libcups_api.h"

#include "platform/shared_library.h"

namespace vek {

const LibCups* Cups() {
    return LoadLibraryTable<LibCups>("libcups.so.2", [](void* library, LibCups* table) {
        bool complete = true;
#define VEK_LIBCUPS_LOAD(name) complete = LoadSymbol(library, #name, &table->name) && complete;
        VEK_LIBCUPS_FUNCTIONS(VEK_LIBCUPS_LOAD)
#undef VEK_LIBCUPS_LOAD
        return complete;
    });
}

}  // namespace vek
