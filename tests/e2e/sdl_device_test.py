"""The SDL wave output against a real sound server: play_tone opens the SDL
device with the tone engine at 44100 Hz / 440 Hz and plays for a few seconds.
What reaches the server's sink must be the engine's tone: left channel
440.0 Hz ± 0.05 at peak 8192 ± 2, right channel silent, and the stream must run
without a gap for at least 2 s."""

import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts", "e2e"))
import harness  # noqa: E402
from harness import RATE  # noqa: E402

SECONDS = 3


def main():
    args = harness.binary_arg(__doc__).parse_args()
    check = harness.Checks()
    with harness.Session(display=False) as s:
        rec = s.recorder().start()
        err_path = os.path.join(s.dir, "play_tone-stderr.txt")
        with open(err_path, "wb") as err:
            proc = s.spawn([args.binary, str(SECONDS)],
                           extra_env={"SDL_AUDIODRIVER": "pulseaudio"}, boost=True,
                           stdout=err, stderr=subprocess.STDOUT)
            try:
                status = proc.wait(timeout=SECONDS + 30)
            except subprocess.TimeoutExpired:
                status = None
        rec.record_for(0.3)
        data = rec.stop()
        with open(err_path, "rb") as f:
            output = f.read().decode(errors="replace")
    check(status == 0, f"play_tone ran and closed the device (status {status}) {output.strip()}")
    first, last = harness.sounding_span(data[:, 0])
    # Leave out one sample at each edge: there the tone meets the silence around it.
    body = data[first + 1:last - 1]
    check(body.shape[0] >= 2 * RATE, f"the stream ran {body.shape[0] / RATE:.2f} s (at least 2 s)")
    if body.shape[0] > RATE:
        check.tone(body, 440.0, 8192, "SDL device")
    return check.exit_status()


if __name__ == "__main__":
    sys.exit(main())
