"""Recordings at every rate people bring, loaded through the real window.

--cases rates: for each of 8000 to 96000 Hz, first play_tone runs the SDL
device alone at that rate against the server, and its own underrun counter
must stay 0 (a gap in its sound then is the server's, and a gap the window's
sound shows later is most likely the server's too); then a 2 s 16-bit mono WAV made at that rate is loaded
with Read Waveform: 5 s of the sink hold the tone at 440.00 Hz ± 0.05 with no
run of silence, and Start / Stop Play plays the recording whole (its length
within 5 %) and like sox's own resampling of it (correlation ≥ 0.95).

--cases refused: a WAV at 1000 Hz and one whose header says 4294967295 Hz
each give "No output device for this format!" at once, leave Start / Stop Play
without effect and bring the tone back at 44100 Hz; a FIFO named like a WAV
gives "Failed to open file!" at once. At the end EXIT ends the program within
2 s.

Run with VELTANE_E2E_CLIENT_LATENCY=1 to keep the latency the program asks
for instead of the harness's wider server buffer.
"""

import os
import struct
import subprocess
import sys
import time

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts", "e2e"))
import harness  # noqa: E402
from harness import RATE, SETTLE, closest_message  # noqa: E402
from loading_test import best_alignment  # noqa: E402

RATES = (8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000)
QUIET = 200  # |sample| below this for 3 samples running is silence, not a 8192-peak sine


def quiet_run(x):
    return harness.longest_zero_run((np.abs(np.asarray(x, dtype=np.int32)) < QUIET).astype(
        np.int8) - 1)


def device_alone(s, play_tone, rate, check):
    """play_tone at this rate, its sound recorded: exit status 2 means its device
    ran short of data; a gap in the sink with status 0 means the server ran dry."""
    rec = s.recorder(f"alone-{rate}").start()
    out = subprocess.run([play_tone, "2", str(rate)], env={**s.env, "SDL_AUDIODRIVER": "pulseaudio"},
                         capture_output=True, text=True, timeout=30)
    rec.record_for(0.3)
    left = rec.stop()[:, 0]
    first, last = harness.sounding_span(left)
    run = quiet_run(left[first + RATE // 5:last - RATE // 5])  # a stream's edges are not judged
    check(out.returncode == 0, f"{rate} Hz: the SDL device alone never ran dry "
                               f"(play_tone status {out.returncode} {out.stderr.strip()})")
    if run >= 3:
        print(f"note: {rate} Hz: the device alone was heard with a gap of {run} samples "
              f"although it never ran dry: the server did", flush=True)
    return out.returncode == 0


def at_rate(s, loader, check, rate, device_ok):
    wav = os.path.join(s.dir, f"bell-{rate}.wav")
    mono = harness.bell(2.0, seed=rate, rate=rate, noise=0.0)[:, 0]
    harness.write_wav(wav, mono, rate=rate)
    if not loader.choose_file(wav) or not loader.expect_no_message(f"loading the {rate} Hz WAV"):
        return
    mark = loader.rec.frames()
    loader.rec.wait_frames(mark + int((SETTLE + 5.0) * RATE))
    left = loader.rec.data(mark + int(SETTLE * RATE), 5 * RATE)[:, 0]
    fit = harness.fit_sine(left)
    run = quiet_run(left)
    check(abs(fit["freq"] - 440.0) <= 0.05,
          f"{rate} Hz: the tone at {fit['freq']:.4f} Hz (440.00 ± 0.05)")
    check(abs(fit["amp"] - 8192) <= 82, f"{rate} Hz: tone amplitude {fit['amp']:.0f} (8192 ± 1 %)")
    if not check(run < 3, f"{rate} Hz: 5 s of tone without silence (longest quiet run {run})"):
        print(f"note: the device alone {'kept' if device_ok else 'did not keep'} up at {rate} Hz, "
              f"so {'the server or the machine' if device_ok else 'the device'} ran dry",
              flush=True)

    ref = np.frombuffer(s.run(["sox", wav, "-t", "raw", "-e", "signed-integer", "-b", "16",
                               "-r", str(RATE), "-"], text=False).stdout, dtype="<i2")
    right = loader.play(mono.size / rate)[:, 1]
    first, last = harness.sounding_span(right)
    check(abs((last - first) - ref.size) <= 0.05 * ref.size,
          f"{rate} Hz: the recording played {(last - first) / RATE:.3f} s of {ref.size / RATE:.3f} s")
    lag, corr = best_alignment(right, ref)
    check(corr >= 0.95, f"{rate} Hz: the recording sounds as sox resamples it "
                        f"(correlation {corr:.4f} at lag {lag})")


def wav_header_rate(path, rate, samples):
    """A 16-bit mono WAV whose header says `rate`, whatever it is."""
    data = np.asarray(samples, dtype="<i2").tobytes()
    fmt = struct.pack("<HHIIHH", 1, 1, rate, (rate * 2) & 0xFFFFFFFF, 2, 16)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt)
        f.write(b"data" + struct.pack("<I", len(data)) + data)


def refused(s, loader, check):
    tone = (8192 * np.sin(np.arange(2000) * 0.3)).astype(np.int16)
    cases = []
    for rate in (1000, 4294967295):
        path = os.path.join(s.dir, f"odd-{rate}.wav")
        wav_header_rate(path, rate, tone)
        cases.append((path, f"a WAV at {rate} Hz", "No output device for this format!"))
    fifo = os.path.join(s.dir, "x.wav")
    os.mkfifo(fifo)
    cases.append((fifo, "a FIFO named x.wav", "Failed to open file!"))
    for path, what, message in cases:
        if not loader.choose_file(path):
            continue
        text = loader.next_message(3.0)
        score, best = closest_message(text or "")
        check(best == message and score > 0.7,
              f"{what}: the window says {message!r} at once (read {text!r})")
        loader.app.click_du(*harness.START_STOP)  # nothing to play: the right ear stays silent
        loader.expect_tone(f"{what}: the tone at 44100 Hz again")


def main():
    ap = harness.binary_arg(__doc__)
    ap.add_argument("--play-tone", help="play_tone, for the device alone at each rate")
    ap.add_argument("--cases", default="rates,refused")
    args = ap.parse_args()
    check = harness.Checks()
    print("server buffer: " + ("the program's own latency request"
                               if os.environ.get("VELTANE_E2E_CLIENT_LATENCY")
                               else f"{harness.Session.SERVER_BUFFER_MS} ms"), flush=True)

    with harness.Session() as s:
        cases = args.cases.split(",")
        device_ok = {r: device_alone(s, args.play_tone, r, check) if args.play_tone else True
                     for r in (RATES if "rates" in cases else ())}
        rec, app, _ = s.start_veltane(args.binary)
        loader = harness.Loader(s, app, rec, check)
        if "rates" in cases:
            for rate in RATES:
                at_rate(s, loader, check, rate, device_ok[rate])
        if "refused" in cases:
            refused(s, loader, check)

        check(app.running(), "the program is still running")
        app.click_du(*harness.EXIT_BUTTON)
        t0 = time.monotonic()
        status = loader.wait_exit(2.0)
        check(status == 0, f"EXIT ends the program within 2 s "
                           f"({'still running' if status is None else f'{time.monotonic() - t0:.2f} s'})")
        check.quiet(app)
        rec.stop()
    return check.exit_status()


if __name__ == "__main__":
    sys.exit(main())
