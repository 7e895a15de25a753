// Lines of the events file come from disk and may be anything: the parser
// must never crash, and what it accepts must survive being written again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/event_format.h"
#include "vekconfig/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    vek::EventLogEntry entry;
    if (!vek::ParseEventJson(line, &entry)) return 0;

    std::vector<std::u16string> wide;
    for (const std::string& text : entry.strings) wide.push_back(vek::Utf8ToUtf16(text));
    if (wide.size() > 0xFFFF) return 0;
    std::vector<const WCHAR*> strings;
    for (const std::u16string& text : wide) strings.push_back(text.c_str());
    const std::u16string source = vek::Utf8ToUtf16(entry.source);
    const vek::EventRecord event{source.c_str(), entry.type, entry.category, entry.eventId,
                                 static_cast<WORD>(strings.size()), strings.data()};
    std::string written, scratch;
    vek::AppendEventJson(written, event, entry.time, entry.pid, entry.message, scratch);
    vek::EventLogEntry again;
    if (!vek::ParseEventJson(written, &again)) std::abort();
    if (again.type != entry.type || again.eventId != entry.eventId ||
        again.strings.size() != entry.strings.size())
        std::abort();
    return 0;
}
