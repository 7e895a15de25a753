// Which print queues count as connected: decided from the type bits and the
// device URI the server reports.
#include <gtest/gtest.h>

#include "platform/queue_kind.h"

namespace vek::test {
namespace {

TEST(QueueKind, RemoteOrDiscoveredTypeBitIsConnectedWhateverTheUri) {
    EXPECT_TRUE(IsConnectedQueue("2097158", "file:///dev/null"));  // 0x200006: remote
    EXPECT_TRUE(IsConnectedQueue("16777220", nullptr));            // 0x1000004: discovered
    EXPECT_FALSE(IsConnectedQueue("2228228", "file:///dev/null"));  // 0x220004: local default
}

TEST(QueueKind, IppToAnotherServersPrinterOrClassIsConnected) {
    EXPECT_TRUE(IsConnectedQueue("4", "ipp://print.example.test:631/printers/floor2"));
    EXPECT_TRUE(IsConnectedQueue(nullptr, "ipps://h/classes/all"));
}

TEST(QueueKind, NetworkDevicesThatAreNoServerQueueStayLocal) {
    EXPECT_FALSE(IsConnectedQueue("4", "ipp://printer.example.test/ipp/print"));
    EXPECT_FALSE(IsConnectedQueue("4", "http://h/printers/x"));
    EXPECT_FALSE(IsConnectedQueue("4", "socket://192.0.2.10:9100"));
    EXPECT_FALSE(IsConnectedQueue("4", "ipp://host-without-path"));
    EXPECT_FALSE(IsConnectedQueue("4", "ipp://h/printersx"));
}

TEST(QueueKind, TypeThatIsNoNumberIsIgnored) {
    EXPECT_FALSE(IsConnectedQueue("2x", "usb://Acme/Laser"));
    EXPECT_FALSE(IsConnectedQueue("-2", nullptr));
    EXPECT_FALSE(IsConnectedQueue("", ""));
}

}  // namespace
}  // namespace vek::test
