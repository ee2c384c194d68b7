#!/usr/bin/env python3
"""docs/camera-page.png: TavixCapture.exe capturing the virtual camera with
the side pane on "カメラ設定", taken from the screen.

    camera_page_shot.py BIN_DIR OUTPUT_PNG

Needs DISPLAY and WINEPREFIX set and the virtual camera registered
(scripts/camera-page-shot.sh does both)."""

import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Screen, TestFailure, Window, start_program, wait_for, write_ini  # noqa: E402
from pattern import decode_counter, picture_rect  # noqa: E402

CAPTURE_BUTTON = (317, 11)
PREVIEW = (1, 26, 358, 586)


def main():
    bin_dir, output = sys.argv[1], sys.argv[2]
    folder = tempfile.mkdtemp(prefix="tavix-camera-page-")
    process = None
    try:
        shutil.copy(os.path.join(bin_dir, "TavixCapture.exe"), folder)
        write_ini(os.path.join(folder, "TavixCapture.ini"),
                  {"Application": {"CaptureApiFamily": 1},
                   "Settings": {"ViewRatio": 50, "IsSidePaneVisible": 1, "ControlPanelPage": 2,
                                "FrameFormatName": "ARGB32 640x480 (30fps)"}})
        process = start_program(folder)
        window = Window.find("Tavix Capture")
        window.move(0, 0)
        window.click(*CAPTURE_BUTTON)
        left, top, _, _ = window.geometry()

        def live():
            screen = Screen()
            rect = picture_rect(screen, (left + PREVIEW[0], top + PREVIEW[1], PREVIEW[2], PREVIEW[3]))
            return decode_counter(screen, rect) if rect else None
        start = wait_for("a live picture", live, 30)
        wait_for("the counter to advance", lambda: (lambda c: c if c and c > start + 3 else None)(live()), 30)
        subprocess.run(["import", "-silent", "-window", window.xid, output], check=True)
        print(f"saved {output}")
        return 0
    except TestFailure as failure:
        print(f"FAILED: {failure}")
        Screen(os.path.join(folder, "failure.png"))
        return 1
    finally:
        if process and process.poll() is None:
            process.kill()


if __name__ == "__main__":
    sys.exit(main())
