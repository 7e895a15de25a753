// Print queues from the CUPS server that libcups names, over a connection of
// our own so that connect and read time-outs bound every call.
#include <cups/cups.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "platform/print_spooler.h"

namespace vek {

namespace {

constexpr unsigned kPrinterRemote = 0x2;            // CUPS_PRINTER_REMOTE
constexpr unsigned kPrinterDiscovered = 0x1000000;  // CUPS_PRINTER_DISCOVERED

struct ServerAddress {
    std::string host;  // a host name, or a Unix socket path starting with "/"
    int port = 0;
};

// Where libcups sends requests now. cupsServer() caches its answer per
// thread; clearing it first makes every call see the current CUPS_SERVER
// and client.conf.
ServerAddress CurrentServer() {
    cupsSetServer(nullptr);
    return {cupsServer(), ippPort()};
}

struct HttpCloser {
    void operator()(http_t* http) const { httpClose(http); }
};

struct DestsFree {
    int count;
    void operator()(cups_dest_t* dests) const { cupsFreeDests(count, dests); }
};

// A queue of another server: the scheduler marks raw queues that forward to
// another CUPS server as remote, and queues it set up for printers it found
// on the network as discovered; a queue forwarding over IPP to another
// server's /printers/ or /classes/ resource is one as well.
bool IsConnectedQueue(cups_dest_t& dest) {
    const char* type = cupsGetOption("printer-type", dest.num_options, dest.options);
    const unsigned long bits = type != nullptr ? std::strtoul(type, nullptr, 10) : 0;
    if ((bits & (kPrinterRemote | kPrinterDiscovered)) != 0) return true;
    const char* uri = cupsGetOption("device-uri", dest.num_options, dest.options);
    if (uri == nullptr) return false;
    const std::string_view text(uri);
    const bool ipp = text.rfind("ipp://", 0) == 0 || text.rfind("ipps://", 0) == 0;
    const size_t authorityEnd = text.find('/', text.find("://") + 3);
    if (!ipp || authorityEnd == std::string_view::npos) return false;
    const std::string_view resource = text.substr(authorityEnd);
    return resource.rfind("/printers/", 0) == 0 || resource.rfind("/classes/", 0) == 0;
}

int GiveUpOnSilence(http_t*, void* fired) {
    *static_cast<bool*>(fired) = true;
    return 0;  // do not wait again
}

}  // namespace

std::string CupsPrintSpooler::ServerName() {
    const ServerAddress server = CurrentServer();
    if (!server.host.empty() && server.host[0] == '/') return server.host;
    return server.host + ":" + std::to_string(server.port);
}

LSTATUS CupsPrintSpooler::ListQueues(std::vector<PrintQueue>& queues) {
    queues.clear();
    const ServerAddress server = CurrentServer();
    int cancel = 0;
    errno = 0;
    std::unique_ptr<http_t, HttpCloser> http(
        httpConnect2(server.host.c_str(), server.port, nullptr, AF_UNSPEC, cupsEncryption(),
                     1, static_cast<int>(timeouts_.connectMilliseconds), &cancel));
    if (!http) return errno == ETIMEDOUT ? ERROR_TIMEOUT : RPC_S_SERVER_UNAVAILABLE;

    bool silent = false;
    httpSetTimeout(http.get(), timeouts_.readMilliseconds / 1000.0, GiveUpOnSilence, &silent);
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(http.get(), &dests);
    std::unique_ptr<cups_dest_t, DestsFree> owned(dests, DestsFree{count});
    if (silent) return ERROR_TIMEOUT;
    const ipp_status_t status = cupsLastError();
    if (count == 0 && status > IPP_STATUS_OK_EVENTS_COMPLETE && status != IPP_STATUS_ERROR_NOT_FOUND)
        return RPC_S_SERVER_UNAVAILABLE;
    for (int i = 0; i < count; ++i) {
        if (dests[i].instance != nullptr) continue;
        queues.push_back({dests[i].name, IsConnectedQueue(dests[i])});
    }
    return ERROR_SUCCESS;
}

PrintSpooler& SystemPrintSpooler() {
    static CupsPrintSpooler spooler{SpoolerTimeouts{}};
    return spooler;
}

}  // namespace vek
