"""HTTP/HTTPS server of the device host: one process answering for every device of a fleet.

Started by lan-run inside the device host's network namespace:
    /usr/bin/python3 httpd.py FLEET RUN_DIR
Listens on each live (address, port) the fleet gives a status for and answers
GET /admin/-set-?el=aa00 with that status (any other path: 404). An (address, port) without a
status has no listener, so a connection to it is refused. When every live address of the fleet
answers a port the same way, one wildcard socket serves that port instead of one per address.
HTTPS uses the certificate lan-run issued for the device's group (RUN_DIR/certificates.json
maps each address to RUN_DIR/server-N.pem; the key is RUN_DIR/server.key); a wildcard socket
picks it by the address the client connected to. Prints "ready" on stdout once every socket
listens; appends one JSON line per request to RUN_DIR/requests.log. Exits at once on SIGTERM.

As real devices do, a 401 carries a Basic and a Digest challenge, and a redirect (301, 302,
303, 307, 308) points to MOVED_PATH, which answers 200. Status 299 stands for a device that
answers 200 with a body that never ends (a stream), sent until the client closes or for 120 s.
"""

import asyncio
import http
import json
import os
import resource
import signal
import socket
import ssl
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import lanlib  # noqa: E402

BACKLOG = 4096
MOVED_PATH = lanlib.ADMIN_PATH + "&moved=1"
STREAMING = 299
CHALLENGES = ('WWW-Authenticate: Basic realm="camera"\r\n'
              'WWW-Authenticate: Digest realm="camera", qop="auth", nonce="0a4f113b"\r\n')


def plan(fleet):
    """Returns [(scheme, address or None for the wildcard, port, status)]."""
    wanted = []  # (scheme, address, port, status)
    for device in fleet["devices"]:
        for address in device["addresses"]:
            http_ports, https_ports = lanlib.listeners(device, address)
            wanted += [("http", address, p, s) for p, s in http_ports.items()]
            wanted += [("https", address, p, s) for p, s in https_ports.items()]
    all_addresses = {a for d in fleet["devices"] for a in d["addresses"]}
    by_port = {}
    for scheme, address, port, status in wanted:
        by_port.setdefault(port, []).append((scheme, address, status))
    result = []
    for port, uses in by_port.items():
        kinds = {(scheme, status) for scheme, _, status in uses}
        if len(kinds) == 1 and {a for _, a, _ in uses} == all_addresses:
            scheme, status = kinds.pop()
            result.append((scheme, None, port, status))
        else:
            result += [(scheme, address, port, status) for scheme, address, status in uses]
    return result


def listening_socket(address, port, scope):
    if address is None:
        sock = socket.socket(socket.AF_INET6, socket.SOCK_STREAM)
        sock.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 0)
        target = ("::", port)
    elif ":" in address:
        sock = socket.socket(socket.AF_INET6, socket.SOCK_STREAM)
        sock.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
        target = (address, port, 0, scope if lanlib.is_link_local_v6(address) else 0)
    else:
        sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        target = (address, port)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind(target)
    sock.listen(BACKLOG)
    sock.setblocking(False)
    return sock


def strip_zone(host):
    return host.split("%", 1)[0]


def local_address(writer):
    return strip_zone(writer.get_extra_info("sockname")[0]).removeprefix("::ffff:")


class TlsAfterAccept(asyncio.Protocol):
    """A connection to a wildcard HTTPS socket: the certificate is chosen by the address the
    client connected to, then the TLS layer takes over and the stream handler runs."""

    def __init__(self, handler, tls_for):
        self.handler = handler
        self.tls_for = tls_for

    def connection_made(self, transport):
        # Nothing may be read before the TLS layer is in place, or the ClientHello is lost.
        transport.pause_reading()
        asyncio.get_running_loop().create_task(self.upgrade(transport))

    async def upgrade(self, transport):
        loop = asyncio.get_running_loop()
        local = strip_zone(transport.get_extra_info("sockname")[0]).removeprefix("::ffff:")
        reader = asyncio.StreamReader()
        protocol = asyncio.StreamReaderProtocol(reader)
        try:
            tls = await loop.start_tls(transport, protocol, self.tls_for(local), server_side=True,
                                       ssl_handshake_timeout=30)
        except (OSError, ssl.SSLError, asyncio.TimeoutError):
            transport.close()
            return
        protocol.connection_made(tls)
        await self.handler(reader, asyncio.StreamWriter(tls, protocol, reader, loop))


def make_handler(scheme, port, status, log):
    async def handle(reader, writer):
        try:
            head = await asyncio.wait_for(reader.readuntil(b"\r\n\r\n"), 30)
            line = head.split(b"\r\n", 1)[0].decode("latin-1")
            parts = line.split(" ")
            method, path = (parts[0], parts[1]) if len(parts) >= 2 else ("", "")
            if method != "GET":
                answer = 405
            elif path == lanlib.ADMIN_PATH:
                answer = status
            elif path == MOVED_PATH and status in (301, 302, 303, 307, 308):
                answer = 200
            else:
                answer = 404
            peer = writer.get_extra_info("peername")
            log.write(json.dumps({
                "t": time.time(), "scheme": scheme, "addr": local_address(writer),
                "port": port, "method": method, "path": path, "status": answer,
                "peer": strip_zone(peer[0]).removeprefix("::ffff:"),
            }) + "\n")
            if answer == STREAMING:
                writer.write(b"HTTP/1.1 200 OK\r\nContent-Type: video/x-motion-jpeg\r\n"
                             b"Connection: close\r\n\r\n")
                deadline = time.monotonic() + 120
                while time.monotonic() < deadline:
                    writer.write(b"\xff" * 65536)
                    await writer.drain()
                return
            body = f"{answer}\n".encode()
            extra = CHALLENGES if answer == 401 else ""
            if answer in (301, 302, 303, 307, 308):
                extra = f"Location: {MOVED_PATH}\r\n"
            writer.write(
                f"HTTP/1.1 {answer} {http.HTTPStatus(answer).phrase}\r\n{extra}"
                f"Content-Type: text/plain\r\nContent-Length: {len(body)}\r\nConnection: close\r\n\r\n".encode()
                + body
            )
            await writer.drain()
        except (OSError, asyncio.IncompleteReadError, asyncio.LimitOverrunError, asyncio.TimeoutError,
                ssl.SSLError, ValueError):
            pass
        finally:
            writer.close()

    return handle


async def main():
    fleet_path, run = sys.argv[1:3]
    fleet = lanlib.load_fleet(fleet_path)
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
    with open(os.path.join(run, "certificates.json"), encoding="utf-8") as f:
        certificates = json.load(f)
    contexts = []
    for index in range(certificates["count"]):
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(os.path.join(run, f"server-{index}.pem"), os.path.join(run, "server.key"))
        contexts.append(context)

    def tls_for(address):
        return contexts[certificates["of"].get(address, 0)]

    scope = socket.if_nametoindex(lanlib.LINK)
    log = open(os.path.join(run, "requests.log"), "a", buffering=1, encoding="utf-8")
    servers = []
    for scheme, address, port, status in plan(fleet):
        sock = listening_socket(address, port, scope)
        https = scheme == "https"
        handler = make_handler(scheme, port, status, log)
        if https and address is None:
            servers.append(await asyncio.get_running_loop().create_server(
                lambda h=handler: TlsAfterAccept(h, tls_for), sock=sock, backlog=BACKLOG))
        else:
            servers.append(await asyncio.start_server(
                handler, sock=sock, ssl=tls_for(address) if https else None, backlog=BACKLOG))
    print(f"ready {len(servers)}", flush=True)
    await asyncio.Event().wait()


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    asyncio.run(main())
