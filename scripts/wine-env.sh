# Sourced by run.sh and test.sh: the project's own Wine prefix, a persistent
# wineserver and, where there is no display, a virtual one.
TAVIX_ROOT=${TAVIX_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$TAVIX_ROOT/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

tavix_wine_prefix() {
  if [ ! -f "$WINEPREFIX/.tavix-ready" ]; then
    echo "Preparing the Wine prefix in $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    timeout 120 wineserver -w || true
    # Japanese text needs font substitutes, else every character is a box.
    # regedit reads Unicode .reg files as UTF-16 with a byte order mark.
    local reg="$WINEPREFIX/fonts-ja.reg"
    { printf '\xff\xfe'; iconv -f utf-8 -t utf-16le "$TAVIX_ROOT/scripts/fonts-ja.reg"; } >"$reg"
    wine regedit "$reg" >/dev/null 2>&1
    timeout 120 wineserver -w || true
    touch "$WINEPREFIX/.tavix-ready"
  fi
}

tavix_wineserver() {
  wineserver -p >/dev/null 2>&1 &
  # Start Wine's own services now, detached from our output: started by the
  # first test instead, they would inherit its output pipe and keep CTest
  # waiting for it to close.
  wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
  trap 'wineserver -k >/dev/null 2>&1 || true; [ -n "${TAVIX_XVFB_PID:-}" ] && kill "$TAVIX_XVFB_PID" 2>/dev/null || true' EXIT
}

# Starts Xvfb on a free display when DISPLAY is unset (or forced with $1=force),
# with a screen of $2 (default 1280x1024).
tavix_display() {
  if [ -n "${DISPLAY:-}" ] && [ "${1:-}" != force ]; then return; fi
  local n=99 size=${2:-1280x1024}
  while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  TAVIX_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}
