#!/usr/bin/env bash
# Builds (native preset, clang, Release) and runs the benchmark of the
# measurement plug-in's work per frame (full-frame region, full-width line)
# on grey and colour frames at 1920x1080 and 3840x2160, beside the YUY2
# conversion of the 1080p frame: the delivery thread's part, the helper
# thread's (the region's histograms) and both on one thread. The last two
# lines, the delivery thread's time for the colour frame with luma chosen, are
# "measure 3840x2160: T ms (P% of 30 fps interval)" and
# "measure 1920x1080: T ms (P% of 60 fps interval)".
# Usage: scripts/bench-measure.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native --target measure_bench -j 2 >/dev/null
lscpu | sed -n 's/^Model name: *//p' | head -1
exec build-native/bench/measure_bench "$@"
