#!/usr/bin/env python3
"""The program capturing for a long time, driven as a person would: the
format switches between two ARGB32 formats, recording of every frame into
an AVI goes on and off, and the processor changes between "なし" and the
greyscale sample (processors without a settings page, so that the side
pane's controls stay where they are), in turns. Every minute the process's memory (resident
set), thread count and open handles (the Wine process's file descriptors, the
Linux side of its handles) are sampled and printed.

    soak.py BIN_DIR MINUTES

Fails when the program ends, stops showing live frames, or its memory at the
end is more than 64 MiB above the first minute's sample.

    soak.py BIN_DIR plug CYCLES

pulls the virtual camera's cable while the program captures and plugs it
back, CYCLES times (tools/camera-cable), and prints the medians of the time
from the pull to the message in the status bar and from the plug to the
first new frame on the screen (read by screenshots, a tenth to a fifth of a
second apart), and the program's handles, threads and private memory as
Windows lists them (the system's process list) after the first cycle and at
the end. Fails when a cycle takes longer than its time-out or any of them
grew: threads by more than 2, private memory by more than 32 MiB, handles
by more than Wine's own leaks explain (WINE_HANDLES_PER_CYCLE)."""

import glob
import os
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import TestFailure, wait_for  # noqa: E402
import e2e  # noqa: E402

GROWTH_LIMIT_KIB = 64 * 1024
# Wine 8 keeps a registry key open for every device enumerator's
# CreateClassEnumerator and another for its first IEnumMoniker::Next, and an
# event for every filter graph, though every reference is released (seen
# with the same calls in a test of their own): each reading of the camera
# list (two or three a cycle) leaves about one to three handles behind.
WINE_HANDLES_PER_CYCLE = 4


def sample(pid):
    status = {}
    with open(f"/proc/{pid}/status") as file:
        for line in file:
            key, _, value = line.partition(":")
            status[key] = value.strip()
    handles = len(os.listdir(f"/proc/{pid}/fd"))
    return int(status["VmRSS"].split()[0]), int(status["Threads"]), handles


def kill_if_running(session):
    """Ends the program of a session that failed before closing it."""
    if session and session.process and session.process.poll() is None:
        session.process.kill()


def plug_cycles(bin_dir, cycles):
    folder = tempfile.mkdtemp(prefix="tavix-plug-")
    session = cable = None
    try:
        e2e.prepare_folder(bin_dir, folder, {"ViewRatio": 25, "IsSidePaneVisible": 1})
        session = e2e.Session(folder, None)
        cable = e2e.Cable(bin_dir)
        session.start()
        session.window.click(*e2e.CAPTURE_BUTTON)
        session.wait_live("at the start")

        def counters():
            handles, threads, private = (int(value) for value in cable.ask("counters").split())
            return handles, threads, private // 1024

        to_message, to_frame, samples = [], [], []
        print("cycle  handles  threads  private_kib")
        for cycle in range(1, cycles + 1):
            cable.ask("unplug")
            pulled = time.monotonic()
            cable.wait_text("status 0", e2e.UNPLUGGED, 10)
            to_message.append(time.monotonic() - pulled)
            if cable.ask(f"text {e2e.IDC_CAPTURE}") != "取り込み":
                raise TestFailure(f"cycle {cycle}: capture did not stop")
            frozen = session.picture()[1]
            cable.ask("replug")
            plugged = time.monotonic()
            wait_for(f"a new frame in cycle {cycle}",
                     lambda: (lambda c: c is not None and c != frozen)(session.picture()[1]), 30, 0.01)
            to_frame.append(time.monotonic() - plugged)
            if cycle in (1, cycles):
                samples.append(counters())
                print(f"{cycle:5d}  {samples[-1][0]:7d}  {samples[-1][1]:7d}  {samples[-1][2]:11d}", flush=True)
        print(f"median from the pull to the message: {statistics.median(to_message) * 1000:.0f} ms "
              f"(max {max(to_message) * 1000:.0f} ms)")
        print(f"median from the plug to the first frame: {statistics.median(to_frame) * 1000:.0f} ms "
              f"(max {max(to_frame) * 1000:.0f} ms)")
        if session.close() != 0:
            raise TestFailure("the program ended with an error")
        (handles0, threads0, private0), (handles1, threads1, private1) = samples[0], samples[-1]
        if (handles1 - handles0 > WINE_HANDLES_PER_CYCLE * (cycles - 1) or threads1 - threads0 > 2 or
                private1 - private0 > 32 * 1024):
            raise TestFailure(f"grew over {cycles} cycles: {handles1 - handles0} handles, "
                              f"{threads1 - threads0} threads, {private1 - private0} KiB private memory")
        print(f"plug soak: {cycles} cycles, growth {handles1 - handles0} handles, {threads1 - threads0} threads, "
              f"{private1 - private0} KiB")
        return 0
    except TestFailure as failure:
        print(f"plug soak FAILED: {failure}")
        return 1
    finally:
        kill_if_running(session)
        if cable:
            try:
                cable.ask("replug")
            except TestFailure as failure:
                print(f"the camera could not be plugged back: {failure}")
            cable.close()


def main():
    if len(sys.argv) > 3 and sys.argv[2] == "plug":
        return plug_cycles(sys.argv[1], int(sys.argv[3]))
    bin_dir, minutes = sys.argv[1], float(sys.argv[2])
    folder = tempfile.mkdtemp(prefix="tavix-soak-")
    session = None
    try:
        e2e.prepare_folder(bin_dir, folder, {"ViewRatio": 25, "IsSidePaneVisible": 1})
        session = e2e.Session(folder, None)
        session.start()
        session.window.click(*e2e.CAPTURE_BUTTON)
        session.wait_live("at the start")
        session.choose(e2e.SAVE_TARGET_COMBO, 1)
        session.choose(e2e.FILE_FORMAT_COMBO, e2e.AVI_INDEX)

        samples = []
        start = time.monotonic()
        next_sample = start
        turn = 0
        recording = False
        print("minute  rss_kib  threads  handles  recording")
        while time.monotonic() - start < minutes * 60 or not samples:
            if time.monotonic() >= next_sample:
                values = sample(session.process.pid)
                samples.append(values)
                print(f"{len(samples) - 1:6d}  {values[0]:7d}  {values[1]:7d}  {values[2]:7d}  {recording}", flush=True)
                next_sample += 60
            if session.process.poll() is not None:
                raise TestFailure(f"the program ended (exit {session.process.returncode})")
            turn += 1
            if turn % 6 == 3:
                session.choose_processor(e2e.GRAYSCALE_INDEX if turn % 12 == 3 else 0)
            elif turn % 2 == 1:
                session.choose(e2e.FORMAT_COMBO, 2 if turn % 4 == 1 else 0)
            else:
                session.window.click(*e2e.RECORD_BUTTON)
                if not recording:
                    session.save_through_dialog(os.path.join(folder, f"soak-{turn}.avi"))
                else:
                    for old in glob.glob(os.path.join(folder, "soak-*.avi"))[:-1]:
                        os.remove(old)
                recording = not recording
            session.wait_live(f"turn {turn}")
        if recording:
            session.window.click(*e2e.RECORD_BUTTON)
        values = sample(session.process.pid)
        samples.append(values)
        print(f"   end  {values[0]:7d}  {values[1]:7d}  {values[2]:7d}", flush=True)
        if session.close() != 0:
            raise TestFailure("the program ended with an error")
        # Against the first minute's sample where there is one (start-up is
        # over by then), else against the sample at the start.
        base = samples[1] if len(samples) > 2 else samples[0]
        growth = samples[-1][0] - base[0]
        if growth > GROWTH_LIMIT_KIB:
            raise TestFailure(f"memory grew by {growth} KiB")
        print(f"soak: {turn} switches in {minutes:g} min, memory growth {growth} KiB")
        return 0
    except TestFailure as failure:
        print(f"soak FAILED: {failure}")
        return 1
    finally:
        kill_if_running(session)


if __name__ == "__main__":
    sys.exit(main())
