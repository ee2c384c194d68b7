#!/usr/bin/env bash
# Runs TavixCapture.exe with the virtual camera for MINUTES minutes (default
# 30) with format switches and recording of every frame on and off in turns,
# and writes its memory, thread and handle counts every minute to
# build/soak.log, printed whole at the end (tests/e2e/soak.py). Builds first; runs on a virtual display.
#   scripts/soak.sh [MINUTES]
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-30}
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target TavixCapture VirtualCamera
source scripts/wine-env.sh
tavix_display force
tavix_wine_prefix
tavix_wineserver
tests/e2e/run-e2e.sh "$PWD/build" soak "$minutes"
