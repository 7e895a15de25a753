#include "platform/event_format.h"

#include <cctype>
#include <cstdio>

#include "vekconfig/text.h"

namespace vek {
namespace {

// The message table of the library: the two messages it reports.
const char* MessageTemplate(DWORD eventId) {
    switch (eventId) {
        case kEventFunctionFailed: return "%1 function FAILED (%2).";
        case kEventNotice: return "%1.";
        default: return nullptr;
    }
}

std::u16string_view StringAt(const EventRecord& event, int index) {
    if (index < 0 || index >= event.stringCount || event.strings[index] == nullptr) return {};
    return std::u16string_view(event.strings[index], WideLength(event.strings[index]));
}

void AppendJsonString(std::string& out, std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (byte < 0x20) {
                    out += "\\u00";
                    out += kHex[byte >> 4];
                    out += kHex[byte & 15];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

void AppendJsonWide(std::string& out, std::u16string_view text, std::string& scratch) {
    scratch.clear();
    AppendUtf16AsUtf8(scratch, text);
    AppendJsonString(out, scratch);
}

void AppendNumber(std::string& out, const char* name, uint64_t value) {
    char digits[32];
    std::snprintf(digits, sizeof digits, ",\"%s\":%llu", name,
                  static_cast<unsigned long long>(value));
    out += digits;
}

// A cursor over one line with the few JSON readers the events file needs.
class JsonReader {
public:
    explicit JsonReader(std::string_view text) : text_(text) {}

    void SkipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\r' || text_[pos_] == '\n'))
            ++pos_;
    }
    bool Consume(char c) {
        SkipSpace();
        if (pos_ >= text_.size() || text_[pos_] != c) return false;
        ++pos_;
        return true;
    }
    bool Peek(char c) {
        SkipSpace();
        return pos_ < text_.size() && text_[pos_] == c;
    }
    bool AtEnd() {
        SkipSpace();
        return pos_ == text_.size();
    }

    bool ReadString(std::string* out) {
        if (!Consume('"')) return false;
        out->clear();
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                *out += c;
                continue;
            }
            if (pos_ >= text_.size()) return false;
            const char e = text_[pos_++];
            switch (e) {
                case '"': *out += '"'; break;
                case '\\': *out += '\\'; break;
                case '/': *out += '/'; break;
                case 'b': *out += '\b'; break;
                case 'f': *out += '\f'; break;
                case 'n': *out += '\n'; break;
                case 'r': *out += '\r'; break;
                case 't': *out += '\t'; break;
                case 'u':
                    if (!ReadEscapedUnit(out)) return false;
                    break;
                default: return false;
            }
        }
        return false;
    }

    bool ReadUnsigned(uint64_t* out) {
        SkipSpace();
        const size_t start = pos_;
        uint64_t value = 0;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
            const uint64_t digit = static_cast<uint64_t>(text_[pos_] - '0');
            if (value > (UINT64_MAX - digit) / 10) return false;
            value = value * 10 + digit;
            ++pos_;
        }
        if (pos_ == start) return false;
        *out = value;
        return true;
    }

    bool ReadStringArray(std::vector<std::string>* out) {
        out->clear();
        if (!Consume('[')) return false;
        if (Consume(']')) return true;
        do {
            std::string item;
            if (!ReadString(&item)) return false;
            out->push_back(std::move(item));
        } while (Consume(','));
        return Consume(']');
    }

    // Skips any JSON value, nesting at most kMaxDepth deep.
    bool SkipValue(int depth = 0) {
        static constexpr int kMaxDepth = 16;
        if (depth > kMaxDepth) return false;
        SkipSpace();
        if (pos_ >= text_.size()) return false;
        const char c = text_[pos_];
        if (c == '"') {
            std::string ignored;
            return ReadString(&ignored);
        }
        if (c == '{' || c == '[') {
            const char close = c == '{' ? '}' : ']';
            ++pos_;
            if (Consume(close)) return true;
            do {
                if (c == '{') {
                    std::string key;
                    if (!ReadString(&key) || !Consume(':')) return false;
                }
                if (!SkipValue(depth + 1)) return false;
            } while (Consume(','));
            return Consume(close);
        }
        const size_t start = pos_;
        while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) ||
                                       text_[pos_] == '-' || text_[pos_] == '+' ||
                                       text_[pos_] == '.'))
            ++pos_;
        return pos_ > start;
    }

private:
    bool ReadHex4(uint32_t* unit) {
        if (pos_ + 4 > text_.size()) return false;
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = text_[pos_++];
            value <<= 4;
            if (h >= '0' && h <= '9') value |= static_cast<uint32_t>(h - '0');
            else if (h >= 'a' && h <= 'f') value |= static_cast<uint32_t>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F') value |= static_cast<uint32_t>(h - 'A' + 10);
            else return false;
        }
        *unit = value;
        return true;
    }

    // After "\u": one unit, or a surrogate pair written as two escapes.
    bool ReadEscapedUnit(std::string* out) {
        uint32_t first;
        if (!ReadHex4(&first)) return false;
        char16_t units[2] = {static_cast<char16_t>(first), 0};
        size_t count = 1;
        if (first >= 0xD800 && first <= 0xDBFF && pos_ + 6 <= text_.size() &&
            text_[pos_] == '\\' && text_[pos_ + 1] == 'u') {
            const size_t mark = pos_;
            pos_ += 2;
            uint32_t second;
            if (ReadHex4(&second) && second >= 0xDC00 && second <= 0xDFFF) {
                units[1] = static_cast<char16_t>(second);
                count = 2;
            } else {
                pos_ = mark;
            }
        }
        AppendUtf16AsUtf8(*out, std::u16string_view(units, count));
        return true;
    }

    std::string_view text_;
    size_t pos_ = 0;
};

bool ReadField(JsonReader& reader, const std::string& key, EventLogEntry* entry,
               unsigned* seen) {
    uint64_t number = 0;
    if (key == "time") return reader.ReadString(&entry->time);
    if (key == "source") return reader.ReadString(&entry->source);
    if (key == "strings") return reader.ReadStringArray(&entry->strings);
    if (key == "message") {
        *seen |= 4;
        return reader.ReadString(&entry->message);
    }
    if (key == "pid") {
        if (!reader.ReadUnsigned(&number) || number > INT64_MAX) return false;
        entry->pid = static_cast<int64_t>(number);
        return true;
    }
    if (key == "type" || key == "category") {
        if (!reader.ReadUnsigned(&number) || number > UINT16_MAX) return false;
        (key == "type" ? entry->type : entry->category) = static_cast<uint16_t>(number);
        if (key == "type") *seen |= 1;
        return true;
    }
    if (key == "event_id") {
        if (!reader.ReadUnsigned(&number) || number > UINT32_MAX) return false;
        entry->eventId = static_cast<uint32_t>(number);
        *seen |= 2;
        return true;
    }
    return reader.SkipValue();
}

}  // namespace

void AppendEventMessage(std::string& out, const EventRecord& event) {
    const char* text = MessageTemplate(event.eventId);
    if (text == nullptr) {
        char head[32];
        std::snprintf(head, sizeof head, "Event 0x%08X", event.eventId);
        out += head;
        for (int i = 0; i < event.stringCount; ++i) {
            out += '\n';
            AppendUtf16AsUtf8(out, StringAt(event, i));
        }
        return;
    }
    for (; *text != 0; ++text) {
        if (text[0] == '%' && text[1] >= '1' && text[1] <= '9') {
            AppendUtf16AsUtf8(out, StringAt(event, text[1] - '1'));
            ++text;
        } else {
            out += *text;
        }
    }
}

void AppendEventJson(std::string& out, const EventRecord& event, std::string_view time,
                     int64_t pid, std::string_view message, std::string& scratch) {
    out += "{\"time\":";
    AppendJsonString(out, time);
    AppendNumber(out, "pid", static_cast<uint64_t>(pid));
    out += ",\"source\":";
    AppendJsonWide(out, std::u16string_view(event.source, WideLength(event.source)), scratch);
    AppendNumber(out, "type", event.type);
    AppendNumber(out, "category", event.category);
    AppendNumber(out, "event_id", event.eventId);
    out += ",\"strings\":[";
    for (int i = 0; i < event.stringCount; ++i) {
        if (i > 0) out += ',';
        AppendJsonWide(out, StringAt(event, i), scratch);
    }
    out += "],\"message\":";
    AppendJsonString(out, message);
    out += '}';
}

bool ParseEventJson(std::string_view line, EventLogEntry* entry) {
    *entry = EventLogEntry{};
    JsonReader reader(line);
    if (!reader.Consume('{')) return false;
    unsigned seen = 0;
    if (!reader.Peek('}')) {
        do {
            std::string key;
            if (!reader.ReadString(&key) || !reader.Consume(':')) return false;
            if (!ReadField(reader, key, entry, &seen)) return false;
        } while (reader.Consume(','));
    }
    if (!reader.Consume('}') || !reader.AtEnd() || seen != 7) return false;
    entry->line = std::string(line);
    return true;
}

}  // namespace vek
