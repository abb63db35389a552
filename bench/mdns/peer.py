"""The peer of the mDNS benchmark: python3-zeroconf's browser and resolver.

    /usr/bin/python3 peer.py FLEET [--seconds S] [--ipv4-only]

Browses "_http._tcp" and resolves every service it hears of (AsyncServiceInfo.async_request),
and prints one JSON object: "elapsed" (ms from browse start until every fleet service has its
TXT record and at least one address, or null), "complete" (services with TXT and an address),
"all_addresses" (services with every address of the fleet file) and "drops" (the kernel's
receive-buffer drops of the UDP 5353 sockets, from /proc/net/udp*). --ipv4-only: its sockets
use IPv4 alone (as it must for responders that answer only over IPv4). For the simulated network
only (bench.py runs it under lan-run).
"""

import argparse
import asyncio
import json
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "lan"))
import lanlib  # noqa: E402

from zeroconf import IPVersion, InterfaceChoice, ServiceStateChange  # noqa: E402
from zeroconf.asyncio import AsyncServiceBrowser, AsyncServiceInfo, AsyncZeroconf  # noqa: E402

TYPE = "_http._tcp.local."


def udp_5353_drops():
    drops = 0
    for table in ("/proc/net/udp", "/proc/net/udp6"):
        with open(table) as f:
            for line in f.readlines()[1:]:
                columns = line.split()
                if columns[1].endswith(":14E9"):
                    drops += int(columns[-1])
    return drops


async def main(fleet, seconds, ip_version):
    devices = {d["instance"]: d for d in fleet["devices"] if d["type"] == "_http._tcp"}
    azc = AsyncZeroconf(interfaces=InterfaceChoice.Default, ip_version=ip_version)
    complete = {}
    tasks = set()
    start = time.monotonic()
    done = asyncio.Event()

    async def resolve(name):
        info = AsyncServiceInfo(TYPE, name)
        deadline = start + seconds
        while time.monotonic() < deadline:
            if await info.async_request(azc.zeroconf, 3000) and info.text is not None \
                    and info.parsed_addresses(IPVersion.All):
                break
        if info.text is not None and info.parsed_addresses(IPVersion.All):
            instance = name[: -len(TYPE) - 1]
            complete[instance] = (time.monotonic() - start,
                                  set(a.split("%")[0] for a in info.parsed_addresses(IPVersion.All)))
            if len(complete) >= len(devices):
                done.set()

    def on_change(zeroconf, service_type, name, state_change):
        if state_change is ServiceStateChange.Added:
            task = asyncio.ensure_future(resolve(name))
            tasks.add(task)
            task.add_done_callback(tasks.discard)

    browser = AsyncServiceBrowser(azc.zeroconf, [TYPE], handlers=[on_change])
    try:
        await asyncio.wait_for(done.wait(), seconds)
    except asyncio.TimeoutError:
        pass
    drops = udp_5353_drops()
    await browser.async_cancel()
    for task in list(tasks):
        task.cancel()
    await azc.async_close()
    elapsed = max(t for t, _ in complete.values()) if len(complete) >= len(devices) else None
    all_addresses = sum(1 for name, (_, addresses) in complete.items()
                        if name in devices
                        and addresses == set(devices[name]["addresses"] + devices[name]["dead"]))
    print(json.dumps({"elapsed": None if elapsed is None else elapsed * 1000,
                      "complete": len(complete), "all_addresses": all_addresses, "drops": drops}))


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("fleet")
    parser.add_argument("--seconds", type=float, default=10)
    parser.add_argument("--ipv4-only", action="store_true")
    args = parser.parse_args()
    asyncio.run(main(lanlib.load_fleet(args.fleet), args.seconds,
                     IPVersion.V4Only if args.ipv4_only else IPVersion.All))
