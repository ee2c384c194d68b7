#!/usr/bin/env bash
# Builds (native preset, clang, Release) and runs the benchmark of the
# measurement plug-in's work per frame at 1920x1080 beside the YUY2
# conversion of the same frame. The last line is
# "measure 1920x1080: T ms (P% of 60 fps interval)".
# Usage: scripts/bench-measure.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native --target measure_bench -j 2 >/dev/null
lscpu | sed -n 's/^Model name: *//p' | head -1
exec build-native/bench/measure_bench "$@"
