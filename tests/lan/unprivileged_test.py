"""ctest lan.harness_unprivileged: as root, run the harness again as user nobody, so the
user-namespace path of lan-run is tested too. Skipped (77) when not root (then every lan test
takes that path anyway) or when nobody may not read the source tree."""

import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SKIP = 77
AS_NOBODY = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"]


def main():
    if os.geteuid() != 0:
        print("not root: the other lan tests already run unprivileged", file=sys.stderr)
        return SKIP
    lan_run = os.path.join(HERE, "lan-run")
    if subprocess.run(AS_NOBODY + ["test", "-x", lan_run]).returncode != 0:
        print(f"user nobody may not run {lan_run}", file=sys.stderr)
        return SKIP
    env = dict(os.environ, HOME="/tmp", TMPDIR="/tmp")
    command = AS_NOBODY + [lan_run, "--fleet", os.path.join(HERE, "fleets", "mixed.json"), "--",
                           "/usr/bin/python3", os.path.join(HERE, "harness_test.py")]
    return subprocess.run(command, env=env, timeout=100).returncode


if __name__ == "__main__":
    sys.exit(main())
