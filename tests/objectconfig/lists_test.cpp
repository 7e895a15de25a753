#include "object_file_helpers.h"

namespace vek::test {
namespace {

GUID Id(uint32_t n) { return GUID{n, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}}; }

VEK_LP_PP_CONNECTIONS Connection(uint32_t n, uint8_t seed) {
    auto c = Patterned<VEK_LP_PP_CONNECTIONS>(seed);
    c.PPObjectID = Id(n);
    return c;
}

class Lists : public ObjectFileTest {
protected:
    void SetUp() override { ASSERT_EQ(config_.Create(FilePath().c_str()), S_OK); }
    CVekObjectConfig config_;
};

TEST_F(Lists, AddingAListedPrinterChangesNothingAndWritesNothing) {
    ASSERT_EQ(config_.AddLpPpConnection(Connection(1, 1)), S_OK);
    ASSERT_EQ(config_.AddLpPpConnection(Connection(2, 2)), S_OK);
    const Bytes before = ReadStream(FilePath(), VEK_CONNECTIONS_STREAM);
    CountingEnv counting;
    ScopedEnvOverride scope(&counting);
    EXPECT_EQ(config_.AddLpPpConnection(Connection(1, 99)), S_OK);
    EXPECT_EQ(counting.opens, 0);
    const auto list = Connections(config_);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(BytesOf(list[0]), BytesOf(Connection(1, 1))) << "the existing entry keeps its data";
    EXPECT_EQ(ReadStream(FilePath(), VEK_CONNECTIONS_STREAM), before);
    EXPECT_EQ(before.size(), 2u * 1312);
}

TEST_F(Lists, DeletingTheLastConnectionRemovesTheStreamAndAnEmptyListWritesNone) {
    ASSERT_EQ(config_.AddLpPpConnection(Connection(1, 1)), S_OK);
    ASSERT_EQ(config_.AddLpPpConnection(Connection(2, 2)), S_OK);
    ASSERT_EQ(config_.DeleteLpPpConnection(Id(1)), S_OK);
    EXPECT_EQ(ReadStream(FilePath(), VEK_CONNECTIONS_STREAM), BytesOf(Connection(2, 2)));
    EXPECT_EQ(config_.DeleteLpPpConnection(Id(7)), S_OK) << "absent key";
    ASSERT_EQ(config_.DeleteLpPpConnection(Id(2)), S_OK);
    HRESULT status = S_OK;
    ReadStream(FilePath(), VEK_CONNECTIONS_STREAM, &status);
    EXPECT_EQ(status, STG_E_FILENOTFOUND);
    VEK_LP_PP_CONNECTIONS* list = reinterpret_cast<VEK_LP_PP_CONNECTIONS*>(8);
    DWORD count = 3;
    ASSERT_EQ(config_.GetLpPpConnections(&list, &count), S_OK);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(count, 0u);
    // Installing an empty list over the empty one touches nothing.
    EXPECT_EQ(config_.SetLpPpConnection(nullptr, 0), S_OK);
    EXPECT_EQ(config_.SetLpPpConnection(nullptr, 2), E_POINTER);
    ReadStream(FilePath(), VEK_CONNECTIONS_STREAM, &status);
    EXPECT_EQ(status, STG_E_FILENOTFOUND);
}

TEST_F(Lists, RepeatedKeysReadFromAFileNeverOverrunTheNewList) {
    const std::vector<VEK_LP_PP_CONNECTIONS> repeated = {Connection(1, 1), Connection(5, 2),
                                                         Connection(1, 3), Connection(6, 4)};
    WriteStreams(FilePath("dup.cfg"), {{VEK_CONNECTIONS_STREAM, Joined(repeated)}});
    CVekObjectConfig config;
    ASSERT_EQ(config.Open(FilePath("dup.cfg").c_str()), S_OK);
    ASSERT_EQ(config.DeleteLpPpConnection(Id(1)), S_OK);
    const auto list = Connections(config);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_TRUE(list[0].PPObjectID == Id(5));
    EXPECT_TRUE(list[1].PPObjectID == Id(6));

    // Media with a repeated identifier, same rule.
    auto entry = Patterned<CONFIG_PRINTER_MEDIA_DATA>(3);
    entry.MediaID = 3;
    WriteStreams(FilePath("dupmedia.cfg"),
                 {{VEK_MEDIA_STREAM, Joined(std::vector<CONFIG_PRINTER_MEDIA_DATA>(3, entry))}});
    ASSERT_EQ(config.Open(FilePath("dupmedia.cfg").c_str()), S_OK);
    ASSERT_EQ(config.DeleteVekSpecificMedia(3), S_OK);
    DWORD count = 9;
    CONFIG_PRINTER_MEDIA_DATA* all = nullptr;
    ASSERT_EQ(config.GetAllVekSpecificMedia(count, &all), S_OK);
    EXPECT_EQ(count, 0u);
    HRESULT status = S_OK;
    ReadStream(FilePath("dupmedia.cfg"), VEK_MEDIA_STREAM, &status);
    EXPECT_EQ(status, STG_E_FILENOTFOUND);
}

TEST_F(Lists, SettingAListedMediumReplacesItInPlaceAndANewOneIsAppended) {
    ASSERT_EQ(config_.SetVekSpecificMedia(10, Patterned<PRINTER_MEDIA_DATA>(1)), S_OK);
    ASSERT_EQ(config_.SetVekSpecificMedia(20, Patterned<PRINTER_MEDIA_DATA>(2)), S_OK);
    ASSERT_EQ(config_.SetVekSpecificMedia(10, Patterned<PRINTER_MEDIA_DATA>(3)), S_OK);
    DWORD count = 0;
    CONFIG_PRINTER_MEDIA_DATA* all = nullptr;
    ASSERT_EQ(config_.GetAllVekSpecificMedia(count, &all), S_OK);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(all[0].MediaID, 10u);
    EXPECT_EQ(BytesOf(all[0].MediaData), BytesOf(Patterned<PRINTER_MEDIA_DATA>(3)));
    EXPECT_EQ(all[1].MediaID, 20u);
    EXPECT_EQ(Bytes(all[1].MediaReserved, all[1].MediaReserved + 256), Bytes(256, 0));
    const Bytes stored = ReadStream(FilePath(), VEK_MEDIA_STREAM);
    EXPECT_EQ(stored, Bytes(reinterpret_cast<uint8_t*>(all),
                            reinterpret_cast<uint8_t*>(all) + 2 * sizeof *all));
    CoTaskMemFree(all);
    PRINTER_MEDIA_DATA one;
    EXPECT_EQ(config_.GetVekSpecificMedia(20, &one), S_OK);
    EXPECT_EQ(config_.GetVekSpecificMedia(30, &one), E_FAIL);
    EXPECT_EQ(config_.DeleteVekSpecificMedia(30), S_OK);
    ASSERT_EQ(config_.DeleteVekSpecificMedia(10), S_OK);
    EXPECT_EQ(ReadStream(FilePath(), VEK_MEDIA_STREAM).size(), sizeof(CONFIG_PRINTER_MEDIA_DATA));
    EXPECT_EQ(config_.GetAllVekSpecificMedia(count, nullptr), E_POINTER);
    EXPECT_EQ(count, 0u);
}

TEST(ClosedInstance, OnlyTheDebugLevelAnswersAndEveryOtherOperationFails) {
    CVekObjectConfig config;
    DWORD supported = 9, current = 9;
    EXPECT_EQ(config.GetDebugLevel(&supported, &current), S_OK);
    EXPECT_EQ(supported, 0u);
    EXPECT_EQ(current, 0u);
    EXPECT_EQ(config.GetEventLoggingLevel(&supported, &current), E_FAIL);
    EXPECT_EQ(config.SetDefaultMediaID(1), E_FAIL);
    EXPECT_EQ(config.SetVekObjectConfig(VEK_COMMON_CONFIG_DATA{}), E_FAIL);
    EXPECT_EQ(config.SetLogicalPrinterConfig(VEK_LOGICAL_PRINTER_CONFIG_DATA{}), E_FAIL);
    DWORD count = 7;
    CONFIG_PRINTER_MEDIA_DATA* all = nullptr;
    EXPECT_EQ(config.GetAllVekSpecificMedia(count, &all), E_FAIL);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(config.AddLpPpConnection(VEK_LP_PP_CONNECTIONS{}), E_FAIL);
    EXPECT_EQ(config.DeleteLpPpConnection(GUID_NULL), E_FAIL);
    EXPECT_EQ(config.SetVekSpecificMedia(1, PRINTER_MEDIA_DATA{}), E_FAIL);
    EXPECT_EQ(config.DeleteVekSpecificMedia(1), E_FAIL);
    EXPECT_EQ(config.AssociateClassID(GUID_NULL), E_FAIL);
    EXPECT_EQ(config.SetSpoolingOn(TRUE), E_FAIL);
}

TEST_F(Lists, SpoolingUnchangedDoesNotOpenTheFileAndAChangeClearsTheTransientFlag) {
    auto logical = Patterned<VEK_LOGICAL_PRINTER_CONFIG_DATA>(5);
    logical.SpoolingOn = TRUE;
    ASSERT_EQ(config_.SetLogicalPrinterConfig(logical), S_OK);
    {
        CountingEnv counting;
        ScopedEnvOverride scope(&counting);
        EXPECT_EQ(config_.SetSpoolingOn(TRUE), S_OK);
        EXPECT_EQ(counting.opens, 0);
    }
    ASSERT_EQ(config_.SetSpoolingOn(FALSE), S_OK);
    logical.SpoolingOn = FALSE;
    logical.TransientFlag = 0;
    EXPECT_EQ(ReadStream(FilePath(), VEK_LOGICAL_PRINTER_STREAM), BytesOf(logical));
    BOOL state = -1;
    ASSERT_EQ(config_.GetSpoolingOn(&state), S_OK);
    EXPECT_EQ(state, FALSE);
    ASSERT_EQ(config_.RescheduleJobsOnInfoError(&state), S_OK);
    EXPECT_EQ(state, logical.RescheduleJobsOnInfoError);
}

TEST_F(Lists, AssociatedClassIdStampsTheFileButNotTheRecord) {
    auto common = Patterned<VEK_COMMON_CONFIG_DATA>(2);
    ASSERT_EQ(config_.SetVekObjectConfig(common), S_OK);
    const GUID stamp = {0xCAFEF00D, 0x1234, 0x5678, {9, 8, 7, 6, 5, 4, 3, 2}};
    ASSERT_EQ(config_.AssociateClassID(stamp), S_OK);
    IStorage* storage = nullptr;
    ASSERT_EQ(StgOpenStorage(FilePath().c_str(), nullptr, 0x10, nullptr, 0, &storage), S_OK);
    STATSTG stat{};
    ASSERT_EQ(storage->Stat(&stat, STATFLAG_NONAME), S_OK);
    storage->Release();
    EXPECT_TRUE(stat.clsid == stamp);
    GUID recorded;
    ASSERT_EQ(config_.GetClassID(&recorded), S_OK);
    EXPECT_TRUE(recorded == common.ClassID);
}

}  // namespace
}  // namespace vek::test
