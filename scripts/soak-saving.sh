#!/usr/bin/env bash
# The long saving runs: ten seconds of 1920x1080 at 30 fps from the virtual
# camera recorded with "全フレーム" as AVI and as BMP stills; the frame
# counter read back from the files must show no gap. Builds first, registers
# the virtual camera in the project's Wine prefix for the run.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows --target saving_tests VirtualCamera -j 2 >/dev/null
source scripts/wine-env.sh
tavix_wine_prefix
tavix_wineserver
scripts/virtual-camera.sh register
status=0
wine build/bin/saving_tests.exe --gtest_also_run_disabled_tests --gtest_filter='DISABLED_LiveRecording.*' || status=1
scripts/virtual-camera.sh unregister
exit $status
