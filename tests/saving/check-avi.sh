#!/usr/bin/env bash
# Checks the AVI files the saving tests write with an independent reader:
# runs saving_tests.exe (its AVI tests) under Wine with TAVIX_AVI_OUTPUT set,
# then for every NAME.avi beside a NAME.bgr (the frames it must hold, packed
# 24-bit rows top-down) asks ffprobe for codec, pixel format, size, rate and
# frame count (the frames of the .bgr file), and has ffmpeg decode every frame
# to compare it byte for byte (which also shows the rows stored in the order
# the header says, and the frames on both sides of every segment boundary).
# Usage: check-avi.sh path/to/saving_tests.exe   (Wine environment set up)
set -euo pipefail
exe=$1
out=$(mktemp -d)
# A small file system for the recording that fills its disk: a 2 MB tmpfs
# where this user may mount one (else that test says it was skipped).
disk="$out/disk"
mkdir -p "$disk"
small_disk=""
if mount -t tmpfs -o size=2m tmpfs "$disk" 2>/dev/null; then
  small_disk=$(winepath -w "$disk" 2>/dev/null)
else
  echo "no small file system: cannot mount a tmpfs here"
fi
trap 'umount "$disk" 2>/dev/null; rm -rf "$out"' EXIT
TAVIX_SMALL_DISK=$small_disk TAVIX_AVI_OUTPUT=$(winepath -w "$out" 2>/dev/null) wine "$exe" \
  --gtest_filter='AviMovie.*:*ThreeSnaps*:*RealDisk*' >"$out/log.txt" 2>&1 || {
  cat "$out/log.txt"; echo "saving_tests failed"; exit 1; }
grep -F "[  SKIPPED ]" "$out/log.txt" || true

# "width height rate" the tests promise.
expect() {
  case $1 in
    five) echo "322 240 30/1" ;;
    vga) echo "640 480 2997/100" ;;
    snaps) echo "160 120 15/1" ;;
    segments | full | cut) echo "64 48 30/1" ;;
    disk) echo "160 120 15/1" ;;
    *) echo "unknown" ;;
  esac
}

status=0
checked=0
for avi in "$out"/*.avi; do
  name=$(basename "$avi" .avi)
  read -r width height rate <<<"$(expect "$name")"
  if [ "$width" = unknown ]; then echo "$name: no expectation"; status=1; continue; fi
  frames=$(($(stat -c %s "$out/$name.bgr") / (width * height * 3)))
  probe=$(ffprobe -v error -count_frames -select_streams v:0 \
    -show_entries stream=codec_name,pix_fmt,width,height,r_frame_rate,nb_read_frames -of default=nw=1 "$avi")
  want="codec_name=rawvideo
width=$width
height=$height
pix_fmt=bgr24
r_frame_rate=$rate
nb_read_frames=$frames"
  if [ "$probe" != "$want" ]; then
    echo "$name: ffprobe says"; echo "$probe"; echo "expected"; echo "$want"; status=1
  fi
  if ! ffmpeg -v error -i "$avi" -f rawvideo -pix_fmt bgr24 - | cmp -s - "$out/$name.bgr"; then
    echo "$name: decoded frames differ from the frames written"; status=1
  fi
  checked=$((checked + 1))
  echo "$name: $probe" | tr '\n' ' '; echo
done
expected=6
if [ -n "$small_disk" ]; then expected=7; fi
if [ "$checked" -ne "$expected" ]; then echo "expected $expected movies, checked $checked"; status=1; fi
exit $status
