# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end harness (/usr/bin/python3): a private X display, window manager and
PulseAudio server whose null sink is recorded, the window driven by xdotool, and
numpy analysis of what was heard. docs/end-to-end-tests.md explains the measures."""

import difflib
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import wave

import numpy as np

RATE = 44100
SINK = "veltane_e2e"
DIALOG_W_DU, DIALOG_H_DU = 320, 392  # the template's size; the client area keeps it
# Button centres in dialog units.
EXIT_BUTTON = (275, 19)
READ_WAVEFORM = (45, 72)
START_STOP = (45, 90)
MESSAGES = ["Not a valid .wav file!", "No data in file!", "Format not supported!",
            "Error during conversion!", "Conversion not possible!", "Not a valid mp3 file!",
            "Failed to open file!", "Bad file!", "No output device for this format!",
            "Click OK...", "Loading cancelled."]
SETTLE = 0.8  # s: two buffers of 186 ms and the server's latency, with room to spare


class HarnessError(RuntimeError):
    pass


def _wait_for(predicate, timeout, what, interval=0.05):
    deadline = time.monotonic() + timeout
    while not (value := predicate()):
        if time.monotonic() > deadline:
            raise HarnessError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)
    return value


def _end_process(proc, grace=5.0):
    """SIGTERM by pid, then SIGKILL after a grace time."""
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(timeout=grace)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait(timeout=grace)


def _raise_priority():
    try:
        os.nice(-10)  # a machine busy with builds must not starve the stream
    except OSError:
        pass


def _exit_on_signal(signum, frame):
    raise SystemExit(128 + signum)


class Session:
    """Xvfb + openbox + PulseAudio with a 44100 Hz stereo null sink, in a temporary
    directory (VELTANE_E2E_KEEP=1 keeps it). Programs get 100 ms of server buffering
    unless server_buffer is False or VELTANE_E2E_CLIENT_LATENCY=1."""

    def __init__(self, server_buffer=True):
        self.server_buffer = server_buffer and not os.environ.get("VELTANE_E2E_CLIENT_LATENCY")
        self._procs = []

    def __enter__(self):
        # A runner giving up sends SIGTERM; unwind so that the servers are ended here.
        signal.signal(signal.SIGTERM, _exit_on_signal)
        self.dir = tempfile.mkdtemp(prefix="veltane-e2e-")
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(("PULSE_", "DISPLAY", "WAYLAND", "XDG_", "SDL_", "QT_"))}
        for sub in ("home", "xdg", "pulse"):
            os.makedirs(os.path.join(self.dir, sub), mode=0o700)
        self.env.update(HOME=os.path.join(self.dir, "home"), QT_QPA_PLATFORM="xcb",
                        XDG_RUNTIME_DIR=os.path.join(self.dir, "xdg"), LC_ALL="C.UTF-8",
                        PULSE_RUNTIME_PATH=os.path.join(self.dir, "pulse"))
        if self.server_buffer:
            self.env["PULSE_LATENCY_MSEC"] = "100"
        try:
            self._start_servers()
        except BaseException:
            self.__exit__()
            raise
        return self

    def __exit__(self, *exc):
        for proc in reversed(self._procs):
            _end_process(proc)
        self._procs.clear()
        if not os.environ.get("VELTANE_E2E_KEEP"):
            shutil.rmtree(self.dir, ignore_errors=True)

    def _log(self, name):
        return open(os.path.join(self.dir, name + ".log"), "wb")

    def spawn(self, argv, extra_env=None, **kwargs):
        proc = subprocess.Popen(argv, env=dict(self.env, **(extra_env or {})),
                                preexec_fn=_raise_priority, **kwargs)
        self._procs.append(proc)
        return proc

    def forget(self, proc):
        self._procs.remove(proc)

    def run(self, argv, check=True, timeout=20, text=True):
        return subprocess.run(argv, env=self.env, check=check, timeout=timeout,
                              capture_output=True, text=text)

    def _start_servers(self):
        read_fd, write_fd = os.pipe()
        self.spawn(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24",
                    "-nolisten", "tcp", "-noreset"], pass_fds=(write_fd,),
                   stdout=self._log("xvfb"), stderr=subprocess.STDOUT)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()  # Xvfb writes its display once it serves it
        if not number:
            raise HarnessError("Xvfb exited before reporting its display")
        self.env["DISPLAY"] = ":" + number
        self.spawn(["openbox", "--sm-disable"], stdout=self._log("openbox"),
                   stderr=subprocess.STDOUT)
        _wait_for(lambda: self.run(["wmctrl", "-m"], check=False).returncode == 0, 20, "openbox")
        socket = os.path.join(self.dir, "pulse", "native")
        self.spawn(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--system=false",
                    "--disallow-exit", "--use-pid-file=no",
                    f"--load=module-null-sink sink_name={SINK} rate={RATE} channels=2",
                    f"--load=module-native-protocol-unix auth-anonymous=1 socket={socket}"],
                   stdout=self._log("pulse"), stderr=subprocess.STDOUT)
        self.env["PULSE_SERVER"] = "unix:" + socket
        _wait_for(lambda: self.run(["pactl", "info"], check=False).returncode == 0, 20,
                  "the PulseAudio server")

    def screenshot(self, path, crop=None):
        argv = ["/usr/bin/import", "-window", "root"]
        if crop:
            argv += ["-crop", "{2}x{3}+{0}+{1}".format(*crop), "+repage"]
        self.run(argv + [path])
        return path

    def ocr(self, crop):
        shot = self.screenshot(os.path.join(self.dir, "ocr.png"), crop)
        self.run(["/usr/bin/convert", shot, "-colorspace", "Gray", "-resize", "400%",
                  "-bordercolor", "white", "-border", "20", shot])
        return self.run(["tesseract", shot, "stdout", "--psm", "6"],
                        timeout=60).stdout

    def sink_inputs(self):
        return self.run(["pactl", "list", "short", "sink-inputs"], check=False).stdout.split()

    def recorder(self):
        return Recorder(self, os.path.join(self.dir, "rec.raw"))

    def start_veltane(self, binary, rec=None, args=()):
        """(recorder, app, window id) once the window is up and sounding."""
        rec = rec or self.recorder().start()
        mark = rec.frames()
        app = App(self, binary, args=args)
        wid = app.find_window("Veltane", timeout=30)
        _wait_for(lambda: rec.data(mark)[:, 0].any(), 15, "the first sound")
        return rec, app, wid


class Recorder:
    """The null sink's monitor, 44100 Hz s16le stereo, bit for bit, in a file."""

    def __init__(self, session, path):
        self.session, self.path = session, path

    def start(self):
        self._out = open(self.path, "wb")
        self.proc = self.session.spawn(
            ["parec", "-d", SINK + ".monitor", "--format=s16le", f"--rate={RATE}", "--channels=2",
             "--raw", "--latency-msec=20"], stdout=self._out, stderr=subprocess.DEVNULL)
        _wait_for(lambda: self.frames() > 0, 10, "the first recorded frames")
        return self

    def frames(self):
        return os.path.getsize(self.path) // 4

    def wait_frames(self, count):
        _wait_for(lambda: self.frames() >= count, 60, f"{count} recorded frames")

    def listen(self, seconds, settle=SETTLE):
        """The next `seconds` after `settle` seconds."""
        start = self.frames() + int(settle * RATE)
        self.wait_frames(start + int(seconds * RATE))
        return self.data(start)

    def stop(self):
        _end_process(self.proc)
        self.session.forget(self.proc)
        self._out.close()

    def data(self, start=0, count=-1):
        """(n, 2) int16 frames from frame `start` on."""
        raw = np.fromfile(self.path, dtype="<i2", offset=4 * start,
                          count=-1 if count < 0 else 2 * count)
        return raw[: raw.size // 2 * 2].reshape(-1, 2)


class App:

    def __init__(self, session, binary, extra_env=None, args=()):
        self.session, self.wid = session, None
        stamp = time.monotonic_ns()  # one session may start the program many times
        self.stderr_path = os.path.join(session.dir, f"app-stderr-{stamp}.txt")
        self._err = open(self.stderr_path, "wb")
        self.proc = session.spawn([binary, *args], extra_env=extra_env, stdin=subprocess.DEVNULL,
                                  stdout=session._log(f"app-stdout-{stamp}"), stderr=self._err)

    def wait_exit(self, timeout):
        deadline = time.monotonic() + timeout
        while self.running() and time.monotonic() < deadline:
            time.sleep(0.02)
        return self.proc.poll()

    def running(self):
        return self.proc.poll() is None

    def stderr(self):
        self._err.flush()
        with open(self.stderr_path, "rb") as f:
            return f.read().decode(errors="replace")

    def end(self):
        _end_process(self.proc)

    def _x(self, *argv, check=True):
        return self.session.run(list(argv), check=check)

    def visible_windows(self, name=""):
        # --all: by default xdotool matches any one of the conditions, not all of them
        out = self._x("xdotool", "search", "--all", "--onlyvisible", "--pid", str(self.proc.pid),
                      "--name", name, check=False)
        return [int(w) for w in out.stdout.split()]

    def windows_named(self, name):
        return [w for w in self.visible_windows("^" + re.escape(name) + "$")
                if self.name_of(w) == name]

    def find_window(self, name="Veltane", timeout=20):
        def look():
            if not self.running():
                raise HarnessError(f"the program ended (status {self.proc.returncode}) "
                                   f"before showing {name!r}; stderr: {self.stderr()}")
            return next(iter(self.windows_named(name)), None)
        wid = _wait_for(look, timeout, f"a window named {name!r}", interval=0.1)
        if name == "Veltane":
            self.wid = wid
        return wid

    def gone_within(self, wid, timeout):
        """Whether window wid is gone, or goes within timeout s."""
        try:
            self.wait_window_gone(wid, timeout)
        except HarnessError:
            return False
        return True

    def wait_window_gone(self, wid, timeout=10):
        _wait_for(lambda: wid not in self.visible_windows(), timeout, f"window {wid:#x} to go")

    def name_of(self, wid):
        return self._x("xdotool", "getwindowname", str(wid), check=False).stdout.rstrip("\n")

    def geometry(self, wid=None):
        out = self._x("xwininfo", "-id", str(wid or self.wid)).stdout
        return tuple(int(re.search(r"^\s*" + label + r":\s+(-?\d+)", out, re.M).group(1))
                     for label in ("Absolute upper-left X", "Absolute upper-left Y", "Width",
                                   "Height"))

    def du_to_screen(self, xdu, ydu, wid=None):
        x, y, w, h = self.geometry(wid)
        return int(round(x + xdu * w / DIALOG_W_DU)), int(round(y + ydu * h / DIALOG_H_DU))

    def activate(self, wid=None):
        for command in ("windowactivate", "windowfocus"):
            self._x("xdotool", command, "--sync", str(wid or self.wid), check=False)

    def click_du(self, xdu, ydu, wid=None):
        self.click_at(*self.du_to_screen(xdu, ydu, wid))

    def click_at(self, sx, sy):
        self.point_at(sx, sy)
        self.click()

    def point_at(self, sx, sy):
        """Moves the pointer and gives the window a moment to see it there."""
        # no --sync: it waits for motion, and there is none when the pointer is already there
        self._x("xdotool", "mousemove", str(sx), str(sy))
        time.sleep(0.1)

    def click(self):
        """A left click where the pointer is."""
        self._x("xdotool", "click", "1")

    def key(self, *keys, wid=None):
        """Key presses after activating `wid` (default the dialog; False: none)."""
        if wid is not False:
            self.activate(wid)
        self._x("xdotool", "key", "--delay", "60", *keys)

    def type_text(self, text):
        self._x("xdotool", "type", "--delay", "20", text)

    def close_window(self, wid=None):
        self._x("wmctrl", "-i", "-c", hex(wid or self.wid))


def fit_sine(x):
    """Least-squares a·cos ωn + b·sin ωn + c, ω by Gauss-Newton from the FFT peak."""
    x = np.asarray(x, dtype=np.float64)
    n = x.size
    t = np.arange(n, dtype=np.float64) - (n - 1) / 2.0
    pad = 1 << int(np.ceil(np.log2(n)) + 2)
    spec = np.abs(np.fft.rfft((x - x.mean()) * np.hanning(n), pad))
    k = int(np.argmax(spec[1:-1])) + 1
    a, b, c = spec[k - 1], spec[k], spec[k + 1]
    w = 2 * np.pi * (k + (0.5 * (a - c) / (a - 2 * b + c) if a - 2 * b + c else 0.0)) / pad
    for _ in range(30):
        cw, sw = np.cos(w * t), np.sin(w * t)
        (a, b, c), *_ = np.linalg.lstsq(np.column_stack([cw, sw, np.ones(n)]), x, rcond=None)
        J = np.column_stack([cw, sw, np.ones(n), t * (-a * sw + b * cw)])
        step, *_ = np.linalg.lstsq(J, x - (a * cw + b * sw + c), rcond=None)
        w += step[3]
        if abs(step[3]) < 1e-13:
            break
    A = np.column_stack([np.cos(w * t), np.sin(w * t), np.ones(n)])
    (a, b, c), *_ = np.linalg.lstsq(A, x, rcond=None)
    resid = x - A @ np.array([a, b, c])
    return dict(freq=w * RATE / (2 * np.pi), amp=float(np.hypot(a, b)),
                phase=float(np.arctan2(-b, a)), offset=float(c),
                resid_rms=float(np.sqrt(np.mean(resid ** 2))),
                resid_max=float(np.max(np.abs(resid))))


def peak(x):
    return int(np.max(np.abs(np.asarray(x, dtype=np.int32)), initial=0))


def longest_zero_run(x):
    d = np.diff(np.concatenate([[0], (np.asarray(x) == 0).astype(np.int8), [0]]))
    return int((np.nonzero(d == -1)[0] - np.nonzero(d == 1)[0]).max(initial=0))


def sounding_span(x):
    """(first, last + 1) of the non-zero samples, or (0, 0) for silence."""
    nz = np.nonzero(np.asarray(x))[0]
    return (int(nz[0]), int(nz[-1]) + 1) if nz.size else (0, 0)


def continuity(x, block=4096):
    """The largest remainder of x[n+1] + x[n-1] = k·x[n], k fitted per block, and
    the longest run of zeros."""
    x = np.asarray(x, dtype=np.float64)
    worst, worst_at = 0.0, 0
    for start in range(1, x.size - 1, block):
        stop = min(start + block, x.size - 1)
        mid, around = x[start:stop], x[start + 1:stop + 1] + x[start - 1:stop - 1]
        denom = float(np.dot(mid, mid))
        if denom == 0:
            continue
        k = float(np.dot(around, mid)) / denom
        rem = np.abs(around - k * mid)
        i = int(np.argmax(rem))
        if rem[i] > worst:
            worst, worst_at = float(rem[i]), start + i
    return dict(max_remainder=worst, remainder_at=worst_at, zero_run=longest_zero_run(x))


def write_wav(path, frames, rate=RATE):
    frames = np.asarray(frames, dtype="<i2")
    frames = frames[:, None] if frames.ndim == 1 else frames
    with wave.open(path, "wb") as w:
        w.setparams((frames.shape[1], 2, rate, 0, "NONE", "not compressed"))
        w.writeframes(frames.tobytes())


# A church bell's partials: ratio to the nominal, level, decay time in s.
CHURCH = ((0.2508, 0.50, 6.0), (0.5017, 0.40, 4.0), (0.5962, 0.50, 3.0), (0.7493, 0.10, 2.0),
          (1.0, 1.00, 2.5), (1.4982, 0.32, 1.5), (2.0061, 0.20, 1.2))


def bell(seconds, seed=0, rate=RATE, nominal=523.3, noise=300.0, ears=2):
    """A struck church bell, (n, ears) int16, a little different per ear, with noise so
    that odd sums (and so the mix-down's truncation) occur often. The first frame
    marks where playback starts."""
    rng = np.random.default_rng(seed)
    t = np.arange(int(seconds * rate)) / rate
    out = []
    for ear in range(ears):
        x = sum(level * np.exp(-t / decay) * np.sin(2 * np.pi * ratio * nominal * (1 + 0.002 * ear)
                                                   * t + ear) for ratio, level, decay in CHURCH)
        x = x / np.max(np.abs(x)) * 12000 + rng.normal(0, noise, t.size)
        out.append(np.clip(np.round(x), -32768, 32767).astype(np.int16))
    frames = np.column_stack(out)
    frames[0] = (1001, 2000)[:ears]
    return frames


def mixdown(frames):
    """(L + R) / 2 truncated toward zero, as the program mixes a stereo recording."""
    return ((frames[:, 0].astype(np.int32) + frames[:, 1]) / 2).astype(np.int16)


def best_alignment(heard, ref):
    """(lag, normalised correlation) of ref inside heard, by FFT cross-correlation."""
    n = 1 << int(np.ceil(np.log2(heard.size + ref.size)))
    h, r = heard.astype(np.float64), ref.astype(np.float64)
    lag = int(np.argmax(np.fft.irfft(np.fft.rfft(h, n) * np.conj(np.fft.rfft(r, n)), n)
                        [: heard.size]))
    seg = h[lag:lag + r.size]
    rr = r[: seg.size]
    return lag, float(np.dot(seg, rr) / (np.linalg.norm(seg) * np.linalg.norm(rr) + 1e-9))


def closest_message(text):
    """(similarity, message) of the known message closest to an OCR reading."""
    flat = " ".join(text.split())
    return max((difflib.SequenceMatcher(None, flat, m).ratio(), m) for m in MESSAGES)


class Checks:

    def __init__(self):
        self.failures = []

    def __call__(self, ok, what):
        print(("ok   " if ok else "FAIL ") + what, flush=True)
        if not ok:
            self.failures.append(what)
        return ok

    def quiet(self, app):
        err = app.stderr()
        return self(err == "", "nothing on stderr" + (f": {err!r}" if err else ""))

    def tone(self, frames, freq, amplitude, label, freq_tol=0.05, right_silent=True):
        """Left a continuous sine of freq and peak amplitude; right silent unless told."""
        left, right = frames[:, 0], frames[:, 1]
        if not self(left.size >= RATE, f"{label}: at least 1 s of sound ({left.size} frames)"):
            return False
        fit, p, c = fit_sine(left), peak(left), continuity(left)
        ok = self(abs(fit["freq"] - freq) <= freq_tol,
                  f"{label}: left channel at {fit['freq']:.4f} Hz (expected {freq} ± {freq_tol})")
        ok &= self(abs(p - amplitude) <= 2,
                   f"{label}: left peak {p} (expected {amplitude} ± 2)")
        if right_silent:
            ok &= self(not right.any(), f"{label}: right channel silent (peak {peak(right)})")
        ok &= self(c["zero_run"] < 3 and c["max_remainder"] < 8,
                   f"{label}: continuous (longest zero run {c['zero_run']}, remainder "
                   f"{c['max_remainder']:.1f} at {c['remainder_at']})")
        return ok

    def no_click(self, left, step_hz, label):
        """Truncation to 16 bits leaves a remainder below 4; a phase-continuous retune
        by Δf at most A·2π·Δf/rate more where it happens (the wave's previous value
        belongs to the old frequency); a gap, a phase jump or a wave that turns back
        hundreds."""
        bound = 4 + 8192 * 2 * np.pi * step_hz / RATE
        c = continuity(left)
        return self(c["zero_run"] < 3 and c["max_remainder"] < bound,
                    f"no click across {label} (longest zero run {c['zero_run']}, remainder "
                    f"{c['max_remainder']:.1f} of {bound:.1f})")

    def exit_status(self):
        if self.failures:  # a machine too busy to feed the sound server can leave gaps
            print(f"{len(self.failures)} check(s) failed (load average "
                  f"{', '.join(f'{v:.2f}' for v in os.getloadavg())} on {os.cpu_count()} cores)")
        return 1 if self.failures else 0


class Loader:
    """Read Waveform through the file dialog, the message boxes, Start / Stop Play."""

    def __init__(self, session, app, rec, check):
        self.s, self.app, self.rec, self.check = session, app, rec, check
        self.click_ok_boxes = 0

    def open_dialog(self):
        before = set(self.app.visible_windows())
        self.app.activate()
        self.app.click_du(*READ_WAVEFORM)
        dlg = _wait_for(lambda: next((w for w in self.app.visible_windows() if w not in before),
                                     None), 15, "the file dialog", interval=0.1)
        time.sleep(0.5)  # let it take the keyboard focus
        self.app.activate(dlg)
        return dlg

    def choose_file(self, path):
        dlg = self.open_dialog()
        self.app.type_text(path)
        time.sleep(0.3)
        self.app.key("Return", wid=False)
        # A completion popup may swallow the first Enter; press again only while the
        # dialog is certainly still open.
        for _ in range(2):
            if self.app.gone_within(dlg, 1.0):
                break
            self.app.activate(dlg)
            self.app.key("Return", wid=False)
        gone = dlg not in self.app.visible_windows()
        return self.check(gone, f"the file dialog accepted {os.path.basename(path)}")

    def load(self, path):
        """Chooses path in the file dialog; True when it loads without a message."""
        return (self.choose_file(path) and
                self.expect_no_message(f"loading {os.path.basename(path)}"))

    def next_message(self, timeout):
        """Text of the next message box within timeout seconds (read, then closed
        with Enter), or None. "Click OK..." shows when the stream stops while a
        refill waits on the window thread; it belongs to the stop, not to the load,
        so it is dismissed, counted and passed over."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            boxes = self.app.windows_named("veltane")
            if not boxes:
                time.sleep(0.1)
                continue
            time.sleep(0.5)  # let it paint
            text = " ".join(self.s.ocr(self.app.geometry(boxes[0])).split())
            self.app.key("Return", wid=boxes[0])
            self.app.wait_window_gone(boxes[0])
            if closest_message(text)[1] != "Click OK...":
                return text
            self.click_ok_boxes += 1
            print(f"note: \"Click OK...\" shown while the stream stopped "
                  f"({self.click_ok_boxes} so far)", flush=True)
        return None

    def expect_message(self, expected, timeout=15):
        text = self.next_message(timeout)
        score, best = closest_message(text or "")
        self.check(text is not None and best == expected and score > 0.7,
                   f"message box says {expected!r} (read {text!r})")

    def progress_window(self, timeout=10):
        """The window of a long load's progress. A "Click OK..." that the stream's
        stop may bring first holds the load until it is dismissed: it is passed
        over as next_message passes it; any other message box is an error."""
        def look():
            if (window := next(iter(self.app.windows_named("Loading")), None)) is not None:
                return window
            other = self.next_message(0.05)
            if other is not None:
                raise HarnessError(f"a message box said {other!r} before the progress")
            return None
        return _wait_for(look, timeout, "a window named 'Loading'", interval=0.1)

    def expect_no_message(self, label, wait=1.0):
        # A message box comes up as the load ends, while the window thread
        # returns from the dialog: a second is ample on an idle machine.
        text = self.next_message(wait)
        return self.check(text is None, f"{label}: no message box" +
                          ("" if text is None else f" (it said {text!r})"))

    def wait_exit(self, timeout=2.0):
        """Exit status, or None after timeout s; a "Click OK..." restarts the count."""
        deadline = time.monotonic() + timeout
        while (status := self.app.wait_exit(0.1)) is None and time.monotonic() <= deadline:
            seen = self.click_ok_boxes
            other = self.next_message(0.05)
            if other is not None:
                self.check(False, f"no message box on the way out (it said {other!r})")
            if self.click_ok_boxes > seen:
                deadline = time.monotonic() + timeout
        return status

    def expect_tone(self, label):
        self.check.tone(self.rec.listen(1.5), 440.0, 8192, label)

    def play(self, seconds):
        mark = self.rec.frames()
        self.app.click_du(*START_STOP)
        self.rec.wait_frames(mark + int((seconds + 1.0) * RATE))
        return self.rec.data(mark)
