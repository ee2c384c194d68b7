#!/usr/bin/env bash
# Builds everything and runs every test: the Windows build under Wine (with a
# virtual display for the tests that open windows) and the native build of the
# pixel kernels. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)

cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"

source scripts/wine-env.sh
tavix_display force
tavix_wine_prefix
tavix_wineserver

status=0
ctest --preset windows -j "$jobs" --timeout 900 || status=1

if [ -f native/CMakeLists.txt ]; then
  cmake --preset native >/dev/null
  cmake --build --preset native -j "$jobs"
  ctest --preset native -j "$jobs" --timeout 900 || status=1
fi
exit $status
