#include <cmath>

#include "object_file_helpers.h"

namespace vek::test {
namespace {

class AttributeAccess : public ObjectFileTest {
protected:
    void SetUp() override {
        common_ = Patterned<VEK_COMMON_CONFIG_DATA>(1);
        physical_ = Patterned<VEK_PHYSICAL_PRINTER_CONFIG_DATA>(2);
        CreateWithCommon(config_, common_);
        ASSERT_EQ(config_.SetPhysicalPrinterConfig(physical_), S_OK);
    }
    // The common record as the file holds it now.
    VEK_COMMON_CONFIG_DATA StoredCommon() const {
        VEK_COMMON_CONFIG_DATA stored{};
        const Bytes bytes = ReadStream(FilePath(), VEK_COMMON_STREAM);
        EXPECT_EQ(bytes.size(), sizeof stored);
        std::memcpy(&stored, bytes.data(), std::min(bytes.size(), sizeof stored));
        return stored;
    }
    void SetCommon(const VEK_COMMON_CONFIG_DATA& common) {
        ASSERT_EQ(config_.SetVekObjectConfig(common), S_OK);
    }

    CVekObjectConfig config_;
    VEK_COMMON_CONFIG_DATA common_;
    VEK_PHYSICAL_PRINTER_CONFIG_DATA physical_;
};

TEST_F(AttributeAccess, LevelAboveSupportedIsRejectedUntouchedAndNarrowingMasksTheLevelInForce) {
    auto common = common_;
    common.DebugLevelsSupported = 4;
    common.CurrentDebugLevel = 0;
    SetCommon(common);
    EXPECT_EQ(config_.SetCurrentDebugLevel(3), S_OK);
    EXPECT_EQ(StoredCommon().CurrentDebugLevel, 3u);
    common.DebugLevelsSupported = 2;
    common.CurrentDebugLevel = 1;
    SetCommon(common);
    const Bytes before = ReadStream(FilePath(), VEK_COMMON_STREAM);
    EXPECT_EQ(config_.SetCurrentDebugLevel(3), E_INVALIDARG);
    EXPECT_EQ(ReadStream(FilePath(), VEK_COMMON_STREAM), before);
    DWORD supported = 0, current = 0;
    ASSERT_EQ(config_.GetDebugLevel(&supported, &current), S_OK);
    EXPECT_EQ(current, 1u);

    common.DebugLevelsSupported = 7;
    common.CurrentDebugLevel = 5;
    common.EventLoggingLevelsSupported = 15;
    common.CurrentEventLoggingLevel = 9;
    SetCommon(common);
    ASSERT_EQ(config_.SetDebugLevelsSupported(6), S_OK);
    ASSERT_EQ(config_.SetEventLoggingLevelsSupported(3), S_OK);
    ASSERT_EQ(config_.GetDebugLevel(&supported, &current), S_OK);
    EXPECT_EQ(supported, 6u);
    EXPECT_EQ(current, 4u);
    ASSERT_EQ(config_.GetEventLoggingLevel(&supported, &current), S_OK);
    EXPECT_EQ(supported, 3u);
    EXPECT_EQ(current, 1u);
    EXPECT_EQ(config_.SetCurrentEventLoggingLevel(4), E_INVALIDARG);
    EXPECT_EQ(StoredCommon().CurrentDebugLevel, 4u);
}

TEST_F(AttributeAccess, PageLimitAboveANonZeroMaximumIsRejected) {
    auto physical = physical_;
    physical.MaxPageLimit = 0;
    ASSERT_EQ(config_.SetPhysicalPrinterConfig(physical), S_OK);
    EXPECT_EQ(config_.SetPageLimit(500), S_OK);
    physical.MaxPageLimit = 100;
    ASSERT_EQ(config_.SetPhysicalPrinterConfig(physical), S_OK);
    EXPECT_EQ(config_.SetPageLimit(500), E_INVALIDARG);
    EXPECT_EQ(config_.SetPageLimit(100), S_OK);
    DWORD maximum = 0, current = 0;
    ASSERT_EQ(config_.GetPageLimit(&maximum, &current), S_OK);
    EXPECT_EQ(maximum, 100u);
    EXPECT_EQ(current, 100u);
}

TEST_F(AttributeAccess, TextSettersZeroPadAndTerminateAndGettersNeverReadBeyondAField) {
    auto common = common_;
    for (auto& c : common.DefaultColorProfile) c = u'p';
    for (auto& c : common.PrinterModel) c = u'm';
    SetCommon(common);
    WCHAR* text = nullptr;
    ASSERT_EQ(config_.GetDefaultColorProfile(&text), S_OK);
    EXPECT_EQ(SysStringLen(text), 512u) << "an unterminated field";
    SysFreeString(text);
    WCHAR model[512];
    ASSERT_EQ(config_.GetPrinterModel(model), S_OK);
    EXPECT_EQ(std::u16string(model), std::u16string(511, u'm'));

    ASSERT_EQ(config_.SetLocation(u"Room 12-B."), S_OK);
    const auto stored = StoredCommon();
    EXPECT_EQ(std::u16string(stored.Location, 10), u"Room 12-B.");
    for (int i = 10; i < 512; ++i) ASSERT_EQ(stored.Location[i], 0) << i;

    const std::u16string longText(700, u'x');
    ASSERT_EQ(config_.SetUserDescription(longText.c_str()), S_OK);
    ASSERT_EQ(config_.GetUserDescription(&text), S_OK);
    EXPECT_EQ(std::u16string(text), std::u16string(511, u'x'));
    SysFreeString(text);
    EXPECT_EQ(StoredCommon().UserDescription[511], 0);
}

TEST_F(AttributeAccess, WholeRecordSetterZeroesTheReservedTail) {
    auto common = common_;
    std::memset(common.Reserved, 0xEE, sizeof common.Reserved);
    SetCommon(common);
    VEK_COMMON_CONFIG_DATA got;
    ASSERT_EQ(config_.GetVekObjectConfig(&got), S_OK);
    EXPECT_EQ(Bytes(got.Reserved, got.Reserved + 228), Bytes(228, 0));
    // A field setter rewrites the whole record from memory, tail zero too.
    ASSERT_EQ(config_.SetErrorBroadcastState(TRUE), S_OK);
    const auto stored = StoredCommon();
    EXPECT_EQ(Bytes(stored.Reserved, stored.Reserved + 228), Bytes(228, 0));
}

TEST_F(AttributeAccess, EveryCommonFieldSetterReachesTheFile) {
    const GUID classId = {0x11223344, 0x5566, 0x7788, {1, 2, 3, 4, 5, 6, 7, 8}};
    ASSERT_EQ(config_.SetDefaultMediaID(31), S_OK);
    ASSERT_EQ(config_.SetDefaultDonorID(32), S_OK);
    ASSERT_EQ(config_.SetClassID(classId), S_OK);
    ASSERT_EQ(config_.SetProcessingStates(TRUE, FALSE), S_OK);
    ASSERT_EQ(config_.SetErrorBroadcastState(5), S_OK);
    ASSERT_EQ(config_.SetDefaultColorProfile(u"sRGB"), S_OK);
    ASSERT_EQ(config_.SetBufferSizes(7, 9), S_OK);
    DWORD a = 0, b = 0, c = 0, d = 0;
    ASSERT_EQ(config_.GetBufferSizes(&a, &b), S_OK);
    ASSERT_EQ(config_.GetRequiredScanPixels(&c, &d), S_OK);
    EXPECT_EQ(a, 7u);
    EXPECT_EQ(b, 9u);
    EXPECT_EQ(c, 7u) << "scan pixels and buffer sizes are the same pair";
    EXPECT_EQ(d, 9u);
    const auto stored = StoredCommon();
    EXPECT_EQ(stored.DefaultMediaID, 31u);
    EXPECT_EQ(stored.DefaultDonorID, 32u);
    EXPECT_TRUE(stored.ClassID == classId);
    EXPECT_EQ(stored.ProcessingStates[0], TRUE);
    EXPECT_EQ(stored.ProcessingStates[1], FALSE);
    EXPECT_EQ(stored.ErrorBroadcastState, 5);
    EXPECT_EQ(std::u16string(stored.DefaultColorProfile), u"sRGB");
    // Fields outside the ones changed are carried unchanged.
    EXPECT_EQ(std::memcmp(stored.PrinterModelsSupported, common_.PrinterModelsSupported,
                          sizeof stored.PrinterModelsSupported),
              0);
}

TEST_F(AttributeAccess, PhysicalPrinterFieldsRoundTripWithTheAddressKind) {
    auto physical = physical_;
    std::memset(physical.DeviceAddress, 0, sizeof physical.DeviceAddress);
    const std::u16string address = u"0:0:3:0";
    std::memcpy(physical.DeviceAddress, address.data(), address.size() * 2);
    physical.DeviceAddressKind = VEK_ADDRESS_SCSI;
    ASSERT_EQ(config_.SetPhysicalPrinterConfig(physical), S_OK);
    ASSERT_EQ(config_.SetAcceptingMultipleOpenJobs(TRUE), S_OK);
    ASSERT_EQ(config_.SetCopyRemoteImageFileState(FALSE), S_OK);

    CVekObjectConfig reread;
    ASSERT_EQ(reread.Open(FilePath().c_str()), S_OK);
    WCHAR* text = nullptr;
    VEK_DEVICE_ADDRESS kind{};
    ASSERT_EQ(reread.GetDeviceAddress(&text, &kind), S_OK);
    EXPECT_EQ(std::u16string(text), address);
    EXPECT_EQ(kind, VEK_ADDRESS_SCSI);
    SysFreeString(text);
    BOOL state = -1;
    ASSERT_EQ(reread.GetAcceptingMultipleOpenJobs(&state), S_OK);
    EXPECT_EQ(state, TRUE);
    ASSERT_EQ(reread.GetCopyRemoteImageFileState(&state), S_OK);
    EXPECT_EQ(state, FALSE);
    ASSERT_EQ(reread.RejectJobsOnNeedsAttentionState(&state), S_OK);
    EXPECT_EQ(state, physical.RejectJobsOnNeedsAttention);
}

TEST_F(AttributeAccess, NullPointersAreRejected) {
    EXPECT_EQ(config_.GetDefaultMediaID(nullptr), E_POINTER);
    EXPECT_EQ(config_.GetUserDescription(nullptr), E_POINTER);
    EXPECT_EQ(config_.GetPrinterModel(nullptr), E_POINTER);
    EXPECT_EQ(config_.SetLocation(nullptr), E_POINTER);
    EXPECT_EQ(config_.GetVekObjectConfig(nullptr), E_POINTER);
    DWORD value = 0;
    EXPECT_EQ(config_.GetBufferSizes(&value, nullptr), E_POINTER);
    EXPECT_EQ(config_.GetDeviceAddress(nullptr), E_POINTER);
}

}  // namespace
}  // namespace vek::test
