#include "platform/machine_name.h"

#include <unistd.h>

#include <climits>

#include "vekconfig/text.h"

namespace vek {

std::u16string_view BareMachineName(const WCHAR* name) {
    std::u16string_view bare(name != nullptr ? name : u"");
    if (bare.starts_with(u"\\\\")) bare.remove_prefix(2);
    return bare;
}

bool IsLocalMachineName(const WCHAR* name) {
    const std::u16string_view bare = BareMachineName(name);
    if (bare.empty() || WideEqualsIgnoreCase(bare, u"localhost")) return true;
    char host[HOST_NAME_MAX + 1] = {};
    if (gethostname(host, sizeof(host) - 1) != 0) return false;
    return WideEqualsIgnoreCase(bare, Utf8ToUtf16(host));
}

}  // namespace vek
