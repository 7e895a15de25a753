// Print queues from the CUPS server that libcups names, over a connection of
// our own so that connect and read time-outs bound every call.
#include <cerrno>
#include <memory>

#include "platform/libcups_api.h"
#include "platform/print_spooler.h"
#include "platform/queue_kind.h"

namespace vek {

namespace {

struct ServerAddress {
    std::string host;  // a host name, or a Unix socket path starting with "/"
    int port = 0;
};

// Where libcups sends requests now. cupsServer() caches its answer per
// thread; clearing it first makes every call see the current CUPS_SERVER
// and client.conf.
ServerAddress CurrentServer() {
    Cups()->cupsSetServer(nullptr);
    return {Cups()->cupsServer(), Cups()->ippPort()};
}

struct HttpCloser {
    void operator()(http_t* http) const { Cups()->httpClose(http); }
};

struct DestsFree {
    int count;
    void operator()(cups_dest_t* dests) const { Cups()->cupsFreeDests(count, dests); }
};

int GiveUpOnSilence(http_t*, void* fired) {
    *static_cast<bool*>(fired) = true;
    return 0;  // do not wait again
}

}  // namespace

std::string CupsPrintSpooler::ServerName() {
    if (Cups() == nullptr) return "(libcups.so.2 cannot be loaded)";
    const ServerAddress server = CurrentServer();
    if (!server.host.empty() && server.host[0] == '/') return server.host;
    return server.host + ":" + std::to_string(server.port);
}

LSTATUS CupsPrintSpooler::ListQueues(std::vector<PrintQueue>& queues) {
    queues.clear();
    if (Cups() == nullptr) return RPC_S_SERVER_UNAVAILABLE;
    const ServerAddress server = CurrentServer();
    int cancel = 0;
    errno = 0;
    std::unique_ptr<http_t, HttpCloser> http(
        Cups()->httpConnect2(server.host.c_str(), server.port, nullptr, AF_UNSPEC, Cups()->cupsEncryption(),
                     1, static_cast<int>(timeouts_.connectMilliseconds), &cancel));
    if (!http) return errno == ETIMEDOUT ? ERROR_TIMEOUT : RPC_S_SERVER_UNAVAILABLE;

    bool silent = false;
    Cups()->httpSetTimeout(http.get(), timeouts_.readMilliseconds / 1000.0, GiveUpOnSilence, &silent);
    cups_dest_t* dests = nullptr;
    const int count = Cups()->cupsGetDests2(http.get(), &dests);
    std::unique_ptr<cups_dest_t, DestsFree> owned(dests, DestsFree{count});
    if (silent) return ERROR_TIMEOUT;
    const ipp_status_t status = Cups()->cupsLastError();
    if (count == 0 && status > IPP_STATUS_OK_EVENTS_COMPLETE && status != IPP_STATUS_ERROR_NOT_FOUND)
        return RPC_S_SERVER_UNAVAILABLE;
    for (int i = 0; i < count; ++i) {
        if (dests[i].instance != nullptr) continue;
        queues.push_back({dests[i].name,
                          IsConnectedQueue(Cups()->cupsGetOption("printer-type", dests[i].num_options,
                                                         dests[i].options),
                                           Cups()->cupsGetOption("device-uri", dests[i].num_options,
                                                         dests[i].options))});
    }
    return ERROR_SUCCESS;
}

PrintSpooler& SystemPrintSpooler() {
    static CupsPrintSpooler spooler{SpoolerTimeouts{}};
    return spooler;
}

}  // namespace vek
