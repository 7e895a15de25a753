#include "json_writer.h"

#include <cstdio>

namespace vekcfg {

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!hasValue_.empty()) {
        if (hasValue_.back()) text_ += ',';
        hasValue_.back() = true;
    }
}

void JsonWriter::BeginObject() {
    BeforeValue();
    text_ += '{';
    hasValue_.push_back(false);
}

void JsonWriter::EndObject() {
    text_ += '}';
    hasValue_.pop_back();
}

void JsonWriter::BeginArray() {
    BeforeValue();
    text_ += '[';
    hasValue_.push_back(false);
}

void JsonWriter::EndArray() {
    text_ += ']';
    hasValue_.pop_back();
}

void JsonWriter::Key(std::string_view name) {
    BeforeValue();
    Quoted(name);
    text_ += ':';
    afterKey_ = true;
}

void JsonWriter::String(std::string_view utf8) {
    BeforeValue();
    Quoted(utf8);
}

void JsonWriter::Integer(long long value) {
    BeforeValue();
    text_ += std::to_string(value);
}

void JsonWriter::Real(float value) {
    BeforeValue();
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(value));
    // JSON has no NaN or infinity.
    const std::string_view written(buffer);
    if (written.find_first_of("ni") != std::string_view::npos)
        text_ += "null";
    else
        text_ += written;
}

void JsonWriter::Quoted(std::string_view utf8) {
    text_ += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            text_ += '\\';
            text_ += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            text_ += escape;
        } else {
            text_ += c;
        }
    }
    text_ += '"';
}

}  // namespace vekcfg
