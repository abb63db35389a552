# ctest lan.teardown: lan-run passes on the command's status and leaves nothing behind, also
# when stopped with SIGTERM or SIGKILL; bad fleets are refused; the options that shape the client
# host work; as root, the harness passes again as user nobody (the user-namespace path).
# Runs lan-run itself (not under it). Exits 77 when lan-run can create no namespaces here.

import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import lanlib  # noqa: E402

LAN_RUN, FLEET = os.path.join(HERE, "lan-run"), os.path.join(HERE, "fleets", "control.json")


def lan_run(*command, options=(), fleet=FLEET, **kwargs):
    return subprocess.run([LAN_RUN, "--fleet", fleet, *options, "--", *command], capture_output=True, text=True,
                          timeout=100, **kwargs)


def sleepers(marker):
    """PIDs of the `sleep` processes of this run (marked by their argument)."""
    return subprocess.run(["pgrep", "-f", f"^sleep [23]{marker}$"], capture_output=True, text=True).stdout.split()


class Teardown(unittest.TestCase):
    def test_exit_status_is_the_commands(self):
        for command, status in ((["sh", "-c", "exit 7"], 7), (["true"], 0), (["sh", "-c", "kill -KILL $$"], 137),
                                (["/nonexistent/command"], 127)):
            self.assertEqual(lan_run(*command).returncode, status, command)

    def test_bad_fleet_is_refused_before_anything_starts(self):
        device = '{"instance": "x", "host": "x", "port": 80, '
        for bad in ('"addresses": ["10.1.2.3"]', '"addresses": ["2001:db9::1"]', '"addresses": ["198.18.0.1"]',
                    '"http": {"80": 999}', '"addresses": ["2001:db8:0:2::1"]',
                    '"publish": ["dns"], "addresses": ["198.18.1.1"]'):
            with self.subTest(fleet=bad), tempfile.NamedTemporaryFile("w", suffix=".json") as f:
                f.write('{"devices": [' + device + bad + '}]}')
                f.flush()
                self.assertEqual(lan_run("true", fleet=f.name).returncode, 2)

    def stop_while_running(self, signum):
        marker = f"{time.time() % 1000:.6f}{os.getpid() % 1000}"
        process = subprocess.Popen([LAN_RUN, "--fleet", FLEET, "--", "sh", "-c",
                                    f'echo "$VINDRA_LAN_RUN"; sleep 3{marker} & sleep 2{marker} & wait'],
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        with process:
            run_dir = process.stdout.readline().strip()
            self.assertTrue(lanlib.wait_until(lambda: len(sleepers(marker)) == 2, 10))
            started = time.monotonic()
            process.send_signal(signum)
            status = process.wait(30)
        # Every process of the run lived in its PID namespace and dies with it.
        self.assertTrue(lanlib.wait_until(lambda: not sleepers(marker), 10))
        return status, run_dir, time.monotonic() - started

    def test_sigterm_tears_everything_down_and_sigkill_leaves_no_process(self):
        status, run_dir, seconds = self.stop_while_running(signal.SIGTERM)
        self.assertEqual((status, os.path.exists(run_dir), seconds < 10), (128 + signal.SIGTERM, False, True))
        status, run_dir, _ = self.stop_while_running(signal.SIGKILL)
        self.assertEqual(status, -signal.SIGKILL)
        subprocess.run(["rm", "-rf", "--", run_dir])

    def test_skips_where_no_namespace_may_be_made(self):
        # A user namespace in which no further one may be made and no capability is left.
        if subprocess.run(["unshare", "--user", "--map-root-user", "true"], capture_output=True).returncode:
            self.skipTest("this machine allows no user namespaces")
        script = 'echo 0 > /proc/sys/user/max_user_namespaces && exec "$0" --bounding-set=-all --inh-caps=-all -- "$1" --fleet "$2" -- true'
        result = subprocess.run(["unshare", "--user", "--map-root-user", "sh", "-c", script, lanlib.tool("setpriv"),
                                 LAN_RUN, FLEET], capture_output=True, text=True, timeout=60)
        self.assertEqual(result.returncode, 77, result.stderr)
        self.assertIn("no network namespaces", result.stderr)

    def test_no_multicast_route(self):
        result = lan_run("sh", "-c", "ip -o link show dev lan0; ip route get 224.0.0.251; ip -6 route show table local type multicast",
                         options=["--no-multicast-route"])
        self.assertNotIn("MULTICAST", result.stdout)
        self.assertIn("unreachable", result.stderr.lower())
        self.assertNotIn("ff00::/8", result.stdout)

    def test_client_zeroconf_shares_the_mdns_port_and_a_second_stack_still_finds_every_device(self):
        script = f"ss -Huln sport = 5353; /usr/bin/python3 -c 'import sys; sys.path.insert(0, \"{HERE}\"); import asyncio, lanlib; " \
                 "print(len(asyncio.run(lanlib.collect([\"_http._tcp\"], 10, 4))))'"
        result = lan_run("sh", "-c", script, options=["--client-zeroconf"])
        self.assertIn(":5353", result.stdout)
        self.assertEqual(result.stdout.split()[-1], "4", result.stderr)

    @unittest.skipIf(os.geteuid() != 0, "not root: every lan test already takes the user-namespace path")
    def test_harness_as_user_nobody(self):
        nobody = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"]
        if subprocess.run(nobody + ["test", "-x", LAN_RUN]).returncode:
            self.skipTest("user nobody may not run lan-run from this tree")
        result = subprocess.run(nobody + [LAN_RUN, "--fleet", os.path.join(HERE, "fleets", "mixed.json"), "--",
                                          "/usr/bin/python3", os.path.join(HERE, "harness_test.py")],
                                env=dict(os.environ, HOME="/tmp", TMPDIR="/tmp"), capture_output=True, text=True, timeout=100)
        self.assertEqual(result.returncode, 0, result.stderr[-3000:])


if __name__ == "__main__":
    if lan_run("true").returncode == 77:
        sys.exit(77)
    sys.exit(0 if unittest.main(exit=False, verbosity=2).result.wasSuccessful() else 1)
