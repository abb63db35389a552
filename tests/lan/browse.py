"""A python3-zeroconf browser for the client host: another mDNS stack, and the harness's peer.

    /usr/bin/python3 browse.py [--type _http._tcp] [--seconds S] [--expect N]   print services as JSON
    /usr/bin/python3 browse.py --forever                                        browse until SIGTERM

The first form browses the given types (default "_http._tcp"; repeatable) until S seconds have
passed or N services are fully resolved (TXT, SRV and addresses), and prints one JSON object
{instance: {"type", "host", "port", "addresses", "txt_hex"}}. --forever binds UDP 5353 like any
other responder on the host would, prints "ready" and keeps browsing "_http._tcp".
"""

import argparse
import asyncio
import json
import os
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import lanlib  # noqa: E402

from zeroconf import IPVersion, InterfaceChoice, ServiceStateChange
from zeroconf.asyncio import AsyncServiceBrowser, AsyncServiceInfo, AsyncZeroconf


async def collect(types, seconds, expect):
    azc = AsyncZeroconf(interfaces=InterfaceChoice.Default, ip_version=IPVersion.All)
    found = {}
    pending = set()

    async def resolve(type_, name):
        info = AsyncServiceInfo(type_, name)
        # Ask until every part is there: the responder answers a PTR query with SRV, TXT and
        # addresses as additionals, so this normally needs no further question.
        for _ in range(20):
            if await info.async_request(azc.zeroconf, 1000) and info.text is not None:
                break
        # Address records may come in a later packet than the first one: settle, then re-read.
        await asyncio.sleep(0.5)
        info.load_from_cache(azc.zeroconf)
        instance = name[: -len(type_) - 1]
        found[instance] = {
            "type": type_.removesuffix(".local."),
            "host": (info.server or "").removesuffix(".local."),
            "port": info.port,
            "addresses": sorted(info.parsed_scoped_addresses(IPVersion.All)),
            "txt_hex": (info.text or b"").hex(),
        }

    def on_change(zeroconf, service_type, name, state_change):
        if state_change is ServiceStateChange.Added:
            task = asyncio.ensure_future(resolve(service_type, name))
            pending.add(task)
            task.add_done_callback(pending.discard)

    browser = AsyncServiceBrowser(azc.zeroconf, [t + ".local." for t in types], handlers=[on_change])
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline and not (expect and len(found) >= expect and not pending):
        await asyncio.sleep(0.05)
    await browser.async_cancel()
    for task in list(pending):
        task.cancel()
    await azc.async_close()
    return found


async def forever():
    # Asks over both families, like a desktop's own mDNS daemon would.
    azc = AsyncZeroconf(interfaces=[lanlib.CLIENT_V4, lanlib.CLIENT_LL], ip_version=IPVersion.All)
    browser = AsyncServiceBrowser(azc.zeroconf, ["_http._tcp.local."], handlers=[lambda **_: None])
    print("ready", flush=True)
    await asyncio.Event().wait()
    await browser.async_cancel()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--type", action="append", dest="types")
    parser.add_argument("--seconds", type=float, default=10)
    parser.add_argument("--expect", type=int, default=0)
    parser.add_argument("--forever", action="store_true")
    args = parser.parse_args()
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    if args.forever:
        asyncio.run(forever())
        return
    result = asyncio.run(collect(args.types or ["_http._tcp"], args.seconds, args.expect))
    print(json.dumps(result, ensure_ascii=False, sort_keys=True))


if __name__ == "__main__":
    main()
