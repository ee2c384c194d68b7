#!/usr/bin/env bash
# Builds (native preset, clang, Release) and runs the conversion benchmark:
# our kernels against libyuv, swscale and a copy of the output frame (the
# faster of memcpy and rep movsb) at 1920x1080 and 3840x2160. The last line
# is "worst: libyuv R1 memcpy R2". Usage: scripts/bench-conversions.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native --target convert_bench -j 2 >/dev/null
lscpu | sed -n 's/^Model name: *//p' | head -1
exec build-native/bench/convert_bench "$@"
