#include "platform/libpq_api.h"

#include "platform/shared_library.h"

namespace vek {

const LibPq* Pq() {
    return LoadLibraryTable<LibPq>("libpq.so.5", [](void* library, LibPq* table) {
        bool complete = true;
#define VEK_LIBPQ_LOAD(name) complete = LoadSymbol(library, #name, &table->name) && complete;
        VEK_LIBPQ_FUNCTIONS(VEK_LIBPQ_LOAD)
#undef VEK_LIBPQ_LOAD
        return complete;
    });
}

}  // namespace vek
