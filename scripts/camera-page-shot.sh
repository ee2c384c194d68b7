#!/usr/bin/env bash
# docs/camera-page.png: the program capturing the virtual camera with the
# camera settings page beside the picture. Needs a build (build/bin).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
tavix_display force
tavix_wine_prefix
tavix_wineserver
trap '"$root/scripts/virtual-camera.sh" unregister || true; wineserver -k >/dev/null 2>&1 || true; kill "$TAVIX_XVFB_PID" 2>/dev/null || true' EXIT
"$root/scripts/virtual-camera.sh" register
python3 "$root/tests/e2e/camera_page_shot.py" "$root/build/bin" "$root/docs/camera-page.png"
