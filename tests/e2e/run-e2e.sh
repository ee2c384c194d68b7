#!/usr/bin/env bash
# Runs the end-to-end test against the build folder $1: registers the
# virtual camera in the Wine prefix for the run and takes it out again.
# Screenshots of every step go to $1/e2e-shots.
set -euo pipefail
build=${1:?usage: run-e2e.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
export TAVIX_BUILD_DIR=$build
"$root/scripts/virtual-camera.sh" register
trap '"$root/scripts/virtual-camera.sh" unregister || true' EXIT
rm -rf "$build/e2e-shots"
python3 "$here/e2e.py" "$build/bin" "$build/e2e-shots"
