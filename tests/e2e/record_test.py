# SPDX-License-Identifier: GPL-3.0-or-later
"""Recording through the real window and a real sound server, whose null sink's
monitor is the default input (docs/end-to-end-tests.md lists what it proves)."""

import argparse
import glob
import json
import os
import sys
import time
import wave

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts", "e2e"))
import harness  # noqa: E402
from harness import RATE  # noqa: E402


def read_wav(path):
    with wave.open(path) as w:
        return w.getframerate(), np.frombuffer(w.readframes(w.getnframes()), "<i2")


def decay_time(x, rate):
    """Seconds to where the level over 100 ms falls 45 dB below its peak."""
    step = rate // 100
    db = 10 * np.log10(np.convolve(x.astype(float) ** 2, np.ones(10 * step))[::step] + 1e-9)
    top = int(np.argmax(db))
    return (top + int(np.argmax(db[top:] <= db[top] - 45))) * step / rate


def screen_text(s, app, x, y, w, h):  # dialog units
    (x0, y0), (x1, y1) = app.du_to_screen(x, y), app.du_to_screen(x + w, y + h)
    return " ".join(s.ocr((x0, y0, x1 - x0, y1 - y0)).split())


def settings(s, **values):
    os.makedirs(os.path.join(s.env["HOME"], ".config", "veltane"), exist_ok=True)
    with open(os.path.join(s.env["HOME"], ".config", "veltane", "veltane.conf"), "w") as f:
        f.write("[Record]\n" + "".join(f"{k}={v}\n" for k, v in values.items()))


def write_church_bell(path, seconds, pace):
    """A church bell without noise, its partials dying away pace times as fast as the
    harness's; its partials' frequencies."""
    t = np.arange(int(seconds * RATE)) / RATE
    partials = [ratio * 523.3 for ratio, _, _ in harness.CHURCH]
    x = sum(level * np.exp(-t * pace / decay) * np.sin(2 * np.pi * hz * t)
            for hz, (_, level, decay) in zip(partials, harness.CHURCH))
    harness.write_wav(path, np.round(x / np.max(np.abs(x)) * 12000).astype(np.int16))
    return partials


def record_bell(s, binary, rec, takes, check):
    """A church bell dying away 45 dB in about 7 s, played with paplay after Ctrl+R."""
    bell = os.path.join(s.dir, "bell.wav")
    partials = write_church_bell(bell, 12.0, 4.0)
    rec, app, _ = s.start_veltane(binary, rec)
    app.key("ctrl+r")
    time.sleep(1.5)  # the tone's tail and the half second of background
    silent = rec.listen(0.5, settle=0)
    s.run(["paplay", bell], timeout=30)
    saved = harness._wait_for(lambda: glob.glob(os.path.join(takes, "bell-*.wav")), 30, "a take")
    check(not silent.any(), f"the tone is silent while recording (peak {harness.peak(silent)})")
    rate, take = read_wav(saved[0])
    onset = np.argmax(np.abs(take) > 0.1 * np.max(np.abs(take))) / rate
    check(rate == 48000 and onset <= 0.5 and np.abs(take[:int(0.4 * rate)]).max() <= 50,
          f"the take at {rate} Hz starts quiet, its onset at {onset:.3f} s (within 0.5 s)")
    expected = onset + decay_time(read_wav(bell)[1], RATE)
    check(abs(take.size / rate - expected) < 0.3,
          f"the take stops by the decay rule at {take.size / rate:.2f} s ({expected:.2f} ± 0.3)")
    rows = [r.split("\t") for r in s.run([binary, "--partials", saved[0]]).stdout.splitlines()]
    # Every peak listed, named or not: this bell's octave nominal dies so fast that its
    # level over the analysed stretch lies at the edge of what the naming counts.
    worst = max(min(abs(float(r[0]) - p) for r in rows[1:]) for p in partials)
    check(worst <= 0.05, f"the take's partials lie within {worst:.3f} Hz of the bell's")
    # Loaded as Read Waveform loads a file: a "Click OK..." its stop may bring is passed over.
    harness.Loader(s, app, rec, check).expect_no_message("loading the take")
    name, shown = os.path.basename(saved[0]), screen_text(s, app, 120, 66, 105, 12)
    check(name in shown.replace(" ", ""), f"the file name box shows {name} (read {shown!r})")
    fit = harness.fit_sine(rec.listen(2.0)[:, 0])
    check(abs(fit["freq"] - 440.0) <= 0.05 and abs(fit["amp"] - 8192) <= 82,
          f"the tone is back at {fit['freq']:.3f} Hz, amplitude {fit['amp']:.0f}")
    return app


def take_joins_ring(s, binary, rec, takes, check):
    """With a ring open, the take joins it as a new bell, in its file at once."""
    ring = os.path.join(s.dir, "tower.vring")
    with open(ring, "w") as f:
        json.dump({"format": "veltane-ring", "version": 1, "a4_hz": 440.0, "bells": []}, f)
    before = set(glob.glob(os.path.join(takes, "bell-*.wav")))
    # Any take will do: a bell three times as quick keeps the wait short.
    quick = os.path.join(s.dir, "quick-bell.wav")
    write_church_bell(quick, 4.0, 12.0)
    rec, app, _ = s.start_veltane(binary, rec, args=[ring])
    app.key("ctrl+r")
    time.sleep(1.5)
    s.run(["paplay", quick], timeout=30)
    take = harness._wait_for(
        lambda: next(iter(set(glob.glob(os.path.join(takes, "bell-*.wav"))) - before), None),
        30, "a take")

    def listed():
        with open(ring) as f:
            return [b["recording"] for b in json.load(f)["bells"]]
    harness._wait_for(lambda: listed() or None, 5, "the ring to list a bell")
    check([os.path.basename(r) for r in listed()] == [os.path.basename(take)],
          f"the take joins the open ring ({listed()})")
    app.key("Escape")  # the ring has widened the window: no button by the template's units
    status = harness.Loader(s, app, None, check).wait_exit(2.0)
    check(status == 0, f"Escape with a ring open ends the program (status {status})")
    app.end()


def note_after(s, app, seconds, expected, check):
    app.key("ctrl+r")
    time.sleep(seconds)
    text = screen_text(s, app, 5, 354, 310, 34)
    check(expected.lower() in text.lower(), f"the record note says {expected!r} (read {text!r})")


def tone_back_after_nothing_saved(s, app, rec, takes, check):
    """The silent wait closes the output and saves nothing: the tone comes back as
    it was. (That it fades in is checked on the written buffers by the dialog test:
    a sink's monitor may lose the first milliseconds of a stream that starts.)"""
    count = len(os.listdir(takes))
    note_after(s, app, 4.0, "No strike was heard in 2 s", check)
    check(len(os.listdir(takes)) == count, "no file after the silent wait")
    check.tone(rec.listen(2.0), 440.0, 8192, "the tone back after a take that saved nothing")


def exit_by_button(s, app, check, when):
    app.click_du(*harness.EXIT_BUTTON)
    status = harness.Loader(s, app, None, check).wait_exit(2.0)
    check(status == 0, f"EXIT {when} ends the program with status 0 within 2 s (status {status})")
    app.end()
    check.quiet(app)  # nor did the input overrun


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--binary", required=True, help="the program under test")
    args = ap.parse_args()
    check = harness.Checks()
    with harness.Session() as s:
        s.run(["pactl", "set-default-source", harness.SINK + ".monitor"])
        takes = os.path.join(s.dir, "takes")
        settings(s, Folder=takes)
        rec = s.recorder().start()
        app = record_bell(s, args.binary, rec, takes, check)
        settings(s, Folder=takes, NoStrikeWait=2)
        tone_back_after_nothing_saved(s, app, rec, takes, check)
        note_after(s, app, 1.0, "Listening", check)
        exit_by_button(s, app, check, "1 s into a recording")
        s.env["PULSE_SOURCE"] = "nowhere"  # an input the server does not have
        rec, app, _ = s.start_veltane(args.binary, rec)
        note_after(s, app, 1.0, "No input device", check)
        check.tone(rec.listen(2.0), 440.0, 8192, "the tone after no input")
        exit_by_button(s, app, check, "after no input")
        del s.env["PULSE_SOURCE"]
        settings(s, Folder=takes)
        take_joins_ring(s, args.binary, rec, takes, check)
        rec.stop()
    return check.exit_status()


if __name__ == "__main__":
    sys.exit(main())
