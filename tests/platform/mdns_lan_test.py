"""The embedded querier on the simulated camera network, through vindra-mdns-browse (one JSON
object per line): lan-run ... -- mdns_lan_test.py fleet|fleet-factory|txt-change|no-route DRIVER.
"""

import json
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lan"))
import lanlib  # noqa: E402

MODE, DRIVER = sys.argv[1], sys.argv[2]
del sys.argv[1:3]
FLEET = lanlib.load_fleet(os.environ["VINDRA_LAN_FLEET"])
HTTP = [d for d in FLEET["devices"] if d["type"] == "_http._tcp"]
FACTORY = ["--factory"] if MODE == "fleet-factory" else []


def browse(seconds, extra=()):
    run = subprocess.run([DRIVER, "--time", str(seconds), *extra], capture_output=True,
                         text=True, timeout=seconds + 30)
    return run.returncode, [json.loads(line) for line in run.stdout.splitlines()]


class Fleet(unittest.TestCase):
    def test_every_service_with_txt_and_addresses(self):
        status, events = browse(3, FACTORY)
        self.assertEqual(status, 0)
        found = [e["name"] for e in events if e["event"] == "found"]
        self.assertEqual(sorted(found), sorted(d["instance"] for d in HTTP))
        txt_events = [e for e in events if e["event"] == "txt"]
        txt = {e["name"]: e for e in txt_events}
        self.assertEqual(len(txt), len(txt_events), "TXT reported twice")
        resolved = {e["name"]: e for e in events if e["event"] == "resolved"}
        for device in HTTP:
            with self.subTest(instance=device["instance"]):
                report = txt[device["instance"]]
                self.assertEqual(bytes.fromhex(report["txt_hex"]), lanlib.encode_txt(device))
                self.assertEqual(sorted(a.split("%")[0] for a in report["addresses"]),
                                 sorted(device["addresses"] + device["dead"]))
                resolution = resolved[device["instance"]]
                self.assertEqual((resolution["host"], resolution["port"]),
                                 (device["host"] + ".local.", device["port"]))
        done = events[-1]
        self.assertEqual(done["event"], "done")
        self.assertEqual(done.get("receive_drops", 0), 0)
        sockets = done["sockets"]
        self.assertEqual((sockets["ipv4"], sockets["ipv6"], sockets["problems"], sockets["shared"]),
                         (True, True, [], MODE == "fleet-factory"))
        self.assertTrue(sockets["interfaces"])


class TxtChange(unittest.TestCase):
    def test_change_reported_once(self):
        device = HTTP[0]
        instance = device["instance"]
        driver = subprocess.Popen([DRIVER, "--time", "4"], stdout=subprocess.PIPE, text=True)
        try:
            lines = []
            # Wait for the first report of the record, then change it on the device host.
            while True:
                line = driver.stdout.readline()
                self.assertTrue(line, "browse ended before the first TXT report")
                lines.append(json.loads(line))
                if lines[-1]["event"] == "txt" and lines[-1]["name"] == instance:
                    break
            subprocess.run([os.environ["VINDRA_LAN_CTL"], "txt", instance, "vender=tulvo",
                            "macaddress=0011220a0001", "model=TC-999"], check=True, timeout=30)
            lines += [json.loads(line) for line in driver.stdout]
            self.assertEqual(driver.wait(timeout=30), 0)
        finally:
            driver.kill()
        reports = [bytes.fromhex(e["txt_hex"]) for e in lines
                   if e["event"] == "txt" and e["name"] == instance]
        self.assertEqual(reports, [lanlib.encode_txt(device),
                                   b"\x0cvender=tulvo\x17macaddress=0011220a0001\x0cmodel=TC-999"])


class NoRoute(unittest.TestCase):
    def test_finds_nothing_and_does_not_fail(self):
        started = time.monotonic()
        status, events = browse(2)
        self.assertEqual(status, 0)
        self.assertEqual([e["event"] for e in events], ["done"])
        self.assertEqual(events[0]["complete"], 0)
        self.assertLess(time.monotonic() - started, 10)


if __name__ == "__main__":
    case = {"fleet": Fleet, "fleet-factory": Fleet, "txt-change": TxtChange, "no-route": NoRoute}[MODE]
    result = unittest.TextTestRunner(verbosity=2).run(
        unittest.defaultTestLoader.loadTestsFromTestCase(case))
    sys.exit(0 if result.wasSuccessful() else 1)
