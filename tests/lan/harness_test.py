# ctest lan.harness*: the simulated network is what the fleet file says, and $VINDRA_LAN_CTL
# does what it promises. Runs on the client host under lan-run; python3-zeroconf's own browser
# and Knot's kdig are the peers.

import asyncio
import os
import socket
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import lanlib  # noqa: E402

from lanlib import AsyncServiceBrowser, AsyncZeroconf, IPVersion, ServiceStateChange  # noqa: E402

FLEET = lanlib.load_fleet(os.environ["VINDRA_LAN_FLEET"])
CA, CTL = os.environ["VINDRA_LAN_CA"], os.environ["VINDRA_LAN_CTL"]
MDNS = [d for d in FLEET["devices"] if "mdns" in d["publish"]]
DNS = [d for d in FLEET["devices"] if "dns" in d["publish"]]
CONTROL = os.path.basename(os.environ["VINDRA_LAN_FLEET"]) == "control.json"


def ctl(*args, check=True):
    return subprocess.run([CTL, *args], capture_output=True, text=True, timeout=30, check=check)


def kdig(name, type_):
    return subprocess.run(["kdig", "+short", name, type_], capture_output=True, text=True, timeout=10).stdout.split("\n")[:-1]


def events_during(action, instance, wanted, seconds=5):
    """Whether a running browser sees `wanted` for `instance` within `seconds` of `action`."""
    async def run():
        azc = AsyncZeroconf(ip_version=IPVersion.All)
        seen = []
        browser = AsyncServiceBrowser(azc.zeroconf, ["_http._tcp.local."],
                                      handlers=[lambda zeroconf, service_type, name, state_change: seen.append(state_change)
                                                if name.startswith(instance + ".") else None])
        async def until(event, limit):
            deadline = time.monotonic() + limit
            while event not in seen and time.monotonic() < deadline:
                await asyncio.sleep(0.05)
        await until(ServiceStateChange.Added, 5)
        seen.clear()
        await asyncio.get_running_loop().run_in_executor(None, action)
        await until(wanted, seconds)
        await browser.async_cancel()
        await azc.async_close()
        return wanted in seen
    return asyncio.run(run())


@unittest.skipIf(CONTROL, "the control fleet is for Control")
class Harness(unittest.TestCase):
    def test_every_mdns_service_is_announced_as_the_fleet_says_over_each_family(self):
        for version in (IPVersion.V4Only, IPVersion.V6Only):
            found = asyncio.run(lanlib.collect(sorted({d["type"] for d in MDNS}), 20, len(MDNS), version))
            self.assertEqual(sorted(found), sorted(d["instance"] for d in MDNS))
            for device in MDNS:
                with self.subTest(instance=device["instance"], version=version):
                    self.assertEqual(found[device["instance"]], {
                        "type": device["type"], "host": device["host"], "port": device["port"],
                        "txt": lanlib.encode_txt(device), "addresses": set(device["addresses"] + device["dead"])})

    def test_every_address_and_port_answers_as_the_fleet_says(self):
        for device in FLEET["devices"]:
            for address in device["addresses"]:
                for port in sorted(set(device["http"]) | set(device["https"]) | {80, 443}):
                    with self.subTest(address=address, port=port):
                        if port in device["http"]:
                            self.assertEqual(lanlib.http_get(address, port), device["http"][port])
                            self.assertEqual(lanlib.http_get(address, port, path="/admin/"), 404)
                        elif port in device["https"]:
                            self.assertEqual(lanlib.http_get(address, port, True, CA), device["https"][port])
                            self.assertEqual(lanlib.http_get(address, port, True), "tls")
                        else:
                            self.assertEqual(lanlib.http_get(address, port), "refused")

    def test_the_site_dns_publishes_the_dns_devices_and_the_browse_domains(self):
        for domain in (lanlib.SITE,) + lanlib.REVERSE:
            self.assertEqual(kdig("lb._dns-sd._udp." + domain, "PTR"), [lanlib.SITE])
        if not DNS:
            return
        device = DNS[0]
        # Knot keeps names in lower case (RFC 4343 lets it), names in record data too.
        instance = (device["instance"].replace(" ", "\\032") + "._http._tcp." + lanlib.SITE).lower()
        self.assertIn(instance, kdig(f"_http._tcp.{lanlib.SITE}", "PTR"))
        self.assertEqual(kdig(instance, "SRV"), [f"0 0 {device['port']} {device['host']}.{lanlib.SITE}"])
        # The client's own resolver configuration (search domain, server) is the run's.
        resolved = {info[4][0] for info in socket.getaddrinfo(device["host"], 80, proto=socket.IPPROTO_TCP)}
        self.assertEqual(resolved, set(device["addresses"] + device["dead"]))


@unittest.skipUnless(CONTROL, "needs the control fleet")
class Control(unittest.TestCase):
    def test_txt_change_is_announced(self):
        changing = "Tulvo TC-100 02a0de100001"
        self.assertTrue(events_during(lambda: ctl("txt", changing, "vender=tulvo", "model=TC-999"), changing,
                                      ServiceStateChange.Updated))
        self.assertEqual(asyncio.run(lanlib.collect(["_http._tcp"], 5, 4))[changing]["txt"],
                         b"\x0cvender=tulvo\x0cmodel=TC-999")

    def test_vanished_device_says_no_goodbye_and_answers_nothing(self):
        vanishing = "Tulvo TC-100 02a0de100002"
        self.assertFalse(events_during(lambda: ctl("vanish", vanishing), vanishing, ServiceStateChange.Removed, 2))
        self.assertNotIn(vanishing, asyncio.run(lanlib.collect(["_http._tcp"], 3, 0)))
        # ... and neither do the dead addresses of another device.
        for address in ("198.18.3.2", "169.254.3.2", "2001:db8:3::2", "198.19.3.3", "2001:db8:3::3"):
            self.assertIn(lanlib.http_get(address, 80, timeout=1), ("timeout", "unreachable"), address)
        self.assertNotEqual(ctl("vanish", "no such device", check=False).returncode, 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
