#!/usr/bin/python3
"""dupeGuru's picture matcher without its window: prints one group per line (paths tab-separated).

Usage: dupeguru_pictures.py ROOT [--threshold T] [--cache FILE]
Uses the Debian package's code in /usr/share/dupeguru with the offscreen Qt platform, the
"match pictures of different dimensions" option on (resized copies count), and its defaults
otherwise (threshold 95, a fresh block cache per run unless --cache is given).
"""
import argparse
import os
import sys
import tempfile

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
sys.path.insert(0, "/usr/share/dupeguru")

from pathlib import Path  # noqa: E402

from core.engine import get_groups  # noqa: E402
from core.pe import matchblock  # noqa: E402
from qt.pe.photo import File as QtPhoto  # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("root")
    ap.add_argument("--threshold", type=int, default=95)
    ap.add_argument("--cache")
    a = ap.parse_args()
    exts = {"png", "jpg", "jpeg", "gif", "bmp", "tiff", "tif"}
    pictures = []
    for folder, _, names in os.walk(a.root):
        for n in names:
            if n.rsplit(".", 1)[-1].lower() in exts:
                picture = QtPhoto(Path(os.path.join(folder, n)))
                picture.is_ref = False  # the scanner sets this for reference folders
                pictures.append(picture)
    with tempfile.TemporaryDirectory() as tmp:
        cache = a.cache or os.path.join(tmp, "blocks.db")
        matches = matchblock.getmatches(pictures, cache, a.threshold, match_scaled=True)
    for g in get_groups(matches):
        print("\t".join(str(f.path) for f in g))


if __name__ == "__main__":
    main()
