#!/usr/bin/python3
"""vindra-scan on the simulated camera network (run under tests/lan/lan-run with fleets/mixed.json).

Usage: lan-run --fleet fleets/mixed.json -- /usr/bin/python3 scan_lan_test.py PATH/TO/vindra-scan

Checks that one search lists exactly the fleet's expected cameras with their fields and the six
flags the device server's answers imply, with and without trusting the test CA, and that a
device that leaves without a goodbye is gone from the next search of the same process.
"""

import json
import os
import subprocess
import sys
import time
import unittest

SCAN = None
FIELDS = ["macAddress", "ipv4", "isIpv4Enabled", "isIpv4HttpsEnabled", "ipv6", "isIpv6Enabled",
          "isIpv6HttpsEnabled", "autoIp", "isAutoIpEnabled", "isAutoIpHttpsEnabled", "modelName",
          "serialNumber", "device", "httpPort", "httpsPort"]
VANISHING = "Tulvo TC-100 0011220a0005"
VANISHING_MAC = "00-11-22-0a-00-05"


def fleet():
    with open(os.environ["VINDRA_LAN_FLEET"], encoding="utf-8") as file:
        return json.load(file)


def as_printed(expected, trusted):
    """An `expected` entry of the fleet file as vindra-scan --json prints it, with variants."""
    base = {key: value for key, value in expected.items() if key != "alternatives"}
    base["modelName"] = base.pop("moedelName")
    for port in ("httpPort", "httpsPort"):
        if base[port] is None:
            del base[port]
    if not trusted:
        for flag in ("isIpv4HttpsEnabled", "isIpv6HttpsEnabled", "isAutoIpHttpsEnabled"):
            base[flag] = False
    variants = [base]
    for alternative in expected.get("alternatives", []):
        variant = dict(base, **alternative)
        if not trusted:
            variant["isIpv6HttpsEnabled"] = False
        variants.append(variant)
    return variants


def environment(trusted):
    env = dict(os.environ)
    env.pop("SSL_CERT_FILE", None)
    if trusted:
        env["SSL_CERT_FILE"] = os.environ["VINDRA_LAN_CA"]
    return env


class ScanOnTheSimulatedNetwork(unittest.TestCase):
    def check_list(self, lines, trusted):
        cameras = [json.loads(line) for line in lines]
        expected = fleet()["expected"]
        self.assertEqual(sorted(c["macAddress"] for c in cameras),
                         sorted(e["macAddress"] for e in expected))
        for camera in cameras:
            printed_keys = [key for key in FIELDS if key in camera]
            self.assertEqual(list(camera.keys()), printed_keys, "keys in field order")
            entry = next(e for e in expected if e["macAddress"] == camera["macAddress"])
            self.assertIn(camera, as_printed(entry, trusted), camera["macAddress"])

    def scan(self, arguments, trusted):
        run = subprocess.run([SCAN, "--json", *arguments], env=environment(trusted),
                             capture_output=True, text=True, timeout=60)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stderr, "")
        return [line for line in run.stdout.splitlines() if line]

    def test_list_trusting_the_test_ca(self):
        self.check_list(self.scan(["--wait", "20"], trusted=True), trusted=True)

    def test_list_without_trusting_the_test_ca(self):
        self.check_list(self.scan(["--wait", "20"], trusted=False), trusted=False)

    def test_watch_device_gone_without_goodbye_is_missing_from_the_next_search(self):
        expected_count = len(fleet()["expected"])
        process = subprocess.Popen([SCAN, "--json", "--watch", "9", "--count", "2"],
                                   env=environment(True), stdout=subprocess.PIPE, text=True)
        try:
            first = [process.stdout.readline() for _ in range(expected_count + 1)]
            self.assertEqual(json.loads(first[-1]), {"search": 1, "devices": expected_count})
            self.assertIn(VANISHING_MAC, "".join(first))
            started = time.monotonic()
            subprocess.run([os.environ["VINDRA_LAN_CTL"], "vanish", VANISHING], check=True,
                           timeout=10)
            self.assertLess(time.monotonic() - started, 3.0, "vanish must end before search 2")
            rest, _ = process.communicate(timeout=40)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
        self.assertEqual(process.returncode, 0)
        second = rest.splitlines()
        self.assertEqual(json.loads(second[-1]), {"search": 2, "devices": expected_count - 1})
        self.assertNotIn(VANISHING_MAC, "".join(second))


if __name__ == "__main__":
    SCAN = sys.argv.pop(1)
    unittest.main(verbosity=2)
