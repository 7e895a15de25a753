// Device addresses: the text form in which a physical printer's configuration
// stores where its device is attached.
//
//   SCSI (address kind 2): port, bus, target ID, logical unit -> "1-0-4-0"
//   ASPI (address kind 8): host adapter, target ID, logical unit -> "0-5-0"
//
// On Linux the SCSI port is the kernel's SCSI host number and the bus is the
// channel on that host; the ASPI adapter is the SCSI host number as well.
//
// Thread safety: every function here may be called from any thread.
#pragma once

#include <string>

#include "vekconfig/types.h"

// The device classes whose attached devices discovery offers for configuration.
// Print queues of the machine (address kind 3):
constexpr CLSID CLSID_VekPrintQueueDevices = {
    0xF63D7D81, 0xCAC4, 0x11CF, {0xB0, 0x06, 0x00, 0xA0, 0x24, 0x0D, 0x28, 0x24}};
// ASPI devices of models "Vireo Array 30P" and "Vireo Array 30R" (kind 8):
constexpr CLSID CLSID_VekAspiArrayDevices = {
    0x81D97580, 0xDBA4, 0x11D1, {0xA3, 0xD5, 0x00, 0xA0, 0x24, 0x91, 0x86, 0xF3}};
// SCSI devices of models "ZRT 4300", "QS 4350", "4360" and "4370" (kind 2):
constexpr CLSID CLSID_VekScsiPrinterDevices = {
    0x498411D1, 0xBFC1, 0x11CF, {0xAE, 0xD7, 0x00, 0xA0, 0x24, 0x0D, 0x26, 0xF3}};
// SCSI devices of model "QXR Prismachrome" (kind 2):
constexpr CLSID CLSID_VekPrismachromeDevices = {
    0x0E7E3F80, 0xC7A5, 0x11D0, {0xAD, 0x35, 0x00, 0x60, 0x97, 0x33, 0xD6, 0xBC}};

// Writes "%d-%d-%d-%d". `text` must hold 259 wide characters; at most 259
// characters and the terminator are written (the longest text is 47).
// S_OK, or E_POINTER when text is null.
VEK_API HRESULT SCSItowcs(int port, int bus, int target, int logicalUnit, WCHAR* text);
// As SCSItowcs with "%d-%d-%d".
VEK_API HRESULT ASPItowcs(int adapter, int target, int logicalUnit, WCHAR* text);

// Reads the numbers back. Either "_" or "-" separates them. Each number is
// read like the C runtime's _wtoi (leading white space and a sign allowed, no
// digits give 0); each separator is searched for from the character after the
// previous one, so a hyphen used as a minus sign is also found as a separator.
// Numbers are stored as they are read: on failure the ones before the missing
// separator are already written and the rest keep their values.
// S_OK; E_POINTER when text is null (nothing reported); E_FAIL when a
// separator is missing, reported to the event log as
// "wcstoSCSI-->wcspbrk" / "wcstoASPI-->wcspbrk" with 0x80004005.
VEK_API HRESULT wcstoSCSI(const WCHAR* text, int& port, int& bus, int& target, int& logicalUnit);
VEK_API HRESULT wcstoASPI(const WCHAR* text, int& adapter, int& target, int& logicalUnit);

namespace vek {

// Where discovery looks on this machine.
struct DeviceSources {
    int scsiHosts = 0;              // SCSI host adapters present (0: no SCSI subsystem)
    std::string printServer;        // the print server asked for queues
    bool printServerAsked = false;
    LSTATUS printServerStatus = 0;  // 0 it answered, 1722 no server answered, 1460 timed out
};

// Counts the SCSI hosts and, with askPrintServer, asks the print server for
// its queues (with the connect and read time-outs of the queue search, which
// a silent server makes the caller wait out).
VEK_API DeviceSources ProbeDeviceSources(bool askPrintServer = true);

}  // namespace vek
