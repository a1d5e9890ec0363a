#!/usr/bin/env python3
"""Times `orvane apps --json --residual` on this machine and on a generated machine of N
applications in the four forms (Debian packages, flatpaks, snaps, AppImages) with their
related files and leftovers, warm cache, median of rounds, and checks the fixture's counts.

Usage: bench/apps/run.py [--apps 500] [--rounds 5] [--orvane PATH]
The fixture is made once under /tmp (never in the repository) by make_fixture.py."""
import argparse, collections, json, os, statistics, subprocess, sys, time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
import make_fixture  # noqa: E402


def find_orvane(explicit):
    if explicit:
        return explicit
    for build in ("build", "build-ci"):
        path = os.path.join(REPO, build, "src", "cli", "orvane")
        if os.access(path, os.X_OK):
            return path
    sys.exit("bench/apps: no orvane binary; build first (cmake --build --preset release)")


def timed(cmd, env, rounds):
    walls, out = [], None
    subprocess.run(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)  # warm up
    for _ in range(rounds):
        start = time.perf_counter()
        proc = subprocess.run(cmd, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        walls.append(time.perf_counter() - start)
        if proc.returncode != 0:
            sys.exit(f"bench/apps: {' '.join(cmd)} exited with {proc.returncode}")
        out = proc.stdout
    return statistics.median(walls), json.loads(out)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--apps", type=int, default=500)
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--orvane")
    a = ap.parse_args()
    orvane = find_orvane(a.orvane)

    machine_wall, machine = timed([orvane, "apps", "--json", "--residual"], dict(os.environ), a.rounds)

    base = f"/tmp/orvane-appsbench-{a.apps}"
    root, home = make_fixture.make(base, a.apps)
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/.config",
               XDG_DATA_HOME=home + "/.local/share", XDG_CACHE_HOME=home + "/.cache",
               XDG_STATE_HOME=home + "/.local/state")
    env.pop("XDG_DATA_DIRS", None)
    fixture_wall, fixture = timed([orvane, "apps", "--json", "--residual", "--root", root], env, a.rounds)

    kinds = collections.Counter(app["kind"] for app in fixture["apps"])
    print(f"this machine: {len(machine['apps'])} apps, {len(machine['residual'])} leftovers, "
          f"{machine_wall * 1000:.0f} ms")
    print(f"fixture:      {len(fixture['apps'])} apps {dict(kinds)}, {len(fixture['residual'])} leftovers, "
          f"{fixture_wall * 1000:.0f} ms")
    print(f"together:     {(machine_wall + fixture_wall) * 1000:.0f} ms (median of {a.rounds}, warm cache)")
    expected = a.apps // 4
    if len(fixture["apps"]) != a.apps or any(kinds[k] != expected for k in ("deb", "flatpak", "snap", "appimage")):
        sys.exit("bench/apps: the fixture's applications were not all found in their forms")
    if len(fixture["residual"]) != a.apps // 10 + a.apps // 25:
        sys.exit("bench/apps: the fixture's leftovers were not all found")


if __name__ == "__main__":
    main()
