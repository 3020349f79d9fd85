"""Loading recordings through the real file dialog and hearing them.

A 44100 Hz 16-bit stereo WAV, loaded with Read Waveform and played with
Start / Stop Play, comes out in the right ear as exactly its mix-down
(L + R) / 2 truncated toward zero, sample for sample, while the left ear keeps
the 440 Hz tone. An MP3 made from a bell-like sound comes out closely
correlated with its decoded mix-down. A 22050 Hz recording plays at its own
speed and leaves the tone's pitch alone. A second press of Start / Stop Play
stops the recording, a third plays it from its start again. A file that is no
WAV and a name that names no file each show their message box (read back by
OCR); a cancelled file dialog changes nothing. After every load, good or bad,
the tone plays again. --cases picks which of these run, in order, in one
program.
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


def mixdown(frames):
    s = frames[:, 0].astype(np.int32) + frames[:, 1].astype(np.int32)
    return np.where(s < 0, -((-s) // 2), s // 2).astype(np.int16)


def decode_mp3(session, path):
    out = session.run(["ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-ac", "2",
                       "-ar", str(RATE), "-"], timeout=60, text=False)
    return np.frombuffer(out.stdout, dtype="<i2").reshape(-1, 2)


def best_alignment(heard, ref):
    """(lag, normalised correlation) of ref inside heard, by FFT cross-correlation."""
    n = 1 << int(np.ceil(np.log2(heard.size + ref.size)))
    h = heard.astype(np.float64)
    r = ref.astype(np.float64)
    xc = np.fft.irfft(np.fft.rfft(h, n) * np.conj(np.fft.rfft(r, n)), n)[: heard.size]
    lag = int(np.argmax(xc))
    seg = h[lag:lag + r.size]
    rr = r[: seg.size]
    corr = float(np.dot(seg, rr) / (np.linalg.norm(seg) * np.linalg.norm(rr) + 1e-9))
    return lag, corr


def load_wav(s, loader, check):
    """The PCM WAV, heard sample for sample beside the tone."""
    wav = os.path.join(s.dir, "bell.wav")
    frames = harness.bell(1.5, seed=1)
    harness.write_wav(wav, frames)
    if not loader.choose_file(wav) or not loader.expect_no_message("loading the WAV"):
        return
    shown = loader.app.read_box(harness.FILENAME_BOX, expect="bell.wav")
    check(shown == "bell.wav", f"the file name box shows 'bell.wav' (read {shown!r})")
    loader.expect_tone("tone after loading the WAV")
    heard = loader.play(frames.shape[0] / RATE)
    expected = mixdown(frames)
    right = heard[:, 1]
    first, last = harness.sounding_span(right)
    got = right[first:first + expected.size]
    same = got.size == expected.size and np.array_equal(got, expected)
    if not same and got.size:
        diff = np.nonzero(got[: expected.size] != expected[: got.size])[0]
        detail = (f"{got.size} of {expected.size} samples heard, first difference at "
                  f"{diff[0] if diff.size else '-'}")
    else:
        detail = f"{expected.size} samples"
    check(same, f"the right ear plays the WAV's mix-down exactly ({detail})")
    check(not right[first + expected.size:].any(), "the right ear is silent after the recording ends")
    check.tone(heard[first:last], 440.0, 8192, "tone beside the WAV", right_silent=False)


def load_mp3(s, loader, check):
    """The MP3, heard through the decoder beside the tone."""
    src = os.path.join(s.dir, "bell2-source.wav")
    harness.write_wav(src, harness.bell(1.5, seed=2))
    mp3 = os.path.join(s.dir, "bell2.mp3")
    subprocess.run(["lame", "--quiet", "-b", "192", src, mp3], check=True, timeout=60)
    if not loader.choose_file(mp3) or not loader.expect_no_message("loading the MP3"):
        return
    loader.expect_tone("tone after loading the MP3")
    ref = mixdown(decode_mp3(s, mp3))
    heard = loader.play(ref.size / RATE)
    lag, corr = best_alignment(heard[:, 1], ref)
    check(corr > 0.98, f"the right ear plays the MP3's mix-down (correlation {corr:.4f} at lag {lag})")
    first, last = harness.sounding_span(heard[:, 1])
    check.tone(heard[first:last], 440.0, 8192, "tone beside the MP3", right_silent=False)


def load_bad(s, loader, check):
    """A file that is no WAV, then a name that names no file: each its message,
    each followed by the tone again."""
    bad = os.path.join(s.dir, "notes.wav")
    with open(bad, "wb") as f:
        f.write(b"These are notes about the tenor bell, not a recording of it.\n" * 4)
    before = loader.app.read_box(harness.FILENAME_BOX)
    if loader.choose_file(bad):
        loader.expect_message("Not a valid .wav file!")
        shown = loader.app.read_box(harness.FILENAME_BOX, expect=before)
        check(shown == before, f"the file name box keeps {before!r} (read {shown!r})")
        loader.expect_tone("tone after the file that is no WAV")
    if loader.choose_file(os.path.join(s.dir, "nothing-here.wav")):
        loader.expect_message("Failed to open file!")
        loader.expect_tone("tone after the name of no file")


def cancel(s, loader, check):
    """Cancelling the file dialog leaves the tone playing without a break."""
    mark = loader.rec.frames()
    dlg = loader.open_dialog()
    loader.app.key("Escape", wid=dlg)
    loader.app.wait_window_gone(dlg)
    loader.rec.wait_frames(loader.rec.frames() + RATE)
    check.tone(loader.rec.data(mark), 440.0, 8192, "tone through a cancelled file dialog")


def replay(s, loader, check):
    """Start / Stop Play during playback stops the recording; the next press plays it
    again from its first sample."""
    wav = os.path.join(s.dir, "long-bell.wav")
    frames = harness.bell(3.0, seed=4)
    harness.write_wav(wav, frames)
    if not loader.choose_file(wav) or not loader.expect_no_message("loading the WAV"):
        return
    expected = mixdown(frames)
    loader.expect_tone("tone after loading the WAV")
    mark = loader.rec.frames()
    loader.app.click_du(*harness.START_STOP)
    time.sleep(1.0)
    loader.app.click_du(*harness.START_STOP)  # stop, about a third of the way in
    loader.rec.wait_frames(loader.rec.frames() + int(harness.SETTLE * RATE))
    stopped_at = loader.rec.frames()
    loader.rec.wait_frames(stopped_at + RATE // 2)
    check(not loader.rec.data(stopped_at)[:, 1].any(), "the second press stops the recording")
    first, last = harness.sounding_span(loader.rec.data(mark, stopped_at - mark)[:, 1])
    heard = loader.rec.data(mark + first, last - first)[:, 1]
    check(0 < heard.size < expected.size and np.array_equal(heard, expected[: heard.size]),
          f"until then it played the recording's start ({heard.size} of {expected.size} samples)")
    heard = loader.play(expected.size / RATE)[:, 1]
    first, _ = harness.sounding_span(heard)
    got = heard[first:first + expected.size]
    check(np.array_equal(got, expected),
          "the third press plays it again from its first sample to its last")


def rate22050(s, loader, check):
    """A 22050 Hz recording: the stream follows its rate (the server resamples it
    to the sink's 44100 Hz), and the tone keeps its frequency and loudness."""
    wav = os.path.join(s.dir, "bell-22050.wav")
    frames = harness.bell(2.0, seed=5, rate=22050, noise=0.0)
    harness.write_wav(wav, frames, rate=22050)
    if not loader.choose_file(wav) or not loader.expect_no_message("loading the 22050 Hz WAV"):
        return
    mark = loader.rec.frames()
    loader.rec.wait_frames(mark + int((harness.SETTLE + 2.0) * RATE))
    heard = loader.rec.data(mark + int(harness.SETTLE * RATE))
    left = heard[:, 0]
    fit = harness.fit_sine(left)
    check(abs(fit["freq"] - 440.0) <= 0.05,
          f"22050 Hz stream: the tone stays at {fit['freq']:.4f} Hz (expected 440.0 ± 0.05)")
    # Resampled by the server, so no longer bit for bit: the fitted amplitude within 1 %.
    check(abs(fit["amp"] - 8192) <= 82, f"22050 Hz stream: tone amplitude {fit['amp']:.0f}")
    check(harness.longest_zero_run(left) < 3 and fit["resid_rms"] < 20,
          f"22050 Hz stream: no gap (longest zero run {harness.longest_zero_run(left)}, "
          f"fit residual {fit['resid_rms']:.1f} rms)")
    # The recording, played at its own rate: its mix-down, upsampled, lines up closely.
    ref22 = mixdown(frames).astype(np.float64)
    ref = np.interp(np.arange(2 * ref22.size) / 2.0, np.arange(ref22.size), ref22)
    heard = loader.play(ref22.size / 22050)
    lag, corr = best_alignment(heard[:, 1], ref)
    check(corr > 0.98, f"22050 Hz stream: the right ear plays the recording at its own "
                       f"speed (correlation {corr:.4f} at lag {lag})")


CASES = {"wav": load_wav, "mp3": load_mp3, "bad": load_bad, "cancel": cancel, "replay": replay,
         "rate22050": rate22050}


def main():
    ap = harness.binary_arg(__doc__)
    ap.add_argument("--cases", default=",".join(CASES), help="comma-separated: " + ", ".join(CASES))
    args = ap.parse_args()
    check = harness.Checks()

    with harness.Session() as s:
        rec, app, _ = s.start_veltane(args.binary)
        loader = harness.Loader(s, app, rec, check)
        for case in args.cases.split(","):
            CASES[case](s, loader, check)

        check(app.running(), "the program is still running")
        # A clicked button keeps the focus and would take Enter itself: click EXIT.
        app.click_du(*harness.EXIT_BUTTON)
        check(loader.wait_exit(5) == 0, "EXIT ends the program with status 0")
        if loader.click_ok_boxes:
            print(f"note: \"Click OK...\" was shown {loader.click_ok_boxes} time(s)")
        check.quiet(app)
        rec.stop()
    return check.exit_status()


if __name__ == "__main__":
    sys.exit(main())
