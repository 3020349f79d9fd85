#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""veltane --ring on twelve 10-second 44.1 kHz recordings against twelve separate
veltane --strike runs of the same files: wall times, best of a few rounds, and their
ratio (aim: at most 0.5). Usage: measure_ring_cli.py BUILD/veltane [ROUNDS]"""

import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts", "e2e"))
import harness  # noqa: E402


def wall(commands):
    start = time.perf_counter()
    for command in commands:
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def main():
    binary = os.path.abspath(sys.argv[1])
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    with tempfile.TemporaryDirectory() as d:
        files = []
        for bell in range(12):
            files.append(os.path.join(d, f"bell{bell}.wav"))
            harness.write_wav(files[-1], harness.bell(10.0, seed=bell,
                                                      nominal=400 * 2 ** (bell / 12)))
        ring = min(wall([[binary, "--ring", *files]]) for _ in range(rounds))
        strikes = min(wall([[binary, "--strike", f] for f in files]) for _ in range(rounds))
    print(f"--ring on 12 files: {ring * 1000:.0f} ms; 12 x --strike: {strikes * 1000:.0f} ms; "
          f"ratio {ring / strikes:.2f} (aim: at most 0.5) on {os.cpu_count()} cores")


if __name__ == "__main__":
    main()
