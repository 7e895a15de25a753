// Whole decimal numbers in text that the system reads from outside (sysfs
// attributes, print server attributes).
//
// Thread safety: pure function.
#pragma once

#include <charconv>
#include <string_view>

namespace vek {

// True when text is one decimal number and nothing else (a sign only where
// Number has one) that fits Number; value is then set.
template <typename Number>
bool ParseWholeDecimal(std::string_view text, Number& value) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

}  // namespace vek
