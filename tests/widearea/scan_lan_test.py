# ctest widearea.scan_lan: vindra-scan, with no configuration, on the simulated site (lan-run
# with fleets/site.json): the cameras that only the site's DNS knows are listed with their fields
# and flags beside the mDNS ones; the camera announced both ways is listed once; distractors and
# hostile records (64 KB TXT, truncated over UDP; CNAME loops) yield nothing and break nothing;
# a DNS server that stops answering holds back neither the mDNS cameras nor the end of the search.

import json
import os
import signal
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "discovery"))
sys.path.insert(0, os.path.join(HERE, "..", "lan"))
import lanlib  # noqa: E402
import scan_lan_test as printed  # noqa: E402  (how vindra-scan prints an expected camera)

SCAN = sys.argv.pop(1)
EXPECTED = lanlib.load_fleet(os.environ["VINDRA_LAN_FLEET"])["expected"]


def scan(*arguments):
    started = time.monotonic()
    run = subprocess.run([SCAN, "--json", *arguments], env=printed.environment(True), capture_output=True,
                         text=True, timeout=60)
    cameras = [c for c in map(json.loads, run.stdout.splitlines()) if "macAddress" in c]  # not the summary
    return run, cameras, time.monotonic() - started


class WideArea(unittest.TestCase):
    def test_1_far_cameras_are_listed_once_with_fields_and_flags(self):
        run, cameras, _ = scan("--wait", "20")
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        self.assertEqual(sorted(c["macAddress"] for c in cameras), sorted(e["macAddress"] for e in EXPECTED))
        for camera in cameras:
            entry = next(e for e in EXPECTED if e["macAddress"] == camera["macAddress"])
            self.assertIn(camera, printed.as_printed(entry, True))

    def test_2_a_silent_dns_server_holds_back_nothing(self):
        os.kill(lanlib.state()["dns_pid"], signal.SIGSTOP)  # queries now go unanswered
        run, cameras, seconds = scan("--wait", "6")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(sorted(c["macAddress"] for c in cameras),
                         sorted(e["macAddress"] for e in EXPECTED if e["ipv4"].startswith("198.18.1.")))
        self.assertLess(seconds, 7)


if __name__ == "__main__":
    unittest.main(verbosity=2)
