#!/usr/bin/env bash
# Registers (or unregisters) the virtual camera, build/bin/VirtualCamera.dll,
# as a DirectShow video input device in the current Wine prefix ($WINEPREFIX,
# else the project's own), so that the program and capture-probe find a camera.
#   scripts/virtual-camera.sh register|unregister
# TAVIX_BUILD_DIR selects another build folder (default: build).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
action=${1:-}
case "$action" in
  register) flags=() ;;
  unregister) flags=(/u) ;;
  *) echo "usage: $0 register|unregister" >&2; exit 2 ;;
esac
dll="${TAVIX_BUILD_DIR:-$root/build}/bin/VirtualCamera.dll"
if [ ! -f "$dll" ]; then
  echo "$dll is missing: build the VirtualCamera target first" >&2
  exit 1
fi
# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh"
# regsvr32 gets the DLL's Windows path; COM stores it as the server's location.
wine regsvr32 /s "${flags[@]}" "$(winepath -w "$dll")"
