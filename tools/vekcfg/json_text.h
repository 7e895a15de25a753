// JSON text for the tool's --json output.
#pragma once

#include <string>
#include <string_view>

namespace vekcfg {

// text as a JSON string literal, quotes included.
std::string JsonString(std::string_view text);

}  // namespace vekcfg
