#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Start-up and reload timing of build/veltane, as ratios measured in one run.

In one Xvfb + openbox + private PulseAudio session (the program's own latency
request, no widened server buffer):

  window   - launch to the window mapped, for the program and, alternating
             with it, for a bare Qt dialog of the same size (bench_bare_dialog);
             both found by the same polling, so the ratio is fair (target ≤ 1.5);
  reload   - Enter in the file dialog to the tone back in the sink for a 10 s
             44100 Hz WAV, against the time the load itself takes
             (bench_load_time, the median of 7 loads); the time beyond the load
             is the stream's stop and restart (target ≤ 100 ms). The tone is
             back at the restarted stream's first sound, after a silence or over
             what the server still plays of the old stream; a run that shows
             "Click OK..." times a click and is not counted. The recorder's
             latency (about 20 ms) makes it an upper bound; it reads the sink in
             20 ms fragments, so one run is good to about that much. The runs
             with a silence between the streams (the new device's first period
             went out silent, as SDL plays a paused device) are summed up apart;
             they are the slow ones;
  retune   - a click in the frequency scroll bar's trough (+10 Hz) to the first
             recorded sample that leaves the old tone's sine, at 44100 Hz: the
             two stream buffers, SDL's buffer and the server's latency (again an
             upper bound by the recorder's latency).

  /usr/bin/python3 bench/startup/measure_startup.py --binary build/veltane \\
      --bare build/bench/startup/bench_bare_dialog \\
      --load-time build/bench/startup/bench_load_time [--runs 9]
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "scripts", "e2e"))
import harness  # noqa: E402
from harness import RATE  # noqa: E402


def time_to_window(s, argv, name):
    """(seconds from launch until a visible window of that exact name exists, process)."""
    t0 = time.monotonic()
    proc = s.spawn(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    deadline = t0 + 20
    while time.monotonic() < deadline:
        out = s.run(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(proc.pid),
                     "--name", f"^{name}$"], check=False)
        if out.stdout.strip():
            return time.monotonic() - t0, proc, int(out.stdout.split()[0])
    raise harness.HarnessError(f"{argv[0]} showed no window {name!r}")


def end(s, proc):
    harness._end_process(proc)
    s.forget(proc)


def window_ratio(s, binary, bare, runs):
    # The program's client size, for the bare dialog of the same size.
    _, proc, wid = time_to_window(s, [binary], "Veltane")
    app = harness.App.__new__(harness.App)
    app.session, app.wid = s, wid
    _, _, w, h = app.geometry(wid)
    end(s, proc)
    harness._wait_for(lambda: not s.sink_inputs(), 10, "the stream to close")
    rows = []
    for run in range(runs):
        t_app, proc, _ = time_to_window(s, [binary], "Veltane")
        end(s, proc)
        harness._wait_for(lambda: not s.sink_inputs(), 10, "the stream to close")
        t_bare, proc, _ = time_to_window(s, [bare, str(w), str(h)], "Bare")
        end(s, proc)
        rows.append((t_app * 1000, t_bare * 1000))
        print(f"run {run + 1}: window mapped after {rows[-1][0]:6.1f} ms, bare {w}x{h} dialog "
              f"{rows[-1][1]:6.1f} ms", flush=True)
        time.sleep(0.2)
    app_ms = statistics.median(r[0] for r in rows)
    bare_ms = statistics.median(r[1] for r in rows)
    print(f"median of {runs}: window {app_ms:.1f} ms, bare dialog {bare_ms:.1f} ms, "
          f"ratio {app_ms / bare_ms:.2f} (target ≤ 1.5)", flush=True)


def departure(rec, mark):
    """The left channel of the second after mark, and its first sample that leaves
    the tone of the second before mark carried on (None when none does)."""
    fit = harness.fit_sine(rec.data(mark - RATE, RATE)[:, 0])
    rec.wait_frames(mark + RATE)
    left = rec.data(mark, RATE)[:, 0].astype(np.float64)
    t = np.arange(RATE, 2 * RATE) - (RATE - 1) / 2.0
    old = fit["amp"] * np.cos(2 * np.pi * fit["freq"] / RATE * t + fit["phase"]) + fit["offset"]
    off = np.nonzero(np.abs(left - old) > 300)[0]
    return left, (int(off[0]) if off.size else None)


def tone_back(rec, mark):
    """(frames from mark to the first sound of the restarted stream, whether a
    silence came before it), or (None, None).

    The old stream's tail (what the server still held of it) plays on after the
    stop; the restarted stream comes in either after a run of silence or over
    that tail. So the sound after mark is set against the old tone carried on
    from the second before mark: the first sample that leaves it is where the
    tail ended (silence follows; the new stream starts at the next sound) or
    where the new stream came in over it."""
    left, first = departure(rec, mark)
    if first is None:
        return None, None
    if np.any(left[first:first + 8]):
        return first, False  # over the old stream's tail
    # a sine has single zeros at its crossings; the stop is a run of them
    after = np.nonzero(left[first:])[0]
    return (first + int(after[0]), True) if after.size else (None, None)


def reload_time(s, binary, load_time, runs):
    wav = os.path.join(s.dir, "ten-seconds.wav")
    harness.write_wav(wav, harness.bell(10.0, seed=3))
    load_ms = float(subprocess.run([load_time, wav], check=True, capture_output=True,
                                   text=True).stdout)
    rec, app, _ = s.start_veltane(binary)
    loader = harness.Loader(s, app, rec, harness.Checks())
    times = []
    after_gap = []  # the runs in which the old stream's tail ended before the new one began
    click_ok = 0
    for run in range(runs):
        dlg = loader.open_dialog()
        app.type_text(wav)
        time.sleep(0.5)
        mark = rec.frames()
        app.key("Return", wid=False)
        back, gap = tone_back(rec, mark)
        # "Click OK..." shows when the stream stops while a refill waits on the
        # window thread: that run timed a click, not the restart.
        boxes = app.windows_named("veltane")
        if boxes:
            app.key("Return", wid=boxes[0])
            app.wait_window_gone(boxes[0])
            click_ok += 1
            print(f"run {run + 1}: \"Click OK...\" shown, not counted", flush=True)
            time.sleep(0.5)
            continue
        if back is None or dlg in app.visible_windows():  # a completion popup took the Enter
            for _ in range(3):
                if dlg not in app.visible_windows():
                    break
                app.activate(dlg)
                app.key("Return", wid=False)
                time.sleep(1.0)
            continue
        times.append(back * 1000 / RATE)
        if gap:
            after_gap.append(times[-1])
        print(f"run {run + 1}: Enter to tone {times[-1]:6.1f} ms (the load {load_ms:.1f} ms), "
              f"{'after a silence' if gap else 'over the old tail'}", flush=True)
        time.sleep(0.5)
    ms = statistics.median(times)
    print(f"median of {len(times)}: Enter to tone {ms:.1f} ms, the load {load_ms:.1f} ms, "
          f"beyond the load {ms - load_ms:.1f} ms (target ≤ 100); \"Click OK...\" in "
          f"{click_ok} of {runs} runs", flush=True)
    if after_gap:
        print(f"  of those after a silence ({len(after_gap)}): median "
              f"{statistics.median(after_gap):.1f} ms", flush=True)
    retune_time(s, app, rec, runs)
    app.click_du(*harness.EXIT_BUTTON)
    app.wait_exit(5)
    rec.stop()


# The frequency scroll bar's trough right of the thumb, in dialog units.
TROUGH_RIGHT = (60 + 0.85 * 245, 120 + 5)


def retune_time(s, app, rec, runs):
    times = []
    for run in range(runs):
        rec.wait_frames(rec.frames() + RATE)
        # The clock starts at the click itself, not at the pointer's move and
        # the pause before it.
        app.point_at(*app.du_to_screen(*TROUGH_RIGHT))
        mark = rec.frames()
        app.click()
        first = departure(rec, mark)[1]
        if first is None:
            continue
        times.append(first * 1000 / RATE)
        print(f"run {run + 1}: retune heard after {times[-1]:6.1f} ms", flush=True)
    print(f"median of {len(times)}: retune heard after {statistics.median(times):.1f} ms "
          f"(max {max(times):.1f} ms)", flush=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--binary", required=True)
    ap.add_argument("--bare", required=True)
    ap.add_argument("--load-time", required=True)
    ap.add_argument("--runs", type=int, default=9)
    args = ap.parse_args()
    with harness.Session(server_buffer=False) as s:  # time the program as it asks
        window_ratio(s, args.binary, args.bare, args.runs)
        reload_time(s, args.binary, args.load_time, args.runs)
    return 0


if __name__ == "__main__":
    sys.exit(main())
