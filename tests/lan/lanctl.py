"""$VINDRA_LAN_CTL: acts on the device host of the running lan-run, from inside its COMMAND.

    $VINDRA_LAN_CTL txt [--hex] INSTANCE ENTRY...   replace the service's TXT record (announced)
    $VINDRA_LAN_CTL goodbye INSTANCE                withdraw the service with goodbye packets
    $VINDRA_LAN_CTL vanish INSTANCE                 the device leaves without a goodbye
    $VINDRA_LAN_CTL exec -- CMD [ARGS...]           run CMD on the device host
    $VINDRA_LAN_CTL requests                        print the HTTP request log (JSON lines)
"""

import json
import os
import socket
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import lanlib  # noqa: E402


def ask(request):
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as sock:
        sock.settimeout(30)
        sock.connect(lanlib.state()["control"])
        sock.sendall((json.dumps(request) + "\n").encode())
        data = b""
        while not data.endswith(b"\n"):
            chunk = sock.recv(65536)
            if not chunk:
                break
            data += chunk
    reply = json.loads(data)
    if not reply.get("ok"):
        sys.exit(f"lanctl: {reply.get('error')}")
    return reply


def main(argv):
    if not argv:
        sys.exit(__doc__)
    op, rest = argv[0], argv[1:]
    if op == "txt":
        raw = rest[:1] == ["--hex"]
        if raw:
            rest = rest[1:]
        if not rest:
            sys.exit("lanctl txt: INSTANCE missing")
        entries = [{"hex": e} if raw else e for e in rest[1:]]
        ask({"op": "txt", "instance": rest[0], "txt": entries})
        return 0
    if op == "goodbye":
        if len(rest) != 1:
            sys.exit("lanctl goodbye: give one INSTANCE")
        ask({"op": "goodbye", "instance": rest[0]})
        return 0
    if op == "vanish":
        if len(rest) != 1:
            sys.exit("lanctl vanish: give one INSTANCE")
        reply = ask({"op": "vanish", "instance": rest[0]})
        state = lanlib.state()
        device_cmds = [f"addr del {a}/{128 if ':' in a else 32} dev {lanlib.LINK}" for a in reply["addresses"]]
        client_cmds = [f"neigh del {a} dev {lanlib.LINK}" for a in reply["addresses"]]
        # The addresses go from the device host and their neighbour entries from the client, so
        # a connection to them gets no ARP/NDP answer, as with a device that was switched off.
        for pid, cmds in ((state["device_pid"], device_cmds), (state["client_pid"], client_cmds)):
            if cmds:
                subprocess.run(["nsenter", "-t", str(pid), "-n", "--", lanlib.tool("ip"), "-force", "-batch", "-"],
                               input="\n".join(cmds) + "\n", text=True, check=True, capture_output=True)
        return 0
    if op == "exec":
        if rest[:1] == ["--"]:
            rest = rest[1:]
        if not rest:
            sys.exit("lanctl exec: CMD missing")
        return lanlib.device_exec(rest).returncode
    if op == "requests":
        with open(lanlib.state()["requests"], encoding="utf-8") as f:
            sys.stdout.write(f.read())
        return 0
    sys.exit(f"lanctl: unknown command {op!r}\n{__doc__}")


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
