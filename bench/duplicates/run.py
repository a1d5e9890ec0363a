#!/usr/bin/env python3
"""Times `orvane duplicates` against jdupes, rdfind, fdupes and rmlint on one corpus.

Usage: bench/duplicates/run.py [--corpus DIR | --files N] [--rounds R] [--orvane PATH]

Without --corpus a corpus of N files (default 100,000) is made under /tmp by the shared generator
(../shared/bench/make_dup_corpus.py), once, and reused by later runs. Every program runs R times
on a hot cache (one untimed warm-up pass reads the whole tree first); the median wall time, the
CPU time of that run and the largest peak memory are reported with Orvane's ratio to each peer.

Before timing, Orvane's groups are checked against jdupes' under equivalent options: jdupes
without hidden files and folders (-A), hard links counted as duplicates (-H), empty files left
out (its default), as Orvane's default settings do.
"""
import argparse, os, shutil, statistics, subprocess, sys, tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
PEERS = ["jdupes", "rdfind", "fdupes", "rmlint"]


def ensure_tools():
    missing = [t for t in PEERS if shutil.which(t) is None]
    if missing:
        print("installing " + " ".join(missing) + " ...", file=sys.stderr)
        sudo = [] if os.geteuid() == 0 else ["sudo"]
        subprocess.run(sudo + ["apt-get", "install", "-y", "-q"] + missing, check=True,
                       stdout=subprocess.DEVNULL)


def find_generator():
    for candidate in [os.path.join(REPO, "..", "shared", "bench", "make_dup_corpus.py"),
                      "/work/shared/bench/make_dup_corpus.py"]:
        if os.path.exists(candidate):
            return os.path.abspath(candidate)
    sys.exit("make_dup_corpus.py not found; pass --corpus DIR")


def measure(cmd, cwd=None, env=None):
    """Runs cmd under /usr/bin/time; returns (wall, cpu, peak KB)."""
    fd, report = tempfile.mkstemp(prefix="bench-time-")
    os.close(fd)
    try:
        subprocess.run(["/usr/bin/time", "-f", "%e %U %S %M", "-o", report] + cmd, cwd=cwd, env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        wall, user, system, peak = open(report).read().split()[-4:]
        return float(wall), float(user) + float(system), int(peak)
    finally:
        os.unlink(report)


def parse_blocks(text):
    groups, current = set(), []
    for line in text.split(b"\n"):
        if line:
            current.append(line)
        elif current:
            groups.add(frozenset(current))
            current = []
    if current:
        groups.add(frozenset(current))
    return groups


def orvane_groups(orvane, corpus, env):
    out = subprocess.run([orvane, "duplicates", "-q", "--json", corpus], env=env,
                         capture_output=True, check=True).stdout
    import json
    data = json.loads(out)
    return {frozenset(os.fsencode(p) for p in g["files"]) for g in data["groups"]}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--corpus")
    ap.add_argument("--files", type=int, default=100000)
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--orvane", default=os.path.join(REPO, "build", "src", "cli", "orvane"))
    ap.add_argument("--all-rounds", action="store_true", help="run rmlint every round too")
    a = ap.parse_args()
    a.orvane = os.path.abspath(a.orvane)
    if not os.access(a.orvane, os.X_OK):
        sys.exit(f"{a.orvane} is not built (cmake --preset release && cmake --build --preset release)")
    ensure_tools()

    corpus = a.corpus or f"/tmp/orvane-dupbench-{a.files}"
    if not a.corpus and not os.path.isdir(corpus):
        subprocess.run([sys.executable, find_generator(), corpus, "--files", str(a.files)], check=True)
    corpus = os.path.abspath(corpus)

    # A private home, so the saved settings of whoever runs this do not change the result.
    home = tempfile.mkdtemp(prefix="orvane-bench-home-")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/.config",
               XDG_STATE_HOME=home + "/.local/state")
    work = tempfile.mkdtemp(prefix="orvane-bench-")

    subprocess.run(["sh", "-c", f"find '{corpus}' -type f -print0 | xargs -0 cat > /dev/null"])

    mine = orvane_groups(a.orvane, corpus, env)
    theirs = parse_blocks(subprocess.run(["jdupes", "-r", "-q", "-A", "-H", corpus],
                                         capture_output=True).stdout)
    same = mine == theirs
    print(f"groups: orvane {len(mine)}, jdupes -A -H {len(theirs)}: "
          + ("identical" if same else f"DIFFERENT ({len(mine - theirs)} only in orvane, "
                                      f"{len(theirs - mine)} only in jdupes)"))

    commands = {
        "orvane": [a.orvane, "duplicates", "-q", corpus],
        "jdupes": ["jdupes", "-r", "-q", corpus],
        "rdfind": ["rdfind", "-dryrun", "true", "-outputname", os.path.join(work, "rdfind.txt"), corpus],
        "fdupes": ["fdupes", "-r", "-q", corpus],
        "rmlint": ["rmlint", "-T", "df", "-o", "fdupes:" + os.path.join(work, "rmlint.txt"), corpus],
    }
    runs = {name: [] for name in commands}
    for _ in range(a.rounds):
        # Interleaved, so a busy moment of the machine hits every program alike.
        for name, cmd in commands.items():
            # rmlint takes minutes on this corpus; one run of it is enough for a ratio.
            if name == "rmlint" and runs[name] and not a.all_rounds:
                continue
            runs[name].append(measure(cmd, cwd=work, env=env if name == "orvane" else None))

    def summary(name):
        rs = sorted(runs[name], key=lambda r: r[0])
        median = rs[len(rs) // 2]
        return median[0], median[1], max(r[2] for r in rs)

    base = summary("orvane")
    print(f"\ncorpus {corpus}, {a.rounds} rounds, hot cache, median wall")
    print(f"{'program':8} {'wall s':>8} {'cpu s':>8} {'peak MB':>8}   orvane/peer: wall  cpu  memory")
    for name in commands:
        wall, cpu, peak = summary(name)
        line = f"{name:8} {wall:8.2f} {cpu:8.2f} {peak / 1024:8.1f}"
        if name != "orvane":
            line += f"   {base[0] / wall:17.2f} {base[1] / cpu:4.2f} {base[2] / peak:7.2f}"
        print(line)
    shutil.rmtree(work, ignore_errors=True)
    shutil.rmtree(home, ignore_errors=True)
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
