#!/usr/bin/env bash
# Frames through the program's capture path: the virtual camera (ARGB32) at
# 640x480, 1280x720 and 1920x1080, 30 and 60 fps, streamed for SECONDS
# (default 10) each through the program's own DirectShow backend and frame
# conversion by capture-probe. Prints, per format, the frames delivered and
# the frames lost (gaps) or repeated, read from the counter in the pattern,
# and the rate that arrived. The last line is
#   1920x1080@60: delivered D dropped X
#   scripts/bench-pipeline.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target capture-probe VirtualCamera >/dev/null
source scripts/wine-env.sh
tavix_display
tavix_wine_prefix
tavix_wineserver
scripts/virtual-camera.sh register
trap 'scripts/virtual-camera.sh unregister || true' EXIT

probe=build/bin/capture-probe.exe
listing=$(wine "$probe" --api dshow --list | tr -d '\r')
last=""
printf '%-14s %9s %8s %9s %8s\n' format delivered dropped repeated fps
for size in 640x480 1280x720 1920x1080; do
  for rate in 30 60; do
    # The format's index in the probe's list: the ARGB32 entry of this size and rate.
    index=$(printf '%s\n' "$listing" | awk -v size="$size" -v rate="$rate" '
      /ARGB32/ && index($0, size) && ($0 ~ "\\(" rate "(\\.[0-9]+)?fps\\)") {
        if (match($0, /format [0-9]+/)) { print substr($0, RSTART + 7, RLENGTH - 7); exit } }')
    if [ -z "$index" ]; then
      echo "no ARGB32 $size at $rate fps in the camera's list" >&2
      exit 1
    fi
    report=$(wine "$probe" --api dshow --device 0 --format "$index" --seconds "$seconds" | tr -d '\r' | tail -1)
    read -r _ frames _ gaps _ repeats _ fps <<<"$report"
    printf '%-14s %9s %8s %9s %8s\n' "$size@$rate" "$frames" "$gaps" "$repeats" "$fps"
    last="$size@$rate: delivered $frames dropped $gaps"
  done
done
echo "$last"
