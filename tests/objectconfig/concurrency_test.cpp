#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "object_file_helpers.h"

namespace vek::test {
namespace {

class Concurrency : public ObjectFileTest {};

constexpr auto kRunTime = std::chrono::seconds(3);

// Mixed reads and changes of one object from one instance; every status must
// be one the operation can give here: success, or E_INVALIDARG for a
// rejected value.
int Churn(CVekObjectConfig& config, unsigned seed, std::chrono::steady_clock::time_point end) {
    int unexpected = 0;
    auto check = [&](HRESULT hr, bool rejectable = false) {
        if (hr == S_OK || (rejectable && hr == E_INVALIDARG)) return;
        ++unexpected;
    };
    for (unsigned i = seed; std::chrono::steady_clock::now() < end; ++i) {
        DWORD a = 0, b = 0;
        switch (i % 9) {
            case 0: check(config.SetDefaultMediaID(i)); break;
            case 1: check(config.GetDefaultMediaID(&a)); break;
            case 2: check(config.SetCurrentDebugLevel(i % 8), true); break;
            case 3: check(config.GetDebugLevel(&a, &b)); break;
            case 4: {
                WCHAR* text = nullptr;
                check(config.GetLocation(&text));
                SysFreeString(text);
                break;
            }
            case 5: check(config.SetLocation(i % 2 ? u"north wing" : u"south wing")); break;
            case 6: {
                FLOATARRAY array{};
                check(config.GetHorzResolutions(&array));
                CoTaskMemFree(array.Entries);
                break;
            }
            case 7: check(config.SetCurrentHorzResolution(i % 2 ? 300.0f : 450.0f), true); break;
            case 8: check(config.SetPageLimit(i % 50)); break;
        }
    }
    return unexpected;
}

TEST_F(Concurrency, EightThreadsAndASecondProcessNeverDeadlockNorSeeUnexpectedErrors) {
    auto common = Patterned<VEK_COMMON_CONFIG_DATA>(1);
    common.DebugLevelsSupported = 7;
    common.NumHorzResolutions = 2;
    common.HorzResolutions[0] = 300;
    common.HorzResolutions[1] = 600;
    auto physical = Patterned<VEK_PHYSICAL_PRINTER_CONFIG_DATA>(2);
    physical.MaxPageLimit = 0;
    CVekObjectConfig config;
    CreateWithCommon(config, common);
    ASSERT_EQ(config.SetPhysicalPrinterConfig(physical), S_OK);

    const auto end = std::chrono::steady_clock::now() + kRunTime;
    const pid_t child = fork();
    if (child == 0) {
        CVekObjectConfig own;
        int bad = own.Open(FilePath().c_str()) == S_OK ? 0 : 1;
        bad += Churn(own, 7, end);
        for (int i = 0; i < 20 && std::chrono::steady_clock::now() < end + std::chrono::seconds(1); ++i)
            bad += own.Refresh() == S_OK ? 0 : 1;
        _exit(bad == 0 ? 0 : 1);
    }

    std::atomic<int> unexpected{0};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 8; ++t)
        threads.emplace_back([&, t] { unexpected += Churn(config, t, end); });
    // Meanwhile a third party checks that the file stays whole.
    int checks = 0, broken = 0;
    while (std::chrono::steady_clock::now() < end) {
        CVekObjectConfig reader;
        if (reader.Open(FilePath().c_str()) != S_OK) {
            ++broken;
            continue;
        }
        VEK_COMMON_CONFIG_DATA got;
        VEK_PHYSICAL_PRINTER_CONFIG_DATA gotPhysical;
        if (reader.GetVekObjectConfig(&got) != S_OK || reader.GetPhysicalPrinterConfig(&gotPhysical) != S_OK ||
            std::memcmp(got.PrinterModelsSupported, common.PrinterModelsSupported,
                        sizeof got.PrinterModelsSupported) != 0)
            ++broken;
        ++checks;
    }
    for (auto& thread : threads) thread.join();
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the second process saw errors";
    EXPECT_EQ(unexpected, 0);
    EXPECT_EQ(broken, 0);
    EXPECT_GT(checks, 0);
    CVekObjectConfig last;
    ASSERT_EQ(last.Open(FilePath().c_str()), S_OK);
    EXPECT_EQ(ReadStream(FilePath(), VEK_COMMON_STREAM).size(), sizeof(VEK_COMMON_CONFIG_DATA));
}

}  // namespace
}  // namespace vek::test
