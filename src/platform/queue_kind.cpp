#include "platform/queue_kind.h"

#include <cstdint>
#include <string_view>

#include "platform/decimal_text.h"

namespace vek {

namespace {

constexpr uint32_t kPrinterRemote = 0x2;            // CUPS_PRINTER_REMOTE
constexpr uint32_t kPrinterDiscovered = 0x1000000;  // CUPS_PRINTER_DISCOVERED

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool IsConnectedQueue(const char* printerType, const char* deviceUri) {
    uint32_t bits = 0;
    if (printerType != nullptr && ParseWholeDecimal(std::string_view(printerType), bits) &&
        (bits & (kPrinterRemote | kPrinterDiscovered)) != 0)
        return true;
    if (deviceUri == nullptr) return false;
    std::string_view uri(deviceUri);
    if (StartsWith(uri, "ipp://"))
        uri.remove_prefix(6);
    else if (StartsWith(uri, "ipps://"))
        uri.remove_prefix(7);
    else
        return false;
    const size_t resource = uri.find('/');
    if (resource == std::string_view::npos) return false;
    uri.remove_prefix(resource);
    return StartsWith(uri, "/printers/") || StartsWith(uri, "/classes/");
}

}  // namespace vek
