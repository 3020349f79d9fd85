"""The command line through the real binary: the analysis tables for generated
recordings and for a real one (a chime from Debian's freedesktop sound theme,
checked against numpy's own spectrum of the same file), each load failure's
message and status, and usage errors. No display and no sound server."""

import argparse
import os
import subprocess
import sys
import tempfile
import wave

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "e2e"))
from harness import Checks, church_bell  # noqa: E402

RATE = 44100
REAL = "/usr/share/sounds/freedesktop/stereo/complete.oga"


def write_mono(path, samples, rate=RATE):
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(np.asarray(samples, dtype="<i2").tobytes())


def run(binary, *args):
    proc = subprocess.run([binary, *args], capture_output=True, text=True, timeout=60,
                          env={k: v for k, v in os.environ.items() if k != "DISPLAY"})
    return proc.returncode, proc.stdout, proc.stderr


def rows(text):
    lines = text.splitlines()
    return lines[0], [line.split("\t") for line in lines[1:]]


def numpy_peaks(samples, count):
    """The strongest local maxima of a Hann-windowed, 16x zero-padded spectrum
    of the whole file, refined by a parabola on the log magnitude."""
    x = samples.astype(float) * np.hanning(len(samples))
    size = 1 << int(np.ceil(np.log2(len(x) * 16)))
    mag = np.log(np.abs(np.fft.rfft(x, size)) + 1e-12)
    top = [k for k in range(1, len(mag) - 1) if mag[k] > mag[k - 1] and mag[k] >= mag[k + 1]]
    top.sort(key=lambda k: -mag[k])
    found = []
    for k in top[:count]:
        a, b, c = mag[k - 1], mag[k], mag[k + 1]
        found.append((k + 0.5 * (a - c) / (a - 2 * b + c)) * RATE / size)
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", required=True)
    binary = parser.parse_args().binary
    check = Checks()
    with tempfile.TemporaryDirectory() as tmp:
        path = lambda name: os.path.join(tmp, name)  # noqa: E731

        # A synthetic bell: rows ascending, named, and one 2:3:4 strike row.
        write_mono(path("bell.wav"), church_bell(4.0))
        status, out, err = run(binary, "--partials", path("bell.wav"))
        header, table = rows(out)
        check(status == 0 and err == "", f"partials: status {status}, stderr {err!r}")
        check(header == "frequency_hz\tlevel_db\tnote\tcents\tpartial", f"header {header!r}")
        freqs = [float(r[0]) for r in table]
        check(len(table) > 0 and freqs == sorted(freqs), f"ascending rows: {freqs}")
        status, out, err = run(binary, "--strike", path("bell.wav"))
        header, table = rows(out)
        names = {r[4] for r in rows(run(binary, "--partials", path("bell.wav"))[1])[1]}
        check({"hum", "prime", "tierce", "quint", "nominal", "superquint",
               "octave nominal"} <= names, f"partial names: {names}")
        check(status == 0 and header == "frequency_hz\tnote\tcents\tbasis" and
              len(table) == 1 and table[0][3] == "2:3:4 fit" and
              abs(float(table[0][0]) - (2 * 600 + 3 * 1.4982 * 600 + 4 * 2.0061 * 600) / 29) < 0.5,
              f"strike: {status} {out!r}")

        # A pure sine: one unnamed peak at 440.00 and no strike; silence: the
        # header alone. (A file of no samples does not load, as in the window.)
        t = np.arange(3 * RATE) / RATE
        write_mono(path("sine.wav"), np.round(16000 * np.sin(2 * np.pi * 440 * t)))
        write_mono(path("silence.wav"), np.zeros(RATE))
        write_mono(path("empty.wav"), np.zeros(0))
        status, out, _ = run(binary, "--partials", path("sine.wav"))
        check(status == 0 and rows(out)[1] == [["440.00", "0.0", "A4", "+0.0", ""]],
              f"sine: {out!r}")
        for name in ("sine.wav", "silence.wav"):
            status, out, err = run(binary, "--strike", path(name))
            check((status, out, err) == (0, "frequency_hz\tnote\tcents\tbasis\n", ""),
                  f"no strike for {name}: {status} {out!r} {err!r}")
        status, out, err = run(binary, "--partials", path("silence.wav"))
        check((status, out.count("\n"), err) == (0, 1, ""), f"silence: {out!r}")

        # Load failures: the window's own message, status 1, nothing printed.
        with open(path("text.wav"), "wb") as f:
            f.write(b"not a riff file at all")
        with open(path("noise.mp3"), "wb") as f:
            f.write(bytes(range(256)) * 8)
        for name, message in (("missing.wav", "Failed to open file!"),
                              ("empty.wav", "No data in file!"),
                              ("text.wav", "Not a valid .wav file!"),
                              ("noise.mp3", "Not a valid mp3 file!")):
            status, out, err = run(binary, "--partials", path(name))
            check((status, out, err) == (1, "", message + "\n"),
                  f"{name}: {status} {out!r} {err!r}")

        # Usage errors: status 2 and the usage on standard error.
        for args in (["--bogus"], ["--partials"]):
            status, out, err = run(binary, *args)
            check(status == 2 and out == "" and "Usage: veltane" in err, f"{args}: {status}")

        # A real chime: every peak within 45 dB of the strongest lies within
        # 0.5 Hz of one of numpy's strongest maxima of the same file.
        subprocess.run(["ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-i", REAL,
                        "-ac", "1", "-ar", str(RATE), "-c:a", "pcm_s16le", path("real.wav")],
                       check=True)
        with wave.open(path("real.wav")) as f:
            samples = np.frombuffer(f.readframes(f.getnframes()), dtype="<i2")
        reference = numpy_peaks(samples, 12)
        status, out, _ = run(binary, "--partials", path("real.wav"))
        strong = [float(r[0]) for r in rows(out)[1] if float(r[1]) >= -45.0]
        check(status == 0 and strong, f"real recording peaks: {out!r}")
        for hz in strong:
            nearest = min(reference, key=lambda r: abs(r - hz))
            check(abs(nearest - hz) <= 0.5, f"real peak {hz} Hz: numpy has {nearest:.2f} Hz")
    return check.exit_status()


if __name__ == "__main__":
    sys.exit(main())
