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
end is more than 64 MiB above the first minute's sample."""

import glob
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import TestFailure  # noqa: E402
import e2e  # noqa: E402

GROWTH_LIMIT_KIB = 64 * 1024


def sample(pid):
    status = {}
    with open(f"/proc/{pid}/status") as file:
        for line in file:
            key, _, value = line.partition(":")
            status[key] = value.strip()
    handles = len(os.listdir(f"/proc/{pid}/fd"))
    return int(status["VmRSS"].split()[0]), int(status["Threads"]), handles


def main():
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
        if session and session.process and session.process.poll() is None:
            session.process.kill()


if __name__ == "__main__":
    sys.exit(main())
