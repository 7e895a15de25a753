// The print server's printer-type and device-uri texts: any bytes are
// classified without reading past them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/queue_kind.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\n');
    const std::string type = input.substr(0, split);
    const std::string uri = split == std::string::npos ? std::string() : input.substr(split + 1);
    vek::IsConnectedQueue(type.c_str(), uri.c_str());
    vek::IsConnectedQueue(nullptr, input.c_str());
    return 0;
}
