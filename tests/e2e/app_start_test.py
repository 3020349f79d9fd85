"""Start-up and the three ways out, as the user meets them: the window titled
"Veltane" appears, a 440.0 Hz sine at peak 8192 plays in the left ear with the
right ear silent and without a gap, the boxes show 440, "no file loaded",
"Veltane Program" and 1.1, and Return (EXIT), Escape or the close box
ends the program with status 0 within 2 s and nothing on stderr."""

import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts", "e2e"))
import harness  # noqa: E402
from harness import RATE  # noqa: E402


def main():
    ap = harness.binary_arg(__doc__)
    ap.add_argument("--exit-by", choices=("return", "escape", "close"), default="return")
    args = ap.parse_args()
    check = harness.Checks()

    with harness.Session() as s:
        rec, app, wid = s.start_veltane(args.binary)
        check(app.name_of(wid) == "Veltane", "the window's title is exactly \"Veltane\"")

        # Listen for 2.5 s of tone after the first sound, leaving the start-up out.
        first, _ = harness.sounding_span(rec.data()[:, 0])
        settle = int(0.2 * RATE)
        rec.wait_frames(first + settle + int(2.5 * RATE))
        heard = rec.data()[first + settle:]
        check.tone(heard, 440.0, 8192, "start-up tone")
        check(app.running(), "the program is still running while the tone plays")

        # What the boxes show at start.
        for what, box, expected in (("frequency", harness.FREQUENCY_BOX, "440"),
                                    ("file name", harness.FILENAME_BOX, "no file loaded"),
                                    ("description", harness.DESCRIPTION_BOX, "Veltane Program"),
                                    ("version", harness.VERSION_BOX, "1.1")):
            seen = app.read_box(box, expect=expected)
            check(seen == expected, f"the {what} box shows {expected!r} (read {seen!r})")

        if args.exit_by == "close":
            t0 = time.monotonic()
            app.close_window(wid)
        else:
            app.activate(wid)
            t0 = time.monotonic()
            app.key("Return" if args.exit_by == "return" else "Escape", wid=False)
        status = harness.Loader(s, app, rec, check).wait_exit(2.0)
        took = time.monotonic() - t0
        if status is None:
            check(False, f"{args.exit_by} ends the program within 2 s (still running)")
            app.end()
        else:
            check(True, f"{args.exit_by} ends the program within 2 s ({took:.2f} s)")
            check(status == 0, f"exit status 0 (got {status})")
        check.quiet(app)
        rec.stop()
    return check.exit_status()


if __name__ == "__main__":
    sys.exit(main())
