// vekcfg events: the library's events file read back, oldest first.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "command.h"
#include "tool_output.h"
#include "vekconfig/vekconfig.h"

namespace vekcfg {
namespace {

constexpr const char* kCommand = "events";

// "2026-12-04T03:34:05.123Z" as "2026-12-04 03:34:05.123".
std::string ReadableTime(std::string time) {
    if (time.size() > 10 && time[10] == 'T') time[10] = ' ';
    if (!time.empty() && time.back() == 'Z') time.pop_back();
    return time;
}

// The message with continuation lines indented under the first.
void PrintEntry(const vek::EventLogEntry& entry) {
    std::string message;
    for (const char c : entry.message) {
        if (c == '\r') continue;
        message += c;
        if (c == '\n') message += "    ";
    }
    std::printf("%s  %-7s  pid %-7lld  %s\n", ReadableTime(entry.time).c_str(),
                vek::EventTypeName(entry.type).c_str(), static_cast<long long>(entry.pid),
                message.c_str());
}

}  // namespace

int RunEvents(const std::vector<std::string>& args) {
    bool json = false;
    size_t last = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--last" && i + 1 < args.size()) {
            char* end = nullptr;
            const long long count = std::strtoll(args[i + 1].c_str(), &end, 10);
            if (end == args[i + 1].c_str() || *end != 0 || count <= 0)
                return Usage(kCommand, "--last takes a positive number, not '" + args[i + 1] + "'");
            last = static_cast<size_t>(count);
            ++i;
        } else {
            return Usage(kCommand, "unknown argument '" + args[i] + "'");
        }
    }
    std::vector<vek::EventLogEntry> entries;
    size_t skipped = 0;
    const HRESULT status = vek::ReadEventLog(&entries, &skipped);
    if (FAILED(status)) return Fail(kCommand, "cannot read " + vek::EventLogPath() + " (" + StatusString(status) + ")");
    const size_t first = last != 0 && entries.size() > last ? entries.size() - last : 0;
    for (size_t i = first; i < entries.size(); ++i) {
        if (json)
            std::printf("%s\n", entries[i].line.c_str());
        else
            PrintEntry(entries[i]);
    }
    if (!json && entries.empty()) std::printf("no events in %s\n", vek::EventLogPath().c_str());
    if (skipped != 0)
        std::fprintf(stderr, "vekcfg: events: %zu damaged line%s in %s skipped\n", skipped,
                     skipped == 1 ? "" : "s", vek::EventLogPath().c_str());
    return 0;
}

extern const char* const kEventsHelp;
const char* const kEventsHelp =
    R"(usage: vekcfg events [--json] [--last N]

Prints the events the library has reported (errors and warnings), oldest
first, from $VEK_HOME/events.jsonl (or the file VEK_EVENT_LOG names) and the
file it was last rotated to (".1"). Each line shows the time (UTC), the type,
the reporting process and the message.

options:
  --json      print the stored JSON lines unchanged, one event per line
  --last N    only the N newest events

examples:
  vekcfg events
  vekcfg events --last 20
  vekcfg events --json | jq -r .message)";

}  // namespace vekcfg
