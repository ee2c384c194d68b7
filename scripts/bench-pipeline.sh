#!/usr/bin/env bash
# The program's capture path measured end to end: the virtual camera's ARGB32
# formats at 640x480, 1280x720 and 1920x1080, 30 and 60 fps, then its YUY2
# and RGB24 formats at 640x480 and 1920x1080, 30 fps (converted by the
# program's own transformers; ARGB32 is a copy), each captured for SECONDS
# (default 10) through the DirectShow backend into the model and the main
# window with the preview showing (bench/pipeline/PipelineBench.cpp).
# Prints a row per format: frames delivered to the model, frames lost
# (gaps) or repeated in the counter the camera paints into every frame,
# frames the preview painted, the status bar's FPS, the delivery thread's
# time per frame (conversion, the model's profiles and processor, telling
# the windows) and the longest wait of a message posted to the UI thread.
# The last line is that of the largest ARGB32 format:
#   1920x1080@60: delivered D dropped X
#   scripts/bench-pipeline.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
cmake --preset windows >/dev/null
cmake --build --preset windows -j 2 --target pipeline_bench >/dev/null
source scripts/wine-env.sh
tavix_display
tavix_wine_prefix
tavix_wineserver
scripts/virtual-camera.sh register
trap 'scripts/virtual-camera.sh unregister || true' EXIT

printf '%-21s %9s %7s %8s %6s %6s %9s %9s %9s %8s\n' format delivered dropped repeated shown fps \
  convert_us process_us notify_us queue_ms
last=""
# One format: SUBTYPE SIZE RATE.
measure() {
  local line
  line=$(wine build/bin/pipeline_bench.exe "${2%x*}" "${2#*x}" "$3" "$seconds" "$1" | tr -d '\r' | tail -1)
  read -r format _ delivered _ dropped _ repeated _ shown _ fps _ convert _ process _ notify _ queue <<<"$line"
  printf '%-21s %9s %7s %8s %6s %6s %9s %9s %9s %8s\n' "$format" "$delivered" "$dropped" "$repeated" \
    "$shown" "$fps" "$convert" "$process" "$notify" "$queue"
}
for size in 640x480 1280x720 1920x1080; do
  for rate in 30 60; do
    measure ARGB32 "$size" "$rate"
    last="$size@$rate: delivered $delivered dropped $dropped"
  done
done
for subtype in YUY2 RGB24; do
  for size in 640x480 1920x1080; do
    measure "$subtype" "$size" 30
  done
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "$last"
