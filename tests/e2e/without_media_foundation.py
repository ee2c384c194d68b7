#!/usr/bin/env python3
"""TavixCapture.exe on a Windows without the media components (an N edition,
imitated with WINEDLLOVERRIDES="mf,mfplat,mfreadwrite=d", which keeps Wine
from loading those DLLs): the program imports none of them at load time, so
with DirectShow chosen it starts and captures from the virtual camera; with
Media Foundation chosen it says what is missing and ends with code 1.

    without_media_foundation.py BIN_DIR

Needs DISPLAY and WINEPREFIX set and the virtual camera registered
(tests/e2e/run-e2e.sh does both)."""

import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import TestFailure, Window, read_ini, run, wait_for, write_ini  # noqa: E402
from e2e import CAPTURE_BUTTON, Session, check, prepare_folder  # noqa: E402

MEDIA_FOUNDATION = ("mfplat.dll", "mf.dll", "mfreadwrite.dll")


def imported_dlls(exe):
    """The DLLs the executable's import table names (GNU ld leaves the
    delay-loaded ones out of it and out of the delay import directory)."""
    return [line.split("DLL Name:")[1].strip().lower()
            for line in run("x86_64-w64-mingw32-objdump", "-p", exe).splitlines() if "DLL Name:" in line]


def main():
    bin_dir = sys.argv[1]
    exe = os.path.join(bin_dir, "TavixCapture.exe")
    imported = imported_dlls(exe)
    check("ole32.dll" in imported, "the import table cannot be read")
    for name in MEDIA_FOUNDATION:
        check(name not in imported, f"TavixCapture.exe imports {name} at load time")
    print(f"imports: {', '.join(imported)}")

    os.environ["WINEDLLOVERRIDES"] = "mf,mfplat,mfreadwrite=d"
    folder = tempfile.mkdtemp(prefix="tavix-nomf-")
    session = None
    try:
        # DirectShow: the program starts and the picture goes live.
        ini = prepare_folder(bin_dir, folder, {"ViewRatio": 50, "IsSidePaneVisible": 1})
        session = Session(folder, None)
        session.start()
        session.window.click(*CAPTURE_BUTTON)
        session.wait_live("DirectShow without Media Foundation")
        session.close()
        check(session.process.returncode == 0, f"the program ended with code {session.process.returncode}")
        print("DirectShow: started and captured without Media Foundation")

        # Media Foundation chosen: the box that says what is missing, then code 1.
        values = read_ini(ini)
        check(values.get(("Application", "CaptureApiFamily")) == "1", "the INI file lost the API choice")
        write_ini(ini, {"Application": {"CaptureApiFamily": 0}})
        log = open(os.path.join(folder, "wine-mf.log"), "wb")
        process = subprocess.Popen(["wine", "TavixCapture.exe"], cwd=folder, stdout=log,
                                   stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        try:
            box = Window.find("エラー", 60)
            # The OK button, centred at the bottom; a click that comes before
            # the box takes input is repeated.
            code = None
            for _ in range(5):
                _, _, width, height = box.geometry()
                box.click(width // 2, height - 20)
                try:
                    code = process.wait(10)
                    break
                except subprocess.TimeoutExpired:
                    continue
        finally:
            if process.poll() is None:
                process.kill()
        check(code == 1, f"the program ended with code {code}, not 1")
        print("Media Foundation: the error box, then code 1")
        print("without Media Foundation: every step passed")
        return 0
    except (TestFailure, subprocess.TimeoutExpired) as failure:
        print(f"without Media Foundation FAILED: {failure}")
        return 1
    finally:
        if session and session.process and session.process.poll() is None:
            session.process.kill()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
