#!/usr/bin/env bash
# Builds TavixCapture and runs it under Wine with the project's own prefix.
# Where no real camera exists, the virtual camera of tools/ is registered and
# the program is set to DirectShow (CaptureApiFamily=1) unless its INI file
# already names a capture API. Without a display it runs on a virtual one.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"

source scripts/wine-env.sh
headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  tavix_display force
fi
tavix_wine_prefix
tavix_wineserver

ini=build/bin/TavixCapture.ini
if [ -x scripts/virtual-camera.sh ] && [ -f build/bin/VirtualCamera.dll ]; then
  scripts/virtual-camera.sh register
  # The INI file is UTF-16 (the program keeps Japanese values in it).
  if [ ! -f "$ini" ]; then
    { printf '\xff\xfe'; printf '[Application]\r\nCaptureApiFamily=1\r\n' | iconv -f utf-8 -t utf-16le; } >"$ini"
  elif ! iconv -f utf-16 -t utf-8 "$ini" 2>/dev/null | grep -q '^CaptureApiFamily='; then
    echo "Note: $ini exists without CaptureApiFamily; leaving it as it is."
  fi
fi

if [ "$headless" = 1 ]; then
  cat <<TXT
No display here: TavixCapture runs on the virtual display $DISPLAY.
Look at it with:   import -display $DISPLAY -window root screen.png
(or, with x11vnc installed: x11vnc -display $DISPLAY -localhost, then a VNC viewer on localhost:5900)
TXT
fi
echo "Starting TavixCapture.exe (close its window, or press Ctrl+C, to end)."
wine build/bin/TavixCapture.exe && status=0 || status=$?

echo "TavixCapture.exe has ended (exit $status). Its settings: $ini"
if [ -f build/bin/capture-probe.exe ]; then
  echo "To watch a camera stream through the program's capture code:"
  echo "  wine build/bin/capture-probe.exe --api dshow --device 0 --format 0 --seconds 10"
fi
