// The print queues of a real scheduler started for the test.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/print_spooler.h"
#include "support/private_cupsd.h"
#include "support/scoped_variable.h"
#include "support/temp_home.h"
#include "vekconfig/discovery.h"

namespace vek::test {
namespace {

using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::AllOf;

class PrintQueues : public ::testing::Test {
protected:
    void SetUp() override {
        if (!cupsd_.Start()) GTEST_SKIP() << "no private cupsd could be started: " << cupsd_.why();
    }

    TempHome home_;
    PrivateCupsd cupsd_;
};

auto Queue(const std::string& name, bool connected) {
    return AllOf(Field(&PrintQueue::name, name), Field(&PrintQueue::connected, connected));
}

TEST_F(PrintQueues, LocalAndConnectedQueuesAreListed) {
    ASSERT_TRUE(cupsd_.AddQueue("null_local", "file:///dev/null")) << cupsd_.why();
    ASSERT_TRUE(cupsd_.AddQueue("socket_net", "socket://192.0.2.10:9100")) << cupsd_.why();
    ASSERT_TRUE(cupsd_.AddQueue("ipp_remote", "ipp://print.example.test:631/printers/floor2"))
        << cupsd_.why();
    std::vector<PrintQueue> queues;
    EXPECT_EQ(SystemPrintSpooler().ListQueues(queues), ERROR_SUCCESS);
    EXPECT_THAT(queues, ElementsAre(Queue("ipp_remote", true), Queue("null_local", false),
                                    Queue("socket_net", false)));
}

TEST_F(PrintQueues, EveryQueueIsOfferedToThePrintQueueClassOnly) {
    ASSERT_TRUE(cupsd_.AddQueue("null_local", "file:///dev/null")) << cupsd_.why();
    ASSERT_TRUE(cupsd_.AddQueue("ipp_remote", "ipp://print.example.test:631/printers/floor2"))
        << cupsd_.why();
    std::vector<AttachedDevice> devices;
    EXPECT_EQ(ListAttachedDevices(CLSID_VekPrintQueueDevices, devices), S_OK);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].address, "ipp_remote");
    EXPECT_EQ(devices[1].address, "null_local");
    for (const auto& device : devices) {
        EXPECT_EQ(device.model, "Windows Printer");
        EXPECT_EQ(device.addressKind, 3);
    }
    EXPECT_EQ(ListAttachedDevices(CLSID_VekScsiPrinterDevices, devices), S_OK);
    EXPECT_TRUE(devices.empty());
}

TEST_F(PrintQueues, ServerWithoutQueuesIsAnEmptyListNotAFailure) {
    std::vector<PrintQueue> queues{{"stale", false}};
    EXPECT_EQ(SystemPrintSpooler().ListQueues(queues), ERROR_SUCCESS);
    EXPECT_TRUE(queues.empty());
}

TEST_F(PrintQueues, ServerNameIsTheSocketLibcupsWasPointedAt) {
    EXPECT_EQ(SystemPrintSpooler().ServerName(), cupsd_.socket().string());
}

// A listening socket that never answers.
class SilentServer {
public:
    explicit SilentServer(const std::string& path) : path_(path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd_, 4);
    }
    ~SilentServer() {
        ::close(fd_);
        ::unlink(path_.c_str());
    }

private:
    std::string path_;
    int fd_;
};

TEST(PrintQueuesWithoutServer, MissingServerIsUnavailableAndEmpty) {
    TempHome home;
    ScopedVariable server("CUPS_SERVER", (home.path() / "no.sock").string());
    ScopedVariable root("CUPS_SERVERROOT", home.path().string());
    std::vector<PrintQueue> queues{{"stale", false}};
    EXPECT_EQ(SystemPrintSpooler().ListQueues(queues), RPC_S_SERVER_UNAVAILABLE);
    EXPECT_TRUE(queues.empty());
    std::vector<AttachedDevice> devices;
    EXPECT_EQ(ListAttachedDevices(CLSID_VekPrintQueueDevices, devices),
              HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE));
}

TEST(PrintQueuesWithoutServer, SilentServerTimesOutInsteadOfStalling) {
    TempHome home;
    SilentServer silent((home.path() / "silent.sock").string());
    ScopedVariable server("CUPS_SERVER", (home.path() / "silent.sock").string());
    ScopedVariable root("CUPS_SERVERROOT", home.path().string());
    CupsPrintSpooler spooler(SpoolerTimeouts{500, 200});
    std::vector<PrintQueue> queues;
    EXPECT_EQ(spooler.ListQueues(queues), ERROR_TIMEOUT);
    EXPECT_TRUE(queues.empty());
}

}  // namespace
}  // namespace vek::test
