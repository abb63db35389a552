"""ctest lan.harness: the simulated network really is what the fleet file says.

Runs on the client host under lan-run. python3-zeroconf's own browser is the peer: every
service must be announced with the fleet's type, host, port, TXT bytes and addresses, and every
device address must answer each port as the fleet file gives (status, or refused). The
"expected" camera list of the fleet is checked against the same network.
"""

import asyncio
import os
import socket
import struct
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browse  # noqa: E402
import lanlib  # noqa: E402

FLEET = lanlib.load_fleet(os.environ["VINDRA_LAN_FLEET"])
CA = os.environ["VINDRA_LAN_CA"]
DEVICES = FLEET["devices"]


def announced_ports(device):
    txt = lanlib.txt_map(device)
    ports = set()
    for key in (b"http_port", b"https_port"):
        try:
            ports.add(int(txt.get(key) or b""))
        except ValueError:
            pass
    return ports


class Harness(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        types = sorted({d["type"] for d in DEVICES})
        cls.found = asyncio.run(browse.collect(types, 20, len(DEVICES)))

    def test_every_service_is_announced_as_the_fleet_says(self):
        self.assertEqual(sorted(self.found), sorted(d["instance"] for d in DEVICES))
        for device in DEVICES:
            with self.subTest(instance=device["instance"]):
                service = self.found[device["instance"]]
                self.assertEqual(service["type"], device["type"])
                self.assertEqual(service["host"], device["host"])
                self.assertEqual(service["port"], device["port"])
                self.assertEqual(bytes.fromhex(service["txt_hex"]), lanlib.encode_txt(device))
                self.assertEqual({a.split("%")[0] for a in service["addresses"]},
                                 set(device["addresses"] + device["dead"]))

    def test_every_address_and_port_answers_as_the_fleet_says(self):
        for device in DEVICES:
            for address in device["addresses"]:
                http_ports, https_ports = lanlib.listeners(device, address)
                ports = set(http_ports) | set(https_ports) | announced_ports(device) | {80, 443}
                for port in sorted(ports):
                    with self.subTest(address=address, port=port):
                        if port in http_ports:
                            self.assertEqual(lanlib.http_get(address, port), http_ports[port])
                            self.assertEqual(lanlib.http_get(address, port, path="/admin/"), 404)
                        elif port in https_ports:
                            self.assertEqual(lanlib.http_get(address, port, True, CA), https_ports[port])
                            self.assertEqual(lanlib.http_get(address, port, True), "tls")
                            self.assertEqual(lanlib.http_get(address, port, True, CA, path="/"), 404)
                        else:
                            self.assertEqual(lanlib.http_get(address, port), "refused")

    def test_expected_cameras_match_the_network(self):
        expected = FLEET.get("expected", [])
        def ipv4(device):
            return next(a for a in device["addresses"] + device["dead"] if lanlib.address_class(a) == "ipv4")

        by_ipv4 = {ipv4(d): d for d in DEVICES if d["addresses"] + d["dead"]}
        listed = [d for d in DEVICES
                  if d["type"] == "_http._tcp" and lanlib.txt_map(d).get(b"vender") == b"tulvo"]
        self.assertEqual(sorted(e["ipv4"] for e in expected), sorted(ipv4(d) for d in listed))
        for camera in expected:
            device = by_ipv4[camera["ipv4"]]
            txt = lanlib.txt_map(device)
            with self.subTest(instance=device["instance"]):
                self.assertEqual(camera["moedelName"], (txt.get(b"model") or b"---").decode())
                self.assertEqual(camera["serialNumber"], (txt.get(b"ser") or b"---").decode())
                for field, key in (("httpPort", b"http_port"), ("httpsPort", b"https_port")):
                    self.assertEqual(camera[field], txt[key].decode() if key in txt else None)
                variants = [camera] + [dict(camera, **alt) for alt in camera.get("alternatives", [])]
                for variant in variants:
                    for cls, flag in (("ipv4", "Ipv4"), ("ipv6", "Ipv6"), ("autoIp", "AutoIp")):
                        address = variant[cls]
                        if address != "---":
                            self.assertIn(address, device["addresses"] + device["dead"])
                            self.assertEqual(lanlib.address_class(address), cls)
                        self.check_flags(variant, address, flag, 0.1 if address in device["dead"] else 5)

    def check_flags(self, camera, address, flag, timeout):
        """The flags a search sets by probing like the tool: HTTPS on the HTTPS port, HTTP on the
        HTTP port, HTTP on 80 without ports; controllers and absent addresses are not probed."""
        plain = secure = False
        if address != "---" and camera["device"] != "controller":
            # The tool cuts the zone off a link-local address, so such a probe cannot connect.
            bare = lanlib.is_link_local_v6(address)
            if camera["httpsPort"] is not None and not bare:
                secure = lanlib.http_get(address, int(camera["httpsPort"]), True, CA, timeout=timeout) in (200, 401)
            http_port = camera["httpPort"] or ("80" if camera["httpsPort"] is None else None)
            if http_port is not None and not bare:
                plain = lanlib.http_get(address, int(http_port), timeout=timeout) in (200, 401)
        self.assertEqual(camera[f"is{flag}Enabled"], plain, f"is{flag}Enabled for {address}")
        self.assertEqual(camera[f"is{flag}HttpsEnabled"], secure, f"is{flag}HttpsEnabled for {address}")


    def test_ptr_answers_carry_srv_txt_and_addresses_over_both_families(self):
        from zeroconf import DNSIncoming, DNSOutgoing, DNSQuestion
        from zeroconf.const import _CLASS_IN, _FLAGS_QR_QUERY, _TYPE_PTR

        services = {d["instance"] + "._http._tcp.local." for d in DEVICES if d["type"] == "_http._tcp"}
        query = DNSOutgoing(_FLAGS_QR_QUERY)
        query.add_question(DNSQuestion("_http._tcp.local.", _TYPE_PTR, _CLASS_IN))
        index = socket.if_nametoindex(lanlib.LINK)
        for family, group in ((socket.AF_INET, "224.0.0.251"), (socket.AF_INET6, "ff02::fb")):
            with self.subTest(group=group), socket.socket(family, socket.SOCK_DGRAM) as sock:
                # A querier on port 5353 asking by multicast gets its answers by multicast.
                sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
                if family == socket.AF_INET:
                    sock.bind(("", 5353))
                    sock.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                                    socket.inet_aton(group) + socket.inet_aton(lanlib.CLIENT_V4))
                    sock.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton(lanlib.CLIENT_V4))
                    target = (group, 5353)
                else:
                    sock.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
                    sock.bind(("::", 5353))
                    sock.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_JOIN_GROUP,
                                    socket.inet_pton(family, group) + struct.pack("@I", index))
                    sock.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_MULTICAST_IF, index)
                    target = (group, 5353, 0, index)
                for packet in query.packets():
                    sock.sendto(packet, target)
                # One question brings every PTR with its SRV, TXT and addresses (as additionals,
                # spread over as many packets as the answer needs): no further question asked.
                records = []
                sock.settimeout(0.2)
                deadline = time.monotonic() + 5
                complete = set()
                while complete != services and time.monotonic() < deadline:
                    try:
                        data, sender = sock.recvfrom(9000)
                    except socket.timeout:
                        continue
                    message = DNSIncoming(data)
                    if not message.is_response():
                        continue
                    self.assertEqual(sender[0].split("%")[0],
                                     lanlib.DEVICE_V4 if family == socket.AF_INET else lanlib.DEVICE_LL)
                    records += message.answers
                    names = {r.name for r in records if r.type in (1, 28)}
                    srv = {r.name: r.server for r in records if r.type == 33}
                    txt = {r.name for r in records if r.type == 16}
                    complete = {r.alias for r in records if r.type == _TYPE_PTR and r.alias in services
                                and r.alias in txt and srv.get(r.alias) in names}
                self.assertEqual(complete, services)


if __name__ == "__main__":
    unittest.main(verbosity=2)
