"""Shared code of the simulated camera network: fleet files, TXT encoding, address rules.

Used by lan-run, the responder and HTTP server it starts, the control command, make-fleet and
the tests. Runs under Debian's /usr/bin/python3 (the one that has python3-zeroconf).
"""

import functools
import ipaddress
import json
import os
import shutil
import subprocess
import time

# The only address ranges the simulated network may ever use (documentation and test ranges,
# auto-IP and link-local); anything else in a fleet file is refused.
ALLOWED_NETWORKS = [
    ipaddress.ip_network("198.18.0.0/15"),
    ipaddress.ip_network("169.254.0.0/16"),
    ipaddress.ip_network("2001:db8::/32"),
    ipaddress.ip_network("fe80::/10"),
]

# Addresses of the two hosts themselves; fleets must not use them.
CLIENT_V4 = "198.18.0.1"
DEVICE_V4 = "198.18.0.2"
CLIENT_AUTOIP = "169.254.0.1"
DEVICE_AUTOIP = "169.254.0.2"
CLIENT_V6 = "2001:db8::1"
DEVICE_V6 = "2001:db8::2"
CLIENT_LL = "fe80::1"
DEVICE_LL = "fe80::2"
CLIENT_MAC = "02:00:5e:10:00:01"
DEVICE_MAC = "02:00:5e:10:00:02"
RESERVED = {CLIENT_V4, DEVICE_V4, CLIENT_AUTOIP, DEVICE_AUTOIP, CLIENT_V6, DEVICE_V6, CLIENT_LL, DEVICE_LL}

LINK = "lan0"  # name of the link on both hosts
ADMIN_PATH = "/admin/-set-?el=aa00"
DEFAULT_TYPE = "_http._tcp"


class FleetError(ValueError):
    pass


def check_address(text):
    """Returns the canonical text of an allowed address, or raises FleetError."""
    try:
        address = ipaddress.ip_address(text)
    except ValueError as error:
        raise FleetError(f"not an IP address: {text!r}") from error
    if not any(address in network for network in ALLOWED_NETWORKS):
        raise FleetError(f"address {text} lies outside 198.18.0.0/15, 169.254.0.0/16, 2001:db8::/32, fe80::/10")
    if str(address) in RESERVED:
        raise FleetError(f"address {text} is reserved for the client or device host")
    return str(address)


def address_class(text):
    """'ipv4', 'autoIp' or 'ipv6' as the tool sorts a numeric address."""
    if ":" in text:
        return "ipv6"
    return "autoIp" if text.startswith("169.254") else "ipv4"


def is_link_local_v6(text):
    return ":" in text and ipaddress.ip_address(text).is_link_local


def encode_entry(entry):
    """One TXT entry as bytes: a string is taken as UTF-8, {"hex": "..."} as raw bytes."""
    if isinstance(entry, str):
        data = entry.encode("utf-8")
    elif isinstance(entry, dict) and set(entry) == {"hex"}:
        data = bytes.fromhex(entry["hex"])
    else:
        raise FleetError(f"TXT entry must be a string or {{\"hex\": ...}}: {entry!r}")
    if len(data) > 255:
        raise FleetError(f"TXT entry longer than 255 bytes: {entry!r}")
    return data


def encode_txt(device):
    """The TXT record data of a device, as sent on the wire."""
    if "txt_hex" in device:
        return bytes.fromhex(device["txt_hex"])
    entries = [encode_entry(e) for e in device.get("txt", [])]
    if not entries:
        return b"\x00"  # a record without entries is one empty string (RFC 6763, 6.1)
    return b"".join(bytes([len(e)]) + e for e in entries)


def txt_map(device):
    """The TXT entries as an ordered dict of key bytes -> value bytes (None for a key without '=').
    The first occurrence of a key wins, as RFC 6763 6.4 asks of readers."""
    data = encode_txt(device)
    result = {}
    i = 0
    while i < len(data):
        n = data[i]
        entry = data[i + 1:i + 1 + n]
        i += 1 + n
        if not entry:
            continue
        key, sep, value = entry.partition(b"=")
        if key.lower() in (k.lower() for k in result):
            continue
        result[key] = value if sep else None
    return result


def parse_ports(mapping, what):
    result = {}
    for port, status in (mapping or {}).items():
        try:
            number = int(port)
        except ValueError as error:
            raise FleetError(f"{what}: port {port!r} is not a number") from error
        if not 1 <= number <= 65535:
            raise FleetError(f"{what}: port {port} out of range")
        if status is None:
            continue
        if not isinstance(status, int) or not 100 <= status <= 599:
            raise FleetError(f"{what}: status {status!r} is not an HTTP status")
        result[number] = status
    return result


def load_fleet(path):
    """Reads and checks a fleet file. Returns the JSON object with defaults filled in."""
    with open(path, encoding="utf-8") as f:
        fleet = json.load(f)
    devices = fleet.get("devices")
    if not isinstance(devices, list):
        raise FleetError("fleet has no \"devices\" list")
    names = set()
    live = set()
    for device in devices:
        for key in ("instance", "host", "port"):
            if key not in device:
                raise FleetError(f"device without {key!r}: {device}")
        device.setdefault("type", DEFAULT_TYPE)
        name = (device["instance"], device["type"])
        if name in names:
            raise FleetError(f"instance {device['instance']!r} appears twice")
        names.add(name)
        device["addresses"] = [check_address(a) for a in device.get("addresses", [])]
        device["dead"] = [check_address(a) for a in device.get("dead", [])]
        for a in device["addresses"]:
            if a in live:
                raise FleetError(f"address {a} used by two devices")
            live.add(a)
        encode_txt(device)
        device["http"] = parse_ports(device.get("http"), device["instance"])
        device["https"] = parse_ports(device.get("https"), device["instance"])
        answers = {}
        for a, per in (device.get("answers") or {}).items():
            a = check_address(a)
            answers[a] = {"http": parse_ports(per.get("http"), a), "https": parse_ports(per.get("https"), a)}
        device["answers"] = answers
    for device in devices:
        for a in device["dead"]:
            if a in live:
                raise FleetError(f"dead address {a} is also a live one")
    return fleet


def listeners(device, address):
    """(http ports->status, https ports->status) that a live address of the device answers on."""
    per = device["answers"].get(address)
    if per is not None:
        return per["http"], per["https"]
    return device["http"], device["https"]


def tool(name):
    """Absolute path of a system tool; /usr/sbin is often missing from a normal user's PATH."""
    path = os.environ.get("PATH", "") + ":/usr/sbin:/sbin:/usr/bin:/bin"
    return shutil.which(name, path=path)


def run_dir():
    """The run directory of the lan-run this process lives under."""
    path = os.environ.get("VINDRA_LAN_RUN")
    if not path:
        raise RuntimeError("not running under lan-run (VINDRA_LAN_RUN unset)")
    return path


def state():
    with open(os.path.join(run_dir(), "state.json"), encoding="utf-8") as f:
        return json.load(f)


def device_exec(argv, **kwargs):
    """Runs a command on the device host; returns the CompletedProcess."""
    return subprocess.run(["nsenter", "-t", str(state()["device_pid"]), "-n", "--"] + list(argv), **kwargs)


def request_log():
    """The HTTP server's requests so far: dicts with "t" (Unix time), "scheme", "addr", "port",
    "method", "path", "status" and "peer", in the order they were answered."""
    with open(state()["requests"], encoding="utf-8") as f:
        return [json.loads(line) for line in f if line.endswith("\n")]


def wait_until(predicate, timeout, interval=0.05):
    """Polls predicate until it returns a true value or timeout seconds pass; returns the last value."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(interval)


@functools.lru_cache(maxsize=None)
def _tls_context(cafile):
    import ssl
    return ssl.create_default_context(cafile=cafile) if cafile else ssl.create_default_context()


def http_get(address, port, https=False, cafile=None, path=ADMIN_PATH, timeout=5.0):
    """One GET from the client host. Returns the status code, or the name of the failure:
    "refused", "timeout", "unreachable", "tls" (handshake or certificate) or "closed".
    A link-local IPv6 address is used on the client's link; the certificate is checked against
    the bare address when cafile is given, and not at all (but still required) otherwise."""
    import socket
    import ssl
    host = address + "%" + LINK if is_link_local_v6(address) else address
    try:
        sock = socket.create_connection((host, port), timeout=timeout)
    except ConnectionRefusedError:
        return "refused"
    except (socket.timeout, TimeoutError):
        return "timeout"
    except OSError:
        return "unreachable"
    try:
        if https:
            context = _tls_context(cafile)
            try:
                sock = context.wrap_socket(sock, server_hostname=address)
            except (ssl.SSLError, ssl.CertificateError):
                return "tls"
        request = f"GET {path} HTTP/1.1\r\nHost: {address}\r\nConnection: close\r\n\r\n"
        sock.sendall(request.encode())
        data = b""
        while b"\r\n" not in data:
            chunk = sock.recv(4096)
            if not chunk:
                return "closed"
            data += chunk
        return int(data.split(b" ", 2)[1])
    except (socket.timeout, TimeoutError):
        return "timeout"
    except (OSError, ValueError, IndexError):
        return "closed"
    finally:
        sock.close()
