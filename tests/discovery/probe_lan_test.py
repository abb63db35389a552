#!/usr/bin/python3
"""Probes of vindra-scan against devices that answer as real ones do (lan-run, probe_fleet.json).

Usage: lan-run --fleet probe_fleet.json -- /usr/bin/python3 probe_lan_test.py PATH/TO/vindra-scan
"""

import json
import os
import subprocess
import sys
import time
import unittest

SCAN = None


class ProbesOfRealAnswers(unittest.TestCase):
    def test_answers(self):
        scan = subprocess.Popen([SCAN, "--json", "--watch", "60"], stdout=subprocess.PIPE,
                                text=True)
        try:
            lines = [json.loads(scan.stdout.readline()) for _ in range(6)]
            # The list is out: no probe may still hold a connection (the stream never ends).
            time.sleep(0.5)
            ss = subprocess.run(["ss", "-Htn", "state", "established", "dst", "198.18.2.5"],
                                capture_output=True, text=True, timeout=10, check=True)
        finally:
            scan.kill()
            scan.wait()
        self.assertEqual(lines[5], {"search": 1, "devices": 5})
        flags = {c["macAddress"][-2:]: (c["isIpv4Enabled"], c["isIpv4HttpsEnabled"])
                 for c in lines[:5]}
        # Redirects followed to a 200, a 401 counts, a refused HTTPS port sets nothing.
        self.assertEqual(flags, {"01": (True, False), "02": (True, False), "03": (True, False),
                                 "04": (True, False), "05": (True, False)})
        self.assertEqual(ss.stdout, "")
        log = subprocess.run([os.environ["VINDRA_LAN_CTL"], "requests"], capture_output=True,
                             text=True, timeout=10, check=True).stdout.splitlines()
        paths = sorted((r["addr"], r["path"]) for r in map(json.loads, log))
        moved = "/admin/-set-?el=aa00&moved=1"
        self.assertEqual([p for a, p in paths if a == "198.18.2.1"], ["/admin/-set-?el=aa00", moved])
        self.assertEqual([p for a, p in paths if a == "198.18.2.3"], ["/admin/-set-?el=aa00"],
                         "a log-in challenge is not answered")


if __name__ == "__main__":
    SCAN = sys.argv.pop(1)
    unittest.main(verbosity=2)
