#!/usr/bin/python3
"""Times `orvane photos` against findimagedupes and dupeGuru's picture matcher on one corpus and
scores each against the planted groups.

Usage: bench/photos/run.py [--corpus DIR | --bases N] [--size WxH] [--orvane PATH] [--skip-peers]

Without --corpus a corpus of N base photographs (default 200) with near copies and look-alikes is
made under /tmp by the shared generator (../shared/bench/make_photo_corpus.py), once, and reused.
Every program reads the corpus once untimed (hot page cache), then runs once cold (no cache of its
own). Orvane also runs a second time with its signature cache warm. Reported for each: wall
time, images per second, pair recall and pair precision against truth.txt (every two pictures of
one planted group form a true pair; look-alikes belong to no group).
"""
import argparse
import itertools
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
EXTS = (".jpg", ".jpeg", ".png")


def ensure_tools():
    missing = [p for p, probe in [("findimagedupes", "/usr/bin/findimagedupes"),
                                  ("dupeguru", "/usr/share/dupeguru"),
                                  ("python3-pil", "/usr/lib/python3/dist-packages/PIL"),
                                  ("python3-numpy", "/usr/lib/python3/dist-packages/numpy")]
               if not os.path.exists(probe)]
    if missing:
        print("installing " + " ".join(missing) + " ...", file=sys.stderr)
        sudo = [] if os.geteuid() == 0 else ["sudo"]
        subprocess.run(sudo + ["apt-get", "install", "-y", "-q"] + missing, check=True,
                       stdout=subprocess.DEVNULL)


def find_generator():
    for candidate in [os.path.join(REPO, "..", "shared", "bench", "make_photo_corpus.py"),
                      "/work/shared/bench/make_photo_corpus.py"]:
        if os.path.exists(candidate):
            return os.path.abspath(candidate)
    sys.exit("make_photo_corpus.py not found; pass --corpus DIR")


def truth_pairs(root):
    pairs = set()
    for line in open(os.path.join(root, "truth.txt")):
        members = sorted(os.path.join(root, p) for p in line.split())
        pairs.update(itertools.combinations(members, 2))
    return pairs


def pairs_of(groups):
    out = set()
    for g in groups:
        out.update(itertools.combinations(sorted(set(g)), 2))
    return out


def score(groups, truth):
    predicted = pairs_of(groups)
    hit = len(predicted & truth)
    return hit / max(len(truth), 1), hit / max(len(predicted), 1)


def timed(cmd, env=None):
    start = time.monotonic()
    p = subprocess.run(cmd, env=env, capture_output=True)
    wall = time.monotonic() - start
    if p.returncode != 0:
        sys.stderr.write(p.stderr.decode(errors="replace"))
        raise SystemExit(f"{cmd[0]} failed with {p.returncode}")
    return wall, p.stdout.decode(errors="surrogateescape")


def run_orvane(orvane, root, cache_home):
    env = dict(os.environ, XDG_CACHE_HOME=cache_home)
    wall, out = timed([orvane, "photos", "--json", "-q", root], env)
    groups = [[f["path"] for f in g["files"]] for g in json.loads(out)["groups"]]
    return wall, groups


def run_findimagedupes(root):
    # Its default threshold (90%); -R recurses, -q keeps it quiet. One group per line.
    wall, out = timed(["findimagedupes", "-q", "-R", "--", root])
    return wall, [line.split(" ") for line in out.splitlines() if line.strip()]


def run_dupeguru(root):
    wall, out = timed(["/usr/bin/python3", os.path.join(HERE, "dupeguru_pictures.py"), root])
    return wall, [line.split("\t") for line in out.splitlines() if line.strip()]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--corpus")
    ap.add_argument("--bases", type=int, default=200)
    ap.add_argument("--size", default="1600x1200")
    ap.add_argument("--orvane", default=os.path.join(REPO, "build", "src", "cli", "orvane"))
    ap.add_argument("--skip-peers", action="store_true")
    a = ap.parse_args()
    if not os.path.exists(a.orvane):
        sys.exit(f"{a.orvane} not found; build first or pass --orvane")
    if not a.skip_peers:
        ensure_tools()
    root = a.corpus or f"/tmp/orvane-photo-corpus-{a.bases}-{a.size}"
    if not os.path.exists(os.path.join(root, "truth.txt")):
        print(f"making corpus in {root} ...", file=sys.stderr)
        subprocess.run(["/usr/bin/python3", find_generator(), root, "--bases", str(a.bases),
                        "--size", a.size], check=True)
    root = os.path.abspath(root)
    images = [os.path.join(d, n) for d, _, names in os.walk(root) for n in names if n.lower().endswith(EXTS)]
    for path in images:  # hot page cache for everyone
        with open(path, "rb") as f:
            while f.read(1 << 20):
                pass
    truth = truth_pairs(root)
    print(f"corpus {root}: {len(images)} images, {len(truth)} true pairs; {os.cpu_count()} cores")

    rows = []
    with tempfile.TemporaryDirectory() as cache:
        wall, groups = run_orvane(a.orvane, root, cache)
        rows.append(("orvane photos (cold)", wall, groups))
        wall, groups = run_orvane(a.orvane, root, cache)
        rows.append(("orvane photos (cache warm)", wall, groups))
    if not a.skip_peers:
        rows.append(("findimagedupes",) + run_findimagedupes(root))
        rows.append(("dupeGuru pictures",) + run_dupeguru(root))

    print(f"{'program':28} {'wall s':>8} {'images/s':>9} {'recall':>7} {'precision':>9} {'groups':>7}")
    for name, wall, groups in rows:
        recall, precision = score(groups, truth)
        print(f"{name:28} {wall:8.2f} {len(images) / wall:9.1f} {recall:7.3f} {precision:9.3f} {len(groups):7d}")
    base = rows[0][1]
    print(f"second scan speed-up (cache warm): {base / rows[1][1]:.1f}x")
    for name, wall, _ in rows[2:]:
        print(f"orvane cold / {name}: {base / wall:.3f}x wall time")


if __name__ == "__main__":
    main()
