// Whether a CUPS destination is a connected queue (a queue of another
// server that this machine prints to) rather than a local one, from the
// destination's "printer-type" and "device-uri" attributes as the server
// sends them.
//
// Thread safety: pure function.
#pragma once

namespace vek {

// printerType is the decimal text of the type bits; either may be null.
// Connected: the scheduler marks the queue remote (a raw queue forwarding to
// another CUPS server) or discovered (set up for a network printer it
// found), or the queue forwards over IPP to another server's /printers/ or
// /classes/ resource.
bool IsConnectedQueue(const char* printerType, const char* deviceUri);

}  // namespace vek
