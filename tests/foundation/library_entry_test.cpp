// The library's load and unload hooks: the event source key, and the shared
// library itself loaded into a child process.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "foundation/library_entry.h"
#include "foundation/report.h"
#include "platform/event_format.h"
#include "settings/settings_test_util.h"
#include "support/logged_home.h"
#include "vekconfig/events.h"

namespace vek::test {
namespace {

const std::u16string kSourceKey =
    u"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\VekConfig, Ostrel Norvane";

struct SourceKey {
    LSTATUS status = ERROR_FILE_NOT_FOUND;
    std::u16string messageFile;
    DWORD messageFileType = 0;
    DWORD types = 0;
    DWORD typesType = 0;
};

SourceKey ReadSourceKey() {
    SourceKey found;
    HKEY key = nullptr;
    found.status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSourceKey.c_str(), 0, KEY_READ, &key);
    if (found.status != ERROR_SUCCESS) return found;
    WCHAR file[1024] = {};
    DWORD size = sizeof file;
    RegQueryValueExW(key, u"EventMessageFile", nullptr, &found.messageFileType,
                     reinterpret_cast<BYTE*>(file), &size);
    found.messageFile.assign(file, size / 2);
    size = sizeof found.types;
    RegQueryValueExW(key, u"TypesSupported", nullptr, &found.typesType,
                     reinterpret_cast<BYTE*>(&found.types), &size);
    RegCloseKey(key);
    return found;
}

TEST(LibraryEntryTest, AttachRegistersSourceWithMessageFileAndTypes) {
    LoggedHome home;
    const SourceKey key = ReadSourceKey();
    ASSERT_EQ(key.status, ERROR_SUCCESS);
    EXPECT_EQ(key.messageFile, std::u16string(u"/usr/lib/libVekConfigU.so") + u'\0')
        << "stored with its terminator";
    EXPECT_EQ(key.messageFileType, REG_EXPAND_SZ);
    EXPECT_EQ(key.types, 7u);
    EXPECT_EQ(key.typesType, REG_DWORD);
}

TEST(LibraryEntryTest, SourceKeyThatCannotBeWrittenIsSilentAndReportsAfterUnloadAreDropped) {
    TempHome home;
    RecordingEnv env;
    ScopedEnvOverride override(&env);
    FaultyRegistry registry(ERROR_SUCCESS, 0, ERROR_ACCESS_DENIED);
    env.SetRegistry(&registry);
    AttachLibrary(u"/lib/x.so");
    ASSERT_NE(g_pEventLogger, nullptr);
    EXPECT_FALSE(InstallEventSource(g_pEventLogger));
    EXPECT_TRUE(env.Recorded().empty()) << "a failed install reports nothing";
    ReportError(u"After-->Install", 5);
    ReportError(u"After-->Install", 5);
    EXPECT_EQ(env.Recorded().size(), 1u) << "the logger works without its source key";
    DetachLibrary();
    EXPECT_EQ(g_pEventLogger, nullptr);
    ReportError(u"B", 2);
    ReportNotice(u"late");
    const auto events = env.Recorded();
    ASSERT_EQ(events.size(), 2u) << "the error, then its summary at unload";
    EXPECT_EQ(events[1].strings[0].substr(0, 35), u"The following event was reported 2 ");
    env.SetRegistry(nullptr);
    EXPECT_EQ(ReadSourceKey().status, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(InstallEventSource(nullptr));
}

// The built shared library copied to dir, as a fresh file with its own path.
std::filesystem::path CopyLibrary(const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir);
    const auto target = dir / "libVekConfigU.so";
    std::filesystem::copy_file(std::filesystem::path(VEK_TEST_BINARY_DIR) / "src" /
                                   "libVekConfigU.so",
                               target, std::filesystem::copy_options::overwrite_existing);
    return target;
}

// Loads the library in a child process, lets work run with it, unloads it
// and ends the child. Returns whether everything in the child went well.
bool InChildWithLibrary(const std::filesystem::path& library, void (*work)(void* handle)) {
    const pid_t child = fork();
    if (child == 0) {
        void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) _exit(3);
        if (work != nullptr) work(handle);
        dlclose(handle);
        // A library that stays mapped after dlclose is finalised by exit.
        exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(SharedLibraryTest, LoadingWritesItsOwnPathAndUnloadWritesTheSummaryOfARepeatedEvent) {
    TempHome home;
    const auto first = CopyLibrary(home / "first");
    const auto second = CopyLibrary(home / "second");
    ASSERT_TRUE(InChildWithLibrary(first, nullptr));
    EXPECT_EQ(ReadSourceKey().messageFile, Utf8ToUtf16(first.string()) + u'\0');
    StoreText(u"TempRoot", u"/" + std::u16string(299, u't'));
    ASSERT_TRUE(InChildWithLibrary(second, [](void* handle) {
        using Getter = HRESULT (*)(WCHAR*);
        auto get = reinterpret_cast<Getter>(dlsym(handle, "_Z18GetVekTempLocationPDs"));
        if (get == nullptr) _exit(4);
        WCHAR out[MAX_PATH + 1];
        get(out);
        get(out);
    }));
    const SourceKey key = ReadSourceKey();
    EXPECT_EQ(key.messageFile, Utf8ToUtf16(second.string()) + u'\0') << "loaded from elsewhere";
    EXPECT_EQ(key.types, 7u);
    std::vector<EventLogEntry> entries;
    ASSERT_EQ(ReadEventLog(&entries, nullptr), S_OK);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].message, "GetVekTempLocation-->Registry function FAILED (0xea).");
    EXPECT_EQ(entries[1].message.rfind("The following event was reported 2 times between\n", 0),
              0u)
        << entries[1].message;
    EXPECT_EQ(entries[1].strings.at(1), "0xea");
    EXPECT_EQ(entries[1].source, "VekConfig, Ostrel Norvane");
}

}  // namespace
}  // namespace vek::test
