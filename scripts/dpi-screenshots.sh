#!/usr/bin/env bash
# The main window with the side pane at 100, 150 and 200 % into docs/
# (main-window-100.png, -150, -200), each run also checking that every label
# fits its control at that scale. The screen's scale is the prefix's
# LogPixels; it is set back to 96 at the end. Needs a build (build/bin).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
# A screen large enough for the window at 200 %, of its own.
tavix_display force 2000x1400
tavix_wine_prefix
tavix_wineserver
set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
trap 'set_dpi 96; wineserver -k >/dev/null 2>&1 || true; kill "$TAVIX_XVFB_PID" 2>/dev/null || true' EXIT
docs=$(winepath -w "$root/docs")
status=0
for dpi in 96 144 192; do
  set_dpi "$dpi"
  echo "== $dpi DPI"
  (cd "$root/build/bin" && TAVIX_SCREENSHOTS="$docs" wine ./ui_tests.exe \
    --gtest_filter='MainWindowLifeTest.ScreenshotAtTheScreensScale:MainWindowLifeTest.EveryLabelIsWhole') || status=1
done
ls -l "$root"/docs/main-window-*.png
exit $status
