// The registry's database: where it lives, what a damaged or foreign file
// gives, waiting for other writers, and faults injected through the
// environment.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/env.h"
#include "platform/registry_test_util.h"
#include "support/faulty_registry.h"
#include "support/recording_env.h"
#include "support/run_tool.h"
#include "support/scoped_variable.h"
#include "support/temp_home.h"
#include "vekconfig/registry.h"
#include "vekconfig/text.h"

namespace vek::test {
namespace {

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Runs sql on a database with a connection of the test's own.
void RunSql(const std::filesystem::path& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// The name of key's subkey at index; empty when there is none.
std::u16string SubkeyName(HKEY key, DWORD index) {
    WCHAR name[MAX_PATH];
    DWORD length = MAX_PATH;
    if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return u"";
    return std::u16string(name, length);
}

DWORD SubkeyCount(HKEY key) {
    DWORD subkeys = ~0u;
    EXPECT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    return subkeys;
}

// Another connection holding the write lock of the registry in home.
sqlite3* HoldWriteLock(const TempHome& home) {
    sqlite3* other = nullptr;
    EXPECT_EQ(sqlite3_open((home / "registry.sqlite").c_str(), &other), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    return other;
}

TEST(RegistryStore, DatabaseLivesInVekHomeInWalModeOnePerHome) {
    {
        TempHome first;
        RegCloseKey(MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\OnlyInFirst"));
        EXPECT_TRUE(HasKey(u"SOFTWARE\\OnlyInFirst"));
        const std::string header = Slurp(first / "registry.sqlite").substr(0, 20);
        ASSERT_EQ(header.size(), 20u);
        EXPECT_EQ(header.substr(0, 15), "SQLite format 3");
        EXPECT_EQ(header[18], 2) << "write version 2 is WAL";
        EXPECT_EQ(header[19], 2) << "read version 2 is WAL";
    }
    TempHome second;
    EXPECT_FALSE(HasKey(u"SOFTWARE\\OnlyInFirst"));
}

TEST(RegistryStore, VekRegistryNamesAnotherFileWhoseHandlesAreInvalidElsewhereOrAnUnreachableOne) {
    TempHome home;
    HKEY first = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\First");
    {
        ScopedVariable file("VEK_REGISTRY", home / "elsewhere.db");
        EXPECT_EQ(SetDword(first, u"V", 1), ERROR_INVALID_HANDLE);
        RegCloseKey(MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Elsewhere"));
    }
    EXPECT_TRUE(std::filesystem::exists(home / "elsewhere.db"));
    EXPECT_FALSE(HasKey(u"SOFTWARE\\Elsewhere"));
    {
        ScopedVariable file("VEK_REGISTRY", home / "elsewhere.db");
        EXPECT_TRUE(HasKey(u"SOFTWARE\\Elsewhere"));
    }
    ScopedVariable unreachable("VEK_REGISTRY", home / "no-such-dir" / "registry.sqlite");
    EXPECT_EQ(OpenForRead(HKEY_LOCAL_MACHINE, u"SOFTWARE", &first), ERROR_REGISTRY_IO_FAILED);
}

TEST(RegistryStore, ChoiceFollowsVekHomeSetOrRewrittenInPlaceBetweenTwoCalls) {
    TempHome home;
    const std::filesystem::path other = home / "other";
    std::filesystem::create_directory(other);
    RegCloseKey(MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\InFirst"));
    setenv("VEK_HOME", other.c_str(), 1);
    EXPECT_FALSE(HasKey(u"SOFTWARE\\InFirst"));
    RegCloseKey(MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\InOther"));
    setenv("VEK_HOME", home.path().c_str(), 1);
    EXPECT_TRUE(HasKey(u"SOFTWARE\\InFirst"));
    EXPECT_FALSE(HasKey(u"SOFTWARE\\InOther"));
    EXPECT_TRUE(std::filesystem::exists(other / "registry.sqlite"));

    std::filesystem::create_directory(home / "a");
    std::filesystem::create_directory(home / "b");
    // putenv keeps the buffer itself: changing it changes the value while
    // the variable stays at the same address.
    static std::string entry;
    entry = "VEK_HOME=" + (home / "a").string();
    putenv(entry.data());
    RegCloseKey(MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\InA"));
    entry.back() = 'b';
    EXPECT_FALSE(HasKey(u"SOFTWARE\\InA"));
    EXPECT_TRUE(std::filesystem::exists(home / "b" / "registry.sqlite"));
    setenv("VEK_HOME", home.path().c_str(), 1);
}

TEST(RegistryStore, GarbageForeignOrLaterDatabaseGivesBadDbAndIsLeftAsItWas) {
    HKEY key = nullptr;
    {
        TempHome home;
        WriteFile(home / "registry.sqlite", std::string(8192, '\x5a'));
        EXPECT_EQ(OpenForRead(HKEY_LOCAL_MACHINE, u"SOFTWARE", &key), ERROR_BADDB);
        EXPECT_EQ(CreateForWrite(HKEY_LOCAL_MACHINE, u"SOFTWARE", &key), ERROR_BADDB);
        EXPECT_EQ(SetDword(HKEY_LOCAL_MACHINE, u"V", 1), ERROR_BADDB);
        WCHAR name[8];
        DWORD length = 8;
        EXPECT_EQ(RegEnumKeyExW(HKEY_LOCAL_MACHINE, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
                  ERROR_BADDB);
        // The file is left as it was for someone to look at.
        EXPECT_EQ(Slurp(home / "registry.sqlite"), std::string(8192, '\x5a'));
    }
    {
        TempHome home;
        RunSql(home / "registry.sqlite", "CREATE TABLE keys(x); INSERT INTO keys VALUES(1);");
        const std::string before = Slurp(home / "registry.sqlite");
        EXPECT_EQ(OpenForRead(HKEY_LOCAL_MACHINE, u"SOFTWARE", &key), ERROR_BADDB);
        EXPECT_EQ(CreateForWrite(HKEY_LOCAL_MACHINE, u"SOFTWARE", &key), ERROR_BADDB);
        // The other program's file is not touched, not even its journal mode.
        EXPECT_EQ(Slurp(home / "registry.sqlite"), before);
    }
    TempHome home;
    RegCloseKey(MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE"));
    {
        ScopedVariable moveAway("VEK_REGISTRY", home / "other.db");
        HasKey(u"SOFTWARE");  // lets go of the first database's connections
        RunSql(home / "registry.sqlite", "PRAGMA user_version = 2;");
    }
    EXPECT_EQ(OpenForRead(HKEY_LOCAL_MACHINE, u"SOFTWARE", &key), ERROR_BADDB) << "a later version";
}

TEST(RegistryStore, DamagedPagesGiveBadDbNotACrash) {
    TempHome home;
    const std::string big(2000, 'v');
    for (int i = 0; i < 200; ++i) {
        const std::u16string path = u"SOFTWARE\\Damage\\K" + std::u16string(1, u'A' + i % 26) +
                                    std::u16string(1, u'A' + i / 26);
        HKEY key = MustCreate(HKEY_LOCAL_MACHINE, path.c_str());
        ASSERT_EQ(RegSetValueExW(key, u"Data", 0, REG_BINARY,
                                 reinterpret_cast<const BYTE*>(big.data()),
                                 static_cast<DWORD>(big.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    {
        ScopedVariable moveAway("VEK_REGISTRY", home / "other.db");
        HasKey(u"SOFTWARE");  // the last connection goes, the log is folded in
    }
    ASSERT_FALSE(std::filesystem::exists(home / "registry.sqlite-wal"));
    std::string bytes = Slurp(home / "registry.sqlite");
    ASSERT_GT(bytes.size(), 16384u);
    for (size_t i = 4096; i < bytes.size(); i += 7) bytes[i] = static_cast<char>(0xA5 ^ i);
    WriteFile(home / "registry.sqlite", bytes);

    int damaged = 0;
    for (const char16_t* path : {u"SOFTWARE\\Damage\\KAA", u"SOFTWARE\\Damage\\KZG",
                                 u"SOFTWARE\\Damage\\Nothing"}) {
        HKEY key = nullptr;
        LSTATUS status = CreateForWrite(HKEY_LOCAL_MACHINE, path, &key);
        if (status == ERROR_SUCCESS) {
            BYTE data[4096];
            DWORD size = sizeof(data);
            status = RegQueryValueExW(key, u"Data", nullptr, nullptr, data, &size);
            RegCloseKey(key);
        }
        EXPECT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ||
                    status == ERROR_BADDB)
            << status;
        damaged += status == ERROR_BADDB;
    }
    EXPECT_GT(damaged, 0);
}

TEST(RegistryStore, WriterWaitsForAnotherWriterUpToTheDeadlineAndReadersDoNot) {
    TempHome home;
    HKEY key = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Wait");
    ASSERT_EQ(SetDword(key, u"Before", 1), ERROR_SUCCESS);
    sqlite3* other = HoldWriteLock(home);
    EXPECT_EQ(SetDword(key, u"Never", 1), ERROR_INVALID_HANDLE) << "blocked past the deadline: a transient failure";
    std::atomic<bool> written{false};
    std::thread writer([&] {
        EXPECT_EQ(SetDword(key, u"During", 2), ERROR_SUCCESS);
        written = true;
    });
    EXPECT_EQ(GetDword(key, u"Before"), 1u);  // a reader is not held up by the writer
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(written.load());
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    writer.join();
    sqlite3_close(other);
    EXPECT_EQ(GetDword(key, u"During"), 2u);
    RegCloseKey(key);
}

TEST(RegistryStore, SharedReadsSeeTheThreadsOwnWritesAndOthersOnceTheSnapshotAges) {
    TempHome home;
    HKEY key = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Shared");
    ASSERT_EQ(SetDword(key, u"V", 1), ERROR_SUCCESS);
    {
        const std::unique_ptr<SharedReads> sharing = CurrentEnv().Registry().ShareReads();
        ASSERT_NE(sharing, nullptr);
        EXPECT_EQ(CurrentEnv().Registry().ShareReads(), nullptr) << "already shared on this thread";
        EXPECT_EQ(GetDword(key, u"V"), 1u);
        ASSERT_EQ(SetDword(key, u"V", 2), ERROR_SUCCESS);
        EXPECT_EQ(GetDword(key, u"V"), 2u) << "the thread reads its own write";
        RegCloseKey(MustCreate(key, u"A"));
        RegCloseKey(MustCreate(key, u"C"));
        EXPECT_EQ(SubkeyName(key, 0), u"A");
        RegCloseKey(MustCreate(key, u"b"));
        EXPECT_EQ(SubkeyName(key, 1), u"b") << "a listing ends with the snapshot it was read from";
        EXPECT_EQ(SubkeyName(key, 2), u"C");
        EXPECT_EQ(SubkeyName(key, 3), u"") << "no more items";
        EXPECT_EQ(SubkeyCount(key), 3u);
        std::thread other([&] {
            EXPECT_NE(CurrentEnv().Registry().ShareReads(), nullptr) << "sharing is per thread";
            EXPECT_EQ(SetDword(key, u"V", 3), ERROR_SUCCESS);
            RegCloseKey(MustCreate(key, u"D"));
        });
        other.join();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(GetDword(key, u"V"), 3u) << "a snapshot older than its limit is not used";
        EXPECT_EQ(SubkeyName(key, 3), u"D") << "nor a listing of it once others have committed";
        EXPECT_EQ(SubkeyCount(key), 4u);
    }
    EXPECT_EQ(GetDword(key, u"V"), 3u);
    RegCloseKey(key);
}

// The subkey names of key, walked index by index; empty names stand for
// failed calls.
std::vector<std::u16string> WalkSubkeys(HKEY key) {
    std::vector<std::u16string> seen;
    for (DWORD index = 0;; ++index) {
        WCHAR name[MAX_PATH];
        DWORD length = MAX_PATH;
        const LSTATUS status = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) return seen;
        seen.emplace_back(status == ERROR_SUCCESS ? std::u16string(name, length) : u"");
        if (status != ERROR_SUCCESS) return seen;
    }
}

TEST(RegistryStore, WalksOfOneHandleBesideWritersNeitherSkipNorRepeatAKeyThatStays) {
    TempHome home;
    HKEY parent = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Walked");
    // Even numbers stay throughout; two writers add and remove the odd ones.
    const auto name = [](int n) { return u"K" + Utf8ToUtf16(std::to_string(1000 + n)); };
    constexpr int kNames = 200;
    for (int n = 0; n < kNames; n += 2) RegCloseKey(MustCreate(parent, name(n).c_str()));
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    std::atomic<int> failures{0}, walks{0};
    std::vector<std::thread> threads;
    for (int w = 0; w < 2; ++w)
        threads.emplace_back([&, w] {
            for (int n = 1 + 2 * w; std::chrono::steady_clock::now() < until; n = (n + 4) % kNames) {
                HKEY key = nullptr;
                if (CreateForWrite(parent, name(n).c_str(), &key) != ERROR_SUCCESS) ++failures;
                RegCloseKey(key);
                if (RegDeleteKeyW(parent, name(n).c_str()) != ERROR_SUCCESS) ++failures;
            }
        });
    // Three walkers on the same handle, two of them sharing their reads.
    for (int r = 0; r < 3; ++r)
        threads.emplace_back([&, r] {
            while (std::chrono::steady_clock::now() < until) {
                const auto sharing = r > 0 ? CurrentEnv().Registry().ShareReads() : nullptr;
                const std::vector<std::u16string> seen = WalkSubkeys(parent);
                int staying = 0;
                for (size_t i = 0; i < seen.size(); ++i) {
                    if (seen[i].empty() || (i > 0 && !(seen[i - 1] < seen[i]))) ++failures;
                    if (!seen[i].empty() && std::stoi(Utf16ToUtf8(seen[i]).substr(1)) % 2 == 0) ++staying;
                }
                if (staying != kNames / 2) ++failures;
                ++walks;
            }
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_GT(walks.load(), 3);
    RegCloseKey(parent);
}

TEST(RegistryStore, ManyThreadsCreatingOneKeySeeOneCreation) {
    TempHome home;
    constexpr int kThreads = 8;
    std::atomic<int> created{0}, opened{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            HKEY key = nullptr;
            DWORD disposition = 0;
            ASSERT_EQ(CreateForWrite(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Race\\Once", &key, &disposition), ERROR_SUCCESS);
            (disposition == REG_CREATED_NEW_KEY ? created : opened)++;
            RegCloseKey(key);
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(created.load(), 1);
    EXPECT_EQ(opened.load(), kThreads - 1);
}

TEST(RegistryStore, ExportedFunctionsGoThroughTheCurrentEnvironment) {
    TempHome home;
    RegCloseKey(MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Faulty"));
    FaultyRegistry failing(ERROR_INVALID_HANDLE, 2);
    RecordingEnv env;
    env.SetRegistry(&failing);
    ScopedEnvOverride override(&env);
    HKEY key = nullptr;
    for (const LSTATUS expected : {ERROR_INVALID_HANDLE, ERROR_INVALID_HANDLE, ERROR_SUCCESS})
        EXPECT_EQ(OpenForRead(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Faulty", &key), expected);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

}  // namespace
}  // namespace vek::test
