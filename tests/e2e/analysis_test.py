"""The analysis area, judged by ear: after a generated church bell is loaded
the spectrum is drawn; Ctrl+Right from 440 Hz puts the tone on the next peak
above it as `--partials` lists it, a click on the nominal's mark puts it on the
nominal, and Alt+S on the `--strike` estimate, each heard at the sink within
0.1 Hz; none of these retunes leaves a click in the sound."""

import os
import subprocess
import time
import sys

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts", "e2e"))
import harness  # noqa: E402
from harness import RATE, SETTLE  # noqa: E402

LISTEN = 2.0  # s of tone each frequency is measured over
# The analysis area, dialog units; its spectrum's plot is inset 4 px either side
# and spans 50 Hz to 5 kHz on a log axis.
AREA_X, AREA_Y, AREA_W = 5, 196, 310
LOW_HZ, HIGH_HZ = 50.0, 5000.0


def table(binary, option, path):
    out = subprocess.run([binary, option, path], capture_output=True, text=True, timeout=60,
                         check=True).stdout
    return [line.split("\t") for line in out.splitlines()[1:]]


def main():
    args = harness.binary_arg(__doc__).parse_args()
    check = harness.Checks()

    with harness.Session() as s:
        rec, app, _ = s.start_veltane(args.binary)
        wav = os.path.join(s.dir, "bell.wav")
        bell = harness.church_bell(6.0, nominal=612.3)
        harness.write_wav(wav, np.column_stack([bell, bell]))
        peaks = [float(row[0]) for row in table(args.binary, "--partials", wav)]
        nominal = [float(r[0]) for r in table(args.binary, "--partials", wav) if r[4] == "nominal"]
        strike = [float(r[0]) for r in table(args.binary, "--strike", wav)]
        if not check(nominal and strike, "--partials names a nominal, --strike has a row"):
            return check.exit_status()

        loader = harness.Loader(s, app, rec, check)
        if not (loader.choose_file(wav) and loader.expect_no_message("loading bell.wav")):
            return check.exit_status()
        time.sleep(1.5)  # the analysis, off the window thread
        x0, y0 = app.du_to_screen(AREA_X, AREA_Y)
        x1, y1 = app.du_to_screen(AREA_X + AREA_W, AREA_Y + 100)
        shot = s.screenshot(os.path.join(s.dir, "analysis.png"), (x0, y0, x1 - x0, y1 - y0))
        check(os.path.getsize(shot) > 2000, f"the spectrum is drawn ({shot})")

        before = rec.frames()

        def retune(action, expected, label):
            mark = rec.frames()
            action()
            rec.wait_frames(mark + int((SETTLE + LISTEN) * RATE))
            check.tone(rec.data()[mark + int(SETTLE * RATE):], round(expected, 1), 8192, label,
                       freq_tol=0.1)

        above = min(p for p in peaks if round(p, 1) > 440.05)
        retune(lambda: app.key("ctrl+Right"), above, "Ctrl+Right: the peak above 440 Hz")

        def click_nominal():
            left, right = x0 + 4, x1 - 4
            x = left + (right - left) * np.log(nominal[0] / LOW_HZ) / np.log(HIGH_HZ / LOW_HZ)
            app.click_at(int(round(x)), (y0 + y1) // 2)

        retune(click_nominal, nominal[0], "a click on the nominal's mark")
        retune(lambda: app.key("alt+s"), strike[0], "Alt+S: the strike estimate")

        # The three retunes lie inside this stretch; the wave runs through them
        # unbroken (a phase-continuous retune of Δf leaves at most A·2π·Δf/rate;
        # the step allowance holds only for retunes of a few per cent, so the
        # steps are judged in each tone's own stretch above).
        data = rec.data()
        bound = 6 + 8192 * 2 * np.pi * 400.0 / RATE
        c = harness.continuity(data[before:, 0])
        check(c["zero_run"] < 3 and c["max_remainder"] < bound,
              f"no click across the retunes (longest zero run {c['zero_run']}, remainder "
              f"{c['max_remainder']:.1f} of {bound:.1f})")
        check.quiet(app)
        app.click_du(*harness.EXIT_BUTTON)
        check(app.wait_exit(5) == 0, "EXIT ends the program")
        rec.stop()
    return check.exit_status()


if __name__ == "__main__":
    sys.exit(main())
