"""With no sound server and no sound card, start-up says so and ends: the
message box reads "No output device for this format!" and, once it is
dismissed, the program ends within 2 s."""

import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts", "e2e"))
import harness  # noqa: E402
from harness import closest_message  # noqa: E402


def main():
    args = harness.binary_arg(__doc__).parse_args()
    check = harness.Checks()

    with harness.Session(sound=False) as s:
        # Point the client library at a socket nobody serves, so that it neither finds
        # another server nor starts one of its own.
        s.env["PULSE_SERVER"] = "unix:" + os.path.join(s.dir, "pulse", "nobody-here")
        app = s.app(args.binary)
        box = app.find_window("veltane", timeout=30)
        time.sleep(0.5)
        text = s.ocr(app.geometry(box))
        score, best = closest_message(text)
        check(best == "No output device for this format!" and score > 0.7,
              f"the message box says \"No output device for this format!\" "
              f"(read {' '.join(text.split())!r})")
        app.activate(box)
        t0 = time.monotonic()
        app.key("Return", wid=False)
        status = app.wait_exit(2.0)
        check(status is not None,
              f"dismissing it ends the program within 2 s "
              f"({'still running' if status is None else f'{time.monotonic() - t0:.2f} s, status {status}'})")
        if status is None:
            app.end()
    return check.exit_status()


if __name__ == "__main__":
    sys.exit(main())
