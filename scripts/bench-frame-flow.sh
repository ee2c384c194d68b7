#!/usr/bin/env bash
# Builds (Windows preset) and runs the frame flow benchmark under Wine: the
# model's own work per frame (profiles and the call of "なし") and the posting
# of its notifications to three windows, beside a YUY2 conversion of the same
# frame, at 1920x1080 and 3840x2160. The last line is "onframe share: P%",
# the larger share of the two sizes. Usage: scripts/bench-frame-flow.sh
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows --target frame_flow_bench -j 2 >/dev/null
source scripts/wine-env.sh
tavix_display
tavix_wine_prefix
tavix_wineserver
lscpu | sed -n 's/^Model name: *//p' | head -1
cd build/bin
wine frame_flow_bench.exe
