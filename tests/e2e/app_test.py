"""The real program as the user meets it, in one desktop and sound server session.

With no sound server the program says "No output device for this format!" and
ends. With one: the window "Veltane", 440.0 Hz at peak 8192 in the left ear
only without a gap, the boxes 440, "no file loaded", "Veltane Program", 1.1.
Loading through the real file dialog: a cancelled dialog changes nothing; a
44100 Hz WAV plays in the right ear as exactly its mix-down (L + R) / 2 truncated
toward zero; a file that is no WAV and a name of no file show their messages and
keep the file name; an MP3 plays correlated with the ffmpeg tool's decode; a 22050 Hz recording plays
at its own speed beside an unchanged tone; after every load the tone plays again.
Tuning: the left arrow gives 439.9 Hz and the trough right of the thumb 10 Hz
more, without a click; the volume trackbar gives 26 × 327, 100 × 327 and silence. Return, Escape and the
close box each end the program with status 0 within 2 s and nothing on stderr.
"""

import os
import subprocess
import sys
import time

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts", "e2e"))
import harness  # noqa: E402
from harness import RATE  # noqa: E402

# The frequency scroll bar in dialog units, from the dialog template. At 440 Hz
# the thumb sits near a quarter of the track; 85 % along is trough right of it.
# (Dragging the thumb is left to the dialog test, which drags the same widget.)
SCROLL_X, SCROLL_Y, SCROLL_W, SCROLL_H = 60, 120, 245, 10
LEFT_ARROW = (SCROLL_X + 3, SCROLL_Y + SCROLL_H / 2)
TROUGH_RIGHT = (SCROLL_X + 0.85 * SCROLL_W, SCROLL_Y + SCROLL_H / 2)


def mixdown(frames):
    s = frames[:, 0].astype(np.int32) + frames[:, 1].astype(np.int32)
    return np.where(s < 0, -((-s) // 2), s // 2).astype(np.int16)


def best_alignment(heard, ref):
    """(lag, normalised correlation) of ref inside heard, by FFT cross-correlation."""
    n = 1 << int(np.ceil(np.log2(heard.size + ref.size)))
    h, r = heard.astype(np.float64), ref.astype(np.float64)
    lag = int(np.argmax(np.fft.irfft(np.fft.rfft(h, n) * np.conj(np.fft.rfft(r, n)), n)
                        [: heard.size]))
    seg = h[lag:lag + r.size]
    rr = r[: seg.size]
    return lag, float(np.dot(seg, rr) / (np.linalg.norm(seg) * np.linalg.norm(rr) + 1e-9))


def no_device(s, binary, check):
    # A socket nobody serves: the client library neither finds a server nor starts one.
    app = s.app(binary, {"PULSE_SERVER": "unix:" + os.path.join(s.dir, "nobody-here")})
    box = app.find_window("veltane", timeout=30)
    time.sleep(0.5)
    text = s.ocr(app.geometry(box))
    score, best = harness.closest_message(text)
    check(best == "No output device for this format!" and score > 0.7,
          f"without a device the box says so (read {' '.join(text.split())!r})")
    app.key("Return", wid=box)
    status = app.wait_exit(2.0)
    check(status is not None, f"dismissing it ends the program (status {status})")
    app.end()


def start(s, binary, rec, check, boxes):
    rec, app, wid = s.start_veltane(binary, rec)
    check(app.name_of(wid) == "Veltane", "the window's title is exactly \"Veltane\"")
    check.tone(rec.listen(2.5, 0.2), 440.0, 8192, "start-up tone")
    for what, box, expected in boxes:
        seen = app.read_box(box, expect=expected)
        check(seen == expected, f"the {what} box shows {expected!r} (read {seen!r})")
    return app


def exit_by(how, app, loader, check):
    if how == "close box":
        app.close_window()
    else:
        app.key(how)
    t0 = time.monotonic()
    status = loader.wait_exit(2.0)
    check(status == 0, f"{how} ends the program with status 0 within 2 s "
                       f"(status {status}, {time.monotonic() - t0:.2f} s)")
    if status is None:
        app.end()
    check.quiet(app)


def load_wav(s, loader, check, frames, name, rate=RATE):
    path = os.path.join(s.dir, name)
    harness.write_wav(path, frames, rate)
    return loader.choose_file(path) and loader.expect_no_message(f"loading {name}")


def wav(s, loader, check):
    frames = harness.bell(1.5, seed=1)
    if not load_wav(s, loader, check, frames, "bell.wav"):
        return
    shown = loader.app.read_box(harness.FILENAME_BOX, expect="bell.wav")
    check(shown == "bell.wav", f"the file name box shows 'bell.wav' (read {shown!r})")
    loader.expect_tone("tone after loading the WAV")
    heard = loader.play(frames.shape[0] / RATE)
    expected = mixdown(frames)
    first, last = harness.sounding_span(heard[:, 1])
    got = heard[first:first + expected.size, 1]
    check(np.array_equal(got, expected), f"the right ear plays the WAV's mix-down exactly "
                                         f"({got.size} of {expected.size} samples heard)")
    check(not heard[first + expected.size:, 1].any(), "then the right ear is silent")
    check.tone(heard[first:last], 440.0, 8192, "tone beside the WAV", right_silent=False)


def bad(s, loader, check):
    notes = os.path.join(s.dir, "notes.wav")
    with open(notes, "wb") as f:
        f.write(b"These are notes about the tenor bell, not a recording of it.\n" * 4)
    before = loader.app.read_box(harness.FILENAME_BOX)
    for path, message in ((notes, "Not a valid .wav file!"),
                          (os.path.join(s.dir, "nothing-here.wav"), "Failed to open file!")):
        if loader.choose_file(path):
            loader.expect_message(message)
            shown = loader.app.read_box(harness.FILENAME_BOX, expect=before)
            check(shown == before, f"the file name box keeps {before!r} (read {shown!r})")
            loader.expect_tone(f"tone after {os.path.basename(path)}")


def cancel(s, loader, check):
    mark = loader.rec.frames()
    dlg = loader.open_dialog()
    loader.app.key("Escape", wid=dlg)
    loader.app.wait_window_gone(dlg)
    loader.rec.wait_frames(loader.rec.frames() + RATE)
    check.tone(loader.rec.data(mark), 440.0, 8192, "tone through a cancelled file dialog")


def mp3(s, loader, check):
    src, path = os.path.join(s.dir, "bell2.wav"), os.path.join(s.dir, "bell2.mp3")
    harness.write_wav(src, harness.bell(1.5, seed=2))
    subprocess.run(["lame", "--quiet", "-b", "192", src, path], check=True, timeout=60)
    if not loader.choose_file(path) or not loader.expect_no_message("loading the MP3"):
        return
    loader.expect_tone("tone after loading the MP3")
    out = s.run(["ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-ac", "2", "-ar", str(RATE),
                 "-"], timeout=60, text=False)
    ref = mixdown(np.frombuffer(out.stdout, dtype="<i2").reshape(-1, 2))
    heard = loader.play(ref.size / RATE)
    lag, corr = best_alignment(heard[:, 1], ref)
    check(corr > 0.98, f"the right ear plays the MP3's mix-down (correlation {corr:.4f})")
    first, last = harness.sounding_span(heard[:, 1])
    check.tone(heard[first:last], 440.0, 8192, "tone beside the MP3", right_silent=False)


def rate22050(s, loader, check):
    frames = harness.bell(2.0, seed=5, rate=22050, noise=0.0)
    if not load_wav(s, loader, check, frames, "bell-22050.wav", 22050):
        return
    left = loader.rec.listen(2.0)[:, 0]
    fit = harness.fit_sine(left)
    # Resampled by the server, so no longer bit for bit.
    check(abs(fit["freq"] - 440.0) <= 0.05 and abs(fit["amp"] - 8192) <= 82,
          f"22050 Hz stream: the tone stays {fit['freq']:.4f} Hz, amplitude {fit['amp']:.0f}")
    check(harness.longest_zero_run(left) < 3 and fit["resid_rms"] < 20,
          f"22050 Hz stream: no gap (fit residual {fit['resid_rms']:.1f} rms)")
    ref22 = mixdown(frames).astype(np.float64)
    ref = np.interp(np.arange(2 * ref22.size) / 2.0, np.arange(ref22.size), ref22)
    lag, corr = best_alignment(loader.play(ref22.size / 22050)[:, 1], ref)
    check(corr > 0.98, f"22050 Hz stream: the recording plays at its own speed "
                       f"(correlation {corr:.4f})")


def tuning(s, app, rec, check):
    first = rec.frames()

    def retune(point, expected, label):
        app.click_du(*point)
        check.tone(rec.listen(2.0), expected, 8192, label, freq_tol=0.02)
        shown = app.read_box(harness.FREQUENCY_BOX, expect=f"{expected:g}")
        check(shown == f"{expected:g}", f"{label}: the box shows {expected:g} (read {shown!r})")

    retune(LEFT_ARROW, 439.9, "after one click on the left arrow")
    retune(TROUGH_RIGHT, 449.9, "after one click in the trough right of the thumb")
    # Truncation to 16 bits leaves a remainder below 4; a phase-continuous retune
    # by Δf adds up to A·2π·Δf/rate at the sample where k changes (the wave's
    # previous value belongs to the old frequency): about 12 for 10 Hz at 8192,
    # against hundreds for a gap, a phase jump or a wave that turns back.
    bound = 4 + 8192 * 2 * 3.14159 * 10.0 / RATE
    data = rec.data(first)
    c = harness.continuity(data[:, 0])
    check(c["zero_run"] < 3 and c["max_remainder"] < bound and
          c["max_step"] <= c["allowed_step"],
          f"no click across both retunes (longest zero run {c['zero_run']}, remainder "
          f"{c['max_remainder']:.1f} of {bound:.1f}, step {c['max_step']:.0f} of "
          f"{c['allowed_step']:.0f})")
    check(not data[:, 1].any(), "the right channel stays silent while tuning")

    # The clicked scroll bar has the focus; the trackbar is the second tab stop
    # before it (the frequency box lies between).
    for keys, volume in ((("shift+Tab", "shift+Tab", "Right"), 26), (("End",), 100), (("Home",), 0)):
        app.key(*keys)
        heard = rec.listen(1.5)
        if volume:
            check.tone(heard, 449.9, volume * 327, f"volume {volume}", freq_tol=0.02)
        else:
            check(not heard.any(), f"volume 0 silences the tone (peak {harness.peak(heard)})")


def main():
    args = harness.binary_arg(__doc__).parse_args()
    check = harness.Checks()
    with harness.Session() as s:
        rec = s.recorder().start()
        no_device(s, args.binary, check)
        app = start(s, args.binary, rec, check,
                    (("frequency", harness.FREQUENCY_BOX, "440"),
                     ("file name", harness.FILENAME_BOX, "no file loaded"),
                     ("description", harness.DESCRIPTION_BOX, "Veltane Program"),
                     ("version", harness.VERSION_BOX, "1.1")))
        tuning(s, app, rec, check)
        exit_by("Return", app, harness.Loader(s, app, rec, check), check)
        app = start(s, args.binary, rec, check, ())
        loader = harness.Loader(s, app, rec, check)
        for case in (cancel, wav, bad, mp3, rate22050, wav):
            case(s, loader, check)
        exit_by("Escape", app, loader, check)
        app = start(s, args.binary, rec, check, ())
        exit_by("close box", app, harness.Loader(s, app, rec, check), check)
        if loader.click_ok_boxes:
            print(f"note: \"Click OK...\" was shown {loader.click_ok_boxes} time(s)")
        rec.stop()
    return check.exit_status()


if __name__ == "__main__":
    sys.exit(main())
