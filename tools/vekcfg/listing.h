// The rows of a listing command, printed as the command's text lines or, with
// --json, as one JSON array of objects.
#pragma once

#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace vekcfg {

class Listing {
public:
    using Field = std::pair<std::string, std::variant<std::string, long long>>;
    // One row: its fields for JSON and its line for text.
    void Add(std::vector<Field> fields, std::string line) {
        rows_.push_back({std::move(fields), std::move(line)});
    }
    void Print(bool json) const;

private:
    std::vector<std::pair<std::vector<Field>, std::string>> rows_;
};

// Removes every "--json" from args; true when there was one.
bool TakeJsonOption(std::vector<std::string>& args);

}  // namespace vekcfg
