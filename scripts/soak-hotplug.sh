#!/usr/bin/env bash
# Pulls the virtual camera's cable while TavixCapture.exe captures and plugs
# it back CYCLES times (default 100), and prints the median times from the
# pull to the message and from the plug to the first frame, and the
# program's handles, threads and private memory after the first cycle and at
# the end, to build/plug.log, printed whole at the end (tests/e2e/soak.py).
# Builds first; runs on a virtual display.
#   scripts/soak-hotplug.sh [CYCLES]
set -euo pipefail
cd "$(dirname "$0")/.."
cycles=${1:-100}
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target TavixCapture VirtualCamera camera-cable
source scripts/wine-env.sh
tavix_display force
tavix_wine_prefix
tavix_wineserver
tests/e2e/run-e2e.sh "$PWD/build" plug "$cycles"
