// The machine's print queues: the local queues and the connected ones (queues
// of another print server that this machine prints to).
//
// On Linux the queues are the destinations of the CUPS server that libcups
// names (CUPS_SERVER, client.conf, else the local scheduler). The server is
// reached over an explicit connection with connect and read time-outs, so an
// unreachable or silent server cannot stall the caller.
//
// Thread safety: implementations are safe for concurrent use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vekconfig/types.h"

namespace vek {

// Win32 errors of the spooler calls.
constexpr LSTATUS ERROR_TIMEOUT = 1460;
constexpr LSTATUS RPC_S_SERVER_UNAVAILABLE = 1722;

struct PrintQueue {
    std::string name;        // UTF-8, as the server spells it
    bool connected = false;  // a queue of another server, reached over the network
};

class PrintSpooler {
public:
    virtual ~PrintSpooler() = default;

    // The print server that ListQueues asks, for messages ("/run/cups/cups.sock",
    // "printhost:631").
    virtual std::string ServerName() = 0;

    // The local and connected queues in the server's order, instances left out.
    // ERROR_SUCCESS (also when the server has none); RPC_S_SERVER_UNAVAILABLE
    // when no server answers the connection or the request fails (or, for
    // CUPS, when libcups cannot be loaded);
    // ERROR_TIMEOUT when the connection or an answer takes longer than the
    // time-outs. queues is empty on failure.
    virtual LSTATUS ListQueues(std::vector<PrintQueue>& queues) = 0;
};

// Time-outs of the connection to the print server.
struct SpoolerTimeouts {
    uint32_t connectMilliseconds = 3000;
    uint32_t readMilliseconds = 5000;
};

// The machine's CUPS server with the default time-outs.
PrintSpooler& SystemPrintSpooler();

// A CUPS client with chosen time-outs (tests use short ones).
class CupsPrintSpooler : public PrintSpooler {
public:
    explicit CupsPrintSpooler(SpoolerTimeouts timeouts) : timeouts_(timeouts) {}
    std::string ServerName() override;
    LSTATUS ListQueues(std::vector<PrintQueue>& queues) override;

private:
    SpoolerTimeouts timeouts_;
};

}  // namespace vek
