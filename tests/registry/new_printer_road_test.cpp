// The whole road of a new physical printer: its file with the records, its
// class stamped on the file, its registration, an offer to the logical
// printers of its model, the connection, activation through the class's
// in-process server, and its complete removal.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/com_object.h"
#include "registry/object_files.h"
#include "registry/registry_fixture.h"
#include "test_printer_plugin.h"
#include "vekconfig/discovery.h"

namespace {

using vek::GuidText;
using vek::test::ConfigFileOf;
using vek::test::ConnectionsOf;
using vek::test::MakeLogicalPrinter;
using vek::test::TestGuid;

const GUID kPrinter = TestGuid(0xF00D, 1);
const GUID kQueueA = TestGuid(0xF00D, 2);
const GUID kQueueB = TestGuid(0xF00D, 3);
const GUID kOtherQueue = TestGuid(0xF00D, 4);

void RegisterTestPrinterServer() {
    const std::u16string path = vek::Utf8ToUtf16(VEK_TEST_PLUGIN_PATH);
    const std::u16string name = u"Test printer";
    vek::test::CreateClassesKey(u"CLSID\\" + GuidText(kTestPrinterClass), &name);
    vek::test::CreateClassesKey(u"CLSID\\" + GuidText(kTestPrinterClass) + u"\\InprocServer32", &path);
}

void ConnectEveryCandidate(REFGUID queue) {
    ULONG count = 0;
    POTENTIAL_LP_PP_CONNECTION* candidates = nullptr;
    ASSERT_EQ(GetPotentialPPs(queue, count, &candidates), S_OK);
    ASSERT_EQ(count, 1u);
    EXPECT_TRUE(candidates[0].Connection.PPObjectID == kPrinter);
    EXPECT_EQ(std::u16string(candidates[0].Description), u"Photo printer in room 2");
    CVekObjectConfig config;
    ASSERT_EQ(config.Open(queue), S_OK);
    ASSERT_EQ(config.AddLpPpConnection(candidates[0].Connection), S_OK);
    std::free(candidates);
}

TEST(NewPrinterRoad, CreatedStampedRegisteredOfferedConnectedActivatedAndDeleted) {
    vek::test::LoggedHome home;
    RegisterTestPrinterServer();

    // 1. The file with the common and physical-printer records, the address
    //    in the form discovery offers for an attached SCSI device.
    WCHAR address[259] = {};
    ASSERT_EQ(SCSItowcs(1, 0, 4, 0, address), S_OK);
    vek::test::MakePhysicalPrinter(
        kPrinter, kTestPrinterClass,
        {u"Photo printer in room 2", address, VEK_ADDRESS_SCSI, {u"RZ700", u"PHOTO 5300"}});
    // 2. is done by MakePhysicalPrinter (AssociateClassID); 3. registration:
    ASSERT_EQ(AddVekObjectIDToRegistry(kTestPrinterClass, kPrinter), S_OK);

    // 4. Two logical printers of its model (in other letters) are offered it;
    //    one of another model is not.
    for (const GUID& queue : {kQueueA, kQueueB}) {
        MakeLogicalPrinter(queue, u"photo 5300", {});
        ASSERT_EQ(AddVekObjectIDToRegistry(CLSID_VekLogicalPrinter, queue), S_OK);
    }
    MakeLogicalPrinter(kOtherQueue, u"Plotter", {});
    ASSERT_EQ(AddVekObjectIDToRegistry(CLSID_VekLogicalPrinter, kOtherQueue), S_OK);
    ULONG none = 0;
    POTENTIAL_LP_PP_CONNECTION* nothing = nullptr;
    ASSERT_EQ(GetPotentialPPs(kOtherQueue, none, &nothing), S_OK);
    EXPECT_EQ(none, 0u);
    ConnectEveryCandidate(kQueueA);
    ConnectEveryCandidate(kQueueB);
    BOOL connected = FALSE;
    ASSERT_EQ(CheckIfPPConnectedToLP(kPrinter, &connected), S_OK);
    EXPECT_TRUE(connected);

    // The device check now knows the attached device is configured.
    int configured = 0;
    BROKER_PRINTER_INFO found{};
    ASSERT_EQ(VerifySCSIDeviceIsConfigured(kTestPrinterClass, 1, 0, 4, 0, configured, found), S_OK);
    EXPECT_EQ(configured, 1);
    EXPECT_TRUE(found.ObjectID == kPrinter);

    // Activation: the plugin's object reports the file it loaded.
    IUnknown* object = nullptr;
    ASSERT_EQ(InstantiateVekObject(kPrinter, &object), S_OK);
    vek::ComPtr<IPersistFile> persist;
    ASSERT_EQ(object->QueryInterface(IID_IPersistFile, persist.put_void()), S_OK);
    object->Release();
    WCHAR* loaded = nullptr;
    ASSERT_EQ(persist->GetCurFile(&loaded), S_OK);
    EXPECT_EQ(vek::Utf16ToUtf8(loaded), ConfigFileOf(kPrinter).string());
    CoTaskMemFree(loaded);
    persist.reset();

    // Whole removal through the configured-device list.
    CVekConfigDevice devices;
    ASSERT_EQ(devices.GetConfiguredDevices(kTestPrinterClass), 1u);
    ASSERT_EQ(devices.DeleteDevice(0), S_OK);
    EXPECT_TRUE(ConnectionsOf(kQueueA).empty());
    EXPECT_TRUE(ConnectionsOf(kQueueB).empty());
    ASSERT_EQ(VerifyDeviceIsConfiguredByCLSID(kTestPrinterClass, kPrinter, configured, nullptr), S_OK);
    EXPECT_EQ(configured, 0);
    EXPECT_FALSE(std::filesystem::exists(ConfigFileOf(kPrinter)));
    IUnknown* gone = nullptr;
    EXPECT_EQ(InstantiateVekObject(kPrinter, &gone), STG_E_FILENOTFOUND);
}

}  // namespace
