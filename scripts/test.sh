#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# The benchmarks are built too, so that none of them falls behind the library.
scripts/build.sh -DVEK_BUILD_BENCH=ON
cd build
ctest --output-on-failure -j"$(nproc)"

# The compound-file, event, settings, object configuration, catalog, registry
# and object registry tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer.
cd ..
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVEK_SANITIZE=ON >/dev/null
sanitized=(compound_tests foundation_tests settings_tests objectconfig_tests catalogs_tests platform_tests registry_tests)
cmake --build build-asan -j"$(nproc)" --target "${sanitized[@]}"
for program in "${sanitized[@]}"; do
    ASAN_OPTIONS=detect_leaks=1 "build-asan/tests/$program"
done

# The programs whose tests run threads side by side (the reader/writer lock,
# the registry stores, the object configuration, the interface table, the
# compound files) again under ThreadSanitizer.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEK_SANITIZE_THREAD=ON >/dev/null
threaded=(foundation_tests platform_tests registry_tests objectconfig_tests com_tests compound_tests)
cmake --build build-tsan -j"$(nproc)" --target "${threaded[@]}"
for program in "${threaded[@]}"; do
    TSAN_OPTIONS=halt_on_error=1 "build-tsan/tests/$program"
done

# Each fuzz harness for about 30 s, starting from its seed corpus.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DVEK_BUILD_FUZZ=ON -DVEK_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)"
for harness in build-fuzz/fuzz/*_fuzz; do
  name=$(basename "$harness")
  work="build-fuzz/corpus/$name"
  mkdir -p "$work"
  seeds=()
  [ -d "fuzz/corpus/${name%_fuzz}" ] && seeds=("fuzz/corpus/${name%_fuzz}")
  "$harness" -max_total_time=30 -rss_limit_mb=2048 -print_final_stats=1 "$work" "${seeds[@]}"
done
