"""mDNS benchmark: the embedded querier against python3-zeroconf on the simulated network.

    /usr/bin/python3 bench/mdns/bench.py DRIVER [--sizes 100,1000] [--runs 5] [--loss-runs 10]
                                         [--baseline OTHER-DRIVER] [--hold-back] [--avahi]
                                         [--loss PERCENT] [--embedded HOSTS]

DRIVER is a release build of vindra-mdns-browse (e.g. build/bench/mdns/vindra-mdns-browse).
For each fleet size one lan-run brings up the network; inside it the two tools take turns, a
pause apart so that no responder still holds back answers from the previous turn. Reported per
size: median time from browse start until every service has its TXT record and addresses (ours:
the first TXT report of the last service, addresses read then, as the discovery model does),
the ratio to the peer, services short of addresses, receive-buffer drops; for --detail-size
(default 1000 if measured, else the largest size) also packets and bytes sent during a 5-second
browse, and losses over --loss-runs runs; for ours
and the baseline also the tail: how long after the last response that came before completion
the browse was complete. With --hold-back the responder holds every answer to a shared record
(PTR) back for 20-120 ms and multicasts it, even to a QU question (hold_back.py).
--avahi: an avahi-daemon shares UDP 5353 on the client (as on most desktops), so only multicast
answers are sure to reach us. --loss P: nftables drops P % of the client's mDNS datagrams each
way (`numgen random`), and every run is a 5-second browse. --embedded N: instead of the sizes,
the embedded-responder site of tests/lan (N hosts running Debian's mdnsd); the peer uses IPv4.
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
LAN = os.path.join(HERE, "..", "..", "tests", "lan")
sys.path.insert(0, LAN)
import lanlib  # noqa: E402

PAUSE = 1.5


def ours(driver, fleet, seconds, until_complete):
    devices = [d for d in fleet["devices"] if d["type"] == "_http._tcp"]
    expected = {d["instance"]: set(d["addresses"] + d["dead"]) for d in devices}
    args = [driver, "--time", str(seconds)]
    if until_complete:
        args += ["--until-complete", str(len(devices))]
    run = subprocess.run(args, capture_output=True, text=True, timeout=seconds + 30)
    events = [json.loads(line) for line in run.stdout.splitlines()]
    txt = {}
    for e in events:
        if e["event"] == "txt" and e["name"] not in txt:
            txt[e["name"]] = e
    done = events[-1]
    complete = len(txt)
    elapsed = max(e["t"] for e in txt.values()) if complete >= len(devices) else None
    short = sum(1 for name, e in txt.items()
                if set(a.split("%")[0] for a in e["addresses"]) != expected.get(name))
    tail = elapsed - done["last_response"] if elapsed is not None and done.get("last_response", -1) >= 0 else None
    return {"elapsed": elapsed, "complete": complete, "short": short, "tail": tail,
            "drops": done.get("receive_drops"), "packets": done.get("packets_sent"),
            "bytes": done.get("bytes_sent"), "questions": done.get("questions_sent")}


def peer(fleet_path, seconds, ipv4_only=False):
    run = subprocess.run(["/usr/bin/python3", os.path.join(HERE, "peer.py"), fleet_path,
                          "--seconds", str(seconds)] + (["--ipv4-only"] if ipv4_only else []),
                         capture_output=True, text=True, timeout=seconds + 30)
    result = json.loads(run.stdout.strip().splitlines()[-1])
    result["short"] = result["complete"] - result["all_addresses"]
    return result


def start_avahi(run):
    """avahi-daemon on the client's lan0, with its own configuration; its /run is the run
    directory's (pid file, socket), so nothing of it reaches the machine's."""
    folder = os.path.join(run, "avahi")
    os.makedirs(folder)
    with open(os.path.join(folder, "avahi-daemon.conf"), "w") as f:
        f.write("[server]\nallow-interfaces=lan0\nenable-dbus=no\nuse-ipv4=yes\nuse-ipv6=yes\n"
                "[wide-area]\nenable-wide-area=no\n[publish]\ndisable-publishing=yes\n")
    daemon = subprocess.Popen(["unshare", "-m", "--propagation", "private", "sh", "-c",
                               f"mount --bind {folder} /run && exec /usr/sbin/avahi-daemon --no-chroot "
                               f"--no-drop-root --no-rlimits -f {folder}/avahi-daemon.conf"],
                              stdout=subprocess.DEVNULL, stderr=open(os.path.join(folder, "log"), "w"))
    if not lanlib.wait_until(lambda: daemon.poll() is not None or
                             any(line.split()[1].endswith(":14E9") for t in ("/proc/net/udp", "/proc/net/udp6")
                                 for line in open(t).readlines()[1:]), 10) or daemon.poll() is not None:
        raise RuntimeError("avahi-daemon did not start")
    return daemon


def drop_mdns(percent):
    """nftables in the client's namespace drops `percent` % of mDNS datagrams each way."""
    rule = f"udp dport 5353 numgen random mod 100 < {percent} drop"
    subprocess.run(["nft", "-f", "-"], check=True, text=True, input=(
        "table inet vindra_loss {\n"
        f"  chain in {{ type filter hook input priority 0; {rule}; }}\n"
        f"  chain out {{ type filter hook output priority 0; {rule}; }}\n}}\n"))


def embedded_fleet(hosts, run):
    """The embedded-responder site, its announcements over; a fleet file that describes it."""
    sys.path.insert(0, LAN)
    import embedded_test
    cameras, _ = embedded_test.bring_up(lanlib.state()["device_pid"], run, hosts)
    path = os.path.join(run, "embedded-fleet.json")
    with open(path, "w") as f:
        json.dump({"devices": [{"instance": c["name"], "host": c["name"], "port": 80,
                                "addresses": [c["ipv4"], c["ipv6"]], "txt": c["txt"]} for c in cameras]}, f)
    time.sleep(embedded_test.ANNOUNCEMENTS)
    return path


def inside(args):
    """Runs on the client host under lan-run."""
    run_dir = os.environ["VINDRA_LAN_RUN"]
    fleet_path = embedded_fleet(args.embedded, run_dir) if args.embedded else os.environ["VINDRA_LAN_FLEET"]
    fleet = lanlib.load_fleet(fleet_path)
    results = {"ours": [], "peer": [], "base": [], "loss": []}
    avahi = start_avahi(run_dir) if args.avahi else None
    if args.loss:
        drop_mdns(args.loss)
    seconds = 5 if args.loss else 10
    time.sleep(PAUSE)
    for _ in range(args.runs):
        results["ours"].append(ours(args.driver, fleet, seconds, True))
        time.sleep(PAUSE)
        results["peer"].append(peer(fleet_path, seconds, bool(args.embedded)))
        time.sleep(PAUSE)
        if args.baseline:
            results["base"].append(ours(args.baseline, fleet, seconds, True))
            time.sleep(PAUSE)
    if args.traffic:
        results["traffic"] = ours(args.driver, fleet, 5, False)
        time.sleep(PAUSE)
        if args.baseline:
            results["base_traffic"] = ours(args.baseline, fleet, 5, False)
            time.sleep(PAUSE)
    for _ in range(args.loss_runs):
        results["loss"].append(ours(args.driver, fleet, 10, True))
        time.sleep(PAUSE)
    if avahi:
        avahi.terminate()
        avahi.wait(10)
    print(json.dumps(results))


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def report(size, results):
    ours_ms = median([r["elapsed"] for r in results["ours"]])
    peer_ms = median([r["elapsed"] for r in results["peer"]])
    print(f"{size} devices, median of {len(results['ours'])}:")
    tail = median([r["tail"] for r in results["ours"]])
    if tail is not None:
        print(f"  ours, complete after the last response: {tail:.1f} ms "
              f"(runs: {[None if r['tail'] is None else round(r['tail'], 1) for r in results['ours']]})")
    base_tail = median([r["tail"] for r in results["base"]])
    if base_tail is not None:
        print(f"  baseline, complete after the last response: {base_tail:.1f} ms "
              f"(runs: {[None if r['tail'] is None else round(r['tail'], 1) for r in results['base']]})")
    print(f"  ours: {ours_ms:.1f} ms" if ours_ms is not None else "  ours: incomplete",
          f"(runs: {[None if r['elapsed'] is None else round(r['elapsed'], 1) for r in results['ours']]}, "
          f"short of addresses: {[r['short'] for r in results['ours']]}, drops: {[r['drops'] for r in results['ours']]})")
    print(f"  peer: {peer_ms:.1f} ms" if peer_ms is not None else "  peer: incomplete",
          f"(runs: {[None if r['elapsed'] is None else round(r['elapsed'], 1) for r in results['peer']]}, "
          f"complete: {[r['complete'] for r in results['peer']]}, short of addresses: {[r['short'] for r in results['peer']]}, "
          f"drops: {[r['drops'] for r in results['peer']]})")
    if ours_ms and peer_ms:
        print(f"  peer / ours: {peer_ms / ours_ms:.2f}")
    if results.get("base"):
        base_ms = median([r["elapsed"] for r in results["base"]])
        print(f"  baseline: {base_ms:.1f} ms" if base_ms is not None else "  baseline: incomplete",
              f"(runs: {[None if r['elapsed'] is None else round(r['elapsed'], 1) for r in results['base']]}, "
              f"short of addresses: {[r['short'] for r in results['base']]}, drops: {[r['drops'] for r in results['base']]})")
        if ours_ms and base_ms:
            print(f"  baseline / ours: {base_ms / ours_ms:.2f}")
    for key, who in (("traffic", "ours"), ("base_traffic", "baseline")):
        if key in results:
            t = results[key]
            print(f"  5-second browse, {who}: {t['packets']} datagrams sent ({t['packets'] // 2} messages, "
                  f"each to IPv4 and IPv6), {t['bytes']} bytes, {t['questions']} questions, complete {t['complete']}")
    if results["loss"]:
        lost = [len_ - r["complete"] for r, len_ in ((r, size) for r in results["loss"])]
        print(f"  {len(results['loss'])} more runs: lost {lost}, short of addresses "
              f"{[r['short'] for r in results['loss']]}, drops {[r['drops'] for r in results['loss']]}, "
              f"times {[None if r['elapsed'] is None else round(r['elapsed'], 1) for r in results['loss']]}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("driver")
    parser.add_argument("--sizes", default="100,1000")
    parser.add_argument("--baseline", help="another build of the driver, run in the same turns")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--loss-runs", type=int, default=10)
    parser.add_argument("--detail-size", type=int, help="the size for traffic and loss runs")
    parser.add_argument("--hold-back", action="store_true",
                        help="the responder multicasts answers to shared records 20-120 ms late")
    parser.add_argument("--avahi", action="store_true", help="an avahi-daemon shares port 5353 on the client")
    parser.add_argument("--loss", type=int, default=0, help="percent of mDNS datagrams dropped each way")
    parser.add_argument("--embedded", type=int, default=0, help="the embedded-responder site with this many hosts")
    parser.add_argument("--inside", action="store_true", help=argparse.SUPPRESS)
    parser.add_argument("--traffic", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    args.driver = os.path.abspath(args.driver)
    args.baseline = args.baseline and os.path.abspath(args.baseline)
    if args.inside:
        inside(args)
        return
    sizes = [args.embedded] if args.embedded else [int(s) for s in args.sizes.split(",")]
    options = (["--avahi"] if args.avahi else []) + (["--loss", str(args.loss)] if args.loss else []) + (
        ["--embedded", str(args.embedded)] if args.embedded else [])
    with tempfile.TemporaryDirectory() as directory:
        for size in sizes:
            fleet = os.path.join(LAN, "fleets", "embedded.json")
            if not args.embedded:
                fleet = os.path.join(directory, f"fleet-{size}.json")
                subprocess.run(["/usr/bin/python3", os.path.join(HERE, "..", "lan", "make-fleet"), str(size),
                                "--no-http", "-o", fleet], check=True)
            largest = size == (args.detail_size or (1000 if 1000 in sizes else max(sizes)))
            run = subprocess.run(
                [os.path.join(LAN, "lan-run"), "--fleet", fleet, "--", "/usr/bin/python3",
                 os.path.abspath(__file__), args.driver, "--inside", "--runs", str(args.runs),
                 "--loss-runs", str(args.loss_runs if largest else 0)] + options
                + (["--traffic"] if largest else [])
                + (["--baseline", args.baseline] if args.baseline else []),
                capture_output=True, text=True, timeout=3600,
                env=dict(os.environ, **({"VINDRA_LAN_RESPONDER_MODULE": os.path.join(HERE, "hold_back.py")}
                                        if args.hold_back else {})))
            if run.returncode != 0:
                print(f"{size} devices: lan-run failed ({run.returncode}): {run.stderr[-2000:]}")
                continue
            report(size, json.loads(run.stdout.strip().splitlines()[-1]))
            sys.stdout.flush()


if __name__ == "__main__":
    main()
