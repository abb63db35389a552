#!/usr/bin/python3
"""The real window with DEVICES cameras on the simulated network, beside another build.

    /usr/bin/python3 bench/app/window_bench.py OURS [BASELINE] [--devices 4000] [--runs 5]

OURS and BASELINE are release builds of bench_window (bench/app/bench_window.cpp): OURS from
this tree (build-rel/bench/app/bench_window), BASELINE from the old main through
bench/app/baseline/CMakeLists.txt. A fleet from bench/lan/make-fleet (--v4-only --no-ports: one
IPv4 address per camera, HTTP on port 80, which answers 200) comes up once under
tests/lan/lan-run; inside it the builds take turns, a pause apart. Reported per build: medians of
the time until the list was complete and every probe settled, the process CPU over the first
14 s, the event loop's longest block (longest event delivery, greatest heartbeat lateness) and
the slowest key typed into the filter until the table painted; ratios ours/baseline.
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..")
PAUSE = 1.5


def run(driver, devices):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    out = subprocess.run([driver, str(devices), "S000777"], capture_output=True, text=True,
                         timeout=60, env=env)
    return json.loads(out.stdout.strip().splitlines()[-1])


def inside(args):
    results = {name: [] for name in args.drivers}
    for _ in range(args.runs):
        for name in args.drivers:
            time.sleep(PAUSE)
            results[name].append(run(name, args.devices))
    print(json.dumps(results))


def median(values):
    return statistics.median(values) if values else float("nan")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("drivers", nargs="+")
    parser.add_argument("--devices", type=int, default=4000)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--inside", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    args.drivers = [os.path.abspath(d) for d in args.drivers]
    if args.inside:
        return inside(args)
    with open("/proc/loadavg") as f:
        print("load average before:", f.read().strip())
    with tempfile.TemporaryDirectory() as scratch:
        fleet = os.path.join(scratch, "fleet.json")
        subprocess.run([os.path.join(ROOT, "bench", "lan", "make-fleet"), str(args.devices),
                        "--v4-only", "--no-ports", "-o", fleet], check=True)
        out = subprocess.run([os.path.join(ROOT, "tests", "lan", "lan-run"), "--fleet", fleet, "--",
                              "/usr/bin/python3", os.path.abspath(__file__), *args.drivers,
                              "--devices", str(args.devices), "--runs", str(args.runs), "--inside"],
                             capture_output=True, text=True, check=True)
    results = json.loads(out.stdout.strip().splitlines()[-1])
    with open("/proc/loadavg") as f:
        print("load average after:", f.read().strip())
    rows = []
    for name in args.drivers:
        runs = results[name]
        complete = [r["complete_ms"] / 1000 for r in runs if r["complete_ms"] >= 0]
        figures = {
            "complete_s": median(complete),
            "cpu_14s": median([r["cpu_14s"] for r in runs]),
            "block_ms": median([max(r["longest_event_ms"], r["longest_heartbeat_delay_ms"]) for r in runs]),
            "slowest_key_ms": median([max(r["key_ms"]) for r in runs if r["key_ms"]]),
        }
        rows.append((name, figures, len(runs) - len(complete)))
    print(f"{args.devices} devices, median of {args.runs}")
    for name, figures, incomplete in rows:
        print(name)
        for key, value in figures.items():
            ratio = f"  ratio {value / rows[-1][1][key]:.2f}" if len(rows) > 1 and name != rows[-1][0] \
                and rows[-1][1][key] == rows[-1][1][key] and rows[-1][1][key] else ""
            print(f"  {key:16} {value:8.3f}{ratio}")
        if incomplete:
            print(f"  runs not complete within 14 s: {incomplete}")
    print(json.dumps(results))


if __name__ == "__main__":
    sys.exit(main())
