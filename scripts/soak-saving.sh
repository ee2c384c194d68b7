#!/usr/bin/env bash
# The long saving runs: ten seconds of 1920x1080 at 30 fps from the virtual
# camera recorded with "全フレーム" as AVI and as BMP stills; the frame
# counter read back from the files shows the frames lost (the last line reads
# "lost: AVI N BMP M frames"). Builds first, registers the virtual camera in
# the project's Wine prefix for the run.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows --target live_saving_bench VirtualCamera -j 2 >/dev/null
source scripts/wine-env.sh
tavix_wine_prefix
tavix_wineserver
scripts/virtual-camera.sh register
status=0
wine build/bin/live_saving_bench.exe || status=1
scripts/virtual-camera.sh unregister
exit $status
