// Handlers of `vekcfg donor` and `vekcfg media`.
#pragma once

#include <string>
#include <vector>

namespace vekcfg {

int RunDonorCommand(const std::vector<std::string>& args);
int RunMediaCommand(const std::vector<std::string>& args);

}  // namespace vekcfg
