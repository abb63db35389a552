"""ctest lan.control: $VINDRA_LAN_CTL does what it promises; dead addresses answer nothing.

Runs on the client host under lan-run with fleets/control.json.
"""

import asyncio
import json
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browse  # noqa: E402
import lanlib  # noqa: E402

from zeroconf import IPVersion, InterfaceChoice, ServiceStateChange  # noqa: E402
from zeroconf.asyncio import AsyncServiceBrowser, AsyncServiceInfo, AsyncZeroconf  # noqa: E402

CTL = os.environ["VINDRA_LAN_CTL"]
TYPE = "_http._tcp.local."
CHANGING = "Tulvo TC-100 02a0de100001"
VANISHING = "Tulvo TC-100 02a0de100002"
DEAD = "Tulvo TC-100 02a0de100003"
LEAVING = "Tulvo TC-100 02a0de100004"


def ctl(*args, check=True):
    return subprocess.run([CTL] + list(args), capture_output=True, text=True, timeout=30, check=check)


async def wait_for(predicate, seconds):
    deadline = time.monotonic() + seconds
    while not predicate() and time.monotonic() < deadline:
        await asyncio.sleep(0.05)
    return predicate()


class Control(unittest.TestCase):
    def test_txt_change_is_announced_to_a_running_browser(self):
        async def run():
            azc = AsyncZeroconf(interfaces=InterfaceChoice.Default, ip_version=IPVersion.All)
            events = []
            browser = AsyncServiceBrowser(azc.zeroconf, [TYPE], handlers=[
                lambda zeroconf, service_type, name, state_change: events.append((name, state_change))])
            name = CHANGING + "." + TYPE
            info = AsyncServiceInfo(TYPE, name)
            self.assertTrue(await info.async_request(azc.zeroconf, 3000))
            events.clear()
            await asyncio.get_running_loop().run_in_executor(
                None, lambda: ctl("txt", CHANGING, "vender=tulvo", "macaddress=02a0de100001", "model=TC-999"))
            # No question is asked: the browser learns of the change from the announcement alone.
            updated = await wait_for(lambda: (name, ServiceStateChange.Updated) in events, 5)
            info.load_from_cache(azc.zeroconf)
            await browser.async_cancel()
            await azc.async_close()
            return updated, info.text

        updated, text = asyncio.run(run())
        self.assertTrue(updated)
        self.assertEqual(text, b"\x0cvender=tulvo\x17macaddress=02a0de100001\x0cmodel=TC-999")

    def test_raw_txt_entries(self):
        ctl("txt", "--hex", CHANGING, "76656e6465723d74756c766f", "6b3dff")
        found = asyncio.run(browse.collect(["_http._tcp"], 5, 3))
        self.assertEqual(bytes.fromhex(found[CHANGING]["txt_hex"]), b"\x0cvender=tulvo\x03k=\xff")

    def test_vanished_device_says_no_goodbye_and_answers_nothing(self):
        self.assertEqual(lanlib.http_get("198.18.3.2", 80), 200)

        async def run():
            azc = AsyncZeroconf(interfaces=InterfaceChoice.Default, ip_version=IPVersion.All)
            events = []
            browser = AsyncServiceBrowser(azc.zeroconf, [TYPE], handlers=[
                lambda zeroconf, service_type, name, state_change: events.append((name, state_change))])
            name = VANISHING + "." + TYPE
            self.assertTrue(await wait_for(lambda: (name, ServiceStateChange.Added) in events, 5))
            await asyncio.get_running_loop().run_in_executor(None, lambda: ctl("vanish", VANISHING))
            removed = await wait_for(lambda: (name, ServiceStateChange.Removed) in events, 2)
            await browser.async_cancel()
            await azc.async_close()
            return removed

        self.assertFalse(asyncio.run(run()), "a goodbye was sent")
        found = asyncio.run(browse.collect(["_http._tcp"], 3, 0))
        self.assertNotIn(VANISHING, found)
        self.assertIn(CHANGING, found)
        self.assertIn(DEAD, found)
        for address in ("198.18.3.2", "169.254.3.2", "2001:db8:3::2"):
            self.assertIn(lanlib.http_get(address, 80, timeout=1), ("timeout", "unreachable"), address)
        self.assertNotEqual(ctl("vanish", "no such device", check=False).returncode, 0)

    def test_goodbye_reaches_a_running_browser(self):
        async def run():
            azc = AsyncZeroconf(interfaces=InterfaceChoice.Default, ip_version=IPVersion.All)
            events = []
            browser = AsyncServiceBrowser(azc.zeroconf, [TYPE], handlers=[
                lambda zeroconf, service_type, name, state_change: events.append((name, state_change))])
            name = LEAVING + "." + TYPE
            self.assertTrue(await wait_for(lambda: (name, ServiceStateChange.Added) in events, 5))
            await asyncio.get_running_loop().run_in_executor(None, lambda: ctl("goodbye", LEAVING))
            removed = await wait_for(lambda: (name, ServiceStateChange.Removed) in events, 5)
            await browser.async_cancel()
            await azc.async_close()
            return removed

        self.assertTrue(asyncio.run(run()))
        self.assertEqual(lanlib.http_get("198.18.3.4", 80), 200)

    def test_dead_addresses_answer_nothing(self):
        for address in ("198.19.3.3", "2001:db8:3::3"):
            self.assertIn(lanlib.http_get(address, 80, timeout=1), ("timeout", "unreachable"), address)

    def test_exec_runs_on_the_device_host(self):
        out = ctl("exec", "--", lanlib.tool("ip"), "-br", "addr", "show", "dev", lanlib.LINK).stdout
        self.assertIn(lanlib.DEVICE_V4, out)
        self.assertIn("198.18.3.1", out)
        self.assertEqual(ctl("exec", "--", "sh", "-c", "exit 3", check=False).returncode, 3)

    def test_request_log(self):
        self.assertEqual(lanlib.http_get("2001:db8:3::1", 80, path="/x"), 404)
        entries = [json.loads(line) for line in ctl("requests").stdout.splitlines()]
        self.assertIn({"scheme": "http", "addr": "2001:db8:3::1", "port": 80, "method": "GET", "path": "/x",
                       "status": 404, "peer": lanlib.CLIENT_V6},
                      [{k: v for k, v in e.items() if k != "t"} for e in entries])


if __name__ == "__main__":
    unittest.main(verbosity=2)
