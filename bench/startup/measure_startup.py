#!/usr/bin/python3
"""Start-up time of build/veltane, from launch to the first sound.

For each of N runs (one shared Xvfb + openbox + private PulseAudio session) it
launches the program and times, from the moment of launch:
  first stream   - the server announces the first playback stream (pactl subscribe):
                   the device's format probe, which opens and closes the device,
  playing stream - the last stream announced before the sound, the one that plays,
  sound          - the null sink's monitor first carries a non-zero sample (the
                   recorder's ~20 ms latency included),
  window         - the window titled "Veltane" is mapped (found by polling after
                   the sound, so an upper bound),
then ends the program with Return (EXIT). It prints each run and the medians.

  /usr/bin/python3 bench/startup/measure_startup.py --binary build/veltane [--runs 9]
"""

import argparse
import os
import statistics
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "scripts", "e2e"))
import harness  # noqa: E402


class StreamWatch:
    """Notes the time of each new sink input from `pactl subscribe`."""

    def __init__(self, session):
        self.times = []
        self.proc = session.spawn(["pactl", "subscribe"], stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        for line in self.proc.stdout:
            if "'new' on sink-input" in line:
                self.times.append(time.monotonic())

    def between(self, t0, t1):
        return [t for t in self.times if t0 <= t <= t1]


def first_sound_after(rec, start_frame, timeout=20):
    """Polls the recording for its first non-zero sample past start_frame; returns
    the wall time at which it was seen (the recorder's latency, ~20 ms, included)."""
    deadline = time.monotonic() + timeout
    seen = start_frame
    while time.monotonic() < deadline:
        data = rec.data(seen)
        if data.any():
            return time.monotonic()
        seen += data.shape[0]
        time.sleep(0.002)
    raise harness.HarnessError("no sound")


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--binary", required=True)
    ap.add_argument("--runs", type=int, default=9)
    args = ap.parse_args()

    rows = []
    with harness.Session(server_buffer=False) as s:  # time the program as it asks
        watch = StreamWatch(s)
        rec = s.recorder("startup").start()
        time.sleep(0.5)
        for run in range(args.runs):
            start_frame = rec.frames()
            t0 = time.monotonic()
            app = s.app(args.binary)
            t_sound = first_sound_after(rec, start_frame)
            # Opening the device may announce more than one stream (a format probe
            # first); the one that plays is the last announced before the sound.
            announced = watch.between(t0, t_sound)
            if not announced:
                raise harness.HarnessError("sound before any stream was announced")
            t_stream = announced[-1]
            t_probe = announced[0]
            wid = app.find_window("Veltane", timeout=20)
            t_window = time.monotonic()  # upper bound: found by polling after the sound
            rows.append(((t_probe - t0) * 1000, (t_stream - t0) * 1000, (t_sound - t0) * 1000,
                         (t_window - t0) * 1000))
            print(f"run {run + 1}: first stream {rows[-1][0]:6.1f} ms   playing stream "
                  f"{rows[-1][1]:6.1f} ms   sound {rows[-1][2]:6.1f} ms   window ≤ "
                  f"{rows[-1][3]:6.1f} ms   ({len(announced)} stream(s) announced)", flush=True)
            app.activate(wid)
            app.key("Return", wid=False)
            if app.wait_exit(5) is None:
                app.end()
            s.forget(app.proc)
            harness._wait_for(lambda: not s.sink_inputs(), 10, "the stream to close")
            time.sleep(0.3)
        rec.stop()
    med = [statistics.median(col) for col in zip(*rows)]
    print(f"median of {len(rows)}: launch → first stream (a format probe, if any) {med[0]:.1f} ms, "
          f"→ playing stream {med[1]:.1f} ms, → first sound {med[2]:.1f} ms, "
          f"→ window ≤ {med[3]:.1f} ms")
    return 0


if __name__ == "__main__":
    sys.exit(main())
