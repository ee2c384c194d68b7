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
    """The DLLs the executable's import table names (not its delay imports)."""
    names = []
    section = None
    for line in run("x86_64-w64-mingw32-objdump", "-p", exe).splitlines():
        if "The Import Tables" in line:
            section = "imports"
        elif "Delay Import Tables" in line:
            section = "delay"
        elif "DLL Name:" in line:
            names.append((section, line.split("DLL Name:")[1].strip().lower()))
    return [name for kind, name in names if kind == "imports"], [name for kind, name in names if kind == "delay"]


def main():
    bin_dir = sys.argv[1]
    exe = os.path.join(bin_dir, "TavixCapture.exe")
    imported, delayed = imported_dlls(exe)
    for name in MEDIA_FOUNDATION:
        check(name not in imported, f"TavixCapture.exe imports {name} at load time")
        check(name in delayed, f"TavixCapture.exe does not delay-load {name}")
    print(f"imports: {', '.join(imported)}; delay-loaded: {', '.join(delayed)}")

    os.environ["WINEDLLOVERRIDES"] = "mf,mfplat,mfreadwrite=d"
    folder = tempfile.mkdtemp(prefix="tavix-nomf-")
    session = None
    try:
        # DirectShow: the program starts and the picture goes live.
        ini = prepare_folder(bin_dir, folder, {"IsSidePaneVisible": 1})
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
            box.key("Return")
            code = process.wait(30)
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
