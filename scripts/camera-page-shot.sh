#!/usr/bin/env bash
# docs/camera-page.png: the program capturing the virtual camera with the
# camera settings page beside the picture. Needs a build (build/bin).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
n=160
while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
tavix_wine_prefix
tavix_wineserver
trap '"$root/scripts/virtual-camera.sh" unregister || true; kill "$xvfb" 2>/dev/null || true' EXIT
"$root/scripts/virtual-camera.sh" register
python3 "$root/tests/e2e/camera_page_shot.py" "$root/build/bin" "$root/docs/camera-page.png"
