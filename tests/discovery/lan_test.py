#!/usr/bin/python3
"""vindra-scan on the simulated camera network: lan-run --fleet F -- lan_test.py SCAN CLASS.

ScanOnTheSimulatedNetwork runs on fleets/mixed.json, WideArea on fleets/site.json (cameras that
only the site's DNS server knows, beside mDNS ones). How a probe reads real answers (redirects,
a log-in challenge, a body that never ends) is tests/platform/tst_http.cpp's.
"""

import json
import os
import signal
import subprocess
import sys
import time
import unittest

SCAN = None
VANISHING = "Tulvo TC-100 0011220a0005"
VANISHING_MAC = "00-11-22-0a-00-05"


def fleet():
    with open(os.environ["VINDRA_LAN_FLEET"], encoding="utf-8") as file:
        return json.load(file)


def as_printed(expected, trusted):
    """An `expected` entry of the fleet file as vindra-scan --json prints it, with variants."""
    base = {key: value for key, value in expected.items()
            if key != "alternatives" and not (key.endswith("Port") and value is None)}
    base["modelName"] = base.pop("moedelName")
    untrusted = {} if trusted else dict.fromkeys(
        ("isIpv4HttpsEnabled", "isIpv6HttpsEnabled", "isAutoIpHttpsEnabled"), False)
    return [{**base, **variant, **untrusted} for variant in [{}] + expected.get("alternatives", [])]


def environment(trusted):
    env = dict(os.environ)
    env.pop("SSL_CERT_FILE", None)
    # Probes go straight to the devices: a proxy (here one that refuses) could not reach them.
    env["http_proxy"] = env["https_proxy"] = "http://198.18.0.2:9"
    if trusted:
        env["SSL_CERT_FILE"] = os.environ["VINDRA_LAN_CA"]
    return env


def scan(*arguments, trusted=True):
    """vindra-scan --json ARGUMENTS: the run, the cameras it printed and the seconds it took."""
    started = time.monotonic()
    run = subprocess.run([SCAN, "--json", *arguments], env=environment(trusted),
                         capture_output=True, text=True, timeout=60)
    cameras = [c for c in map(json.loads, run.stdout.splitlines()) if "macAddress" in c]
    return run, cameras, time.monotonic() - started


class ListedAsExpected(unittest.TestCase):
    def check_list(self, trusted):
        run, cameras, _ = scan("--wait", "20", trusted=trusted)
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        expected = fleet()["expected"]
        self.assertEqual(sorted(c["macAddress"] for c in cameras),
                         sorted(e["macAddress"] for e in expected))
        for camera in cameras:
            entry = next(e for e in expected if e["macAddress"] == camera["macAddress"])
            self.assertIn(camera, as_printed(entry, trusted), camera["macAddress"])


class ScanOnTheSimulatedNetwork(ListedAsExpected):
    def test_list_with_and_without_trusting_the_test_ca(self):
        for trusted in (True, False):
            with self.subTest(trusted=trusted):
                self.check_list(trusted)

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

class WideArea(ListedAsExpected):
    """Far cameras are listed with their fields and flags, the one announced both ways once;
    distractors and hostile records (a 64 KB TXT, truncated over UDP; CNAME loops) yield nothing;
    a DNS server that stops answering holds back neither the mDNS cameras nor the end."""

    def test_1_far_cameras_are_listed_once_with_fields_and_flags(self):
        self.check_list(True)

    def test_2_a_silent_dns_server_holds_back_nothing(self):
        with open(os.path.join(os.environ["VINDRA_LAN_RUN"], "state.json"), encoding="utf-8") as f:
            os.kill(json.load(f)["dns_pid"], signal.SIGSTOP)  # queries now go unanswered
        run, cameras, seconds = scan("--wait", "6")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(sorted(c["macAddress"] for c in cameras),
                         sorted(e["macAddress"] for e in fleet()["expected"]
                                if e["ipv4"].startswith("198.18.1.")))
        self.assertLess(seconds, 7)


if __name__ == "__main__":
    SCAN = sys.argv.pop(1)
    unittest.main(verbosity=2)
