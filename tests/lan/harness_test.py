# ctest lan.*. Under lan-run (lan.harness_*): the simulated network is what the fleet file says,
# and $VINDRA_LAN_CTL does what it promises; python3-zeroconf's own browser and Knot's kdig are
# the peers. Run by itself (lan.teardown): lan-run passes on the command's status and leaves
# nothing behind, also when stopped with SIGTERM or SIGKILL; bad fleets are refused; as root, the
# harness passes again as user nobody (the user-namespace path). Exits 77 when lan-run can create
# no namespaces here.

import asyncio
import os
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import lanlib  # noqa: E402

from lanlib import AsyncServiceBrowser, AsyncZeroconf, IPVersion, ServiceStateChange  # noqa: E402

LAN_RUN, CONTROL_FLEET = os.path.join(HERE, "lan-run"), os.path.join(HERE, "fleets", "control.json")
FLEET = lanlib.load_fleet(os.environ.get("VINDRA_LAN_FLEET", CONTROL_FLEET))
CA, CTL = os.environ.get("VINDRA_LAN_CA"), os.environ.get("VINDRA_LAN_CTL")
MDNS = [d for d in FLEET["devices"] if "mdns" in d["publish"]]
DNS = [d for d in FLEET["devices"] if "dns" in d["publish"]]


def ctl(*args, check=True):
    return subprocess.run([CTL, *args], capture_output=True, text=True, timeout=30, check=check)


def kdig(name, type_):
    return subprocess.run(["kdig", "+short", name, type_], capture_output=True, text=True, timeout=10).stdout.split("\n")[:-1]


def changes_during(actions, seconds):
    """The (instance, state change) pairs a running browser sees within `seconds` of `actions`."""
    async def run():
        azc, seen = AsyncZeroconf(ip_version=IPVersion.All), []
        browser = AsyncServiceBrowser(azc.zeroconf, ["_http._tcp.local."], handlers=[
            lambda zeroconf, service_type, name, state_change: seen.append((name.split(".")[0], state_change))])
        deadline = time.monotonic() + 5
        while len(seen) < len(MDNS) and time.monotonic() < deadline:
            await asyncio.sleep(0.05)
        seen.clear()
        for action in actions:
            await asyncio.get_running_loop().run_in_executor(None, action)
        await asyncio.sleep(seconds)
        await browser.async_cancel()
        await azc.async_close()
        return seen
    return asyncio.run(run())


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


class Control(unittest.TestCase):
    def test_txt_change_is_announced_and_a_vanished_device_says_no_goodbye_and_answers_nothing(self):
        changing, vanishing = "Tulvo TC-100 02a0de100001", "Tulvo TC-100 02a0de100002"
        seen = changes_during([lambda: ctl("txt", changing, "vender=tulvo", "model=TC-999"),
                               lambda: ctl("vanish", vanishing)], 2)
        self.assertEqual(seen, [(changing, ServiceStateChange.Updated)])
        found = asyncio.run(lanlib.collect(["_http._tcp"], 3, 0))
        self.assertEqual(found[changing]["txt"], b"\x0cvender=tulvo\x0cmodel=TC-999")
        self.assertNotIn(vanishing, found)
        # ... and neither do the dead addresses of another device.
        for address in ("198.18.3.2", "169.254.3.2", "2001:db8:3::2", "198.19.3.3", "2001:db8:3::3"):
            self.assertIn(lanlib.http_get(address, 80, timeout=1), ("timeout", "unreachable"), address)
        self.assertNotEqual(ctl("vanish", "no such device", check=False).returncode, 0)


def lan_run(*command, fleet=CONTROL_FLEET):
    return subprocess.run([LAN_RUN, "--fleet", fleet, "--", *command], capture_output=True, text=True, timeout=100)


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
        process = subprocess.Popen([LAN_RUN, "--fleet", CONTROL_FLEET, "--", "sh", "-c",
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
                                 LAN_RUN, CONTROL_FLEET], capture_output=True, text=True, timeout=60)
        self.assertEqual(result.returncode, 77, result.stderr)
        self.assertIn("no network namespaces", result.stderr)

    @unittest.skipIf(os.geteuid() != 0, "not root: every lan test already takes the user-namespace path")
    def test_harness_as_user_nobody(self):
        nobody = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"]
        if subprocess.run(nobody + ["test", "-x", LAN_RUN]).returncode:
            self.skipTest("user nobody may not run lan-run from this tree")
        result = subprocess.run(nobody + [LAN_RUN, "--fleet", os.path.join(HERE, "fleets", "mixed.json"), "--",
                                          "/usr/bin/python3", os.path.abspath(__file__)],
                                env=dict(os.environ, HOME="/tmp", TMPDIR="/tmp"), capture_output=True, text=True, timeout=100)
        self.assertEqual(result.returncode, 0, result.stderr[-3000:])


if __name__ == "__main__":
    if "VINDRA_LAN_FLEET" not in os.environ:
        case = Teardown
        if lan_run("true").returncode == 77:
            sys.exit(77)
    else:
        case = Control if os.path.basename(os.environ["VINDRA_LAN_FLEET"]) == "control.json" else Harness
    result = unittest.TextTestRunner(verbosity=2).run(unittest.defaultTestLoader.loadTestsFromTestCase(case))
    sys.exit(0 if result.wasSuccessful() else 1)
