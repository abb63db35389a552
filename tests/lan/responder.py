"""mDNS responder of the device host: python3-zeroconf announcing every service of a fleet.

Started by lan-run inside the device host's network namespace:
    /usr/bin/python3 responder.py FLEET CONTROL_SOCKET
Prints "ready" on stdout once every service is registered and announced. Listens on the control
socket for one JSON request per connection ({"op": "txt"|"vanish", ...}) and answers with one
JSON line. Exits at once on SIGTERM without goodbye packets: the network disappears with it.
"""

import asyncio
import json
import os
import signal
import socket
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import lanlib  # noqa: E402

from zeroconf import IPVersion, ServiceInfo  # noqa: E402
from zeroconf.asyncio import AsyncZeroconf  # noqa: E402


def service_info(device, txt_data=None):
    type_ = device["type"] + ".local."
    return ServiceInfo(
        type_,
        device["instance"] + "." + type_,
        port=device["port"],
        properties=txt_data if txt_data is not None else lanlib.encode_txt(device),
        server=device["host"] + ".local.",
        parsed_addresses=device["addresses"] + device["dead"],
    )


class Responder:
    def __init__(self, fleet):
        self.fleet = fleet
        self.devices = {d["instance"]: d for d in fleet["devices"]}
        self.infos = {}
        self.azc = None

    async def start(self):
        # One sending socket per family, bound to the device host's own addresses: with the
        # default choice python-zeroconf makes a single IPv6 socket and multicasts its answers
        # to ff02::fb only, so an IPv4 querier would get none.
        self.azc = AsyncZeroconf(interfaces=[lanlib.DEVICE_V4, lanlib.DEVICE_LL], ip_version=IPVersion.All)
        # Cooperating responders skip the three probes of 250 ms per name: the names are
        # unique by construction, and a thousand devices come up at once.
        infos = [service_info(d) for d in self.fleet["devices"]]
        broadcasts = await asyncio.gather(
            *(self.azc.zeroconf.async_register_service(i, cooperating_responders=True) for i in infos)
        )
        for device, info in zip(self.fleet["devices"], infos):
            self.infos[device["instance"]] = info
        await asyncio.gather(*broadcasts)

    async def handle(self, request):
        op = request.get("op")
        instance = request.get("instance")
        if instance not in self.infos:
            return {"ok": False, "error": f"no such instance: {instance!r}"}
        device = self.devices[instance]
        if op == "txt":
            entries = [lanlib.encode_entry(e) for e in request.get("txt", [])]
            data = b"".join(bytes([len(e)]) + e for e in entries) or b"\x00"
            info = service_info(device, data)
            self.infos[instance] = info
            await (await self.azc.zeroconf.async_update_service(info))
            return {"ok": True}
        if op == "goodbye":
            # The service is withdrawn properly: goodbye packets (TTL 0); its addresses stay.
            await (await self.azc.zeroconf.async_unregister_service(self.infos.pop(instance)))
            return {"ok": True}
        if op == "vanish":
            # No goodbye: the registry forgets the service, so nothing answers for it any more.
            self.azc.zeroconf.registry.async_remove(self.infos.pop(instance))
            return {"ok": True, "addresses": device["addresses"]}
        return {"ok": False, "error": f"unknown op {op!r}"}

    async def serve_client(self, reader, writer):
        try:
            line = await asyncio.wait_for(reader.readline(), 10)
            reply = await self.handle(json.loads(line))
        except Exception as error:  # a bad request must not take the responder down
            reply = {"ok": False, "error": repr(error)}
        writer.write((json.dumps(reply) + "\n").encode())
        await writer.drain()
        writer.close()


async def main():
    fleet = lanlib.load_fleet(sys.argv[1])
    responder = Responder(fleet)
    await responder.start()
    server = await asyncio.start_unix_server(responder.serve_client, path=sys.argv[2])
    print("ready", flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    socket.setdefaulttimeout(None)
    asyncio.run(main())
