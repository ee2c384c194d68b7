"""The desktop as a person meets it: the real pointer and keyboard through
xdotool, pixels read back from the X screen (ImageMagick's import, PPM
parsed here), and the program started as a process under Wine.

Every wait polls for a definite condition and fails with a message when its
time-out passes."""

import os
import subprocess
import time


class TestFailure(Exception):
    pass


def run(*args, check=True):
    result = subprocess.run(args, capture_output=True, text=True)
    if check and result.returncode != 0:
        raise TestFailure(f"{' '.join(args)} failed: {result.stderr.strip()}")
    return result.stdout


def wait_for(what, condition, timeout=30.0, interval=0.2):
    """Polls `condition` until it returns a true value; returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TestFailure(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


class Screen:
    """One screenshot of the whole X screen, pixels as (r, g, b)."""

    def __init__(self, save_as=None):
        data = subprocess.run(["import", "-silent", "-window", "root", "-depth", "8", "ppm:-"],
                              capture_output=True, check=True).stdout
        if save_as:
            os.makedirs(os.path.dirname(save_as), exist_ok=True)
            subprocess.run(["convert", "ppm:-", save_as], input=data, check=True)
        # "P6 width height 255", then the pixels: the last width x height x 3 bytes.
        magic, width, height, maxval = data.split(maxsplit=4)[:4]
        if magic != b"P6" or maxval != b"255":
            raise TestFailure("unexpected screenshot format")
        self.width, self.height = int(width), int(height)
        self.pixels = data[-self.width * self.height * 3:]

    def at(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            return (0, 0, 0)
        offset = (y * self.width + x) * 3
        return tuple(self.pixels[offset:offset + 3])

    def bright(self, x, y):
        r, g, b = self.at(x, y)
        return r > 128 and g > 128 and b > 128


class Window:
    """A top-level window of the program, found by its title."""

    def __init__(self, xid):
        self.xid = xid

    @staticmethod
    def find(title, timeout=60.0):
        def search():
            found = run("xdotool", "search", "--onlyvisible", "--name", f"^{title}$", check=False).split()
            return found[0] if found else None
        return Window(wait_for(f'the window "{title}"', search, timeout))

    def geometry(self):
        values = {}
        for line in run("xdotool", "getwindowgeometry", "--shell", self.xid).splitlines():
            key, _, value = line.partition("=")
            values[key] = int(value) if value.lstrip("-").isdigit() else value
        return values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]

    def click(self, x, y, button=1):
        """Clicks at (x, y) of the window with the real pointer."""
        left, top, _, _ = self.geometry()
        run("xdotool", "mousemove", "--sync", str(left + x), str(top + y))
        run("xdotool", "click", str(button))

    def move(self, x, y):
        run("xdotool", "windowmove", "--sync", self.xid, str(x), str(y))

    def key(self, *keys):
        run("xdotool", "windowactivate", "--sync", self.xid, check=False)
        run("xdotool", "key", "--clearmodifiers", *keys)


def start_program(folder, exe="TavixCapture.exe"):
    log = open(os.path.join(folder, "wine.log"), "wb")
    return subprocess.Popen(["wine", exe], cwd=folder, stdout=log, stderr=subprocess.STDOUT,
                            stdin=subprocess.DEVNULL)


def write_ini(path, sections):
    """Writes an INI file in UTF-16 with a byte order mark, as the program keeps it."""
    lines = []
    for section, values in sections.items():
        lines.append(f"[{section}]")
        lines.extend(f"{key}={value}" for key, value in values.items())
    with open(path, "wb") as file:
        file.write(("\r\n".join(lines) + "\r\n").encode("utf-16"))


def read_ini(path):
    with open(path, "rb") as file:
        raw = file.read()
    text = raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("utf-8")
    values = {}
    section = ""
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            section = line[1:-1]
        elif "=" in line:
            key, _, value = line.partition("=")
            values[(section, key)] = value
    return values
