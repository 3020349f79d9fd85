#!/usr/bin/python3
"""Screenshots of the running program for the documentation.

Starts a private Xvfb + openbox + PulseAudio (the program needs an output
device), runs the program and saves its window, frame included, as
docs/veltane.png. With --loaded it also loads a generated bell recording
through Read Waveform, starts it with Start / Stop Play and saves
docs/veltane-loaded.png, with its analysis shown, while the progress bar is under way.

  /usr/bin/python3 scripts/e2e/screenshot.py --binary build/veltane [--loaded]
"""

import argparse
import os
import shutil
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import harness  # noqa: E402

DOCS = os.path.normpath(os.path.join(HERE, "..", "..", "docs"))


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--binary", required=True)
    ap.add_argument("--loaded", action="store_true", help="also docs/veltane-loaded.png")
    ap.add_argument("--out", default=DOCS, help="directory for the PNGs")
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    check = harness.Checks()

    with harness.Session(screen="1024x768x24") as s:
        rec = s.recorder().start()
        app = s.app(args.binary)
        app.find_window("Veltane", timeout=30)
        time.sleep(1.0)  # let it paint
        # Park the pointer off the window so that no control shows a hover state.
        s.run(["xdotool", "mousemove", "1020", "765"])
        shot = s.screenshot(os.path.join(s.dir, "veltane.png"), app.frame_geometry())
        shutil.copy(shot, os.path.join(args.out, "veltane.png"))
        print("wrote", os.path.join(args.out, "veltane.png"))

        if args.loaded:
            wav = os.path.join(s.dir, "tenor.wav")
            bell = harness.church_bell(8.0, nominal=612.3)
            harness.write_wav(wav, harness.np.column_stack([bell, bell]))
            loader = harness.Loader(s, app, rec, check)
            if loader.choose_file(wav) and loader.expect_no_message("loading tenor.wav"):
                time.sleep(1.0)
                app.click_du(*harness.START_STOP)
                time.sleep(3.0)  # a little over a third of the way
                s.run(["xdotool", "mousemove", "1020", "765"])
                shot = s.screenshot(os.path.join(s.dir, "loaded.png"), app.frame_geometry())
                shutil.copy(shot, os.path.join(args.out, "veltane-loaded.png"))
                print("wrote", os.path.join(args.out, "veltane-loaded.png"))
        # A clicked button keeps the focus and would take Enter itself: click EXIT.
        app.click_du(*harness.EXIT_BUTTON)
        app.wait_exit(5)
        rec.stop()
    return check.exit_status()


if __name__ == "__main__":
    sys.exit(main())
