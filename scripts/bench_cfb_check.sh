#!/usr/bin/env bash
# Reads a file of 2000 streams of 9308 bytes whole, as whole processes:
# `vekcfg cfb check` against 7-Zip's `7zz t` on the same file (hyperfine).
# Usage: scripts/bench_cfb_check.sh [BUILD_DIR]   (needs -DVEK_BUILD_BENCH=ON)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# The benchmark program writes its files into VEK_BENCH_DIR and keeps them.
VEK_BENCH_DIR="$dir" "$build/bench/compound_bench" --benchmark_filter=BM_ManyStreams_PlainRead \
  --benchmark_min_time=0.01 --benchmark_repetitions=1 >/dev/null 2>&1
"$build/tools/vekcfg/vekcfg" cfb check "$dir/many.cfg"
7zz t "$dir/many.cfg" | grep -q "Everything is Ok"
hyperfine --warmup 3 --runs 30 \
  "$build/tools/vekcfg/vekcfg cfb check $dir/many.cfg" \
  "7zz t $dir/many.cfg"
