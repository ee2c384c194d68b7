#!/usr/bin/env python3
"""TavixCapture.exe as a user runs it, end to end: the real program in a
folder of its own under Wine, with the virtual camera, driven only with the
pointer and the keyboard, checked by what the screen shows and the files it
writes.

    e2e.py BIN_DIR [SHOTS_DIR]

BIN_DIR holds TavixCapture.exe (and Tavix*.dll plug-ins); SHOTS_DIR, when
given, receives a screenshot of every step. Needs DISPLAY and WINEPREFIX set
and the virtual camera registered (tests/e2e/run-e2e.sh does both)."""

import glob
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Screen, TestFailure, Window, read_ini, run, start_program, wait_for, write_ini  # noqa: E402
from pattern import decode_counter, picture_rect  # noqa: E402

TITLE = "Tavix Capture"

# Where the controls are in the main window (client pixels of the program's
# dialog template at the prefix's dialog font, with the side pane shown).
# The side pane's pages sit below its header (its page buttons), 18 dialog
# units high.
CAPTURE_BUTTON = (317, 11)
SIDE_PANE_TOGGLE = (348, 11)  # with the side pane shown; at the right edge without it
PREVIEW = (1, 26, 358, 586)
SIDE_PANE_HEADER = 25
FORMAT_COMBO = (524, 63 + SIDE_PANE_HEADER)
MARKER_CHECK = (386, 173 + SIDE_PANE_HEADER)
PROFILE_CHECK = (447, 249 + SIDE_PANE_HEADER)
SAVE_TARGET_COMBO = (506, 290 + SIDE_PANE_HEADER)
FILE_FORMAT_COMBO = (506, 317 + SIDE_PANE_HEADER)
SNAP_BUTTON = (587, 290 + SIDE_PANE_HEADER)
ZOOM_EDIT = (420, 107 + SIDE_PANE_HEADER)
RECORD_BUTTON = (587, 317 + SIDE_PANE_HEADER)

# Control ids of the program's templates (resources/resource.h).
IDC_CAPTURE = 1002
IDC_SIDEPANE_TOGGLE = 1003
IDC_DEVICE = 1009
IDC_FORMAT = 1011
RECORDING_PANE = 3
UNPLUGGED = "カメラが取り外されました"
CAMERA = "Tavix Virtual Camera"
SECOND_CAMERA = "Tavix Second Camera"

# The cross-line in orange, a colour the test pattern does not hold.
MARKER_COLORREF = 0x000080FF


def is_marker(pixel):
    r, g, b = pixel
    return r > 200 and 96 <= g <= 160 and b < 64


# The virtual camera's ARGB32 1280x720 30 fps format in the format list.
WIDE_FORMAT_INDEX = 2
# The program's own items close the system menu: 処理選択 second from the
# bottom, バージョン情報 at the bottom (counted from the end, as Wine adds an
# item of its own above them).
SELECT_PROCESSOR_FROM_BOTTOM = 2
ABOUT_FROM_BOTTOM = 1
# The processor list: なし, then the plug-ins by file name (TavixGrayscale first).
GRAYSCALE_INDEX = 1
# Positions in the file-format list: BMP, JPEG, PNG, TIFF, AVI, WMV, MP4.
PNG_INDEX = 2
AVI_INDEX = 4


class Session:
    def __init__(self, folder, shots):
        self.folder = folder
        self.shots = shots
        self.step = 0
        self.process = None
        self.window = None

    def start(self):
        self.process = start_program(self.folder)
        self.window = Window.find(TITLE)
        wait_for("the main window to paint its side pane",
                 lambda: Screen().bright(*self.screen_point(FORMAT_COMBO)), 30)
        return self.window

    def screen_point(self, point):
        left, top, _, _ = self.window.geometry()
        return left + point[0], top + point[1]

    def preview_rect(self):
        left, top, _, _ = self.window.geometry()
        return left + PREVIEW[0], top + PREVIEW[1], PREVIEW[2], PREVIEW[3]

    def shot(self, name):
        self.step += 1
        path = os.path.join(self.shots, f"{self.step:02d}-{name}.png") if self.shots else None
        return Screen(path)

    def picture(self):
        screen = Screen()
        rect = picture_rect(screen, self.preview_rect())
        return rect, decode_counter(screen, rect)

    def wait_live(self, what, timeout=30):
        """Waits until the preview shows the pattern with an advancing counter;
        returns the picture's rectangle."""
        wait_for(f"a decodable frame ({what})", lambda: self.picture()[1] is not None, timeout)
        _, start = self.picture()
        rect, _ = wait_for(f"the frame counter to advance ({what})",
                               lambda: (lambda p: p if p[1] is not None and p[1] > start + 5 else None)(self.picture()),
                               timeout)
        return rect

    def choose(self, combo, downs, home=True):
        """Opens a drop-down list with the pointer and picks an entry with the keyboard."""
        self.window.click(*combo)
        keys = (["Home"] if home else []) + ["Down"] * downs + ["Return"]
        run("xdotool", "key", "--delay", "300", *keys)

    def save_through_dialog(self, path):
        """Types the file name into the save dialog that the last click opened."""
        dialog = wait_for("the save dialog", lambda: self.find_other_window(), 30)
        run("xdotool", "windowactivate", "--sync", dialog, check=False)
        run("xdotool", "key", "ctrl+a")
        run("xdotool", "type", "--delay", "10", windows_path(path))
        run("xdotool", "key", "Return")
        wait_for("the save dialog to close", lambda: not self.find_other_window(dialog), 30)

    def system_menu(self, from_bottom, opens):
        """Chooses an item of the window's system menu with the keyboard
        (Alt+Space, then up from the end); returns the window it opens."""
        self.window.click(*ZOOM_EDIT)
        run("xdotool", "key", "alt+space")
        run("xdotool", "key", "--delay", "200", *(["Up"] * from_bottom), "Return")
        return wait_for(f'the window "{opens}"', lambda: self.find_other_window(name=opens), 30)

    def choose_processor(self, index):
        """Picks entry `index` of the processor dialog opened from the system menu."""
        dialog = self.system_menu(SELECT_PROCESSOR_FROM_BOTTOM, "処理選択")
        run("xdotool", "key", "--delay", "200", "Home", *(["Down"] * index), "Return")
        wait_for("the processor dialog to close", lambda: not self.find_other_window(dialog), 30)

    def find_other_window(self, same=None, name=None):
        found = [xid for xid in run("xdotool", "search", "--onlyvisible", "--name", ".", check=False).split()
                 if window_pid(xid) == self.process.pid]
        others = [xid for xid in found if xid != self.window.xid and window_name(xid) not in ("", TITLE)]
        if name is not None:
            others = [xid for xid in others if window_name(xid) == name]
        if same is not None:
            return same in others
        return others[0] if others else None

    def close(self, timeout=60):
        # Wine's combo box swallows Alt+F4 while it has the focus (Windows
        # passes it on), so put the focus in the zoom edit box first, as a
        # user would by clicking elsewhere when the key did nothing.
        self.window.click(*ZOOM_EDIT)
        self.window.key("alt+F4")
        wait_for("the program to end", lambda: self.process.poll() is not None, timeout)
        return self.process.returncode


class Cable:
    """tools/camera-cable kept running: pulls and plugs back the virtual
    camera's cable (and a second camera), as Windows then tells every
    window, and reads the program's controls as an accessibility tool does."""

    def __init__(self, bin_dir):
        self.process = subprocess.Popen(["wine", os.path.join(bin_dir, "camera-cable.exe")], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                                        encoding="utf-8")

    def ask(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        answer = self.process.stdout.readline()
        if not answer:
            raise TestFailure(f"camera-cable ended at {command!r}")
        answer = answer.rstrip("\r\n")
        if answer.startswith("error"):
            raise TestFailure(f"camera-cable {command}: {answer}")
        return answer

    def wait_text(self, command, expected, timeout=30):
        return wait_for(f"{command!r} to read {expected!r}", lambda: self.ask(command) == expected, timeout, 0.02)

    def close(self):
        self.process.stdin.close()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()


def window_name(xid):
    return run("xdotool", "getwindowname", xid, check=False).strip()


def window_pid(xid):
    text = run("xprop", "-id", xid, "_NET_WM_PID", check=False)
    value = text.rpartition("=")[2].strip()
    return int(value) if value.isdigit() else None


def windows_path(path):
    return run("winepath", "-w", path).strip()


def png_size(path):
    with open(path, "rb") as file:
        head = file.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        raise TestFailure(f"{path} is not a PNG file")
    return struct.unpack(">II", head[16:24])


def probe_avi(path):
    result = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                             "stream=codec_name,width,height,nb_read_frames", "-of", "json", path],
                            capture_output=True, text=True)
    if result.returncode != 0 or result.stderr.strip():
        raise TestFailure(f"ffprobe finds {path} damaged: {result.stderr.strip()}")
    return json.loads(result.stdout)["streams"][0]


def prepare_folder(bin_dir, folder, settings):
    """The program and its plug-ins copied into `folder` with an INI file that
    chooses DirectShow and holds `settings`; returns the INI file's path."""
    shutil.copy(os.path.join(bin_dir, "TavixCapture.exe"), folder)
    for plugin in glob.glob(os.path.join(bin_dir, "Tavix*.dll")):
        shutil.copy(plugin, folder)
    ini = os.path.join(folder, "TavixCapture.ini")
    write_ini(ini, {"Application": {"CaptureApiFamily": 1}, "Settings": settings})
    return ini


def check(condition, message):
    if not condition:
        raise TestFailure(message)


def main():
    bin_dir = sys.argv[1]
    shots = sys.argv[2] if len(sys.argv) > 2 else None
    folder = tempfile.mkdtemp(prefix="tavix-e2e-")
    try:
        ini = prepare_folder(bin_dir, folder, {"ViewRatio": 50, "IsSidePaneVisible": 1,
                                               "MarkerColor": MARKER_COLORREF})
        session = Session(folder, shots)
        cable = Cable(bin_dir)
        run_steps(session, cable, folder, ini)
        print("e2e: every step passed")
        return 0
    except TestFailure as failure:
        print(f"e2e FAILED: {failure}")
        Screen(os.path.join(folder, "failure.png"))
        print(f"screen at the failure: {os.path.join(folder, 'failure.png')}")
        return 1
    finally:
        if 'session' in locals() and session.process and session.process.poll() is None:
            session.process.kill()
        if 'cable' in locals():
            for command in ("replug", "remove"):
                try:
                    cable.ask(command)
                except TestFailure as failure:
                    print(f"leaving the cameras as found: {failure}")
            cable.close()


def unplug_and_replug(session, cable, folder):
    """Cameras that come and go while the program captures; returns the
    name of the format it captured in."""
    # A second camera plugged in: listed at once, the capture goes on.
    cable.ask("add")
    cable.wait_text(f"count {IDC_DEVICE}", "2", 10)
    session.wait_live("after a second camera arrived")
    cable.ask("remove")
    cable.wait_text(f"count {IDC_DEVICE}", "1", 10)

    # The camera pulled while every frame goes into an AVI: the message,
    # capture stopped, the movie finished whole.
    wide_format = cable.ask(f"text {IDC_FORMAT}")
    avi = os.path.join(folder, "unplugged.avi")
    session.choose(SAVE_TARGET_COMBO, 1)
    session.choose(FILE_FORMAT_COMBO, AVI_INDEX)
    session.window.click(*RECORD_BUTTON)
    session.save_through_dialog(avi)
    wait_for("the AVI file to grow", lambda: os.path.exists(avi) and os.path.getsize(avi) > 20_000_000, 60)
    cable.ask("unplug")
    cable.wait_text("status 0", UNPLUGGED, 10)
    check(cable.ask(f"text {IDC_CAPTURE}") == "取り込み", "the capture button still reads 停止")
    ended = wait_for("the recording to end", lambda: (lambda t: t if t.startswith("録画終了") else None)(
        cable.ask(f"status {RECORDING_PANE}")), 30)
    written = int(re.search(r"(\d+) フレーム", ended).group(1))
    stream = probe_avi(avi)
    check(int(stream["nb_read_frames"]) == written,
          f"the AVI holds {stream['nb_read_frames']} frames, the program wrote {written}")
    print(f"unplugged while recording: {written} frames written and read back")
    session.shot("unplugged")
    frozen = session.picture()[1]

    # The rest of the window works: the side pane hides and shows again.
    session.window.click(*SIDE_PANE_TOGGLE)
    cable.wait_text(f"text {IDC_SIDEPANE_TOGGLE}", "<", 10)
    session.window.click(session.window.geometry()[2] - 8, SIDE_PANE_TOGGLE[1])
    cable.wait_text(f"text {IDC_SIDEPANE_TOGGLE}", ">", 10)
    check(cable.ask("status 0") == UNPLUGGED, "the message went")

    # Plugged back: capturing again within 2 s, in the same format.
    cable.ask("replug")
    plugged = time.monotonic()
    wait_for("a new frame after the camera came back",
             lambda: (lambda c: c is not None and c != frozen)(session.picture()[1]), 30, 0.01)
    resumed = time.monotonic() - plugged
    print(f"capturing again {resumed:.2f} s after the camera came back")
    check(resumed <= 2.0, f"capture resumed only after {resumed:.2f} s")
    check(cable.ask(f"text {IDC_FORMAT}") == wide_format, "the camera came back in another format")
    check(cable.ask(f"text {IDC_CAPTURE}") == "停止", "the capture button does not read 停止")
    session.wait_live("after the camera came back")
    return wide_format


def run_steps(session, cable, folder, ini):
    # Started, the preview shows no picture until capture starts.
    session.start()
    session.shot("started")
    check(session.picture()[1] is None, "the preview shows a picture before capture started")

    # The capture button starts live frames: the counter advances on screen.
    session.window.click(*CAPTURE_BUTTON)
    first_rect = session.wait_live("after the capture button")
    session.shot("capturing")
    print(f"live at {first_rect[2]}x{first_rect[3]} on screen")

    # The wheel zooms out where the pointer is: the picture shrinks, step by
    # step, until a 1280x720 picture will fit the preview.
    x0, y0, width, height = session.preview_rect()
    run("xdotool", "mousemove", "--sync", str(x0 + width // 2), str(y0 + height // 2))
    rect = first_rect
    while rect[2] > 170:
        before = rect
        run("xdotool", "click", "5")
        rect = wait_for("the picture to shrink after the wheel",
                        lambda: (lambda r: r if r and r[2] < before[2] else None)(session.picture()[0]), 20)
    session.wait_live("zoomed out")
    session.shot("zoomed")
    print(f"zoomed out to {rect[2]}x{rect[3]} on screen")

    # Another format while capturing (ARGB32 1280x720): the picture takes
    # its shape and stays live.
    session.choose(FORMAT_COMBO, WIDE_FORMAT_INDEX)
    wide = wait_for("the picture to take the 16:9 format",
                    lambda: (lambda r: r if r and abs(r[2] / r[3] - 16 / 9) < 0.05 else None)(session.picture()[0]), 30)
    session.wait_live("after the format switch")
    session.shot("format-switched")
    print(f"format switched: {wide[2]}x{wide[3]} on screen")

    # The cross-line marker and the profiles: orange lines over the picture.
    session.window.click(*MARKER_CHECK)
    session.window.click(*PROFILE_CHECK)

    def marker_lines():
        screen = Screen()
        x0, y0, width, height = session.preview_rect()
        rect = picture_rect(screen, (x0, y0, width, height))
        if rect is None:
            return False
        px, py, pw, ph = rect
        # The vertical line crosses every row of the picture and the
        # horizontal one every column: look at a few of each, off the centre.
        rows = [py + ph * k // 8 for k in (1, 2, 3, 5, 6, 7)]
        columns = [px + pw * k // 8 for k in (1, 2, 3, 5, 6, 7)]
        return (all(any(is_marker(screen.at(x, y)) for x in range(px, px + pw)) for y in rows) and
                all(any(is_marker(screen.at(x, y)) for y in range(py, py + ph)) for x in columns))
    wait_for("the cross-line over the picture", marker_lines, 20)
    session.shot("marker-and-profiles")

    # The about box from the system menu, closed with its OK button's key.
    about = session.system_menu(ABOUT_FROM_BOTTOM, "バージョン情報 (DirectShow モード)")
    session.shot("about")
    run("xdotool", "key", "Return")
    wait_for("the about box to close", lambda: not session.find_other_window(about), 30)

    # The greyscale sample plug-in chosen from the system menu: the colour
    # bars turn grey, and back to colour with "なし" (the marker hidden
    # first, so that only the picture is compared).
    session.window.click(*MARKER_CHECK)
    wait_for("the cross-line to go", lambda: not marker_lines(), 20)
    def picture_is_grey(expected):
        screen = Screen()
        rect = picture_rect(screen, session.preview_rect())
        if rect is None:
            return False
        x0, y0, width, height = rect
        row = y0 + height // 3
        pixels = [screen.at(x, row) for x in range(x0 + 2, x0 + width - 2)]
        grey = all(max(p) - min(p) <= 2 for p in pixels)
        return grey == expected and len({p for p in pixels}) > 3

    session.choose_processor(GRAYSCALE_INDEX)
    wait_for("the picture to turn grey", lambda: picture_is_grey(True), 30)
    session.wait_live("with the greyscale processor")
    session.shot("greyscale-processor")
    session.choose_processor(0)
    wait_for("the picture to show colour again", lambda: picture_is_grey(False), 30)

    # A PNG snapped through the save dialog.
    png = os.path.join(folder, "snap.png")
    session.choose(FILE_FORMAT_COMBO, PNG_INDEX)
    session.window.click(*SNAP_BUTTON)
    session.save_through_dialog(png)
    wait_for("the PNG file", lambda: os.path.exists(png) and os.path.getsize(png) > 0, 30)
    print(f"snapped PNG {png_size(png)}")

    wide_format = unplug_and_replug(session, cable, folder)

    # Every frame into an AVI, and the program closed while it records.
    avi = os.path.join(folder, "movie.avi")
    session.window.click(*RECORD_BUTTON)
    session.save_through_dialog(avi)
    wait_for("the AVI file to grow", lambda: os.path.exists(avi) and os.path.getsize(avi) > 4_000_000, 60)
    session.shot("recording")

    # Moved, then closed while recording: the AVI is complete.
    session.window.move(40, 60)
    placed = session.window.geometry()
    zoomed = session.picture()[0]
    check(session.close() == 0, "the program ended with an error")
    stream = probe_avi(avi)
    frames = int(stream["nb_read_frames"])
    check(frames > 30, f"the AVI holds {frames} frames")
    print(f"AVI after closing while recording: {stream}")
    values = read_ini(ini)
    check(("MainWindow", "WindowPlacementFlags") in values, "no window placement saved")

    # Started again without the saved camera but with another: the same
    # place and side pane, on the other camera, in a format chosen for it.
    cable.ask("add")
    cable.ask("unplug")
    session.start()
    check(session.window.geometry()[:2] == placed[:2],
          f"the window comes back at {session.window.geometry()[:2]}, not at {placed[:2]}")
    check(cable.ask(f"text {IDC_DEVICE}") == SECOND_CAMERA, "the program does not run on the other camera")
    session.choose(FORMAT_COMBO, 0)
    session.window.click(*CAPTURE_BUTTON)
    session.wait_live("on the other camera")
    # The saved camera plugged in: taken back, with its format, capturing.
    cable.ask("replug")
    cable.wait_text(f"text {IDC_DEVICE}", CAMERA, 10)
    check(cable.ask(f"text {IDC_FORMAT}") == wide_format, "the saved camera comes back in another format")
    rect = session.wait_live("on the saved camera again")
    # (Only the width: the profiles, drawn from the picture's edge, can
    # continue a column of the picture downwards.)
    check(rect[2] == zoomed[2], f"the picture comes back {rect[2]} wide, not {zoomed[2]}")
    session.shot("restarted")
    check(session.close() == 0, "the program ended with an error")


if __name__ == "__main__":
    sys.exit(main())
