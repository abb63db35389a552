#!/usr/bin/python3
"""Cameras that run an embedded responder, each its own host:
lan-run --fleet fleets/embedded.json -- embedded_test.py SCAN [HOSTS].

Each camera is a namespace of its own (network, mount, UTS) with one veth into a bridge on the
device host, its own MAC, IPv4, auto-IP, IPv6 and link-local address, and Debian's mdnsd 0.12
announcing its `_http._tcp` service. Such a responder ignores QU questions, sends no additional
records, answers only over IPv4 and names its host after the service; it announces only in its
first seconds, and the search starts after that, so only answers to questions count.
vindra-scan's camera list must hold every camera, and so must python3-zeroconf's browser.
"""

import asyncio
import json
import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import lanlib  # noqa: E402

SCAN, HOSTS = None, 20
# mdnsd announces four times in its first 7 s, then keeps silent.
ANNOUNCEMENTS = 7.5


def sh(pid, script, mount=False):
    """`ip -batch` lines (or, with a list, one command) in the namespaces of process `pid`."""
    enter = ["nsenter", "-t", str(pid), "-n"] + (["-m", "-u"] if mount else []) + ["--"]
    argv = enter + (script if isinstance(script, list) else ["ip", "-batch", "-"])
    subprocess.run(argv, input=None if isinstance(script, list) else script, text=True, check=True,
                   capture_output=True)


def camera(index):
    mac = f"02a0de2000{index:02x}"
    return {"index": index, "name": f"Tulvo Cam {index:04d}", "mac": mac, "ipv4": f"198.18.2.{index}",
            "autoIp": f"169.254.2.{index}", "ipv6": f"2001:db8:2::{index}", "linkLocal": f"fe80::2:{index}",
            "txt": ["vender=tulvo", f"macaddress={mac}", f"ser=E{index:04d}", "model=TE-200", "device=camera"]}


def bring_up(device_pid, run, hosts):
    """The bridge on the device host, one host per camera with mdnsd; returns the cameras and the
    processes that hold their namespaces."""
    sh(device_pid, "link add br0 type bridge mcast_snooping 0\nlink set lan0 master br0\nlink set br0 up\n")
    cameras, holders = [camera(i) for i in range(1, hosts + 1)], []
    for cam in cameras:
        # The host: network, mount and UTS namespaces held by a sleeping process; /run is its own,
        # for mdnsd's pid file.
        holder = subprocess.Popen(["unshare", "-n", "-m", "-u", "--propagation", "private", "sh", "-c",
                                   f"mount -t tmpfs none /run && hostname cam-{cam['index']} && exec sleep infinity"],
                                  start_new_session=True)
        holders.append(holder)
        lanlib.wait_until(lambda: os.path.exists(f"/proc/{holder.pid}/ns/uts") and
                          subprocess.run(["nsenter", "-t", str(holder.pid), "-u", "hostname"], capture_output=True,
                                         text=True).stdout.startswith("cam-"), 5)
        sh(holder.pid, ["sysctl", "-q", "-w", "net.ipv6.conf.all.accept_dad=0", "net.ipv6.conf.default.accept_dad=0",
                        "net.ipv6.conf.default.addr_gen_mode=1"])
        mac = ":".join(cam["mac"][i:i + 2] for i in range(0, 12, 2))
        sh(device_pid, f"link add cam{cam['index']} type veth peer name eth0 address {mac} netns {holder.pid}\n"
                       f"link set cam{cam['index']} master br0 up\n")
        sh(holder.pid, f"addr add {cam['ipv4']}/15 dev eth0\naddr add {cam['autoIp']}/16 dev eth0\n"
                       f"addr add {cam['ipv6']}/32 dev eth0 nodad\naddr add {cam['linkLocal']}/64 dev eth0 nodad\n"
                       "link set lo up\nlink set eth0 up\nroute add 224.0.0.0/4 dev eth0\n")
        folder = tempfile.mkdtemp(prefix=f"cam{cam['index']}-", dir=run)
        with open(os.path.join(folder, "http.service"), "w") as f:
            f.write(f"name {cam['name']}\ntype _http._tcp\nport 80\n" + "".join(f"txt {t}\n" for t in cam["txt"]))
        subprocess.Popen(["nsenter", "-t", str(holder.pid), "-n", "-m", "-u", "--", "mdnsd", "-n", "-i", "eth0", "-l",
                          "notice", folder], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    return cameras, holders


def as_listed(cam):
    """The camera as vindra-scan --json lists it: mdnsd announces the IPv4 and the global IPv6
    address only; nothing answers HTTP."""
    mac = "-".join(cam["mac"][i:i + 2] for i in range(0, 12, 2))
    return {"macAddress": mac, "ipv4": cam["ipv4"], "isIpv4Enabled": False, "isIpv4HttpsEnabled": False,
            "ipv6": cam["ipv6"], "isIpv6Enabled": False, "isIpv6HttpsEnabled": False, "autoIp": "---",
            "isAutoIpEnabled": False, "isAutoIpHttpsEnabled": False, "modelName": "TE-200",
            "serialNumber": f"E{cam['index']:04d}", "device": "camera"}


class EmbeddedResponders(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        state = lanlib.state()
        cls.cameras, cls.holders = bring_up(state["device_pid"], os.environ["VINDRA_LAN_RUN"], HOSTS)
        time.sleep(ANNOUNCEMENTS)

    @classmethod
    def tearDownClass(cls):
        for holder in cls.holders:
            holder.kill()

    def test_camera_list_holds_every_camera(self):
        run = subprocess.run([SCAN, "--json"], capture_output=True, text=True, timeout=60)
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        listed = sorted((c for c in map(json.loads, run.stdout.splitlines()) if "macAddress" in c),
                        key=lambda c: c["macAddress"])
        self.assertEqual(listed, [as_listed(c) for c in self.cameras])

    def test_python3_zeroconf_finds_every_camera_too(self):
        # Over IPv4: its browser asks nothing the responders answer when it also uses IPv6.
        found = asyncio.run(lanlib.collect(["_http._tcp"], 20, len(self.cameras), lanlib.IPVersion.V4Only))
        self.assertEqual(sorted(found), [c["name"] for c in self.cameras])
        for cam in self.cameras:
            self.assertEqual(found[cam["name"]]["addresses"], {cam["ipv4"], cam["ipv6"]}, cam["name"])


if __name__ == "__main__":
    SCAN, HOSTS = sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else HOSTS
    result = unittest.TextTestRunner(verbosity=2).run(
        unittest.defaultTestLoader.loadTestsFromTestCase(EmbeddedResponders))
    sys.exit(0 if result.wasSuccessful() else 1)
