"""ctest lan.teardown: lan-run passes on the command's status and leaves nothing behind, also
when it is stopped with SIGTERM or SIGKILL; options that shape the client host work.

Runs lan-run itself (not under it). Exits 77 when lan-run can create no namespaces here.
"""

import json
import os
import signal
import subprocess
import sys
import time
import unittest
import uuid

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import lanlib  # noqa: E402

LAN_RUN = os.path.join(HERE, "lan-run")
FLEET = os.path.join(HERE, "fleets", "control.json")
SKIP = 77


def lan_run(*command, options=(), **kwargs):
    return subprocess.run([LAN_RUN, "--fleet", FLEET, *options, "--", *command],
                          capture_output=True, text=True, timeout=60, **kwargs)


def processes_with(marker):
    """PIDs of this machine's `sleep` processes whose command line contains marker."""
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                argv = f.read().split(b"\0")
                if argv[0] == b"sleep" and marker.encode() in argv[1]:
                    found.append(int(pid))
        except OSError:
            pass
    return found


class Teardown(unittest.TestCase):
    def test_exit_status_is_the_commands(self):
        self.assertEqual(lan_run("sh", "-c", "exit 7").returncode, 7)
        self.assertEqual(lan_run("true").returncode, 0)
        self.assertEqual(lan_run("sh", "-c", "kill -KILL $$").returncode, 128 + 9)
        self.assertEqual(lan_run("/nonexistent/command").returncode, 127)

    def test_bad_fleet_is_refused_before_anything_starts(self):
        for bad in ('{"devices": [{"instance": "x", "host": "x", "port": 80, "addresses": ["10.1.2.3"]}]}',
                    '{"devices": [{"instance": "x", "host": "x", "port": 80, "addresses": ["2001:db9::1"]}]}',
                    '{"devices": [{"instance": "x", "host": "x", "port": 80, "addresses": ["198.18.0.1"]}]}',
                    '{"devices": [{"instance": "x", "host": "x", "port": 80, "http": {"80": 999}}]}'):
            with self.subTest(fleet=bad):
                path = os.path.join(os.environ.get("TMPDIR", "/tmp"), f"bad-fleet-{uuid.uuid4().hex}.json")
                with open(path, "w") as f:
                    f.write(bad)
                try:
                    result = subprocess.run([LAN_RUN, "--fleet", path, "--", "true"],
                                            capture_output=True, text=True, timeout=60)
                finally:
                    os.unlink(path)
                self.assertEqual(result.returncode, 2, result.stderr)

    def stop_while_running(self, signum):
        marker = f"{time.time() % 1000:.6f}{os.getpid() % 1000}"
        script = f'echo "$VINDRA_LAN_RUN"; sleep 3{marker} & sleep 2{marker} & wait'
        process = subprocess.Popen([LAN_RUN, "--fleet", FLEET, "--", "sh", "-c", script],
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        try:
            run_dir = process.stdout.readline().strip()
            self.assertTrue(run_dir)
            self.assertTrue(lanlib.wait_until(lambda: len(processes_with(marker)) == 2, 10))
            started = time.monotonic()
            process.send_signal(signum)
            status = process.wait(30)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
            process.stdout.close()
            process.stderr.close()
        # Every process of the run lived in its PID namespace and dies with it.
        self.assertEqual(lanlib.wait_until(lambda: not processes_with(marker), 10), True)
        return status, run_dir, time.monotonic() - started

    def test_sigterm_tears_everything_down(self):
        status, run_dir, seconds = self.stop_while_running(signal.SIGTERM)
        self.assertEqual(status, 128 + signal.SIGTERM)
        self.assertFalse(os.path.exists(run_dir))
        self.assertLess(seconds, 10)

    def test_sigkill_leaves_no_process(self):
        status, run_dir, _ = self.stop_while_running(signal.SIGKILL)
        self.assertEqual(status, -signal.SIGKILL)
        subprocess.run(["rm", "-rf", "--", run_dir], check=False)

    def test_skips_where_no_namespace_may_be_made(self):
        # A user namespace in which no further one may be made and no capability is left.
        unshare, setpriv = lanlib.tool("unshare"), lanlib.tool("setpriv")
        if subprocess.run([unshare, "--user", "--map-root-user", "true"], capture_output=True).returncode != 0:
            self.skipTest("this machine allows no user namespaces")
        script = ('echo 0 > /proc/sys/user/max_user_namespaces && exec "$0" --bounding-set=-all --inh-caps=-all'
                  ' -- "$1" --fleet "$2" -- true')
        result = subprocess.run([unshare, "--user", "--map-root-user", "sh", "-c", script, setpriv, LAN_RUN, FLEET],
                                capture_output=True, text=True, timeout=60)
        self.assertEqual(result.returncode, SKIP, result.stderr)
        self.assertIn("no network namespaces", result.stderr)

    def test_no_multicast_route(self):
        ip = lanlib.tool("ip")
        result = lan_run("sh", "-c", f"{ip} -o link show dev {lanlib.LINK}; {ip} route get 224.0.0.251;"
                         f"{ip} -6 route show table local type multicast", options=["--no-multicast-route"])
        self.assertNotIn("MULTICAST", result.stdout)
        self.assertIn("unreachable", result.stderr.lower())
        self.assertNotIn("ff00::/8", result.stdout)

    def test_client_zeroconf_shares_the_mdns_port(self):
        ss = lanlib.tool("ss")
        result = lan_run(ss, "-Huln", "sport", "=", "5353", options=["--client-zeroconf"])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn(":5353", result.stdout)
        # Another stack on the port must not keep a second one from finding every device.
        result = lan_run("/usr/bin/python3", os.path.join(HERE, "browse.py"), "--expect", "4", "--seconds", "10",
                         options=["--client-zeroconf"])
        self.assertEqual(len(json.loads(result.stdout)), 4, result.stderr)


def main():
    probe = lan_run("true")
    if probe.returncode == SKIP:
        print(probe.stderr, file=sys.stderr)
        return SKIP
    program = unittest.main(exit=False, verbosity=2)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
