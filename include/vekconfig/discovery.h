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

#include <string>
#include <vector>

namespace vek {

// One attached device as discovery offers it for a class.
struct AttachedDevice {
    std::string address;     // UTF-8: "2-0-5-0" (kind 2), "0-5-0" (kind 8), a queue name (kind 3)
    std::string model;       // the class's model found in the device, "Windows Printer" for queues
    int32_t addressKind = 0;  // 2 SCSI, 3 print queue, 8 ASPI
};

// Where discovery looks on this machine.
struct DeviceSources {
    int scsiHosts = 0;        // SCSI host adapters present (0: no SCSI subsystem)
    std::string printServer;  // the print server asked for queues
};

// Reports the SCSI host count and the print server's name. Contacts nothing.
VEK_API DeviceSources ProbeDeviceSources();

// The attached devices whose models deviceClass looks for, in walk order:
// print queues for CLSID_VekPrintQueueDevices, the ASPI walk over all logical
// units for CLSID_VekAspiArrayDevices, the SCSI walk for any other class.
// Whether a device is already configured is not examined here.
// S_OK; for the print-queue class HRESULT_FROM_WIN32(1722) when no print
// server answered and HRESULT_FROM_WIN32(1460) when it timed out; for the
// ASPI class HRESULT_FROM_WIN32(1460) when a device did not answer within 5 s
// (the devices found before are in `devices`).
VEK_API HRESULT ListAttachedDevices(const GUID& deviceClass, std::vector<AttachedDevice>& devices);

}  // namespace vek
