// Arbitrary bytes given to vekcfg import's archive reader: a result or an
// error text, never a crash; what it accepts must write back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    vekcfg::Archive archive;
    std::string error;
    if (vekcfg::ParseArchive(bytes, &archive, &error) &&
        vekcfg::SerializeArchive(archive) != bytes)
        std::abort();
    return 0;
}
