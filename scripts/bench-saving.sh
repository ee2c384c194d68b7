#!/usr/bin/env bash
# Builds and runs the saving benchmark under Wine: the time to save one frame
# as BMP, JPEG, PNG and TIFF at 640x480 and 1920x1080 and as an AVI frame at
# 1920x1080, against the 33.3 ms a frame may take at 30 fps.
# Usage: scripts/bench-saving.sh [frames per case]
# The last line reads "slowest: FORMAT SIZE MS ms per frame".
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows --target saving_bench -j 2 >/dev/null
source scripts/wine-env.sh
tavix_wine_prefix
lscpu | sed -n 's/^Model name: *//p' | head -1
wine build/bin/saving_bench.exe "$@"
