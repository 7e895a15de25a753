// The print queues of a real scheduler started for the test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/print_spooler.h"
#include "support/private_cupsd.h"
#include "support/scoped_variable.h"
#include "support/silent_socket.h"
#include "support/temp_home.h"
#include "vekconfig/discovery.h"

namespace vek::test {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::Field;

auto Queue(const std::string& name, bool connected) {
    return AllOf(Field(&PrintQueue::name, name), Field(&PrintQueue::connected, connected));
}

TEST(PrintQueues, ServerIsProbedAtItsSocketAndListsNoQueueThenLocalAndConnectedOnes) {
    TempHome home;
    PrivateCupsd cupsd;
    if (!cupsd.Start()) GTEST_SKIP() << "no private cupsd could be started: " << cupsd.why();
    EXPECT_EQ(SystemPrintSpooler().ServerName(), cupsd.socket().string());
    const DeviceSources sources = ProbeDeviceSources();
    EXPECT_EQ(sources.printServer, cupsd.socket().string());
    EXPECT_EQ(sources.printServerStatus, ERROR_SUCCESS);
    std::vector<PrintQueue> queues{{"stale", false}};
    EXPECT_EQ(SystemPrintSpooler().ListQueues(queues), ERROR_SUCCESS);  // empty, not a failure
    EXPECT_TRUE(queues.empty());

    ASSERT_TRUE(cupsd.AddQueue("null_local", "file:///dev/null")) << cupsd.why();
    ASSERT_TRUE(cupsd.AddQueue("socket_net", "socket://192.0.2.10:9100")) << cupsd.why();
    ASSERT_TRUE(cupsd.AddQueue("ipp_remote", "ipp://print.example.test:631/printers/floor2")) << cupsd.why();
    EXPECT_EQ(SystemPrintSpooler().ListQueues(queues), ERROR_SUCCESS);
    EXPECT_THAT(queues, ElementsAre(Queue("ipp_remote", true), Queue("null_local", false),
                                    Queue("socket_net", false)));
}

TEST(PrintQueuesWithoutServer, MissingServerIsUnavailableAndSilentOneTimesOutInsteadOfStalling) {
    TempHome home;
    ScopedVariable root("CUPS_SERVERROOT", home.path().string());
    {
        ScopedVariable server("CUPS_SERVER", (home.path() / "no.sock").string());
        std::vector<PrintQueue> queues{{"stale", false}};
        EXPECT_EQ(SystemPrintSpooler().ListQueues(queues), RPC_S_SERVER_UNAVAILABLE);
        EXPECT_TRUE(queues.empty());
        EXPECT_EQ(ProbeDeviceSources().printServerStatus, RPC_S_SERVER_UNAVAILABLE);
    }
    SilentSocket silent(home.path() / "silent.sock");
    ASSERT_TRUE(silent.listening());
    ScopedVariable server("CUPS_SERVER", (home.path() / "silent.sock").string());
    CupsPrintSpooler spooler(SpoolerTimeouts{500, 200});
    std::vector<PrintQueue> queues{{"stale", false}};
    EXPECT_EQ(spooler.ListQueues(queues), ERROR_TIMEOUT);
    EXPECT_TRUE(queues.empty());
}

}  // namespace
}  // namespace vek::test
