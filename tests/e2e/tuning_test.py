"""Tuning by hand, judged by ear: a click on the frequency scroll bar's left
arrow moves the tone from 440.0 Hz to 439.9 Hz, a click in the trough right of
the thumb moves it up by 10 Hz, and neither retune makes a click in the
recording (the wave goes on without a gap, step or phase jump). The volume
trackbar, moved by keyboard, sets the tone's peak to volume × 327: 26 × 327 one
step right of the start, 100 × 327 at its right end (no wrap), silence at 0."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts", "e2e"))
import harness  # noqa: E402
from harness import RATE  # noqa: E402

# Dialog-unit geometry of the controls, from the dialog template.
SCROLL_X, SCROLL_Y, SCROLL_W, SCROLL_H = 60, 120, 245, 10
LEFT_ARROW = (SCROLL_X + 3, SCROLL_Y + SCROLL_H / 2)
# The thumb sits near a quarter of the track at 440 Hz (range 1000 to 15001);
# 85 % along is trough, right of it, and clear of the right arrow.
TROUGH_RIGHT = (SCROLL_X + 0.85 * SCROLL_W, SCROLL_Y + SCROLL_H / 2)

SETTLE = harness.SETTLE
LISTEN = 2.0  # s of tone each frequency is measured over


def main():
    args = harness.binary_arg(__doc__).parse_args()
    check = harness.Checks()

    with harness.Session() as s:
        rec = s.recorder().start()
        app = s.app(args.binary)
        app.find_window("Veltane", timeout=30)
        harness._wait_for(lambda: rec.data()[:, 0].any(), 15, "the first sound")
        first, _ = harness.sounding_span(rec.data()[:, 0])
        rec.wait_frames(first + int(1.0 * RATE))
        before = rec.frames()

        def retune(point, expected, label):
            mark = rec.frames()
            app.click_du(*point)
            rec.wait_frames(mark + int((SETTLE + LISTEN) * RATE))
            data = rec.data()
            check.tone(data[mark + int(SETTLE * RATE):], expected, 8192, label, freq_tol=0.02)
            return data

        retune(LEFT_ARROW, 439.9, "after one click on the left arrow")
        data = retune(TROUGH_RIGHT, 449.9, "after one click in the trough right of the thumb")
        # Both retunes lie inside this stretch; the wave must run through them unbroken.
        # A phase-continuous retune by Δf still leaves a remainder of up to
        # A·2π·Δf/rate at the sample where k changes (the wave's previous value belongs
        # to the old frequency): about 12 for 10 Hz at 8192, against hundreds for a
        # gap, a phase jump or a wave that turns back.
        bound = 6 + 8192 * 2 * 3.14159 * 10.0 / RATE
        c = harness.continuity(data[before:, 0])
        check(c["zero_run"] < 3 and c["max_remainder"] < bound and
              c["max_step"] <= c["allowed_step"],
              f"no click across both retunes (longest zero run {c['zero_run']}, remainder "
              f"{c['max_remainder']:.1f} of {bound:.1f}, step {c['max_step']:.0f} of {c['allowed_step']:.0f})")
        check(not data[before:, 1].any(), "the right channel stays silent while tuning")

        # Volume: the trackbar is the tab stop after EXIT, which has the focus at start.
        mark = rec.frames()
        app.key("Tab", "Right")
        rec.wait_frames(mark + int((SETTLE + LISTEN) * RATE))
        check.tone(rec.data()[mark + int(SETTLE * RATE):], 449.9, 26 * 327,
                   "after the volume trackbar moved one step right", freq_tol=0.02)

        # The far ends of the trackbar: full volume peaks at 100 × 327 without
        # wrapping, no volume is silence.
        for key, volume in (("End", 100), ("Home", 0)):
            mark = rec.frames()
            app.key(key)
            rec.wait_frames(mark + int((SETTLE + 1.0) * RATE))
            heard = rec.data(mark + int(SETTLE * RATE))
            if volume:
                check.tone(heard, 449.9, volume * 327, f"volume {volume} ({key})", freq_tol=0.02)
            else:
                check(not heard.any(), f"volume 0 ({key}) silences the tone "
                                       f"(peak {harness.peak(heard)})")

        check(app.running(), "the program is still running")
        app.key("Return")
        check(app.wait_exit(5) == 0, "EXIT ends the program with status 0")
        err = app.stderr()
        check(err == "", "nothing on stderr" + ("" if err == "" else f": {err!r}"))
        rec.stop()
    return check.exit_status()


if __name__ == "__main__":
    sys.exit(main())
