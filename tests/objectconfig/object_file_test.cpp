#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "object_file_helpers.h"
#include "platform/env.h"
#include "vekconfig/config_files.h"

namespace vek::test {
namespace {

class ObjectFile : public ObjectFileTest {};

// The record a getter gives equals expected byte for byte.
template <class Record, class Getter>
void ReadsBack(const Record& expected, Getter get) {
    Record got;
    ASSERT_EQ(get(&got), S_OK);
    EXPECT_EQ(BytesOf(got), BytesOf(expected));
}

TEST_F(ObjectFile, RoundTripIsByteIdenticalExceptReservedAndTransientBytes) {
    const auto common = Patterned<VEK_COMMON_CONFIG_DATA>(1);
    const auto physical = Patterned<VEK_PHYSICAL_PRINTER_CONFIG_DATA>(2);
    const auto logical = Patterned<VEK_LOGICAL_PRINTER_CONFIG_DATA>(3);
    const auto pf = Patterned<VEK_PF_LOGICAL_PRINTER_CONFIG_DATA>(4);
    const auto lp5300 = Patterned<VEK_LOGICAL_PRINTER_5300_CONFIG_DATA>(5);
    const auto job = Patterned<VEK_JOB_ATTRIBUTES>(6);
    const auto page = Patterned<PageAttributesT2>(7);
    const auto image = Patterned<ImageAttributesT>(8);
    const auto media = Patterned<PRINTER_MEDIA_DATA>(9);
    const auto connection = Patterned<VEK_LP_PP_CONNECTIONS>(10);
    {
        CVekObjectConfig config;
        ASSERT_EQ(config.Create(FilePath().c_str()), S_OK);
        ASSERT_EQ(config.SetVekObjectConfig(common), S_OK);
        ASSERT_EQ(config.SetPhysicalPrinterConfig(physical), S_OK);
        ASSERT_EQ(config.SetLogicalPrinterConfig(logical), S_OK);
        ASSERT_EQ(config.SetPFLogicalPrinterConfig(pf), S_OK);
        ASSERT_EQ(config.SetLogicalPrinter5300Config(lp5300), S_OK);
        ASSERT_EQ(config.SetDefaultJobAttributes(job), S_OK);
        ASSERT_EQ(config.SetDefaultPageAttributes(page), S_OK);
        ASSERT_EQ(config.SetDefaultImageAttributes(image), S_OK);
        ASSERT_EQ(config.SetVekSpecificMedia(77, media), S_OK);
        ASSERT_EQ(config.AddLpPpConnection(connection), S_OK);
    }
    auto expectCommon = common;
    std::memset(expectCommon.Reserved, 0, sizeof expectCommon.Reserved);
    auto expectPhysical = physical;
    std::memset(expectPhysical.Reserved, 0, sizeof expectPhysical.Reserved);
    auto expectLogical = logical;
    auto expectPf = pf;
    auto expect5300 = lp5300;
    expectLogical.TransientFlag = expectPf.TransientFlag = expect5300.TransientFlag = 0;

    CVekObjectConfig reread;
    ASSERT_EQ(reread.Open(FilePath().c_str()), S_OK);
    ReadsBack(expectCommon, [&](auto* r) { return reread.GetVekObjectConfig(r); });
    ReadsBack(expectPhysical, [&](auto* r) { return reread.GetPhysicalPrinterConfig(r); });
    ReadsBack(expectLogical, [&](auto* r) { return reread.GetLogicalPrinterConfig(r); });
    ReadsBack(expectPf, [&](auto* r) { return reread.GetPFLogicalPrinterConfig(r); });
    ReadsBack(expect5300, [&](auto* r) { return reread.GetLogicalPrinter5300Config(r); });
    ReadsBack(job, [&](auto* r) { return reread.GetDefaultJobAttributes(r); });
    ReadsBack(page, [&](auto* r) { return reread.GetDefaultPageAttributes(r); });
    ReadsBack(image, [&](auto* r) { return reread.GetDefaultImageAttributes(r); });
    ReadsBack(media, [&](auto* r) { return reread.GetVekSpecificMedia(77, r); });
    const auto list = Connections(reread);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(BytesOf(list[0]), BytesOf(connection));
    // The stream itself is the record's exact image.
    EXPECT_EQ(ReadStream(FilePath(), VEK_COMMON_STREAM), BytesOf(expectCommon));
}

TEST_F(ObjectFile, ObjectIdFormsUseTheFileNamedAfterTheObjectInTheConfigurationRoot) {
    const GUID id = {0xABCDEFAB, 0xCDEF, 0xABCD, {0xEF, 0xAB, 0xCD, 0xEF, 0xAB, 0xCD, 0xEF, 0xAB}};
    CVekObjectConfig config;
    ASSERT_EQ(config.Create(id), S_OK);
    auto common = Patterned<VEK_COMMON_CONFIG_DATA>(5);
    common.ObjectID = id;
    ASSERT_EQ(config.SetVekObjectConfig(common), S_OK);
    WCHAR path[MAX_PATH];
    ASSERT_EQ(ComposeConfigFilePathname(id, path), S_OK);
    EXPECT_EQ(ReadStream(path, VEK_COMMON_STREAM).size(), sizeof common);
    EXPECT_NE(std::u16string(path).find(u"{ABCDEFAB-CDEF-ABCD-EFAB-CDEFABCDEFAB}.cfg"), std::u16string::npos);

    CVekObjectConfig reread;
    ASSERT_EQ(reread.Open(id), S_OK);
    GUID stored;
    ASSERT_EQ(reread.GetVekObjectID(&stored), S_OK);
    EXPECT_TRUE(stored == id);
    CVekObjectConfig missing;
    EXPECT_EQ(missing.Open(GUID{1, 2, 3, {4}}), STG_E_FILENOTFOUND);
}

TEST_F(ObjectFile, ConnectionStreamWithPartialTrailingEntryReadsWholeEntriesOnly) {
    const std::vector<VEK_LP_PP_CONNECTIONS> entries = {Patterned<VEK_LP_PP_CONNECTIONS>(0),
                                                        Patterned<VEK_LP_PP_CONNECTIONS>(40),
                                                        Patterned<VEK_LP_PP_CONNECTIONS>(80)};
    Bytes stream = Joined(entries);
    stream.resize(stream.size() + 1311, 0xAB);  // 1312*3 + 1311 bytes
    WriteStreams(FilePath(), {{VEK_CONNECTIONS_STREAM, stream}});

    CVekObjectConfig config;
    ASSERT_EQ(config.Open(FilePath().c_str()), S_OK);
    const auto list = Connections(config);
    ASSERT_EQ(list.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(BytesOf(list[i]), BytesOf(entries[i]));
}

TEST_F(ObjectFile, ShortStreamsAndForeignElementsAreAccepted) {
    // A common record cut after 40 bytes, a media stream shorter than one
    // entry, a connection stream shorter than one entry, a stream of another
    // name and a sub-storage.
    const auto common = Patterned<VEK_COMMON_CONFIG_DATA>(3);
    Bytes shortCommon = BytesOf(common);
    shortCommon.resize(40);
    WriteStreams(FilePath(), {{VEK_COMMON_STREAM, shortCommon},
                              {VEK_MEDIA_STREAM, Bytes(100, 1)},
                              {VEK_CONNECTIONS_STREAM, Bytes(1311, 2)},
                              {u"SOMETHING_ELSE_V9", Bytes(5000, 3)}});
    {
        IStorage* storage = nullptr;
        ASSERT_EQ(StgOpenStorage(FilePath().c_str(), nullptr, 0x12, nullptr, 0, &storage), S_OK);
        IStorage* sub = nullptr;
        ASSERT_EQ(storage->CreateStorage(u"VEK_OBJECT_CONFIG_V1x", 0x12, 0, 0, &sub), S_OK);
        sub->Release();
        storage->Release();
    }
    CVekObjectConfig config;
    ASSERT_EQ(config.Open(FilePath().c_str()), S_OK);
    VEK_COMMON_CONFIG_DATA got;
    ASSERT_EQ(config.GetVekObjectConfig(&got), S_OK);
    const Bytes gotBytes = BytesOf(got);
    EXPECT_EQ(Bytes(gotBytes.begin(), gotBytes.begin() + 40), shortCommon);
    EXPECT_EQ(got.DefaultMediaID, 0u) << "the part a short stream does not fill reads as zero";
    GUID id;
    ASSERT_EQ(config.GetVekObjectID(&id), S_OK);
    EXPECT_TRUE(id == common.ObjectID);

    DWORD count = 99;
    CONFIG_PRINTER_MEDIA_DATA* media = nullptr;
    EXPECT_EQ(config.GetAllVekSpecificMedia(count, &media), S_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(media, nullptr);
    VEK_LP_PP_CONNECTIONS* list = reinterpret_cast<VEK_LP_PP_CONNECTIONS*>(1);
    ASSERT_EQ(config.GetLpPpConnections(&list, &count), S_OK);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(count, 0u);
}

TEST_F(ObjectFile, StreamNamesThatDifferOnlyInCaseAreNotRecords) {
    // Element lookup in a compound file ignores case; the stream names of an
    // object configuration are compared exactly.
    WriteStreams(FilePath(), {{u"vek_object_config_v1", BytesOf(Patterned<VEK_COMMON_CONFIG_DATA>(4))},
                              {u"Vek_Media_Config_V1", Bytes(4376, 5)},
                              {VEK_PHYSICAL_PRINTER_STREAM,
                               BytesOf(Patterned<VEK_PHYSICAL_PRINTER_CONFIG_DATA>(6))}});
    CVekObjectConfig config;
    ASSERT_EQ(config.Open(FilePath().c_str()), S_OK);
    VEK_COMMON_CONFIG_DATA common;
    EXPECT_EQ(config.GetVekObjectConfig(&common), E_FAIL);
    DWORD count = 99;
    CONFIG_PRINTER_MEDIA_DATA* media = nullptr;
    EXPECT_EQ(config.GetAllVekSpecificMedia(count, &media), S_OK);
    EXPECT_EQ(count, 0u);
    VEK_PHYSICAL_PRINTER_CONFIG_DATA physical;
    ASSERT_EQ(config.GetPhysicalPrinterConfig(&physical), S_OK);
    EXPECT_EQ(BytesOf(physical), BytesOf(Patterned<VEK_PHYSICAL_PRINTER_CONFIG_DATA>(6)));
}

TEST_F(ObjectFile, CreateOverAnExistingFileLeavesItWithoutStreamsAndEveryRecordGetterFailing) {
    CVekObjectConfig config;
    CreateWithCommon(config, Patterned<VEK_COMMON_CONFIG_DATA>(1));
    ASSERT_EQ(config.Create(FilePath().c_str()), S_OK);
    VEK_COMMON_CONFIG_DATA common;
    EXPECT_EQ(config.GetVekObjectConfig(&common), E_FAIL) << "Create must drop the records held";
    CVekObjectConfig reread;
    ASSERT_EQ(reread.Open(FilePath().c_str()), S_OK);
    VEK_PHYSICAL_PRINTER_CONFIG_DATA physical;
    VEK_LOGICAL_PRINTER_CONFIG_DATA logical;
    VEK_JOB_ATTRIBUTES job;
    EXPECT_EQ(reread.GetVekObjectConfig(&common), E_FAIL);
    EXPECT_EQ(reread.GetPhysicalPrinterConfig(&physical), E_FAIL);
    EXPECT_EQ(reread.GetLogicalPrinterConfig(&logical), E_FAIL);
    EXPECT_EQ(reread.GetDefaultJobAttributes(&job), E_FAIL);
    DWORD supported = 1, current = 1;
    EXPECT_EQ(reread.GetDebugLevel(&supported, &current), E_FAIL);
    EXPECT_EQ(reread.SetDefaultMediaID(3), E_FAIL) << "a field setter needs its record";
    VEK_LP_PP_CONNECTIONS* list = nullptr;
    DWORD count = 5;
    EXPECT_EQ(reread.GetLpPpConnections(&list, &count), S_OK);
    EXPECT_EQ(count, 0u);
}

TEST_F(ObjectFile, FailedOpenOrBadNameLeavesTheInstanceClosedWithItsListsReleased) {
    CVekObjectConfig config;
    CreateWithCommon(config, Patterned<VEK_COMMON_CONFIG_DATA>(1));
    ASSERT_EQ(config.AddLpPpConnection(Patterned<VEK_LP_PP_CONNECTIONS>(1)), S_OK);
    EXPECT_EQ(config.Open(FilePath("missing.cfg").c_str()), STG_E_FILENOTFOUND);
    VEK_COMMON_CONFIG_DATA common;
    EXPECT_EQ(config.GetVekObjectConfig(&common), E_FAIL);
    VEK_LP_PP_CONNECTIONS* list = nullptr;
    DWORD count = 0;
    EXPECT_EQ(config.GetLpPpConnections(&list, &count), E_FAIL);
    EXPECT_EQ(config.SetDefaultMediaID(1), E_FAIL);
    // After a later Create nothing of the earlier file comes back.
    ASSERT_EQ(config.Create(FilePath("new.cfg").c_str()), S_OK);
    EXPECT_EQ(config.GetVekObjectConfig(&common), E_FAIL);
    ASSERT_EQ(config.GetLpPpConnections(&list, &count), S_OK);
    EXPECT_EQ(count, 0u);

    // A path that does not fit a path buffer closes the instance too.
    CreateWithCommon(config, Patterned<VEK_COMMON_CONFIG_DATA>(1));
    const std::u16string longPath = FilePath() + std::u16string(300, u'x');
    EXPECT_EQ(config.Open(longPath.c_str()), E_INVALIDARG);
    EXPECT_EQ(config.GetVekObjectConfig(&common), E_FAIL);
    EXPECT_EQ(config.Create(longPath.c_str()), E_INVALIDARG);
    EXPECT_EQ(config.SetDefaultMediaID(1), E_FAIL);
    EXPECT_EQ(config.Open(static_cast<const WCHAR*>(nullptr)), E_POINTER);
    EXPECT_EQ(config.Create(static_cast<const WCHAR*>(nullptr)), E_POINTER);
}

TEST_F(ObjectFile, RefreshBeforeAnyAttachFailsAndAfterwardsSeesOtherWriters) {
    CVekObjectConfig never;
    EXPECT_EQ(never.Refresh(), E_FAIL);

    CVekObjectConfig writer, reader;
    CreateWithCommon(writer, Patterned<VEK_COMMON_CONFIG_DATA>(1));
    ASSERT_EQ(reader.Open(FilePath().c_str()), S_OK);
    ASSERT_EQ(writer.SetDefaultMediaID(4242), S_OK);
    DWORD media = 0;
    ASSERT_EQ(reader.GetDefaultMediaID(&media), S_OK);
    EXPECT_NE(media, 4242u);
    ASSERT_EQ(reader.Refresh(), S_OK);
    ASSERT_EQ(reader.GetDefaultMediaID(&media), S_OK);
    EXPECT_EQ(media, 4242u);
}

TEST_F(ObjectFile, CopiesOwnTheirListsAndShareTheLock) {
    auto original = std::make_unique<CVekObjectConfig>();
    CreateWithCommon(*original, Patterned<VEK_COMMON_CONFIG_DATA>(1));
    ASSERT_EQ(original->AddLpPpConnection(Patterned<VEK_LP_PP_CONNECTIONS>(1)), S_OK);
    ASSERT_EQ(original->SetVekSpecificMedia(5, Patterned<PRINTER_MEDIA_DATA>(2)), S_OK);
    CVekObjectConfig copy(*original);
    CVekObjectConfig assigned;
    assigned = copy;
    original.reset();  // must not release the copies' lists
    for (CVekObjectConfig* c : {&copy, &assigned}) {
        EXPECT_EQ(Connections(*c).size(), 1u);
        PRINTER_MEDIA_DATA media;
        EXPECT_EQ(c->GetVekSpecificMedia(5, &media), S_OK);
    }
    ASSERT_EQ(copy.DeleteLpPpConnection(Patterned<VEK_LP_PP_CONNECTIONS>(1).PPObjectID), S_OK);
    EXPECT_EQ(Connections(assigned).size(), 1u) << "an edit of one copy must not change another's list";
}

// ---- another holder of the file ----

// Holds the file open in a child process until told to let go through a
// pipe; returns the child's pid. The child opens the file itself, so the
// lock belongs to it alone.
pid_t HoldInChild(const std::u16string& path, int* release, int holdCycles = 0, int holdMs = 0) {
    int ready[2], go[2];
    EXPECT_EQ(pipe(ready), 0);
    EXPECT_EQ(pipe(go), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        close(ready[0]);
        close(go[1]);
        IStorage* storage = nullptr;
        if (StgOpenStorage(path.c_str(), nullptr, 0x12, nullptr, 0, &storage) != S_OK) _exit(3);
        char byte = 1;
        if (write(ready[1], &byte, 1) != 1) _exit(4);
        if (holdCycles == 0) {
            if (read(go[0], &byte, 1) < 0) _exit(5);
            storage->Release();
            _exit(0);
        }
        // A busy holder: lets go for about a millisecond between long holds.
        for (int cycle = 0; cycle < holdCycles; ++cycle) {
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
            storage->Release();
            std::this_thread::sleep_for(std::chrono::microseconds(1000));
            storage = nullptr;
            while (StgOpenStorage(path.c_str(), nullptr, 0x12, nullptr, 0, &storage) != S_OK)
                std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        storage->Release();
        _exit(0);
    }
    close(ready[1]);
    close(go[0]);
    char byte;
    EXPECT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    *release = go[1];
    return pid;
}

int ExitCode(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ObjectFile, OpenOfAFileHeldByAnotherProcessSucceedsWhenItIsLetGo) {
    CVekObjectConfig config;
    CreateWithCommon(config, Patterned<VEK_COMMON_CONFIG_DATA>(1));
    int release = -1;
    const pid_t child = HoldInChild(FilePath(), &release);
    std::thread letGo([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        char byte = 1;
        EXPECT_EQ(write(release, &byte, 1), 1);
    });
    CountingEnv counting;
    ScopedEnvOverride scope(&counting);
    CVekObjectConfig reader;
    EXPECT_EQ(reader.Open(FilePath().c_str()), S_OK);
    letGo.join();
    close(release);
    EXPECT_EQ(ExitCode(child), 0);
    EXPECT_GE(counting.opens, 2) << "the file was held: at least one attempt must have waited";
    EXPECT_EQ(counting.lastWait, 100u);
    VEK_COMMON_CONFIG_DATA common;
    EXPECT_EQ(reader.GetVekObjectConfig(&common), S_OK);
}

TEST_F(ObjectFile, BusyHolderThatLetsGoBrieflyCannotStarveTheWaiter) {
    CVekObjectConfig config;
    CreateWithCommon(config, Patterned<VEK_COMMON_CONFIG_DATA>(1));
    int release = -1;
    // 300 holds of 50 ms with ~1 ms gaps: a waiter that slept blindly for
    // 100 ms between attempts would hit a gap only by chance.
    const pid_t child = HoldInChild(FilePath(), &release, 300, 50);
    CountingEnv counting;
    ScopedEnvOverride scope(&counting);
    CVekObjectConfig reader;
    EXPECT_EQ(reader.Open(FilePath().c_str()), S_OK);
    EXPECT_LE(counting.opens, 4) << "the waiter must catch one of the first gaps";
    kill(child, SIGKILL);
    ExitCode(child);
    close(release);
}

// Answers a lock violation to every open, as a holder that never lets go.
class AlwaysLockedEnv : public CountingEnv {
public:
    HRESULT OpenStorageWaiting(const WCHAR*, DWORD, uint32_t, IStorage**) override {
        ++opens;
        return STG_E_LOCKVIOLATION;
    }
};

TEST_F(ObjectFile, FileLockedBeyondTheRetriesGivesLockViolationAfter1001Attempts) {
    CVekObjectConfig config;
    CreateWithCommon(config, Patterned<VEK_COMMON_CONFIG_DATA>(1));
    AlwaysLockedEnv locked;
    ScopedEnvOverride scope(&locked);
    EXPECT_EQ(config.Refresh(), STG_E_LOCKVIOLATION);
    EXPECT_EQ(locked.opens, 1001);
    EXPECT_TRUE(Reported(u"CVekObjectConfig::OpenVekObjectFile:StgOpenStorage", STG_E_LOCKVIOLATION));
    VEK_COMMON_CONFIG_DATA common;
    EXPECT_EQ(config.GetVekObjectConfig(&common), E_FAIL) << "a failed Open leaves the instance closed";
}

// A file that cannot be opened for writing: read/write opens are refused,
// read-only opens go to the real file.
class ReadOnlyEnv : public CountingEnv {
public:
    HRESULT OpenStorageWaiting(const WCHAR* path, DWORD mode, uint32_t waitMilliseconds,
                               IStorage** storage) override {
        if (mode & STGM_READWRITE) return STG_E_ACCESSDENIED;
        return CountingEnv::OpenStorageWaiting(path, mode, waitMilliseconds, storage);
    }
};

TEST_F(ObjectFile, ReadOnlyFileOpensAndAFailingSetterKeepsItsValueInMemory) {
    auto common = Patterned<VEK_COMMON_CONFIG_DATA>(1);
    common.DefaultMediaID = 10;
    {
        CVekObjectConfig config;
        CreateWithCommon(config, common);
    }
    {
        ReadOnlyEnv readOnly;
        ScopedEnvOverride scope(&readOnly);
        CVekObjectConfig config;
        ASSERT_EQ(config.Open(FilePath().c_str()), S_OK);
        DWORD media = 0;
        ASSERT_EQ(config.GetDefaultMediaID(&media), S_OK);
        EXPECT_EQ(media, 10u);
        EXPECT_EQ(config.SetDefaultMediaID(11), E_FAIL);
        EXPECT_TRUE(Reported(u"CVekObjectConfig::WriteConfig - CreateSteam", STG_E_ACCESSDENIED));
        ASSERT_EQ(config.GetDefaultMediaID(&media), S_OK);
        EXPECT_EQ(media, 11u) << "the member keeps the value whose write failed";
    }
    CVekObjectConfig reread;
    ASSERT_EQ(reread.Open(FilePath().c_str()), S_OK);
    DWORD media = 0;
    ASSERT_EQ(reread.GetDefaultMediaID(&media), S_OK);
    EXPECT_EQ(media, 10u) << "the file must not have changed";
}

}  // namespace
}  // namespace vek::test
