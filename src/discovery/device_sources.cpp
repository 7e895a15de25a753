#include <vector>

#include "platform/env.h"
#include "platform/print_spooler.h"
#include "platform/scsi_bus.h"
#include "vekconfig/discovery.h"

namespace vek {

DeviceSources ProbeDeviceSources(bool askPrintServer) {
    Env& env = CurrentEnv();
    DeviceSources sources;
    sources.scsiHosts = static_cast<int>(env.Scsi().Hosts().size());
    sources.printServer = env.Spooler().ServerName();
    sources.printServerAsked = askPrintServer;
    if (askPrintServer) {
        std::vector<PrintQueue> queues;
        sources.printServerStatus = env.Spooler().ListQueues(queues);
    }
    return sources;
}

}  // namespace vek
