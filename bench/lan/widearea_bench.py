#!/usr/bin/python3
"""Wide-area browsing, timed: bench_search on N far cameras (only in the site's DNS) and on N
mDNS cameras, under lan-run, with the UDP datagrams the client sent (DNS questions, plus the few
mDNS queries) per search.

    /usr/bin/python3 bench/lan/widearea_bench.py BENCH_SEARCH [BASELINE_BENCH_SEARCH] [--devices N] [--runs R]

BASELINE_BENCH_SEARCH (e.g. one built from main, without wide-area browsing) is run on the mDNS
fleet too, in the same network, so that the two listing times compare like for like.
"""

import argparse
import json
import os
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
LAN_RUN = os.path.join(HERE, "..", "..", "tests", "lan", "lan-run")

# Inside lan-run: the client's UDP counters around the benchmark's runs.
SCRIPT = """
udp() { awk '/^Udp: [0-9]/ {print $5}' /proc/net/snmp; }
for bench in "$@"; do
    before=$(udp)
    SSL_CERT_FILE=$VINDRA_LAN_CA "$bench" --runs $RUNS | tail -1 | tr -d '\\n'
    echo " {\\"udpOut\\": $(( $(udp) - before ))}"
done
"""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bench")
    parser.add_argument("baseline", nargs="?")
    parser.add_argument("--devices", type=int, default=1000)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as tmp:
        for kind, extra, benches in (("far (DNS only)", ["--far"], [args.bench]),
                                     ("mDNS", [], [args.bench] + ([args.baseline] if args.baseline else []))):
            fleet = os.path.join(tmp, "fleet.json")
            subprocess.run([os.path.join(HERE, "make-fleet"), str(args.devices), *extra, "-o", fleet], check=True)
            run = subprocess.run([LAN_RUN, "--fleet", fleet, "--", "sh", "-c", SCRIPT, "sh", *benches],
                                 capture_output=True, text=True, env=dict(os.environ, RUNS=str(args.runs)), timeout=900)
            for bench, line in zip(benches, run.stdout.splitlines()):
                medians, counter = line.rsplit(" {", 1)
                result = dict(json.loads(medians), **json.loads("{" + counter))
                result["udpOutPerSearch"] = result.pop("udpOut") / args.runs
                print(f"{kind:15} {os.path.relpath(bench)}: {json.dumps(result)}")
            if run.returncode:
                print(run.stderr[-2000:])


if __name__ == "__main__":
    main()
