#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""CPU of recording in build/veltane against parec, measured in one run.

In one Xvfb + openbox + private PulseAudio session, the sink's monitor the default
source, one core kept busy by a spinning process throughout, and each client at
the latency it asks for (no 100 ms imposed on all, as the end-to-end tests do,
which would make parec's 43 ms 100 ms too), and no other client on the source
(the harness's recorder of the sink, at 20 ms, stops once the window sounds: the
server would deliver every client's samples in its 20 ms blocks); --as-e2e keeps
both, as the end-to-end tests have them:

  idle      - the program's CPU over the span with its tone playing, not
              recording;
  recording - the same span while Record listens (the wait for a strike set
              longer than the span, so that the capture runs all the time; the
              tone silenced, as by default, so the output is closed);
  parec     - parec recording the same source at the program's format (mono,
              16-bit, 48000 Hz) for the same span, at the same time as the
              program records: once with its default latency, once asking for
              43 ms (near the program's own: SDL's buffer of 2400 frames, 50 ms).

It reports CPU seconds and percent of one core for each, the recording/parec
ratio for the whole process and for what recording adds to the idle program,
the program's CPU while recording thread by thread (by the names the threads
give themselves), and the overruns the program reports at the end of the take
(none unless it says "the input device overran"). With --perf FILE, perf
records call graphs of the program over the recording span into FILE.

  /usr/bin/python3 bench/capture/measure_capture.py --binary build/veltane [--seconds 60]
      [--perf perf.data] [--as-e2e]
"""

import argparse
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts", "e2e"))
import harness  # noqa: E402

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    """User plus system CPU of a process so far, in seconds."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def thread_seconds(pid):
    """Each live thread of a process by thread id: (name, CPU seconds so far,
    wake-ups so far). The window thread is the one whose id is the process's."""
    threads = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/stat") as f:
                stat = f.read()
            with open(f"/proc/{pid}/task/{tid}/status") as f:
                wakes = sum(int(line.split()[1]) for line in f
                            if line.startswith(("voluntary_ctxt", "nonvoluntary_ctxt")))
        except OSError:
            continue  # ended meanwhile
        name = "window" if tid == str(pid) else stat[stat.index("(") + 1:stat.rindex(")")]
        fields = stat.rsplit(")", 1)[1].split()
        threads[tid] = (name, (int(fields[11]) + int(fields[12])) / TICKS, wakes)
    return threads


def by_thread(before, after):
    """CPU seconds and wake-ups of each thread name between two readings, most CPU
    first; a thread that started within the span counts from its start."""
    names = {}
    for tid, (name, seconds, wakes) in after.items():
        _, seconds0, wakes0 = before.get(tid, (name, 0.0, 0))
        cpu, count = names.get(name, (0.0, 0))
        names[name] = (cpu + seconds - seconds0, count + wakes - wakes0)
    return sorted(names.items(), key=lambda item: -item[1][0])


def span(pids, seconds):
    before = [cpu_seconds(p) for p in pids]
    time.sleep(seconds)
    return [cpu_seconds(p) - b for p, b in zip(pids, before)]


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawTextHelpFormatter)
    ap.add_argument("--binary", required=True)
    ap.add_argument("--seconds", type=float, default=60.0)
    ap.add_argument("--perf", help="record perf call graphs of the recording span here")
    ap.add_argument("--as-e2e", action="store_true",
                    help="100 ms imposed on every client and the 20 ms recorder kept running")
    args = ap.parse_args()
    with harness.Session(server_buffer=args.as_e2e) as s:
        s.run(["pactl", "set-default-source", harness.SINK + ".monitor"])
        conf = os.path.join(s.env["HOME"], ".config", "veltane")
        os.makedirs(conf)
        with open(os.path.join(conf, "veltane.conf"), "w") as f:
            f.write(f"[Record]\nFolder={s.dir}/takes\nNoStrikeWait=600\n")
        busy = s.spawn([sys.executable, "-c", "while True: pass"])
        rec, app, _ = s.start_veltane(args.binary)
        if not args.as_e2e:
            rec.stop()
        time.sleep(2.0)
        (idle,) = span([app.proc.pid], args.seconds)
        app.key("ctrl+r")
        time.sleep(1.0)
        parecs = [s.spawn(["parec", "--format=s16le", "--rate=48000", "--channels=1", "--raw",
                           *latency], stdout=subprocess.DEVNULL)
                  for latency in ([], ["--latency-msec=43"])]
        time.sleep(1.0)
        perf = (subprocess.Popen(["perf", "record", "-g", "-q", "-o", args.perf, "-p",
                                  str(app.proc.pid)], stderr=subprocess.DEVNULL)
                if args.perf else None)
        threads_before = thread_seconds(app.proc.pid)
        recording, *references = span([app.proc.pid] + [p.pid for p in parecs], args.seconds)
        threads = by_thread(threads_before, thread_seconds(app.proc.pid))
        if perf:
            perf.send_signal(2)  # SIGINT: perf writes its file and ends
            perf.wait(10)
        app.key("ctrl+r")
        time.sleep(1.0)
        app.click_du(*harness.EXIT_BUTTON)
        status = harness.Loader(s, app, None, lambda ok, what: ok).wait_exit(5.0)
        err = app.stderr()
        for proc in (*parecs, busy):
            harness._end_process(proc)
        if args.as_e2e:
            rec.stop()
    pct = lambda cpu: 100.0 * cpu / args.seconds  # noqa: E731
    print(f"span {args.seconds:.0f} s, one core busy (load {os.getloadavg()[0]:.2f})")
    print(f"veltane idle      {idle:6.2f} s CPU  {pct(idle):5.2f} %")
    print(f"veltane recording {recording:6.2f} s CPU  {pct(recording):5.2f} %")
    for reference, how in zip(references, ("default latency", "43 ms latency")):
        print(f"parec, {how:15} {reference:6.2f} s CPU  {pct(reference):5.2f} %  "
              f"recording / parec: whole process {recording / max(reference, 1e-9):.2f}, "
              f"what recording adds {(recording - idle) / max(reference, 1e-9):.2f}")
    print("veltane recording, by thread (CPU s, wake-ups a second): " +
          ", ".join(f"{name} {cpu:.2f} s {wakes / args.seconds:.0f}/s"
                    for name, (cpu, wakes) in threads if cpu > 0 or wakes > 0))
    overran = [line for line in err.splitlines() if "overran" in line]
    print(f"overruns: {overran[0] if overran else 0}; exit status {status}")
    return 0 if status == 0 and not overran else 1


if __name__ == "__main__":
    sys.exit(main())
