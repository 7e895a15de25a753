// The journal fields of an event, and an event sent to a journal socket.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/event_format.h"
#include "platform/system_log.h"

namespace vek::test {
namespace {

std::vector<std::string> Fields(const EventRecord& event, const std::string& message) {
    std::string scratch;
    iovec fields[kMaxJournalFields];
    const int count = BuildJournalFields(event, message, scratch, fields);
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i)
        texts.emplace_back(static_cast<const char*>(fields[i].iov_base), fields[i].iov_len);
    return texts;
}

TEST(JournalFieldsTest, ErrorCarriesSourceTypeCategoryIdStringsAndFilledMessage) {
    const WCHAR* strings[2] = {u"GetLogFileName-->Registry", u"0x5"};
    const EventRecord event{u"VekConfig, Ostrel Norvane", EVENTLOG_ERROR_TYPE, 0,
                            kEventFunctionFailed, 2, strings};
    std::string message;
    AppendEventMessage(message, event);
    EXPECT_EQ(Fields(event, message),
              (std::vector<std::string>{
                  "MESSAGE=GetLogFileName-->Registry function FAILED (0x5).", "PRIORITY=3",
                  "VEK_SOURCE=VekConfig, Ostrel Norvane", "VEK_EVENT_TYPE=1", "VEK_CATEGORY=0",
                  "VEK_EVENT_ID=0x40001001", "VEK_STRING1=GetLogFileName-->Registry",
                  "VEK_STRING2=0x5"}));
}

TEST(JournalFieldsTest, WarningHasWarningPriorityLongStringsStayWholeAndStringsBeyondNineAreLeftOut) {
    const std::u16string longText(5000, u'\u00e9');
    const WCHAR* strings[1] = {longText.c_str()};
    const auto fields = Fields({u"s", EVENTLOG_WARNING_TYPE, 7, kEventNotice, 1, strings}, "m");
    ASSERT_EQ(fields.size(), 7u);
    EXPECT_EQ(fields[1], "PRIORITY=4");
    EXPECT_EQ(fields[4], "VEK_CATEGORY=7");
    EXPECT_EQ(fields[6].size(), std::string("VEK_STRING1=").size() + 10000);
    std::vector<const WCHAR*> twelve(12, u"x");
    const auto nine = Fields({u"s", EVENTLOG_ERROR_TYPE, 0, 1, 12, twelve.data()}, "m");
    EXPECT_EQ(nine.size(), static_cast<size_t>(kMaxJournalFields));
    EXPECT_EQ(nine.back(), "VEK_STRING9=x");
}

// With a journal socket present the event goes there as native fields.
// Runs only where no journal is running and the socket may be created.
TEST(SystemLogTest, EventReachesAJournalSocket) {
    const char* path = "/run/systemd/journal/socket";
    if (access("/run/systemd/journal", F_OK) == 0) GTEST_SKIP() << "a journal runs here";
    // Only what this test creates is removed afterwards.
    const char* created = access("/run/systemd", F_OK) == 0 ? "/run/systemd/journal" : "/run/systemd";
    std::error_code error;
    std::filesystem::create_directories("/run/systemd/journal", error);
    if (error) GTEST_SKIP() << "cannot create /run/systemd/journal";
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    const WCHAR* strings[2] = {u"Journal-->Test", u"0x2"};
    std::string scratch;
    WriteSystemLog({u"VekConfig, Ostrel Norvane", EVENTLOG_ERROR_TYPE, 0, kEventFunctionFailed, 2,
                    strings},
                   "Journal-->Test function FAILED (0x2).", scratch);
    // Other test processes may log to the socket meanwhile: look for this event.
    std::string datagram;
    for (;;) {
        std::string received(65536, '\0');
        const ssize_t got = recv(fd, received.data(), received.size(), MSG_DONTWAIT);
        if (got <= 0) break;
        received.resize(static_cast<size_t>(got));
        if (received.find("VEK_STRING1=Journal-->Test\n") != std::string::npos) {
            datagram = received;
            break;
        }
    }
    close(fd);
    std::filesystem::remove_all(created, error);
    ASSERT_FALSE(datagram.empty()) << "the event did not reach the socket";
    EXPECT_NE(datagram.find("MESSAGE=Journal-->Test function FAILED (0x2).\n"), std::string::npos);
    EXPECT_NE(datagram.find("VEK_EVENT_ID=0x40001001\n"), std::string::npos);
    EXPECT_NE(datagram.find("VEK_STRING1=Journal-->Test\n"), std::string::npos);
}

}  // namespace
}  // namespace vek::test
