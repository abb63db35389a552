# The fleet's servers on the device host: python3-zeroconf announcing each mDNS service, and
# one HTTP/HTTPS listener per live (address, port) that the fleet gives a status for.
#
#     /usr/bin/python3 devices.py FLEET RUN_DIR      (started by lan-run inside the device host)
#
# A listener answers GET of the admin path with its status, any other path 404, any other method
# 405, always with "Connection: close"; as real devices do, a 401 carries a Basic and a Digest
# challenge, a redirect (301, 302, 303, 307, 308) points to MOVED_PATH, which answers 200, and
# 299 stands for a stream: 200 and a body that never ends (for 120 s). Requests are appended to
# RUN_DIR/requests.log as JSON lines. A port without a status has no listener (refused). HTTPS
# uses RUN_DIR/server-N.pem of the address's certificate group. Control requests (one JSON line
# per connection on RUN_DIR/control.sock): {"op": "txt"|"vanish", "instance", "txt"}. Prints "ready"
# once every service is announced and every socket listens; exits at once on SIGTERM. With
# VINDRA_LAN_RESPONDER_MODULE set, that Python file runs first (a benchmark's responder variant).
#

import asyncio
import http
import json
import os
import resource
import runpy
import signal
import ssl
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import lanlib  # noqa: E402

from zeroconf import IPVersion, ServiceInfo  # noqa: E402
from zeroconf.asyncio import AsyncZeroconf  # noqa: E402


MOVED_PATH = lanlib.ADMIN_PATH + "&moved=1"
CHALLENGES = ('WWW-Authenticate: Basic realm="camera"\r\n'
              'WWW-Authenticate: Digest realm="camera", qop="auth", nonce="0a4f113b"\r\n')


def service_info(device, txt):
    type_ = device["type"] + ".local."
    return ServiceInfo(type_, f"{device['instance']}.{type_}", port=device["port"], properties=txt,
                       server=device["host"] + ".local.", parsed_addresses=device["addresses"] + device["dead"])


def handler(scheme, port, status, log):
    async def handle(reader, writer):
        try:
            method, path = ((await asyncio.wait_for(reader.readline(), 30)).decode("latin-1").split(" ") + ["", ""])[:2]
            redirect = status in (301, 302, 303, 307, 308)
            answer = (405 if method != "GET" else status if path == lanlib.ADMIN_PATH else
                      200 if path == MOVED_PATH and redirect else 404)
            local, peer = writer.get_extra_info("sockname")[0], writer.get_extra_info("peername")[0]
            log.write(json.dumps({"t": time.time(), "scheme": scheme, "addr": local.split("%")[0], "port": port,
                                  "method": method, "path": path, "status": answer, "peer": peer.split("%")[0]}) + "\n")
            if answer == 299:  # a stream: 200 and a body that never ends (for 120 s)
                writer.write(b"HTTP/1.1 200 OK\r\nContent-Type: video/x-motion-jpeg\r\nConnection: close\r\n\r\n")
                for _ in range(120 * 16):
                    writer.write(b"\xff" * 65536)
                    await asyncio.wait_for(writer.drain(), 120)
                return
            extra = CHALLENGES if answer == 401 else f"Location: {MOVED_PATH}\r\n" if redirect and answer == status else ""
            writer.write(f"HTTP/1.1 {answer} {http.HTTPStatus(answer).phrase}\r\n{extra}Content-Length: 0\r\n"
                         "Connection: close\r\n\r\n".encode())
            await writer.drain()
        except (OSError, asyncio.TimeoutError, ValueError):
            pass
        finally:
            writer.close()
    return handle


async def main():
    fleet_path, run = sys.argv[1:3]
    fleet = lanlib.load_fleet(fleet_path)
    resource.setrlimit(resource.RLIMIT_NOFILE, (resource.getrlimit(resource.RLIMIT_NOFILE)[1],) * 2)
    with open(os.path.join(run, "certificates.json"), encoding="utf-8") as f:
        group_of = json.load(f)
    contexts = {}
    for group in set(group_of.values()):
        contexts[group] = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        contexts[group].load_cert_chain(os.path.join(run, f"server-{group}.pem"), os.path.join(run, "server.key"))
    log = open(os.path.join(run, "requests.log"), "a", buffering=1, encoding="utf-8")
    for device in fleet["devices"]:
        for address in device["addresses"]:
            host = address + "%" + lanlib.LINK if address.startswith("fe80:") else address
            for scheme in ("http", "https"):
                for port, status in device[scheme].items():
                    await asyncio.start_server(handler(scheme, port, status, log), host, port, backlog=4096,
                                               ssl=contexts[group_of[address]] if scheme == "https" else None)

    if os.environ.get("VINDRA_LAN_RESPONDER_MODULE"):  # a benchmark's responder variant
        runpy.run_path(os.environ["VINDRA_LAN_RESPONDER_MODULE"])
    # One socket per family on the device host's own addresses: by default python-zeroconf would
    # make a single IPv6 socket, and an IPv4 querier would hear no answer.
    zc = AsyncZeroconf(interfaces=[lanlib.DEVICE_V4, lanlib.DEVICE_LL], ip_version=IPVersion.All).zeroconf
    devices = {d["instance"]: d for d in fleet["devices"] if "mdns" in d["publish"]}
    infos = {name: service_info(d, lanlib.encode_txt(d)) for name, d in devices.items()}
    # Cooperating responders skip probing: the names are unique by construction.
    await asyncio.gather(*await asyncio.gather(
        *(zc.async_register_service(i, cooperating_responders=True) for i in infos.values())))

    async def control(reader, writer):
        try:
            request = json.loads(await asyncio.wait_for(reader.readline(), 10))
            name, op = request["instance"], request["op"]
            if op == "txt":
                infos[name] = service_info(devices[name], lanlib.encode_txt(request))
                await (await zc.async_update_service(infos[name]))
            elif op == "vanish":  # no goodbye: nothing answers for the service any more
                zc.registry.async_remove(infos.pop(name))
            else:
                raise ValueError(f"unknown op {op!r}")
            reply = {"ok": True, "addresses": devices[name]["addresses"]}
        except Exception as error:  # a bad request must not take the servers down
            reply = {"ok": False, "error": repr(error)}
        writer.write((json.dumps(reply) + "\n").encode())
        writer.close()

    await asyncio.start_unix_server(control, path=os.path.join(run, "control.sock"))
    print("ready", flush=True)
    await asyncio.Event().wait()


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    asyncio.run(main())
