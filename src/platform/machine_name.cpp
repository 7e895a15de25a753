#include "platform/machine_name.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "vekconfig/text.h"

namespace vek {
namespace {

std::string HostName() {
    char host[HOST_NAME_MAX + 1] = {};
    if (gethostname(host, sizeof(host) - 1) != 0) return "";
    return host;
}

}  // namespace

std::string LocalMachineName() {
    const char* machine = std::getenv("VEK_MACHINE");
    return machine != nullptr && *machine != 0 ? machine : HostName();
}

std::u16string_view BareMachineName(const WCHAR* name) {
    std::u16string_view bare(name != nullptr ? name : u"");
    if (bare.starts_with(u"\\\\")) bare.remove_prefix(2);
    return bare;
}

bool IsLocalMachineName(const WCHAR* name) {
    const std::u16string_view bare = BareMachineName(name);
    if (bare.empty() || WideEqualsIgnoreCase(bare, u"localhost")) return true;
    for (const std::string& local : {LocalMachineName(), HostName()})
        if (!local.empty() && WideEqualsIgnoreCase(bare, Utf8ToUtf16(local))) return true;
    return false;
}

}  // namespace vek
