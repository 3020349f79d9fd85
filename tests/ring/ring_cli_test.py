# SPDX-License-Identifier: GPL-3.0-or-later
"""veltane --ring through the real binary, no display and no sound server: the table of
recordings and of a ring file, a recording gone missing, files that are no ring, usage;
and the ring view's exports read back by other tools: the CSV by Python's csv module
against --ring, the PDF by pdftotext and, rendered by pdftoppm, a spectrum per bell."""

import csv
import json
import math
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts", "e2e"))
import harness  # noqa: E402
import numpy as np  # noqa: E402

HEADER = ("bell\tfile\tnominal_hz\tnote\tcents\tstrike_hz\tby_ear_hz\thum\tprime\ttierce\tquint\t"
          "superquint\toctave_nominal\tfrom_tenor\tscale_deviation")
# The harness's church bell, its partials from the nominal in cents.
USUAL = [1200 * math.log2(r) for r in (0.2508, 0.5017, 0.5962, 0.7493, 1.4982, 2.0061)]
# Five bells: the top of a major scale from the treble (F5) down, a few cents off.
NOMINALS = {"treble.wav": 698.456 * 2 ** (3 / 1200), "2.wav": 659.255,
            "3.wav": 587.330 * 2 ** (-4 / 1200), "4.wav": 523.251, "tenor.wav": 466.164}
SCALE_DEVIATION = {"treble.wav": 3.0, "2.wav": 0.0, "3.wav": -4.0, "4.wav": 0.0, "tenor.wav": 0.0}


def ring_command(binary, *args, cwd=None):
    proc = subprocess.run([binary, "--ring", *args], capture_output=True, text=True, timeout=120,
                          cwd=cwd, env={k: v for k, v in os.environ.items() if k != "DISPLAY"})
    return proc.returncode, proc.stdout, proc.stderr


def check_rows(check, out, names, missing=()):
    lines = out.split("\n")
    check(lines[0] == HEADER and lines[-1] == "", f"header and final newline: {lines[:1]}")
    rows = [line.split("\t") for line in lines[1:-1]]
    check(all(len(r) == 15 for r in rows) and [r[1] for r in rows] == names + list(missing),
          f"one row a bell in bell order: {[r[1] for r in rows]}")
    numeric = re.compile(r"^-?\d+\.\d$")
    for number, r in enumerate(rows[:len(names)], 1):
        hz = float(r[2])
        check(r[0] == str(number) and re.match(r"^\d+\.\d\d$", r[2]) and
              abs(hz - NOMINALS[r[1]]) < 0.05 and
              all(numeric.match(c) for c in r[4:5] + r[7:]), f"row {r}")
        check(all(abs(float(c) - u) < 1.0 for c, u in zip(r[7:13], USUAL)),
              f"{r[1]}: partials from the nominal {r[7:13]}")
        from_tenor = 1200 * math.log2(NOMINALS[r[1]] / NOMINALS[names[-1]])
        check(abs(float(r[13]) - from_tenor) < 0.5 and
              abs(float(r[14]) - SCALE_DEVIATION[r[1]]) < 0.5, f"{r[1]}: {r[13:]}")
    for r in rows[len(names):]:
        check(r[0] == "" and r[2:6] == ["", "", "", ""] and r[7:] == [""] * 8,
              f"a recording with no bell keeps an empty row: {r}")
    return rows


def plots_on(ppm):
    """The number of separate blue curves on a page rendered as PPM: bands of rows
    that hold blue, and in each band the runs of columns that do."""
    with open(ppm, "rb") as f:
        magic, width, height, _ = f.readline(), *map(int, f.readline().split()), f.readline()
        page = np.frombuffer(f.read(), np.uint8).reshape(height, width, 3).astype(int)
    blue = (page[:, :, 0] < 120) & (page[:, :, 2] > 170) & (page[:, :, 2] - page[:, :, 0] > 80)

    def runs(mask, gap):
        found, last = [], -gap - 1
        for i in np.flatnonzero(mask):
            if i - last > gap:
                found.append([i, i])
            found[-1][1] = last = i
        return found
    return sum(len(runs(blue[a:b + 1].any(axis=0), 8)) for a, b in runs(blue.any(axis=1), 5))


def same_cell(a, b):
    try:
        return a == b or float(a) == float(b)
    except ValueError:
        return False


def check_exports(check, exporter, d, tsv, ring):
    comment = 'cracked, "hung" 1890\nrehung'
    next(b for b in ring["bells"] if b["recording"] == "treble.wav")["comment"] = comment
    with open(os.path.join(d, "tower.vring"), "w") as f:
        json.dump(ring, f)
    csv_path, pdf_path = os.path.join(d, "tower.csv"), os.path.join(d, "tower.pdf")
    proc = subprocess.run([exporter, os.path.join(d, "tower.vring"), csv_path, pdf_path],
                          capture_output=True, text=True, timeout=120)
    check(proc.returncode == 0, f"the view exports CSV and PDF: {proc.stderr!r}")
    with open(csv_path, newline="") as f:
        table = list(csv.reader(f))
    printed = [line.split("\t") for line in tsv.splitlines()]
    check(table[0] == printed[0] + ["by_ear_from_strike", "comment"], f"CSV header {table[0]}")
    same = all(len(c) == 17 and all(same_cell(x, y) for x, y in zip(c[:15], t))
               for c, t in zip(table[1:], printed[1:]))
    check(len(table) == len(printed) and same, "the CSV holds the numbers --ring prints")
    treble = next(r for r in table[1:] if r[1] == "treble.wav")
    check(treble[16] == comment and treble[6] == "349.50",
          f"a comment with a comma, quotes and a line break comes back whole: {treble[16]!r}")

    text = subprocess.run(["pdftotext", "-layout", pdf_path, "-"], capture_output=True,
                          text=True, check=True).stdout
    lines = text.splitlines()
    for row in printed[1:]:
        check(any(re.search(rf"^\s*{row[0]}\s+{re.escape(row[1])}\s+{row[2]}\s", line)
                  for line in lines), f"the PDF's table has bell {row[0]}: {row[1]} {row[2]}")
    check("tower" in lines[0] and re.search(r"\d{4}-\d\d-\d\d", text),
          "the PDF names the ring and the date")
    subprocess.run(["pdftoppm", "-r", "100", pdf_path, os.path.join(d, "page")], check=True)
    pages = sorted(p for p in os.listdir(d) if p.startswith("page"))
    plots = plots_on(os.path.join(d, pages[0]))
    check(len(pages) == 1 and plots == len(printed) - 1,
          f"one page with a spectrum per bell: {len(pages)} pages, {plots} spectra")


def main():
    binary, exporter = (os.path.abspath(arg) for arg in sys.argv[1:3])
    check = harness.Checks()
    with tempfile.TemporaryDirectory() as d:
        for name, nominal in NOMINALS.items():
            harness.write_wav(os.path.join(d, name), harness.bell(4.0, nominal=nominal,
                                                                  noise=0.0, ears=1))
        order = ["3.wav", "tenor.wav", "treble.wav", "gone.wav", "4.wav", "2.wav"]
        names = sorted(NOMINALS, key=lambda n: -NOMINALS[n])

        status, out, err = ring_command(binary, *order, cwd=d)
        check_rows(check, out, names, ["gone.wav"])
        check(status == 1 and err == "veltane: gone.wav: Failed to open file!\n",
              f"a missing recording: status {status}, stderr {err!r}")

        ring = {"format": "veltane-ring", "version": 1, "a4_hz": 440.0, "tuned_by": "x",
                "bells": [{"recording": n, "by_ear_hz": 349.5 if n == "treble.wav" else None,
                           "comment": ""} for n in order if n != "gone.wav"]}
        with open(os.path.join(d, "tower.vring"), "w") as f:
            json.dump(ring, f)
        status, out, err = ring_command(binary, os.path.join(d, "tower.vring"))
        rows = check_rows(check, out, names)
        check(status == 0 and err == "" and rows[0][6] == "349.50" and rows[1][6] == "",
              f"a ring file: status {status}, stderr {err!r}, by ear {[r[6] for r in rows]}")

        check_exports(check, exporter, d, out, ring)

        for text, reason in (("{\"format\": \"veltane-ring\"", "not JSON"),
                             (json.dumps(dict(ring, version=2)), "newer Veltane"),
                             (json.dumps(dict(ring, bells=[{"recording": 1}])), "no \"recording\"")):
            path = os.path.join(d, "bad.vring")
            with open(path, "w") as f:
                f.write(text)
            status, out, err = ring_command(binary, path)
            check(status == 1 and out == "" and err.startswith(f"veltane: {path}: ") and
                  reason in err and open(path).read() == text, f"{reason}: {status} {err!r}")

        for args in ([], ["tower.vring", "2.wav"], ["--strike", "2.wav"]):
            status, out, err = ring_command(binary, *args, cwd=d)
            check(status == 2 and out == "" and "veltane" in err, f"usage {args}: {status}")
    return check.exit_status()


if __name__ == "__main__":
    sys.exit(main())
