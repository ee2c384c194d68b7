#!/usr/bin/env bash
# Records the virtual camera at 1920x1080 30 fps under Wine for SECONDS
# (default 70) with "全フレーム": one AVI movie (at 30 fps about 6 MB a frame,
# so 70 s make far more than 2.2 GB and cross the 1 GiB segments), then BMP
# stills and JPEG stills for the same time. Prints for each run the frames
# delivered to the model, written and lost, and for the movie its size, the
# frames ffprobe counts in it and the camera's counters of its first, middle
# and last frame (no gap between them: no frame was dropped). The files are
# removed afterwards. The last two lines read
#   avi 1920x1080@30: delivered D written W ffprobe F size S GiB
#   stills 1920x1080@30: bmp lost L1 jpeg lost L2
# Usage: scripts/bench-recording.sh [SECONDS]
set -euo pipefail
seconds=${1:-70}
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows --target recording_bench VirtualCamera -j 2 >/dev/null
source scripts/wine-env.sh
tavix_wine_prefix
tavix_wineserver
work=$(mktemp -d "${TMPDIR:-/tmp}/tavix-recording.XXXXXX")
trap 'scripts/virtual-camera.sh unregister || true; rm -rf "$work"; wineserver -k >/dev/null 2>&1 || true' EXIT
scripts/virtual-camera.sh register
folder=$(winepath -w "$work")
lscpu | sed -n 's/^Model name: *//p' | head -1

wine build/bin/recording_bench.exe avi "$seconds" "$folder" | tee "$work/avi.txt"
read -r delivered written size < <(sed -n 's/^avi result: delivered \([0-9]*\) written \([0-9]*\) frames [0-9]* size \([0-9]*\).*/\1 \2 \3/p' "$work/avi.txt")
probed=$(ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets \
  -of default=nw=1:nk=1 "$work/recording.avi")
rm -f "$work/recording.avi"

wine build/bin/recording_bench.exe stills "$seconds" "$folder" | tee "$work/stills.txt"
read -r bmp jpeg < <(sed -n 's/^stills result: bmp lost \([0-9]*\) jpeg lost \([0-9]*\).*/\1 \2/p' "$work/stills.txt")

printf 'avi 1920x1080@30: delivered %s written %s ffprobe %s size %s GiB\n' "$delivered" "$written" "$probed" \
  "$(awk -v b="$size" 'BEGIN { printf "%.2f", b / 1073741824 }')"
printf 'stills 1920x1080@30: bmp lost %s jpeg lost %s\n' "$bmp" "$jpeg"
