#!/usr/bin/env python3
"""Times `orvane duplicates` against jdupes, rdfind, fdupes and rmlint on one corpus.

Usage: bench/duplicates/run.py [--corpus DIR | --files N] [--rounds R] [--orvane PATH]
                               [--small-files N]

Without --corpus a corpus of N files (default 100,000) is made under /tmp by the shared generator
(../shared/bench/make_dup_corpus.py), once, and reused by later runs.

Figures, each beside the load average when it was taken:
  cold     one run of every program after the page cache was dropped (root only; skipped else)
  hot      R interleaved runs on a hot cache (one untimed warm-up pass reads the whole tree
           first): the median wall time, the CPU time of that run and the largest peak memory,
           with Orvane's ratio to each peer. Orvane runs with --no-cache here: every hot run is
           a first scan.
  rescan   Orvane's first scan with an empty scan cache, then a rescan of the unchanged tree
  bounds   what this machine allows: enumeration (`find -type f`), one stat of every file
           (`find -size +0`, what an exact rescan cannot skip), and reading the bytes that
           sit in duplicate groups once, on every core

Before timing, Orvane's groups are checked against jdupes' under equivalent options: jdupes
without hidden files and folders (-A), hard links counted as duplicates (-H), empty files left
out (its default), as Orvane's default settings do.

--small-files N also times a warm scan of N small files, half of them empty (made once under
/tmp), with and without the cache.
"""
import argparse, json, os, random, shutil, statistics, subprocess, sys, tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
PEERS = ["jdupes", "rdfind", "fdupes", "rmlint"]


def ensure_tools():
    missing = [t for t in PEERS if shutil.which(t) is None]
    if missing:
        print("installing " + " ".join(missing) + " ...", file=sys.stderr)
        sudo = [] if os.geteuid() == 0 else ["sudo"]
        subprocess.run(sudo + ["apt-get", "install", "-y", "-q"] + missing, check=False,
                       stdout=subprocess.DEVNULL)


def find_generator():
    for candidate in [os.path.join(REPO, "..", "shared", "bench", "make_dup_corpus.py"),
                      "/work/shared/bench/make_dup_corpus.py"]:
        if os.path.exists(candidate):
            return os.path.abspath(candidate)
    sys.exit("make_dup_corpus.py not found; pass --corpus DIR")


def load():
    return open("/proc/loadavg").read().split()[0]


def measure(cmd, cwd=None, env=None):
    """Runs cmd under /usr/bin/time; returns (wall, cpu, peak KB, load average before)."""
    fd, report = tempfile.mkstemp(prefix="bench-time-")
    os.close(fd)
    before = load()
    try:
        subprocess.run(["/usr/bin/time", "-f", "%e %U %S %M", "-o", report] + cmd, cwd=cwd, env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        wall, user, system, peak = open(report).read().split()[-4:]
        return float(wall), float(user) + float(system), int(peak), before
    finally:
        os.unlink(report)


def drop_caches():
    if os.geteuid() != 0:
        return False
    subprocess.run(["sync"])
    try:
        with open("/proc/sys/vm/drop_caches", "w") as f:
            f.write("3\n")
        return True
    except OSError:
        return False


def warm(tree):
    subprocess.run(["sh", "-c", f"find '{tree}' -type f -print0 | xargs -0 cat > /dev/null"])


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
    out = subprocess.run([orvane, "duplicates", "-q", "--json", "--no-cache", corpus], env=env,
                         capture_output=True, check=True).stdout
    data = json.loads(out)
    return data, {frozenset(os.fsencode(p) for p in g["files"]) for g in data["groups"]}


def bounds(corpus, data, work):
    """Enumeration and one read of every byte in duplicate groups (each inode once)."""
    find = measure(["find", corpus, "-type", "f"])
    # What an exact rescan cannot skip: one stat of every file (find stats for -size).
    stat = measure(["find", corpus, "-type", "f", "-size", "+0"])
    seen, listed, total = set(), os.path.join(work, "dup-files"), 0
    with open(listed, "wb") as out:
        for g in data["groups"]:
            for p in g["files"]:
                st = os.lstat(p)
                if (st.st_dev, st.st_ino) in seen:
                    continue
                seen.add((st.st_dev, st.st_ino))
                total += st.st_size
                out.write(os.fsencode(p) + b"\0")
    cores = str(os.cpu_count() or 1)
    # Few processes: the bound is the reading, not starting cat.
    read = measure(["sh", "-c", f"xargs -0 -P {cores} -n 4000 cat < '{listed}' > /dev/null"])
    return find, stat, read, total


def small_corpus(n):
    root = f"/tmp/orvane-dupbench-small-{n}"
    if os.path.isdir(root):
        return root
    rnd = random.Random(5)
    tmp = root + ".part"
    shutil.rmtree(tmp, ignore_errors=True)
    for d in range(max(1, n // 1000)):
        os.makedirs(os.path.join(tmp, f"d{d}"), exist_ok=True)
    for i in range(n):
        body = b"" if i % 2 == 0 else str(rnd.randrange(n // 4)).encode() * rnd.randint(1, 4)
        with open(os.path.join(tmp, f"d{i % max(1, n // 1000)}", f"f{i}.dat"), "wb") as f:
            f.write(body)
    os.rename(tmp, root)
    return root


def fmt(r):
    wall, cpu, peak, before = r
    return f"{wall:8.2f} {cpu:8.2f} {peak / 1024:8.1f}   load {before}"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--corpus")
    ap.add_argument("--files", type=int, default=100000)
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--orvane", default=os.path.join(REPO, "build", "src", "cli", "orvane"))
    ap.add_argument("--all-rounds", action="store_true", help="run rmlint every round too")
    ap.add_argument("--small-files", type=int, default=0)
    a = ap.parse_args()
    a.orvane = os.path.abspath(a.orvane)
    if not os.access(a.orvane, os.X_OK):
        sys.exit(f"{a.orvane} is not built (cmake --preset release && cmake --build --preset release)")
    ensure_tools()
    peers = [p for p in PEERS if shutil.which(p)]

    corpus = a.corpus or f"/tmp/orvane-dupbench-{a.files}"
    if not a.corpus and not os.path.isdir(corpus):
        subprocess.run([sys.executable, find_generator(), corpus, "--files", str(a.files)], check=True)
    corpus = os.path.abspath(corpus)

    # A private home, so the saved settings and scan cache of whoever runs this stay out of it.
    home = tempfile.mkdtemp(prefix="orvane-bench-home-")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/.config",
               XDG_STATE_HOME=home + "/.local/state", XDG_CACHE_HOME=home + "/.cache")
    work = tempfile.mkdtemp(prefix="orvane-bench-")
    cache_dir = os.path.join(home, ".cache")

    warm(corpus)
    data, mine = orvane_groups(a.orvane, corpus, env)
    same = True
    if "jdupes" in peers:
        theirs = parse_blocks(subprocess.run(["jdupes", "-r", "-q", "-A", "-H", corpus],
                                             capture_output=True).stdout)
        same = mine == theirs
        print(f"groups: orvane {len(mine)}, jdupes -A -H {len(theirs)}: "
              + ("identical" if same else f"DIFFERENT ({len(mine - theirs)} only in orvane, "
                                          f"{len(theirs - mine)} only in jdupes)"))

    commands = {
        "orvane": [a.orvane, "duplicates", "-q", "--no-cache", corpus],
        "jdupes": ["jdupes", "-r", "-q", corpus],
        "rdfind": ["rdfind", "-dryrun", "true", "-outputname", os.path.join(work, "rdfind.txt"), corpus],
        "fdupes": ["fdupes", "-r", "-q", corpus],
        "rmlint": ["rmlint", "-T", "df", "-o", "fdupes:" + os.path.join(work, "rmlint.txt"), corpus],
    }
    commands = {k: v for k, v in commands.items() if k == "orvane" or k in peers}
    header = f"{'program':8} {'wall s':>8} {'cpu s':>8} {'peak MB':>8}"

    print(f"\ncorpus {corpus}, {os.cpu_count()} cores")
    if drop_caches():
        print("\ncold (page cache dropped before each program), one run")
        print(header)
        for name, cmd in commands.items():
            drop_caches()
            print(f"{name:8} " + fmt(measure(cmd, cwd=work, env=env if name == "orvane" else None)))
        warm(corpus)
    else:
        print("\ncold: skipped (dropping the page cache needs root)")

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
        return median[0], median[1], max(r[2] for r in rs), median[3]

    base = summary("orvane")
    print(f"\nhot, {a.rounds} rounds, median wall")
    print(header + "            orvane/peer: wall  cpu  memory")
    for name in commands:
        s = summary(name)
        line = f"{name:8} " + fmt(s)
        if name != "orvane":
            line += f"   {base[0] / s[0]:10.2f} {base[1] / s[1]:4.2f} {base[2] / s[2]:7.2f}"
        print(line)

    print("\nrescan (scan cache), hot")
    cached = [a.orvane, "duplicates", "-q", corpus]
    firsts, rescans = [], []
    for _ in range(max(1, a.rounds // 2)):
        shutil.rmtree(cache_dir, ignore_errors=True)
        firsts.append(measure(cached, cwd=work, env=env))
        rescans.append(measure(cached, cwd=work, env=env))
    first = sorted(firsts)[len(firsts) // 2]
    rescan = sorted(rescans)[len(rescans) // 2]
    print(header)
    print(f"{'first':8} " + fmt(first))
    print(f"{'rescan':8} " + fmt(rescan) + f"   rescan/first: {rescan[0] / first[0]:.2f}")
    out = subprocess.run([a.orvane, "duplicates", "-q", "--json", corpus], env=env,
                         capture_output=True).stdout
    rescan_same = {frozenset(os.fsencode(p) for p in g["files"])
                   for g in json.loads(out)["groups"]} == mine
    print("rescan groups: " + ("identical" if rescan_same else "DIFFERENT"))

    find, stat, read, total = bounds(corpus, data, work)
    print("\nbounds on this machine, hot")
    print(f"enumeration (find -type f)        {find[0]:6.2f} s wall {find[1]:6.2f} s cpu   load {find[3]}")
    print(f"stat every file (find -size +0)   {stat[0]:6.2f} s wall {stat[1]:6.2f} s cpu   load {stat[3]}")
    print(f"read {total / 1e9:.2f} GB in duplicate groups once {read[0]:6.2f} s wall {read[1]:6.2f} s cpu"
          f"   load {read[3]}")

    if a.small_files:
        small = small_corpus(a.small_files)
        warm(small)
        print(f"\n{a.small_files} small files, half empty, warm")
        print(header)
        nocache = measure([a.orvane, "duplicates", "-q", "--no-cache", small], cwd=work, env=env)
        print(f"{'orvane':8} " + fmt(nocache))
        shutil.rmtree(cache_dir, ignore_errors=True)
        measure(cached[:-1] + [small], cwd=work, env=env)
        print(f"{'rescan':8} " + fmt(measure(cached[:-1] + [small], cwd=work, env=env)))
        if "jdupes" in peers:
            print(f"{'jdupes':8} " + fmt(measure(["jdupes", "-r", "-q", small], cwd=work)))
        stat = measure(["find", small, "-type", "f", "-size", "+0"])
        print(f"bound: stat every file (find -size +0) {stat[0]:6.2f} s wall {stat[1]:6.2f} s cpu"
              f"   load {stat[3]}")

    shutil.rmtree(work, ignore_errors=True)
    shutil.rmtree(home, ignore_errors=True)
    return 0 if same and rescan_same else 1


if __name__ == "__main__":
    sys.exit(main())
