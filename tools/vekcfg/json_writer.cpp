#include "json_writer.h"

#include <cstdio>

#include "json_text.h"

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
    text_ += JsonString(name);
    text_ += ':';
    afterKey_ = true;
}

void JsonWriter::String(std::string_view utf8) {
    BeforeValue();
    text_ += JsonString(utf8);
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

}  // namespace vekcfg
