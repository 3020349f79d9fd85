"""The listening aids at the sink: with Loop on, a 1 s recording played by Ctrl+P
comes out in the right ear twice in a row and on, sample for sample across each
seam, until Ctrl+P stops it; with Both ears on, each ear is exactly the tone
plus the recording; 523.3 typed into Tune to: with Enter gives 523.3 Hz and the
program runs on; Ctrl+Up from 440 Hz gives 880.0 Hz."""

import os
import sys

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts", "e2e"))
import harness  # noqa: E402
from harness import RATE, SETTLE  # noqa: E402
from loading_test import best_alignment, mixdown  # noqa: E402


def main():
    args = harness.binary_arg(__doc__).parse_args()
    check = harness.Checks()
    with harness.Session() as s:
        rec, app, _ = s.start_veltane(args.binary)
        loader = harness.Loader(s, app, rec, check)
        wav = os.path.join(s.dir, "one-second.wav")
        frames = harness.bell(1.0, seed=11)
        harness.write_wav(wav, frames)
        want = mixdown(frames)
        if loader.choose_file(wav) and loader.expect_no_message("loading the WAV"):
            mark = rec.frames()
            app.key("alt+l", "ctrl+p")
            harness._wait_for(lambda: rec.frames() - mark > harness.sounding_span(
                rec.data(mark)[:, 1])[0] + 2 * want.size + RATE // 4, 15, "two passes")
            app.key("ctrl+p", "alt+l")
            stopped = rec.frames()
            rec.wait_frames(stopped + int((SETTLE + 0.5) * RATE))
            first, last = harness.sounding_span(rec.data(mark)[:, 1])
            got = rec.data(mark + first, last - first)
            check(got.shape[0] >= 2 * want.size and
                  np.array_equal(got[:, 1], np.resize(want, got.shape[0])),
                  f"Loop: the right ear plays the recording {got.shape[0] / want.size:.2f} "
                  "times in a row, sample for sample across each seam")
            check.tone(got, 440.0, 8192, "Loop: the tone beside it", right_silent=False)
            check(not rec.data(stopped + int(SETTLE * RATE))[:, 1].any(),
                  "Loop: Start / Stop Play stops it")

            mark = rec.frames()
            app.key("alt+b", "ctrl+p")
            rec.wait_frames(mark + int((want.size / RATE + SETTLE + 1.0) * RATE))
            lag, _ = best_alignment(rec.data(mark)[:, 0], want)
            heard = rec.data(mark + lag, want.size).astype(np.int32)
            fit = harness.fit_sine(heard[:, 0] - want)
            check(np.array_equal(heard[:, 0], heard[:, 1]) and abs(fit["freq"] - 440) < 0.05 and
                  abs(fit["amp"] - 8192) < 3 and fit["resid_max"] < 3,
                  f"Both ears: each ear is the recording plus the 440 Hz tone at 8192 "
                  f"({fit['freq']:.3f} Hz, {fit['amp']:.1f}, residual {fit['resid_max']:.2f})")
            app.key("alt+b")

        for keys, hz, label in ((("ctrl+Up",), 880.0, "Ctrl+Up from 440 Hz"),
                                (("alt+t", "5", "2", "3", "period", "3", "Return"), 523.3,
                                 "typed 523.3 and Enter")):
            app.key(*keys)
            mark = rec.frames()  # typing takes a while; the retune comes at its end
            rec.wait_frames(mark + int((SETTLE + 2.0) * RATE))
            check.tone(rec.data(mark + int(SETTLE * RATE)), hz, 8192, label, freq_tol=0.02)
            shown = app.read_box(harness.FREQUENCY_BOX, expect=f"{hz:g}")
            check(shown == f"{hz:g}" and app.running(),
                  f"{label}: the box shows {hz:g} (read {shown!r}), the program runs on")

        app.click_du(*harness.EXIT_BUTTON)
        check(loader.wait_exit(5) == 0, "EXIT ends the program with status 0")
        check.quiet(app)
        rec.stop()
    return check.exit_status()


if __name__ == "__main__":
    sys.exit(main())
