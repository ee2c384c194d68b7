#!/usr/bin/env bash
# Builds (native preset, clang, Release) and runs the conversion benchmark:
# our kernels against libyuv, swscale and a copy of the output frame (the
# faster of memcpy and rep movsb) at 1920x1080 and 3840x2160. Then builds
# the Windows MJPG benchmark and runs it under Wine: the JPEG decode of a
# camera-like frame at both sizes (the program's decoding path, WIC), in
# lines of the same form placed before the last, and whether Media
# Foundation lists an MJPG decoder of its own. The last line is
# "worst: libyuv R1 memcpy R2" (of the kernel lines).
# Usage: scripts/bench-conversions.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native --target convert_bench -j 2 >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows --target mjpg_bench -j 2 >/dev/null
lscpu | sed -n 's/^Model name: *//p' | head -1
kernels=$(build-native/bench/convert_bench "$@")
printf '%s\n' "$kernels" | sed '$d'
source scripts/wine-env.sh
tavix_display
tavix_wine_prefix
tavix_wineserver
(cd build/bin && wine mjpg_bench.exe "$@")
printf '%s\n' "$kernels" | tail -n 1
