"""Shared code of the simulated camera network: fleet files, TXT encoding, helpers for tests,
a python3-zeroconf browser (collect; `lanlib.py forever` is another mDNS stack on the client's
UDP 5353) and $VINDRA_LAN_CTL, which acts on the device host of the running lan-run:

    $VINDRA_LAN_CTL txt INSTANCE ENTRY...   replace the service's TXT record (announced)
    $VINDRA_LAN_CTL vanish INSTANCE         the device leaves without a goodbye
    $VINDRA_LAN_CTL requests                print the HTTP request log, one JSON object a line

Runs under Debian's /usr/bin/python3 (the one that has python3-zeroconf).
"""

import asyncio
import ipaddress
import json
import os
import shutil
import socket
import ssl
import subprocess
import sys
import time

from zeroconf import IPVersion, InterfaceChoice, ServiceStateChange
from zeroconf.asyncio import AsyncServiceBrowser, AsyncServiceInfo, AsyncZeroconf

# The only ranges the simulated network may use; anything else in a fleet file is refused.
ALLOWED = [ipaddress.ip_network(n) for n in ("198.18.0.0/15", "169.254.0.0/16", "2001:db8::/32", "fe80::/10")]
# Far devices (published in the site's DNS only) sit behind the device host on these networks.
FAR = [ipaddress.ip_network(n) for n in ("198.18.64.0/18", "2001:db8:0:2::/64")]


def host_addresses(host):
    """The link addresses of host 1 (the client) or 2 (the device host): IPv4, auto-IP, IPv6, link-local."""
    return [f"198.18.0.{host}", f"169.254.0.{host}", f"2001:db8::{host}", f"fe80::{host}"]


CLIENT_V4, _, _, CLIENT_LL = host_addresses(1)
DEVICE_V4, _, DEVICE_V6, DEVICE_LL = host_addresses(2)
CLIENT_MAC, DEVICE_MAC = "02:00:5e:10:00:01", "02:00:5e:10:00:02"
RESERVED = set(host_addresses(1) + host_addresses(2))
LINK = "lan0"
ADMIN_PATH = "/admin/-set-?el=aa00"
SITE = "site.example."  # the site's DNS zone
# The reverse-mapping names of the client's networks 198.18.0.0/15 and 2001:db8::/32, host part zeroed.
REVERSE = ("0.0.18.198.in-addr.arpa.", "8.b.d.0.1.0.0.2.ip6.arpa.")


def check_address(text, far):
    address = ipaddress.ip_address(text)  # its ValueError names the text
    if not any(address in n for n in ALLOWED) or str(address) in RESERVED:
        raise ValueError(f"address {text} is reserved or outside 198.18.0.0/15, 169.254.0.0/16, 2001:db8::/32, fe80::/10")
    if far != any(address in n for n in FAR):
        raise ValueError(f"address {text}: far devices (and only they) use {FAR[0]} and {FAR[1]}")
    return str(address)


def encode_entry(entry):
    """A string is taken as UTF-8, {"hex": "..."} as raw bytes."""
    data = bytes.fromhex(entry["hex"]) if isinstance(entry, dict) else entry.encode()
    if len(data) > 255:
        raise ValueError(f"TXT entry longer than 255 bytes: {entry!r}")
    return data


def encode_txt(device):
    """The TXT record data as sent; a record without entries is one empty string."""
    return b"".join(bytes([len(e)]) + e for e in map(encode_entry, device["txt"])) or b"\x00"


def ports(mapping):
    result = {int(port): status for port, status in (mapping or {}).items() if status is not None}
    if not all(1 <= p <= 65535 and isinstance(s, int) and 100 <= s <= 599 for p, s in result.items()):
        raise ValueError(f"bad port or status in {mapping}")
    return result


def load_fleet(path):
    """Reads and checks a fleet file; fills in the defaults."""
    with open(path, encoding="utf-8") as f:
        fleet = json.load(f)
    names, live = set(), set()
    for device in fleet["devices"]:
        device.update({"type": "_http._tcp", "txt": [], "publish": ["mdns"], **device})
        if (device["instance"], device["type"]) in names:
            raise ValueError(f"instance {device['instance']!r} appears twice")
        names.add((device["instance"], device["type"]))
        far = device["publish"] == ["dns"]
        device["addresses"] = [check_address(a, far) for a in device.get("addresses", [])]
        device["dead"] = [check_address(a, far) for a in device.get("dead", [])]
        if live & set(device["addresses"]) or len(set(device["addresses"])) < len(device["addresses"]):
            raise ValueError(f"an address of {device['instance']!r} is used twice")
        live |= set(device["addresses"])
        encode_txt(device)
        device["http"], device["https"] = ports(device.get("http")), ports(device.get("https"))
    if live & {a for d in fleet["devices"] for a in d["dead"]}:
        raise ValueError("a dead address is also a live one")
    fleet.setdefault("zone", [])
    return fleet


def tool(name):
    """Absolute path of a system tool; /usr/sbin is often missing from a normal user's PATH."""
    return shutil.which(name, path=os.environ.get("PATH", "") + ":/usr/sbin:/sbin:/usr/bin:/bin")


def state():
    """What lan-run tells its command: PIDs of the hosts and servers, paths of the run."""
    with open(os.path.join(os.environ["VINDRA_LAN_RUN"], "state.json"), encoding="utf-8") as f:
        return json.load(f)


def wait_until(predicate, timeout, interval=0.05):
    """Polls predicate until it returns a true value or timeout seconds pass; returns the last value."""
    deadline = time.monotonic() + timeout
    while not (value := predicate()) and time.monotonic() < deadline:
        time.sleep(interval)
    return value


def http_get(address, port, https=False, cafile=None, path=ADMIN_PATH, timeout=5.0):
    """One GET from the client host: the status, or "refused"/"timeout"/"unreachable"/"tls"/"closed".
    Link-local IPv6 goes out on the client's link; without cafile the certificate is not checked."""
    try:
        with socket.create_connection((address + "%lan0" if address.startswith("fe80:") else address, port), timeout) as sock:
            if https:
                sock = ssl.create_default_context(cafile=cafile).wrap_socket(sock, server_hostname=address)
            sock.sendall(f"GET {path} HTTP/1.1\r\nHost: {address}\r\nConnection: close\r\n\r\n".encode())
            head = sock.recv(4096)
            return int(head.split(b" ", 2)[1]) if head else "closed"
    except OSError as error:  # SSLError included
        kind = "tls" if isinstance(error, ssl.SSLError) else "unreachable"
        return {ConnectionRefusedError: "refused", TimeoutError: "timeout"}.get(type(error), kind)
    except (ValueError, IndexError):
        return "closed"


async def collect(types, seconds, expect, ip_version=IPVersion.All):
    """{instance: {"type", "host", "port", "addresses", "txt"}} of the services found."""
    azc = AsyncZeroconf(interfaces=InterfaceChoice.Default, ip_version=ip_version)
    found, pending = {}, set()

    async def resolve(type_, name):
        info = AsyncServiceInfo(type_, name)
        for _ in range(20):
            if await info.async_request(azc.zeroconf, 1000) and info.text is not None:
                break
        await asyncio.sleep(0.5)  # address records may come in a later packet: settle, re-read
        info.load_from_cache(azc.zeroconf)
        found[name[: -len(type_) - 1]] = {
            "type": type_.removesuffix(".local."), "host": (info.server or "").removesuffix(".local."),
            "port": info.port, "txt": info.text,
            "addresses": {a.split("%")[0] for a in info.parsed_scoped_addresses(IPVersion.All)}}

    def on_change(zeroconf, service_type, name, state_change):
        if state_change is ServiceStateChange.Added:
            pending.add(task := asyncio.ensure_future(resolve(service_type, name)))
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
    azc = AsyncZeroconf(interfaces=[CLIENT_V4, CLIENT_LL], ip_version=IPVersion.All)
    AsyncServiceBrowser(azc.zeroconf, ["_http._tcp.local."], handlers=[lambda **_: None])
    print("ready", flush=True)
    await asyncio.Event().wait()


def ctl(op=None, instance=None, *txt):
    if op == "requests" and not instance:
        with open(os.path.join(os.environ["VINDRA_LAN_RUN"], "requests.log"), encoding="utf-8") as f:
            return sys.stdout.write(f.read())
    if op not in ("txt", "vanish") or not instance or (op == "vanish" and txt):
        sys.exit(__doc__)
    with socket.socket(socket.AF_UNIX) as sock:
        sock.settimeout(30)
        sock.connect(os.path.join(os.environ["VINDRA_LAN_RUN"], "control.sock"))
        sock.sendall((json.dumps({"op": op, "instance": instance, "txt": txt}) + "\n").encode())
        reply = json.loads(sock.makefile().readline())
    if not reply["ok"]:
        sys.exit(f"lanctl: {reply['error']}")
    if op == "vanish":
        # The addresses leave the device host and their neighbour entries the client, so nothing
        # answers ARP/NDP for them, as with a device that was switched off.
        gone, pids = reply["addresses"], state()
        for pid, command in ((pids["device_pid"], "addr del {}/{} dev lan0"), (pids["client_pid"], "neigh del {} dev lan0")):
            script = "".join(command.format(a, 128 if ":" in a else 32) + "\n" for a in gone)
            subprocess.run(["nsenter", "-t", str(pid), "-n", "--", tool("ip"), "-force", "-batch", "-"],
                           input=script, text=True, check=True, capture_output=True)


if __name__ == "__main__":
    if sys.argv[1:] == ["forever"]:
        asyncio.run(forever())
    ctl(*sys.argv[1:])
