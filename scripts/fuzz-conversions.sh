#!/usr/bin/env bash
# Builds the libFuzzer target of the pixel conversion kernels (clang with
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs it for SECONDS
# (default 60). The corpus is kept in build-fuzz/corpus between runs.
# Usage: scripts/fuzz-conversions.sh [SECONDS] [extra libFuzzer options]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTAVIX_FUZZ=ON >/dev/null
cmake --build build-fuzz --target convert_fuzzer -j 2
mkdir -p build-fuzz/corpus
exec build-fuzz/native/convert_fuzzer -max_total_time="$seconds" -print_final_stats=1 "$@" build-fuzz/corpus
