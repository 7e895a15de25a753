// vekcfg discover [CLASS] [--json]
#pragma once

#include <string>
#include <vector>

namespace vekcfg {

extern const char* const kDiscoverHelp;
int RunDiscover(const std::vector<std::string>& args);

}  // namespace vekcfg
