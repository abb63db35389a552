"""Benchmark: bring-up plus teardown of generated fleets, and a check that nothing is left.

    /usr/bin/python3 bench/lan/bringup_bench.py [N ...] [--runs R]

For each N (default 100 and 1000) runs `lan-run --fleet <make-fleet N> -- true` R times and
prints the wall time of each run (bring-up, empty command, teardown). After every run it checks
that the run directory is gone, that no process of the run is left and that `ip netns list` is
as before.
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
LAN = os.path.join(HERE, "..", "..", "tests", "lan")
sys.path.insert(0, LAN)
import lanlib  # noqa: E402

def processes_of(run_dir):
    """PIDs of the machine's processes whose command line names the run directory (servers, and
    the process holding the device host's namespace)."""
    found = []
    for pid in os.listdir("/proc"):
        if pid.isdigit():
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    argv = f.read().split(b"\0")
            except OSError:
                continue
            if any(run_dir.encode() in a for a in argv):
                found.append(int(pid))
    return sorted(found)


def netns_list():
    ip = lanlib.tool("ip")
    return subprocess.run([ip, "netns", "list"], capture_output=True, text=True).stdout


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("sizes", nargs="*", type=int, default=[100, 1000])
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    before_netns = netns_list()
    failed = False
    with tempfile.TemporaryDirectory() as tmp:
        for n in args.sizes:
            fleet = os.path.join(tmp, f"fleet-{n}.json")
            subprocess.run([os.path.join(HERE, "make-fleet"), str(n), "-o", fleet], check=True)
            times = []
            for _ in range(args.runs):
                started = time.monotonic()
                result = subprocess.run([os.path.join(LAN, "lan-run"), "--fleet", fleet, "--", "sh", "-c",
                                         'echo "$VINDRA_LAN_RUN"'], capture_output=True, text=True, timeout=120)
                times.append(time.monotonic() - started)
                run_dir = result.stdout.strip()
                left = processes_of(run_dir) if run_dir else []
                problems = []
                if result.returncode != 0:
                    problems.append(f"status {result.returncode}: {result.stderr.strip()}")
                if run_dir and os.path.exists(run_dir):
                    problems.append(f"run directory {run_dir} left")
                if left:
                    problems.append(f"processes left: {left}")
                if netns_list() != before_netns:
                    problems.append("ip netns list changed")
                failed |= bool(problems)
                print(f"{n:5d} devices: {times[-1]:6.2f} s  {'; '.join(problems) or 'nothing left behind'}")
            print(f"{n:5d} devices: median {statistics.median(times):.2f} s over {len(times)} runs")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
