#!/usr/bin/python3
"""Probes at a site: this tree's build beside a baseline build, median of R runs each, the two
alternating within one network, one certificate per device (lan-run --certificate-group 1), as
on a real site.

    /usr/bin/python3 bench/lan/site_bench.py NEW_BUILD BASELINE_BUILD [--runs 5] [--devices 1000]
                                             [--big 4000] [--wait 4,20]

NEW_BUILD and BASELINE_BUILD are release build trees with bench_search and vindra-scan (the
baseline e.g. ../vindra-old/build-rel, a release build of a checkout of the old main). On a fleet of --devices cameras (IPv4, IPv6, link-local
IPv6 and auto-IP addresses, HTTP and HTTPS):

* normal: bench_search of each tree (listedMs, settledMs, cpuMs);
* blackHoled: TCP to 169.254.0.0/16 dropped in the device namespace (nftables), as on a site that
  routes no auto-IP address; vindra-scan --json --wait W of each tree, and how many cameras had
  every reachable flag right (IPv4 and IPv6 as the fleet expects, auto-IP false) and how many
  were listed at all; for each W of --wait (the list is complete about a second after the
  start);
* openBound (this tree only, black-holed): bench_probe_bound --count-open: the most probes being
  opened and out at once, and the most TCP connections open at once.

Then on --big cameras with one IPv4 address each: bench_search of each tree (settledMs: every
probe settled).
Prints one JSON line per measurement and the medians.
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
LAN_RUN = os.path.join(HERE, "..", "..", "tests", "lan", "lan-run")
MAKE_FLEET = os.path.join(HERE, "make-fleet")
FLAGS = ("isIpv4Enabled", "isIpv4HttpsEnabled", "isIpv6Enabled", "isIpv6HttpsEnabled")


def run_json(argv, timeout=300):
    env = dict(os.environ, SSL_CERT_FILE=os.environ["VINDRA_LAN_CA"])
    out = subprocess.run(argv, capture_output=True, text=True, env=env, timeout=timeout).stdout
    return [json.loads(line) for line in out.splitlines() if line.startswith("{")]


def black_hole():
    with open(os.path.join(os.environ["VINDRA_LAN_RUN"], "state.json"), encoding="utf-8") as f:
        pid = str(json.load(f)["device_pid"])
    rules = ("add table inet sitebench\n"
             "add chain inet sitebench input { type filter hook input priority 0; }\n"
             "add rule inet sitebench input ip daddr 169.254.0.0/16 meta l4proto tcp drop\n")
    subprocess.run(["nsenter", "-t", pid, "-n", "--", "nft", "-f", "-"], input=rules, text=True,
                   check=True)


def flags_right(cameras):
    with open(os.environ["VINDRA_LAN_FLEET"], encoding="utf-8") as f:
        expected = {e["macAddress"]: e for e in json.load(f)["expected"]}
    right = 0
    for camera in cameras:
        want = expected.get(camera.get("macAddress"))
        variants = [want] + [{**want, **alt} for alt in want.get("alternatives", [])] if want else []
        if any(camera["ipv6"] == v["ipv6"] and all(camera[k] == v[k] for k in FLAGS)
               for v in variants) and not (camera["isAutoIpEnabled"] or camera["isAutoIpHttpsEnabled"]):
            right += 1
    return right


def inside(args):
    trees = {"new": args.new, "baseline": args.baseline}
    results = {}

    def record(name, tree, value):
        print(json.dumps({"measure": name, "tree": tree, **value}), flush=True)
        results.setdefault((name, tree), []).append(value)

    if args.stage == "site":
        for _ in range(args.runs):
            for tree, build in trees.items():
                record("normal", tree, run_json([f"{build}/bench/discovery/bench_search", "--once"])[-1])
        black_hole()
        for wait in args.wait:
            for _ in range(args.runs):
                for tree, build in trees.items():
                    cameras = run_json([f"{build}/cli/vindra-scan", "--json", "--wait", str(wait)])
                    record(f"blackHoled{wait:g}s", tree, {"listed": len(cameras),
                                                          "flagsRight": flags_right(cameras)})
        record("openBound", "new", run_json([f"{args.new}/bench/discovery/bench_probe_bound",
                                             "--count-open"])[-1])
    else:
        for _ in range(args.runs):
            for tree, build in trees.items():
                record("big", tree, run_json([f"{build}/bench/discovery/bench_search", "--once"])[-1])
    for (name, tree), values in results.items():
        medians = {k: statistics.median(v[k] for v in values)
                   for k in values[0] if isinstance(values[0][k], (int, float))}
        print(json.dumps({"median": name, "tree": tree, "runs": len(values), **medians}), flush=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("new")
    parser.add_argument("baseline")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--devices", type=int, default=1000)
    parser.add_argument("--big", type=int, default=4000)
    parser.add_argument("--wait", type=lambda text: [float(w) for w in text.split(",")], default=[4.0, 20.0])
    parser.add_argument("--stage", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.stage:
        return inside(args)
    args.new, args.baseline = os.path.abspath(args.new), os.path.abspath(args.baseline)
    with tempfile.TemporaryDirectory() as tmp:
        # The big fleet has one IPv4 address per device: four addresses each for 4000 devices are
        # more than the device host's listeners take.
        for stage, count, extra in (("site", args.devices, []), ("big", args.big, ["--v4-only"])):
            fleet = os.path.join(tmp, f"{stage}.json")
            subprocess.run([sys.executable, MAKE_FLEET, str(count), *extra, "-o", fleet], check=True)
            subprocess.run([LAN_RUN, "--fleet", fleet, "--certificate-group", "1", "--", sys.executable, os.path.abspath(__file__),
                            args.new, args.baseline, "--runs", str(args.runs),
                            "--wait", ",".join(f"{w:g}" for w in args.wait),
                            "--stage", stage], check=True)


if __name__ == "__main__":
    main()
