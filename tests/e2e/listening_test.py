"""The listening aids, heard at the sink. With Loop on, a 1 s recording played
with Ctrl+P comes out in the right ear twice in a row and on, sample for sample
and without a gap at the seam, until Ctrl+P stops it. With Both ears on, each
ear carries the tone plus the recording (the two ears identical). Typing 523.3
into Tune to: and pressing Enter retunes the tone to 523.3 Hz and the program
keeps running; Ctrl+Up from 440 Hz gives 880.0 Hz.
"""

import os
import sys
import time

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts", "e2e"))
import harness  # noqa: E402
from harness import RATE, SETTLE  # noqa: E402


def mixdown(frames):
    s = frames[:, 0].astype(np.int32) + frames[:, 1].astype(np.int32)
    return np.where(s < 0, -((-s) // 2), s // 2).astype(np.int16)


def loop(s, app, rec, check, expected):
    """Loop on, Ctrl+P: the recording over and over; Ctrl+P again: silence."""
    app.key("alt+l")
    mark = rec.frames()
    app.key("ctrl+p")

    def heard_twice():
        first, _ = harness.sounding_span(rec.data(mark)[:, 1])
        return rec.frames() - mark > first + 2 * expected.size + RATE // 4 and first > 0
    harness._wait_for(heard_twice, 15, "two passes of the recording")
    app.key("ctrl+p")
    stopped = rec.frames()
    rec.wait_frames(stopped + int((SETTLE + 0.5) * RATE))
    right = rec.data(mark)[:, 1]
    first, last = harness.sounding_span(right)
    got = right[first:last]
    want = np.resize(expected, got.size)
    diff = np.nonzero(got != want)[0]
    check(got.size >= 2 * expected.size and diff.size == 0,
          f"Loop: the right ear plays the recording {got.size / expected.size:.2f} times in a "
          f"row, sample for sample across each seam (first difference at "
          f"{diff[0] if diff.size else '-'})")
    tail = rec.data(stopped + int(SETTLE * RATE))[:, 1]
    check(tail.size > RATE // 4 and not tail.any(),
          f"Loop: Start / Stop Play stops it (right peak afterwards {harness.peak(tail)})")
    check.tone(rec.data(mark + first, last - first), 440.0, 8192, "Loop: the tone beside it",
               right_silent=False)
    app.key("alt+l")


def both_ears(s, app, rec, check, expected):
    """Both ears on: each ear is the tone plus the recording."""
    app.key("alt+b")
    mark = rec.frames()
    app.key("ctrl+p")
    rec.wait_frames(mark + int((expected.size / RATE + SETTLE + 1.0) * RATE))
    left = rec.data(mark)[:, 0].astype(np.int32)
    # Where the recording lies in what was heard: the tone does not correlate with it.
    n = 1 << int(np.ceil(np.log2(left.size + expected.size)))
    xc = np.fft.irfft(np.fft.rfft(left, n) * np.conj(np.fft.rfft(expected.astype(np.float64), n)),
                      n)[: left.size - expected.size]
    lag = int(np.argmax(xc))
    heard = rec.data(mark + lag, expected.size).astype(np.int32)
    check(np.array_equal(heard[:, 0], heard[:, 1]), "Both ears: the two ears are the same")
    tone = heard[:, 0] - expected.astype(np.int32)
    fit = harness.fit_sine(tone)
    check(abs(fit["freq"] - 440.0) < 0.05 and abs(fit["amp"] - 8192) < 3 and
          fit["resid_max"] < 3,
          f"Both ears: less the recording, each ear is the 440 Hz tone at 8192 "
          f"({fit['freq']:.3f} Hz, amplitude {fit['amp']:.1f}, residual {fit['resid_max']:.2f})")
    check(harness.peak(heard) > 12000, f"Both ears: the recording is heard in the left ear too "
                                       f"(peak {harness.peak(heard)})")
    app.key("alt+b")


def tune(s, app, rec, check, keys, expected, label):
    app.key(*keys)
    mark = rec.frames()  # typing takes a while; the retune comes at its end
    rec.wait_frames(mark + int((SETTLE + 2.0) * RATE))
    check.tone(rec.data(mark + int(SETTLE * RATE)), expected, 8192, label, freq_tol=0.02)
    shown = app.read_box(harness.FREQUENCY_BOX, expect=f"{expected:g}")
    check(shown == f"{expected:g}", f"{label}: the frequency box shows {expected:g} "
                                    f"(read {shown!r})")
    check(app.running(), f"{label}: the program keeps running")


def main():
    args = harness.binary_arg(__doc__).parse_args()
    check = harness.Checks()

    with harness.Session() as s:
        rec, app, _ = s.start_veltane(args.binary)
        loader = harness.Loader(s, app, rec, check)
        wav = os.path.join(s.dir, "one-second.wav")
        frames = harness.bell(1.0, seed=11)
        harness.write_wav(wav, frames)
        expected = mixdown(frames)
        if loader.choose_file(wav) and loader.expect_no_message("loading the WAV"):
            time.sleep(SETTLE)
            loop(s, app, rec, check, expected)
            both_ears(s, app, rec, check, expected)

        tune(s, app, rec, check, ("alt+t", "5", "2", "3", "period", "3", "Return"), 523.3,
             "typed 523.3 and Enter")
        tune(s, app, rec, check, ("alt+t", "4", "4", "0", "Return"), 440.0, "typed 440 and Enter")
        tune(s, app, rec, check, ("ctrl+Up",), 880.0, "Ctrl+Up from 440 Hz")

        app.click_du(*harness.EXIT_BUTTON)
        check(loader.wait_exit(5) == 0, "EXIT ends the program with status 0")
        check.quiet(app)
        rec.stop()
    return check.exit_status()


if __name__ == "__main__":
    sys.exit(main())
