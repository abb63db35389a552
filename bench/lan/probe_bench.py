"""Benchmark of the device host's HTTP server: every live address of the fleet probed at once.

    tests/lan/lan-run --fleet FLEET -- /usr/bin/python3 bench/lan/probe_bench.py [--scheme http|https|both]

Sends one GET of the admin path per live address and announced scheme, all concurrently (an
asyncio client trusting the test CA), and prints how long they took and what came back: the
capacity a probe benchmark of our own client can count on.
"""

import argparse
import asyncio
import collections
import os
import resource
import ssl
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "lan"))
import lanlib  # noqa: E402


async def get(address, port, context):
    host = address + "%" + lanlib.LINK if address.startswith("fe80:") else address
    try:
        reader, writer = await asyncio.wait_for(asyncio.open_connection(
            host, port, ssl=context, server_hostname=address if context else None), 60)
        writer.write(f"GET {lanlib.ADMIN_PATH} HTTP/1.1\r\nHost: {address}\r\nConnection: close\r\n\r\n".encode())
        line = await asyncio.wait_for(reader.readline(), 60)
        writer.close()
        return int(line.split()[1])
    except (OSError, asyncio.TimeoutError, ssl.SSLError, IndexError, ValueError) as error:
        return type(error).__name__


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scheme", choices=("http", "https", "both"), default="both")
    args = parser.parse_args()
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
    context = ssl.create_default_context(cafile=os.environ["VINDRA_LAN_CA"])
    fleet = lanlib.load_fleet(os.environ["VINDRA_LAN_FLEET"])
    jobs = []
    for device in fleet["devices"]:
        for address in device["addresses"]:
            http_ports, https_ports = device["http"], device["https"]
            if args.scheme in ("http", "both"):
                jobs += [get(address, port, None) for port in http_ports]
            if args.scheme in ("https", "both"):
                jobs += [get(address, port, context) for port in https_ports]
    started = time.monotonic()
    results = await asyncio.gather(*jobs)
    seconds = time.monotonic() - started
    print(f"{len(jobs)} requests in {seconds:.2f} s: {dict(collections.Counter(results))}")


if __name__ == "__main__":
    asyncio.run(main())
