#include "listing.h"

#include <algorithm>
#include <cstdio>

#include "json_writer.h"

namespace vekcfg {

void Listing::Print(bool json) const {
    if (!json) {
        for (const auto& row : rows_) std::printf("%s\n", row.second.c_str());
        return;
    }
    JsonWriter out;
    out.BeginArray();
    for (const auto& row : rows_) {
        out.BeginObject();
        for (const auto& [key, value] : row.first) {
            out.Key(key);
            if (const auto* text = std::get_if<std::string>(&value))
                out.String(*text);
            else
                out.Integer(std::get<long long>(value));
        }
        out.EndObject();
    }
    out.EndArray();
    std::printf("%s\n", out.text().c_str());
}

bool TakeJsonOption(std::vector<std::string>& args) {
    const auto end = std::remove(args.begin(), args.end(), std::string("--json"));
    const bool found = end != args.end();
    args.erase(end, args.end());
    return found;
}

}  // namespace vekcfg
