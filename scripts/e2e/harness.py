"""End-to-end harness: a private X display with a window manager, a private
PulseAudio server whose null sink is recorded, the Veltane window driven by
xdotool, and numpy analysis of what was heard.

Everything it starts lives in its own temporary directory and is ended by its
own pid. Use /usr/bin/python3 (Debian's, with numpy).
"""

import difflib
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

import numpy as np

RATE = 44100
SINK = "veltane_e2e"

# Dialog template size in dialog units; the client area keeps these proportions.
DIALOG_W_DU = 320
DIALOG_H_DU = 320


class HarnessError(RuntimeError):
    pass


def _wait_for(predicate, timeout, what, interval=0.05):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise HarnessError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def _end_process(proc, grace=5.0):
    """Ends one process by its pid: SIGTERM, then SIGKILL after a grace time."""
    if proc is None or proc.poll() is not None:
        return
    try:
        os.kill(proc.pid, signal.SIGTERM)
        proc.wait(timeout=grace)
    except subprocess.TimeoutExpired:
        os.kill(proc.pid, signal.SIGKILL)
        proc.wait(timeout=grace)
    except ProcessLookupError:
        pass


def _terminate(signum, frame):
    raise SystemExit(128 + signum)


def _raise_priority():
    try:
        os.nice(-10)
    except OSError:
        pass  # not allowed: run at normal priority


class Session:
    """Xvfb + openbox + a PulseAudio server with one null sink at 44100 Hz stereo.

    Use as a context manager; on exit every process it started is ended by pid
    and its directory removed (kept when VELTANE_E2E_KEEP is set, for debugging).
    """

    # Server-side buffering asked for every client's playback stream, in ms. The
    # program's SDL device asks for about 23 ms (1024 frames); on a shared virtual
    # machine a scheduling hiccup longer than that empties the server's buffer and
    # a few milliseconds of silence reach the sink, which is the machine and not the
    # program. 100 ms rides over those. VELTANE_E2E_CLIENT_LATENCY=1 keeps what
    # the program asks for.
    SERVER_BUFFER_MS = 100

    def __init__(self, display=True, sound=True, screen="1024x768x24", server_buffer=True):
        self.want_display = display
        self.want_sound = sound
        self.screen = screen
        self.server_buffer = server_buffer and not os.environ.get("VELTANE_E2E_CLIENT_LATENCY")
        self.dir = None
        self.env = None
        self._procs = []  # started processes, ended in reverse order
        self.pulse_log = None

    # -- lifecycle -------------------------------------------------------------
    def __enter__(self):
        # A SIGTERM (a runner giving up on the test) unwinds like an exception, so that
        # the servers are ended by pid here rather than left behind.
        signal.signal(signal.SIGTERM, _terminate)
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def start(self):
        self.dir = tempfile.mkdtemp(prefix="veltane-e2e-")
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("PULSE_", "DISPLAY", "WAYLAND", "XDG_", "SDL_", "QT_"))}
        for sub in ("home", "xdg", "pulse"):
            os.makedirs(os.path.join(self.dir, sub), mode=0o700)
        env["HOME"] = os.path.join(self.dir, "home")
        env["XDG_RUNTIME_DIR"] = os.path.join(self.dir, "xdg")
        env["PULSE_RUNTIME_PATH"] = os.path.join(self.dir, "pulse")
        env["QT_QPA_PLATFORM"] = "xcb"
        env["LC_ALL"] = "C.UTF-8"
        if self.server_buffer:
            env["PULSE_LATENCY_MSEC"] = str(self.SERVER_BUFFER_MS)
        self.env = env
        if self.want_display:
            self._start_display()
        if self.want_sound:
            self._start_pulse()

    def stop(self):
        for proc in reversed(self._procs):
            _end_process(proc)
        self._procs.clear()
        if self.dir and not os.environ.get("VELTANE_E2E_KEEP"):
            shutil.rmtree(self.dir, ignore_errors=True)

    def spawn(self, argv, extra_env=None, boost=False, **kwargs):
        """Starts a process in this session's environment and ends it with the session.

        boost raises its scheduling priority where allowed (root): the machine may be
        busy with builds, and a stream that stalls because the scheduler starved the
        sound server or the player is not what these tests look for.
        """
        env = dict(self.env)
        if extra_env:
            env.update(extra_env)
        if boost:
            kwargs["preexec_fn"] = _raise_priority
        proc = subprocess.Popen(argv, env=env, **kwargs)
        self._procs.append(proc)
        return proc

    def forget(self, proc):
        if proc in self._procs:
            self._procs.remove(proc)

    def run(self, argv, check=True, timeout=20, text=True, **kwargs):
        return subprocess.run(argv, env=self.env, check=check, timeout=timeout,
                              capture_output=True, text=text, **kwargs)

    # -- display ---------------------------------------------------------------
    def _start_display(self):
        read_fd, write_fd = os.pipe()
        xlog = open(os.path.join(self.dir, "xvfb.log"), "wb")
        self.spawn(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", self.screen,
                    "-nolisten", "tcp", "-noreset"],
                   pass_fds=(write_fd,), stdout=xlog, stderr=subprocess.STDOUT, boost=True)
        os.close(write_fd)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n"):
            if time.monotonic() > deadline:
                raise HarnessError("Xvfb did not report its display")
            chunk = os.read(read_fd, 16)
            if not chunk:
                raise HarnessError("Xvfb exited before reporting its display")
            number += chunk
        os.close(read_fd)
        self.env["DISPLAY"] = ":" + number.decode().strip()
        wmlog = open(os.path.join(self.dir, "openbox.log"), "wb")
        self.spawn(["openbox", "--sm-disable"], stdout=wmlog, stderr=subprocess.STDOUT, boost=True)
        _wait_for(lambda: self.run(["wmctrl", "-m"], check=False).returncode == 0, 20,
                  "openbox")

    def screenshot(self, path, crop=None):
        """Root window to PNG; crop is (x, y, w, h) in screen pixels."""
        argv = ["/usr/bin/import", "-window", "root"]
        if crop:
            x, y, w, h = crop
            argv += ["-crop", f"{w}x{h}+{x}+{y}", "+repage"]
        self.run(argv + [path])
        return path

    def grey_row(self, x0, x1, y):
        """Grey levels (0 to 255) of the screen pixels x0 ≤ x < x1 on row y."""
        png = self.screenshot(os.path.join(self.dir, "row.png"), (x0, y, x1 - x0, 1))
        out = self.run(["/usr/bin/convert", png, "-colorspace", "Gray", "-depth", "8", "gray:-"],
                       text=False)
        return np.frombuffer(out.stdout, dtype=np.uint8)

    def ocr(self, crop, line=False):
        """Text of a screen rectangle, read by tesseract from an enlarged grey image;
        line: the rectangle holds a single line of text (a box of a dialog)."""
        shot = self.screenshot(os.path.join(self.dir, "ocr.png"), crop)
        big = os.path.join(self.dir, "ocr-big.png")
        self.run(["/usr/bin/convert", shot, "-colorspace", "Gray", "-resize", "400%",
                  "-bordercolor", "white", "-border", "20", big])
        out = self.run(["tesseract", big, "stdout", "--psm", "7" if line else "6"], timeout=60)
        return out.stdout

    # -- sound -----------------------------------------------------------------
    def _start_pulse(self):
        socket = os.path.join(self.dir, "pulse", "native")
        self.pulse_log = os.path.join(self.dir, "pulse.log")
        log = open(self.pulse_log, "wb")
        self.spawn(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                    "--system=false", "--disallow-exit", "--use-pid-file=no",
                    f"--load=module-null-sink sink_name={SINK} rate={RATE} channels=2",
                    f"--load=module-native-protocol-unix auth-anonymous=1 socket={socket}"],
                   stdout=log, stderr=subprocess.STDOUT, boost=True)
        self.env["PULSE_SERVER"] = "unix:" + socket
        _wait_for(lambda: self.run(["pactl", "info"], check=False).returncode == 0, 20,
                  "the PulseAudio server")

    def sink_inputs(self):
        out = self.run(["pactl", "list", "short", "sink-inputs"], check=False)
        return [line for line in out.stdout.splitlines() if line.strip()]

    def recorder(self, name="rec"):
        return Recorder(self, os.path.join(self.dir, name + ".raw"))

    def app(self, binary, extra_env=None):
        return App(self, binary, extra_env)

    def start_veltane(self, binary):
        """Starts recording, then the program; returns (recorder, app, window id)
        once its window is up and its tone has reached the sink."""
        rec = self.recorder().start()
        app = self.app(binary)
        wid = app.find_window("Veltane", timeout=30)
        _wait_for(lambda: rec.data()[:, 0].any(), 15, "the first sound")
        return rec, app, wid


class Recorder:
    """Records the null sink's monitor, 44100 Hz s16le stereo, bit for bit."""

    def __init__(self, session, path):
        self.session = session
        self.path = path
        self.proc = None

    def start(self):
        self._out = open(self.path, "wb")
        self.proc = self.session.spawn(
            ["parec", "-d", SINK + ".monitor", "--format=s16le", f"--rate={RATE}",
             "--channels=2", "--raw", "--latency-msec=20"],
            stdout=self._out, stderr=subprocess.DEVNULL, boost=True)

        def connected():
            out = self.session.run(["pactl", "list", "short", "source-outputs"], check=False)
            return any(line.strip() for line in out.stdout.splitlines())
        _wait_for(connected, 10, "parec to connect")
        # the monitor delivers from here on; let its first fragment arrive
        _wait_for(lambda: self.frames() > 0, 10, "the first recorded frames")
        return self

    def frames(self):
        """Frames recorded so far (a position mark for later slicing)."""
        return os.path.getsize(self.path) // 4

    def wait_frames(self, count, timeout=30):
        _wait_for(lambda: self.frames() >= count, timeout, f"{count} recorded frames")

    def record_for(self, seconds):
        """Waits until `seconds` more of sound have been recorded; returns the start mark."""
        start = self.frames()
        self.wait_frames(start + int(seconds * RATE), timeout=seconds * 4 + 10)
        return start

    def stop(self):
        _end_process(self.proc)
        self.session.forget(self.proc)
        self._out.close()
        return self.data()

    def data(self, start=0, count=-1):
        """(n, 2) int16 frames recorded so far, from frame `start` on (count of them,
        or all)."""
        raw = np.fromfile(self.path, dtype="<i2", offset=4 * start,
                          count=-1 if count < 0 else 2 * count)
        return raw[: raw.size // 2 * 2].reshape(-1, 2)


class App:
    """The program under test, its window and its input."""

    def __init__(self, session, binary, extra_env=None):
        self.session = session
        self.stderr_path = os.path.join(session.dir, "app-stderr.txt")
        self.stdout_path = os.path.join(session.dir, "app-stdout.txt")
        self._err = open(self.stderr_path, "wb")
        self._outf = open(self.stdout_path, "wb")
        self.started = time.monotonic()
        self.proc = session.spawn([binary], extra_env=extra_env, stdin=subprocess.DEVNULL,
                                  stdout=self._outf, stderr=self._err, boost=True)
        self.wid = None

    # -- process ---------------------------------------------------------------
    def wait_exit(self, timeout):
        """Exit status, or None if still running after timeout seconds."""
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def running(self):
        return self.proc.poll() is None

    def stderr(self):
        self._err.flush()
        with open(self.stderr_path, "rb") as f:
            return f.read().decode(errors="replace")

    def end(self):
        _end_process(self.proc)

    # -- windows ---------------------------------------------------------------
    def _x(self, *argv, check=True):
        return self.session.run(list(argv), check=check)

    def windows_named(self, name):
        """Viewable windows of this process whose name is exactly `name`."""
        out = self._x("xdotool", "search", "--all", "--onlyvisible", "--pid", str(self.proc.pid),
                      "--name", "^" + re.escape(name) + "$", check=False)
        found = []
        for wid in out.stdout.split():
            title = self._x("xdotool", "getwindowname", wid, check=False).stdout.rstrip("\n")
            if title == name:
                found.append(int(wid))
        return found

    def visible_windows(self):
        # --all: by default xdotool matches any one of the conditions, not all of them
        out = self._x("xdotool", "search", "--all", "--onlyvisible", "--pid", str(self.proc.pid),
                      "--name", "", check=False)
        return [int(w) for w in out.stdout.split()]

    def find_window(self, name="Veltane", timeout=20):
        def look():
            if not self.running():
                raise HarnessError(f"the program ended (status {self.proc.returncode}) "
                                   f"before showing {name!r}; stderr: {self.stderr()}")
            wins = self.windows_named(name)
            return wins[0] if wins else None
        wid = _wait_for(look, timeout, f"a window named {name!r}", interval=0.1)
        if name == "Veltane":
            self.wid = wid
        return wid

    def wait_window_gone(self, wid, timeout=10):
        _wait_for(lambda: wid not in self.visible_windows(), timeout, f"window {wid:#x} to go")

    def name_of(self, wid):
        return self._x("xdotool", "getwindowname", str(wid), check=False).stdout.rstrip("\n")

    def geometry(self, wid=None):
        """(x, y, width, height) of the client area in absolute screen pixels."""
        out = self._x("xwininfo", "-id", str(wid or self.wid)).stdout
        vals = {}
        for key, label in (("x", "Absolute upper-left X"), ("y", "Absolute upper-left Y"),
                           ("w", "Width"), ("h", "Height")):
            m = re.search(r"^\s*" + re.escape(label) + r":\s+(-?\d+)", out, re.M)
            if not m:
                raise HarnessError(f"xwininfo gave no {label}: {out}")
            vals[key] = int(m.group(1))
        return vals["x"], vals["y"], vals["w"], vals["h"]

    def frame_geometry(self, wid=None):
        """The window including the window manager's frame, for screenshots."""
        x, y, w, h = self.geometry(wid)
        out = self._x("xprop", "-id", str(wid or self.wid), "_NET_FRAME_EXTENTS", check=False)
        m = re.search(r"=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)", out.stdout)
        if m:
            left, right, top, bottom = map(int, m.groups())
            return x - left, y - top, w + left + right, h + top + bottom
        return x, y, w, h

    def du_to_screen(self, xdu, ydu, wid=None):
        x, y, w, h = self.geometry(wid)
        return (int(round(x + xdu * w / DIALOG_W_DU)),
                int(round(y + ydu * h / DIALOG_H_DU)))

    def read_box(self, rect_du, wid=None, expect=None, timeout=4.0):
        """The one line of text a control shows, read by OCR; rect_du is the
        control's (x, y, width, height) in dialog units, as in the template.
        With expect, reads again until the box shows it or timeout s have
        passed (a box just uncovered by a message box may not be repainted
        yet, and OCR of one frame can misread); returns the last reading."""
        x, y, w, h = rect_du
        x0, y0 = self.du_to_screen(x, y, wid)
        x1, y1 = self.du_to_screen(x + w, y + h, wid)
        inset = 3  # px: keep the box's frame out, tesseract reads it as characters
        crop = (x0 + inset, y0 + inset, x1 - x0 - 2 * inset, y1 - y0 - 2 * inset)
        deadline = time.monotonic() + timeout
        while True:
            text = " ".join(self.session.ocr(crop, line=True).split())
            if expect is None or text == expect or time.monotonic() > deadline:
                return text
            time.sleep(0.3)

    def activate(self, wid=None):
        wid = wid or self.wid
        self._x("xdotool", "windowactivate", "--sync", str(wid), check=False)
        self._x("xdotool", "windowfocus", "--sync", str(wid), check=False)

    def click_du(self, xdu, ydu, wid=None):
        """Left click at a point given in dialog units of the dialog's client area."""
        sx, sy = self.du_to_screen(xdu, ydu, wid)
        self.click_at(sx, sy)

    def click_at(self, sx, sy):
        # no --sync: it waits for motion, and there is none when the pointer is already there
        self._x("xdotool", "mousemove", str(sx), str(sy))
        time.sleep(0.1)
        self._x("xdotool", "click", "1")

    def key(self, *keys, wid=None):
        """Key presses to the focused window, after activating `wid` (the dialog by default)."""
        if wid is not False:
            self.activate(wid)
        self._x("xdotool", "key", "--delay", "60", *keys)

    def type_text(self, text):
        self._x("xdotool", "type", "--delay", "20", text)

    def drag(self, start, end, steps=20):
        """Left-button drag between two screen points, in small moves as a hand would."""
        self._x("xdotool", "mousemove", str(start[0]), str(start[1]))
        time.sleep(0.1)
        self._x("xdotool", "mousedown", "1")
        for i in range(1, steps + 1):
            x = start[0] + (end[0] - start[0]) * i // steps
            y = start[1] + (end[1] - start[1]) * i // steps
            self._x("xdotool", "mousemove", str(x), str(y))
            time.sleep(0.02)
        time.sleep(0.1)
        self._x("xdotool", "mouseup", "1")

    def close_window(self, wid=None):
        """What the close box does: ask the window manager to close the window."""
        self._x("wmctrl", "-i", "-c", hex(wid or self.wid))


# -- analysis ------------------------------------------------------------------

def fit_sine(x, rate=RATE, f0=None):
    """Least-squares fit of a·cos(ωn) + b·sin(ωn) + c to x.

    Returns dict(freq, amp, phase, offset, resid_rms, resid_max). The frequency
    is refined by Gauss-Newton from the FFT peak; over 2 s of a clean 16-bit
    sine it is good to a few µHz.
    """
    x = np.asarray(x, dtype=np.float64)
    n = x.size
    if n < 64:
        raise HarnessError("too few samples for a sine fit")
    t = np.arange(n, dtype=np.float64) - (n - 1) / 2.0
    if f0 is None:
        pad = 1 << int(np.ceil(np.log2(n)) + 2)
        spec = np.abs(np.fft.rfft((x - x.mean()) * np.hanning(n), pad))
        k = int(np.argmax(spec[1:-1])) + 1
        a, b, c = spec[k - 1], spec[k], spec[k + 1]
        denom = a - 2 * b + c
        delta = 0.5 * (a - c) / denom if denom != 0 else 0.0
        f0 = (k + delta) * rate / pad
    w = 2 * np.pi * f0 / rate
    for _ in range(30):
        cw, sw = np.cos(w * t), np.sin(w * t)
        A = np.column_stack([cw, sw, np.ones(n)])
        (a, b, c), *_ = np.linalg.lstsq(A, x, rcond=None)
        J = np.column_stack([cw, sw, np.ones(n), t * (-a * sw + b * cw)])
        r = x - (a * cw + b * sw + c)
        step, *_ = np.linalg.lstsq(J, r, rcond=None)
        w += step[3]
        if abs(step[3]) < 1e-13:
            break
    cw, sw = np.cos(w * t), np.sin(w * t)
    A = np.column_stack([cw, sw, np.ones(n)])
    (a, b, c), *_ = np.linalg.lstsq(A, x, rcond=None)
    resid = x - A @ np.array([a, b, c])
    return dict(freq=w * rate / (2 * np.pi), amp=float(np.hypot(a, b)),
                phase=float(np.arctan2(-b, a)), offset=float(c),
                resid_rms=float(np.sqrt(np.mean(resid ** 2))),
                resid_max=float(np.max(np.abs(resid))))


def peak(x):
    return int(np.max(np.abs(np.asarray(x, dtype=np.int32))))


def rms(x):
    x = np.asarray(x, dtype=np.float64)
    return float(np.sqrt(np.mean(x ** 2))) if x.size else 0.0


def longest_zero_run(x):
    z = np.concatenate([[0], (np.asarray(x) == 0).astype(np.int8), [0]])
    d = np.diff(z)
    starts, ends = np.nonzero(d == 1)[0], np.nonzero(d == -1)[0]
    return int((ends - starts).max()) if starts.size else 0


def sounding_span(x):
    """(first, last + 1) of the non-zero samples, or (0, 0) for silence."""
    nz = np.nonzero(np.asarray(x))[0]
    return (int(nz[0]), int(nz[-1]) + 1) if nz.size else (0, 0)


def continuity(x, rate=RATE, block=4096):
    """How smoothly a (possibly retuned) sine runs.

    A sine obeys x[n+1] + x[n-1] = k·x[n] with k = 2cos ω; for truncated 16-bit
    samples the remainder stays below 4. Any gap, dropped or repeated buffer,
    phase jump or amplitude step shows up as a much larger remainder. k is
    estimated per block so that retuning passes. Also reports the longest run of
    zeros and the largest step between neighbours against what a sine of the
    block's peak and k allows (peak·√(2 − k), plus the truncation's one unit).
    """
    x = np.asarray(x, dtype=np.float64)
    worst = 0.0
    worst_at = 0
    max_step, allowed_at_max = 0.0, 0.0
    worst_excess = -np.inf
    for start in range(1, x.size - 1, block):
        stop = min(start + block, x.size - 1)
        mid = x[start:stop]
        around = x[start + 1:stop + 1] + x[start - 1:stop - 1]
        denom = float(np.dot(mid, mid))
        if denom == 0:
            continue
        k = float(np.dot(around, mid)) / denom
        rem = np.abs(around - k * mid)
        i = int(np.argmax(rem))
        if rem[i] > worst:
            worst, worst_at = float(rem[i]), start + i
        step = float(np.max(np.abs(np.diff(x[start - 1:stop + 1]))))
        # 3 % spare: a block that holds a retune of up to ±3 % averages two k values
        allowed = (float(np.max(np.abs(mid))) + 1.0) * np.sqrt(max(0.0, 2.0 - k)) * 1.03 + 1.5
        if step - allowed > worst_excess:
            worst_excess, max_step, allowed_at_max = step - allowed, step, allowed
    return dict(max_remainder=worst, remainder_at=worst_at, zero_run=longest_zero_run(x),
                max_step=max_step, allowed_step=float(allowed_at_max))


def local_frequencies(x, rate=RATE, window=8192):
    """Fitted frequency per window: [(start, freq, amp)]."""
    out = []
    for start in range(0, len(x) - window + 1, window):
        f = fit_sine(x[start:start + window], rate)
        out.append((start, f["freq"], f["amp"]))
    return out


def write_wav(path, frames, rate=RATE):
    """16-bit PCM WAV from an (n, channels) int16 array."""
    import wave
    frames = np.asarray(frames, dtype="<i2")
    if frames.ndim == 1:
        frames = frames[:, None]
    with wave.open(path, "wb") as w:
        w.setnchannels(frames.shape[1])
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(frames.tobytes())


class Checks:
    """Collects named pass/fail results; the test's exit status is their verdict."""

    def __init__(self):
        self.failures = []

    def __call__(self, ok, what):
        print(("ok   " if ok else "FAIL ") + what, flush=True)
        if not ok:
            self.failures.append(what)
        return ok

    def quiet(self, app):
        """The program printed nothing on its standard error."""
        err = app.stderr()
        return self(err == "", "nothing on stderr" + ("" if err == "" else f": {err!r}"))

    def tone(self, frames, freq, amplitude, label, freq_tol=0.05, peak_tol=2, right_silent=True):
        """The left channel is a continuous sine of freq and peak amplitude, and
        (unless told otherwise) the right channel silent; frames is an (n, 2)
        slice of a recording."""
        left, right = frames[:, 0], frames[:, 1]
        if not self(left.size >= RATE, f"{label}: at least 1 s of sound ({left.size} frames)"):
            return False
        fit = fit_sine(left)
        ok = self(abs(fit["freq"] - freq) <= freq_tol,
                  f"{label}: left channel at {fit['freq']:.4f} Hz (expected {freq} ± {freq_tol})")
        p = peak(left)
        ok &= self(abs(p - amplitude) <= peak_tol,
                   f"{label}: left peak {p} (expected {amplitude} ± {peak_tol})")
        if right_silent:
            ok &= self(not right.any(), f"{label}: right channel silent (peak {peak(right)})")
        c = continuity(left)
        ok &= self(c["zero_run"] < 3 and c["max_remainder"] < 8 and
                   c["max_step"] <= c["allowed_step"],
                   f"{label}: continuous (longest zero run {c['zero_run']}, "
                   f"remainder {c['max_remainder']:.1f} at {c['remainder_at']}, "
                   f"step {c['max_step']:.0f} of {c['allowed_step']:.0f} allowed)")
        return ok

    def exit_status(self):
        if self.failures:
            # Gaps in the sound can come from a machine too busy to feed the sound
            # server in time; the load says whether that may have been the case.
            load = ", ".join(f"{v:.2f}" for v in os.getloadavg())
            print(f"{len(self.failures)} check(s) failed (load average {load} on "
                  f"{os.cpu_count()} cores)", flush=True)
            return 1
        return 0


def binary_arg(description):
    import argparse
    ap = argparse.ArgumentParser(description=description)
    ap.add_argument("--binary", required=True, help="the program under test")
    return ap


# -- the Sound File group -------------------------------------------------------

# Boxes whose text the tests read back, (x, y, width, height) in dialog units.
DESCRIPTION_BOX = (15, 12, 90, 12)
VERSION_BOX = (170, 30, 20, 12)
FILENAME_BOX = (120, 66, 105, 12)
FREQUENCY_BOX = (230, 138, 45, 13)

EXIT_BUTTON = (245 + 30, 12 + 7)  # centres of the buttons, dialog units
READ_WAVEFORM = (15 + 30, 66 + 6)
START_STOP = (15 + 30, 84 + 6)
MESSAGES = ["Not a valid .wav file!", "No data in file!", "Format not supported!",
            "Error during conversion!", "Conversion not possible!", "Not a valid mp3 file!",
            "Failed to open file!", "Bad file!", "No output device for this format!",
            "Click OK..."]
SETTLE = 0.8  # s: two buffers of 186 ms and the server's latency, with room to spare



def bell(seconds, seed, rate=RATE, noise=300.0):
    """A struck-bell-like stereo sound: decaying inharmonic partials, different per ear,
    with a little noise so that odd sums (and so the truncation) occur often."""
    rng = np.random.default_rng(seed)
    t = np.arange(int(seconds * rate)) / rate
    ears = []
    for ear in range(2):
        x = np.zeros_like(t)
        for ratio, level, decay in ((0.5, 0.5, 1.2), (1.0, 1.0, 2.0), (1.2, 0.6, 2.6),
                                    (1.5, 0.4, 3.1), (2.0, 0.35, 3.8), (2.51, 0.2, 5.0)):
            f = 523.3 * ratio * (1 + 0.002 * ear)
            x += level * np.exp(-decay * t) * np.sin(2 * np.pi * f * t + ear)
        x = x / np.max(np.abs(x)) * 12000 + rng.normal(0, noise, t.size)
        ears.append(np.clip(np.round(x), -32768, 32767).astype(np.int16))
    frames = np.column_stack(ears)
    frames[0] = (1001, 2000)  # a non-zero first mix-down sample marks where playback starts
    return frames


def closest_message(text):
    flat = " ".join(text.split())
    scores = [(difflib.SequenceMatcher(None, flat, m).ratio(), m) for m in MESSAGES]
    return max(scores)


class Loader:
    """Drives the Sound File group: Read Waveform through the file dialog, the
    message boxes a load may show, Start / Stop Play."""

    def __init__(self, session, app, rec, check):
        self.s, self.app, self.rec, self.check = session, app, rec, check
        self.click_ok_boxes = 0

    def open_dialog(self):
        """Read Waveform; returns the file dialog's window once it has the focus."""
        before = set(self.app.visible_windows())
        self.app.activate()
        self.app.click_du(*READ_WAVEFORM)

        def dialog():
            new = [w for w in self.app.visible_windows() if w not in before]
            return new[0] if new else None
        dlg = _wait_for(dialog, 15, "the file dialog", interval=0.1)
        time.sleep(0.5)  # let it take the keyboard focus
        self.app.activate(dlg)
        return dlg

    def choose_file(self, path):
        """Read Waveform → the file dialog → type the path → Enter."""
        dlg = self.open_dialog()
        self.app.type_text(path)
        time.sleep(0.3)
        self.app.key("Return", wid=False)
        # A completion popup may swallow the first Enter; press again only while the
        # dialog is certainly still open.
        for _ in range(2):
            time.sleep(1.0)
            if dlg not in self.app.visible_windows():
                break
            self.app.activate(dlg)
            self.app.key("Return", wid=False)
        gone = dlg not in self.app.visible_windows()
        self.check(gone, f"the file dialog accepted {os.path.basename(path)}")
        return gone

    def _read_box(self, box):
        """OCR of a message box, then Enter to dismiss it; returns its text."""
        time.sleep(0.5)  # let it paint
        text = " ".join(self.s.ocr(self.app.geometry(box)).split())
        self.app.activate(box)
        self.app.key("Return", wid=False)
        self.app.wait_window_gone(box)
        return text

    def next_message(self, timeout):
        """Text of the next message box within timeout seconds, or None.

        Stopping the stream while a refill waits for the window thread (its progress
        update) shows "Click OK..." until the refill is done; that box belongs to the
        stop, not to the load, so it is dismissed, counted and passed over.
        """
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            boxes = self.app.windows_named("veltane")
            if boxes:
                text = self._read_box(boxes[0])
                if closest_message(text)[1] == "Click OK...":
                    self.click_ok_boxes += 1
                    print(f"note: \"Click OK...\" shown while the stream stopped "
                          f"({self.click_ok_boxes} so far)", flush=True)
                    continue
                return text
            time.sleep(0.1)
        return None

    def expect_message(self, expected):
        text = self.next_message(15)
        score, best = closest_message(text or "")
        self.check(text is not None and best == expected and score > 0.7,
                   f"message box says {expected!r} (read {text!r})")

    def expect_no_message(self, label, wait=2.0):
        """A good load shows no message box; one that shows is read, reported and closed."""
        text = self.next_message(wait)
        self.check(text is None, f"{label}: no message box" +
                   ("" if text is None else f" (it said {text!r})"))
        return text is None

    def wait_exit(self, timeout=2.0):
        """Exit status once the program has ended, or None after timeout seconds.

        Stopping the stream while a refill waits on the window thread shows
        "Click OK..." by design; the user's OK lets the stop go on, so the box is
        dismissed and the timeout counts again from there.
        """
        deadline = time.monotonic() + timeout
        while True:
            status = self.app.wait_exit(0.1)
            if status is not None or time.monotonic() > deadline:
                return status
            seen = self.click_ok_boxes
            other = self.next_message(0.05)
            if other is not None:
                self.check(False, f"no message box on the way out (it said {other!r})")
            if self.click_ok_boxes > seen:
                deadline = time.monotonic() + timeout

    def expect_tone(self, label):
        """The tone plays again: 1.5 s of it, measured after the stream has restarted."""
        mark = self.rec.frames()
        self.rec.wait_frames(mark + int((SETTLE + 1.5) * RATE))
        self.check.tone(self.rec.data()[mark + int(SETTLE * RATE):], 440.0, 8192, label)

    def play(self, seconds):
        """Start / Stop Play, then record until the recording must have finished."""
        mark = self.rec.frames()
        self.app.click_du(*START_STOP)
        self.rec.wait_frames(mark + int((seconds + 1.0) * RATE))
        return self.rec.data()[mark:]


def church_bell(seconds, nominal=600.0, rate=RATE, lead=0.1):
    """A struck church bell, mono int16: hum, prime, tierce, quint, nominal,
    superquint and octave nominal at their usual ratios, decaying, after a short
    silence."""
    partials = [(0.2508, 0.50, 6.0), (0.5017, 0.40, 4.0), (0.5962, 0.50, 3.0),
                (0.7493, 0.10, 2.0), (1.0, 1.00, 2.5), (1.4982, 0.32, 1.5), (2.0061, 0.20, 1.2)]
    t = np.arange(int(seconds * rate)) / rate - lead
    x = np.zeros_like(t)
    for ratio, amplitude, decay in partials:
        x += amplitude * np.exp(-np.maximum(t, 0) / decay) * np.sin(2 * np.pi * ratio * nominal * t)
    x[t < 0] = 0
    return np.round(x * (0.8 * 32767 / np.abs(x).max())).astype(np.int16)
