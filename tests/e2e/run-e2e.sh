#!/usr/bin/env bash
# Runs a desktop test against the build folder $1 with the virtual camera
# registered in the Wine prefix for the run (taken out again afterwards):
#   run-e2e.sh BUILD_DIR            the end-to-end test; screenshots of every
#                                   step go to BUILD_DIR/e2e-shots
#   run-e2e.sh BUILD_DIR soak MIN   the soak for MIN minutes
#   run-e2e.sh BUILD_DIR plug N     N pulls and plugs of the camera while capturing
#   run-e2e.sh BUILD_DIR nomf       the program without the Media Foundation DLLs
set -euo pipefail
build=${1:?usage: run-e2e.sh BUILD_DIR [soak MINUTES]}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
export TAVIX_BUILD_DIR=$build
# Everything runs with its output in BUILD_DIR/e2e.log (soak.log), shown at
# the end: a Wine service that a Wine process starts on the way (they come and
# go with the programs of the prefix) inherits that process's output and would
# keep CTest's pipe open, and CTest waiting for it, after the test has ended.
log="$build/${2:-e2e}.log"
set +e
(
  set -e
  "$root/scripts/virtual-camera.sh" register
  trap '"$root/scripts/virtual-camera.sh" unregister || true' EXIT
  if [ "${2:-}" = soak ]; then
    python3 "$here/soak.py" "$build/bin" "${3:-1}"
  elif [ "${2:-}" = plug ]; then
    python3 "$here/soak.py" "$build/bin" plug "${3:-100}"
  elif [ "${2:-}" = nomf ]; then
    python3 "$here/without_media_foundation.py" "$build/bin"
  else
    rm -rf "$build/e2e-shots"
    python3 "$here/e2e.py" "$build/bin" "$build/e2e-shots"
  fi
) >"$log" 2>&1 </dev/null
status=$?
cat "$log"
exit $status
