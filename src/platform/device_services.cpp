// The device services every environment has unless it replaces them.
#include "platform/env.h"
#include "platform/print_spooler.h"
#include "platform/scsi_bus.h"

namespace vek {

ScsiBus& Env::Scsi() { return SystemScsiBus(); }
PrintSpooler& Env::Spooler() { return SystemPrintSpooler(); }

}  // namespace vek
