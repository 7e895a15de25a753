// The benchmarks' entry point. Each benchmark is compared with a reference
// measured in the same run, and the host's speed drifts by several percent
// within seconds: unless told otherwise, every benchmark runs seven times,
// the repetitions of all of them interleaved at random, and the medians are
// reported with the spread.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

bool Given(int argc, char** argv, const char* flag) {
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    static char repetitions[] = "--benchmark_repetitions=7";
    static char interleaving[] = "--benchmark_enable_random_interleaving=true";
    static char aggregates[] = "--benchmark_report_aggregates_only=true";
    std::vector<char*> args(argv, argv + argc);
    if (!Given(argc, argv, "--benchmark_repetitions")) args.push_back(repetitions);
    if (!Given(argc, argv, "--benchmark_enable_random_interleaving")) args.push_back(interleaving);
    if (!Given(argc, argv, "--benchmark_report_aggregates_only") && !Given(argc, argv, "--benchmark_display_aggregates_only"))
        args.push_back(aggregates);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
