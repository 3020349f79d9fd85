"""Tuning by hand, judged by ear: a click on the frequency scroll bar's left
arrow moves the tone from 440.0 Hz to 439.9 Hz, a click in the trough right of
the thumb moves it up by 10 Hz, and neither retune makes a click in the
recording (the wave goes on without a gap, step or phase jump). Dragging the
thumb past the right end gives 1500.1 Hz. The volume trackbar, moved by
keyboard, sets the tone's peak to volume × 327: 26 × 327 one step right of the
start, 100 × 327 at its right end (no wrap), silence at 0."""

import os
import sys

import numpy as np

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


def find_thumb(s, app):
    """Screen x of the scroll bar thumb's centre: the longest bright run along the
    bar's middle row, away from the arrow buttons at both ends."""
    x0, y = app.du_to_screen(SCROLL_X, SCROLL_Y + SCROLL_H / 2)
    x1, _ = app.du_to_screen(SCROLL_X + SCROLL_W, 0)
    row = s.grey_row(x0, x1, y).astype(int)
    trough = int(np.bincount(row).argmax())
    arrow = (x1 - x0) * 12 // SCROLL_W  # arrows are about as wide as the bar is high
    best, best_len, start = None, 0, None
    for i in range(arrow, row.size - arrow + 1):
        inside = i < row.size - arrow and abs(row[i] - trough) > 8
        if inside and start is None:
            start = i
        elif not inside and start is not None:
            if i - start > best_len:
                best, best_len = (start + i) // 2, i - start
            start = None
    return x0 + best if best is not None and best_len >= 4 else None


def main():
    args = harness.binary_arg(__doc__).parse_args()
    check = harness.Checks()

    with harness.Session() as s:
        rec, app, _ = s.start_veltane(args.binary)
        first, _ = harness.sounding_span(rec.data()[:, 0])
        rec.wait_frames(first + int(1.0 * RATE))
        before = rec.frames()

        def retune(point, expected, label):
            mark = rec.frames()
            app.click_du(*point)
            rec.wait_frames(mark + int((SETTLE + LISTEN) * RATE))
            data = rec.data()
            check.tone(data[mark + int(SETTLE * RATE):], expected, 8192, label, freq_tol=0.02)
            shown = app.read_box(harness.FREQUENCY_BOX, expect=f"{expected:g}")
            check(shown == f"{expected:g}", f"{label}: the frequency box shows {expected:g} "
                                            f"(read {shown!r})")
            return data

        retune(LEFT_ARROW, 439.9, "after one click on the left arrow")
        data = retune(TROUGH_RIGHT, 449.9, "after one click in the trough right of the thumb")
        # Both retunes lie inside this stretch; the wave must run through them unbroken.
        # Truncation to 16 bits leaves a remainder below 4; a phase-continuous retune
        # by Δf adds up to A·2π·Δf/rate at the sample where k changes (the wave's
        # previous value belongs to the old frequency): about 12 for 10 Hz at 8192,
        # against hundreds for a gap, a phase jump or a wave that turns back.
        bound = 4 + 8192 * 2 * 3.14159 * 10.0 / RATE
        c = harness.continuity(data[before:, 0])
        check(c["zero_run"] < 3 and c["max_remainder"] < bound and
              c["max_step"] <= c["allowed_step"],
              f"no click across both retunes (longest zero run {c['zero_run']}, remainder "
              f"{c['max_remainder']:.1f} of {bound:.1f}, step {c['max_step']:.0f} of {c['allowed_step']:.0f})")
        check(not data[before:, 1].any(), "the right channel stays silent while tuning")

        # The thumb dragged past the right end: the highest thumb position, 15001,
        # which is 1500.1 Hz.
        thumb = find_thumb(s, app)
        if check(thumb is not None, f"the scroll bar's thumb is found on screen (x = {thumb})"):
            _, y = app.du_to_screen(*TROUGH_RIGHT)
            right_end, _ = app.du_to_screen(SCROLL_X + SCROLL_W + 20, 0)
            app.drag((thumb, y), (right_end, y))
            mark = rec.frames()  # judged from the button's release on
            rec.wait_frames(mark + int((SETTLE + LISTEN) * RATE))
            check.tone(rec.data(mark + int(SETTLE * RATE)), 1500.1, 8192,
                       "after dragging the thumb to the far right", freq_tol=0.02)
            shown = app.read_box(harness.FREQUENCY_BOX, expect="1500.1")
            check(shown == "1500.1", f"the frequency box shows 1500.1 (read {shown!r})")
        volume_freq = 1500.1 if thumb is not None else 449.9

        # Volume: the clicked scroll bar has the focus; the trackbar is the second tab
        # stop before it (the frequency box lies between).
        app.key("shift+Tab", "shift+Tab", "Right")
        mark = rec.frames()  # from the last key on: the tone's step in loudness comes first
        rec.wait_frames(mark + int((SETTLE + LISTEN) * RATE))
        check.tone(rec.data()[mark + int(SETTLE * RATE):], volume_freq, 26 * 327,
                   "after the volume trackbar moved one step right", freq_tol=0.02)

        # The far ends of the trackbar: full volume peaks at 100 × 327 without
        # wrapping, no volume is silence.
        for key, volume in (("End", 100), ("Home", 0)):
            mark = rec.frames()
            app.key(key)
            rec.wait_frames(mark + int((SETTLE + 1.0) * RATE))
            heard = rec.data(mark + int(SETTLE * RATE))
            if volume:
                check.tone(heard, volume_freq, volume * 327, f"volume {volume} ({key})",
                           freq_tol=0.02)
            else:
                check(not heard.any(), f"volume 0 ({key}) silences the tone "
                                       f"(peak {harness.peak(heard)})")

        check(app.running(), "the program is still running")
        app.key("Return")
        check(harness.Loader(s, app, rec, check).wait_exit(5) == 0,
              "EXIT ends the program with status 0")
        check.quiet(app)
        rec.stop()
    return check.exit_status()


if __name__ == "__main__":
    sys.exit(main())
