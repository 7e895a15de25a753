// A small writer of JSON text for the tool's --json output: values are
// appended in order, commas and string escapes are handled here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vekcfg {

class JsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The name of the next member of the enclosing object.
    void Key(std::string_view name);
    void String(std::string_view utf8);
    void Integer(long long value);
    // Shortest text that reads back as the same float.
    void Real(float value);

    // The text written so far.
    const std::string& text() const { return text_; }

private:
    void BeforeValue();

    std::string text_;
    // For each open object or array: whether it already holds a value.
    std::vector<bool> hasValue_;
    bool afterKey_ = false;
};

}  // namespace vekcfg
