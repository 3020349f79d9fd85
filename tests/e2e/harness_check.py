"""Checks the measuring chain itself before it judges the program: a known
stereo tone played into the private sink comes back bit for bit, the sine fit
finds its frequency, and the continuity check flags a gap and a phase jump that
were put in on purpose (and nothing in the clean tone)."""

import argparse
import os
import sys

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts", "e2e"))
import harness  # noqa: E402
from harness import RATE  # noqa: E402


def tone(freq, seconds, amp, phase=0.0):
    n = np.arange(int(seconds * RATE))
    return np.trunc(amp * np.cos(2 * np.pi * freq * n / RATE + phase)).astype(np.int16)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary", help="unused; accepted for a uniform command line")
    ap.parse_args()
    failures = []

    def check(ok, what):
        print(("ok   " if ok else "FAIL ") + what)
        if not ok:
            failures.append(what)

    # The analysis on made-up signals: clean, with a 5 ms gap, with a phase jump.
    clean = tone(440.0, 2.5, 8192)
    fit = harness.fit_sine(clean)
    check(abs(fit["freq"] - 440.0) < 0.001, f"fit of a clean 440 Hz tone: {fit['freq']:.5f} Hz")
    c = harness.continuity(clean)
    check(c["max_remainder"] < 6 and c["zero_run"] < 3,
          f"clean tone is continuous (remainder {c['max_remainder']:.2f})")
    gap = clean.copy()
    gap[40000:40220] = 0
    c = harness.continuity(gap)
    check(c["zero_run"] >= 220 and c["max_remainder"] > 100, "a 5 ms gap is caught")
    n = np.arange(2 * RATE)
    phase = 2 * np.pi * 440.0 * n / RATE + np.where(n >= RATE + 25, 0.05, 0.0)
    jump = np.trunc(8192 * np.cos(phase)).astype(np.int16)  # jump near a zero crossing
    c = harness.continuity(jump)
    check(c["max_remainder"] > 100, f"a 0.05 rad phase jump is caught ({c['max_remainder']:.0f})")
    f4399 = harness.fit_sine(tone(439.9, 2.0, 8192))["freq"]
    check(abs(f4399 - 439.9) < 0.005, f"439.9 Hz told from 440 Hz ({f4399:.4f})")

    # The chain: paplay a left-only tone into the sink, record its monitor.
    with harness.Session(display=False) as s:
        left = tone(440.0, 2.0, 8192)
        frames = np.column_stack([left, np.zeros_like(left)])
        wav = os.path.join(s.dir, "tone.wav")
        harness.write_wav(wav, frames)
        rec = s.recorder().start()
        s.run(["paplay", wav], timeout=30)
        rec.record_for(0.3)
        got = rec.stop()
    # A stream's first few hundred frames can be mixed into a stretch the monitor
    # has already delivered (the sink rewinds for a new stream); from there on the
    # monitor must carry the samples unchanged, to the last one.
    a, b = harness.sounding_span(got[:, 0])
    heard = got[a:b, 0]
    lost = left.size - heard.size
    check(0 <= lost < 4096 and np.array_equal(heard, left[lost:]),
          f"the sink's monitor returns the played samples bit for bit "
          f"({heard.size} frames, {lost} lost at the start)")
    check(not got[:, 1].any(), "the silent channel stays silent")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
