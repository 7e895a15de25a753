// The cost of a report, each beside its reference in the same run:
// - a repeat folded into the count, against an uncontended mutex and the
//   string compares the fold has to make anyway;
// - a new event written to the events file, against the bare
//   open/writev/close of the same line.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>

#include "foundation/event_logger.h"
#include "platform/env.h"
#include "platform/event_file.h"
#include "platform/event_format.h"

namespace {

class NullSink : public vek::EventSink {
public:
    bool Write(const vek::EventRecord&) override { return true; }
};

class NullSinkEnv : public vek::EnvWrapper {
public:
    NullSinkEnv() : EnvWrapper(&vek::Env::Default()) {}
    vek::EventSink& Events() override { return sink_; }

private:
    NullSink sink_;
};

// A private VEK_HOME for the run.
std::filesystem::path BenchHome() {
    static const std::filesystem::path home = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "vekbench-XXXXXX").string();
        mkdtemp(pattern.data());
        setenv("VEK_HOME", pattern.c_str(), 1);
        return std::filesystem::path(pattern);
    }();
    return home;
}

void BM_FoldedRepeat(benchmark::State& state) {
    BenchHome();
    NullSinkEnv env;
    vek::ScopedEnvOverride override(&env);
    CEventLogger logger(u"VekConfig, Ostrel Norvane", u"/lib/x.so", 3);
    for (auto _ : state)
        logger.ReportStatus(vek::EVENTLOG_ERROR_TYPE, 0, vek::kEventFunctionFailed,
                            u"GetLogFileName-->Registry", 5);
}
BENCHMARK(BM_FoldedRepeat);

void BM_FoldedRepeatReference_MutexAndCompare(benchmark::State& state) {
    std::mutex mutex;
    const std::u16string a = u"GetLogFileName-->Registry", b = a;
    const std::u16string s = u"0x5", t = s;
    for (auto _ : state) {
        std::lock_guard<std::mutex> hold(mutex);
        benchmark::DoNotOptimize(a.compare(b) == 0 && s.compare(t) == 0);
    }
}
BENCHMARK(BM_FoldedRepeatReference_MutexAndCompare);

void BM_NewEventToEventsFile(benchmark::State& state) {
    BenchHome();
    const WCHAR* strings[2] = {u"GetLogFileName-->Registry", u"0x5"};
    const vek::EventRecord event{u"VekConfig, Ostrel Norvane", vek::EVENTLOG_ERROR_TYPE, 0,
                                 vek::kEventFunctionFailed, 2, strings};
    for (auto _ : state) benchmark::DoNotOptimize(vek::DefaultEventSink().Write(event));
}
BENCHMARK(BM_NewEventToEventsFile);

void BM_NewEventReference_OpenWritevClose(benchmark::State& state) {
    const std::string file = (BenchHome() / "reference.jsonl").string();
    const std::string line(300, 'x');
    char newline = '\n';
    for (auto _ : state) {
        const int fd = open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        iovec parts[2] = {{const_cast<char*>(line.data()), line.size()}, {&newline, 1}};
        benchmark::DoNotOptimize(writev(fd, parts, 2));
        close(fd);
    }
}
BENCHMARK(BM_NewEventReference_OpenWritevClose);

}  // namespace
