#!/usr/bin/env python3
"""Lays out a machine with N applications in the four forms people install on Linux, as the
real tools leave them on disk, with related files and leftovers of removed applications.

    make_fixture.py DIR [--apps 500]

DIR/root is the system root (dpkg database, /snap, snapd's folders, the system flatpak
installation, /usr/share/applications); DIR/root/home/ann is the user's home (user flatpaks,
AppImages, XDG folders, ~/.var/app, ~/snap). Point `orvane apps --root DIR/root` at it with
HOME and the XDG variables set to that home.
"""
import argparse
import os
import shutil
import struct


def gvariant_deploy(installed_size, version):
    """flatpak's deploy data, (ssasta{sv}) with one entry "appdata-version", as GVariant
    serialises it on a little-endian machine."""
    key = b"appdata-version\0"
    value = version.encode() + b"\0" + b"\0" + b"s"          # variant: value, NUL, type
    entry = key + value
    entry += bytes([len(key)])                                # framing: end of the key
    array = entry + bytes([len(entry)])                       # framing: end of the entry
    origin, commit = b"flathub\0", b"0123abcd\0"
    data = origin + commit                                    # "as" is empty
    ends = [len(origin), len(origin) + len(commit), len(origin) + len(commit)]
    data += b"\0" * (-len(data) % 8) + struct.pack("<Q", installed_size)
    data += b"\0" * (-len(data) % 8) + array
    return data + bytes(reversed(ends))


def write(path, content=b"", mode=None):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content if isinstance(content, bytes) else content.encode())
    if mode is not None:
        os.chmod(path, mode)


def entry(name, exec_line, extra=""):
    return ("[Desktop Entry]\nType=Application\nName=%s\nExec=%s\nIcon=%s\nCategories=Utility;\n%s"
            % (name, exec_line, name.lower().replace(" ", "-"), extra))


def make(base, count):
    root = os.path.join(base, "root")
    home = os.path.join(root, "home", "ann")
    shutil.rmtree(base, ignore_errors=True)
    status = []
    for i in range(count):
        form = i % 4
        name = "Tool %03d" % i
        slug = "tool%03d" % i
        if form == 0:  # Debian package
            desktop = "/usr/share/applications/%s.desktop" % slug
            write(root + desktop, entry(name, "%s %%F" % slug))
            write(root + "/usr/bin/" + slug, "#!/bin/sh\n", 0o755)
            write(root + "/var/lib/dpkg/info/%s.list" % slug,
                  "/.\n/usr\n/usr/bin\n/usr/bin/%s\n/usr/share/applications\n%s\n" % (slug, desktop))
            status.append("Package: %s\nStatus: install ok installed\nPriority: optional\nSection: misc\n"
                          "Installed-Size: %d\nMaintainer: Nobody <nobody@example.org>\nArchitecture: amd64\n"
                          "Version: 1.%d-1\nDescription: %s\n fixture\n" % (slug, 1000 + i, i, name))
            write(home + "/.config/%s/settings.conf" % slug, "x" * 2000)
            write(home + "/.cache/%s/cache.bin" % slug, "x" * 20000)
        elif form == 1:  # flatpak, user and system installations in turn
            app_id = "org.example.Tool%03d" % i
            inst = home + "/.local/share/flatpak" if i % 8 == 1 else root + "/var/lib/flatpak"
            app = inst + "/app/" + app_id
            deploy = app + "/x86_64/stable/5b1d7c3e9a"
            write(deploy + "/metadata", "[Application]\nname=%s\ncommand=%s\n" % (app_id, slug))
            write(deploy + "/deploy", gvariant_deploy(50_000_000 + i, "2.%d" % i))
            write(deploy + "/files/bin/" + slug, "x" * 5000, 0o755)
            write(deploy + "/export/share/applications/%s.desktop" % app_id,
                  entry(name, "/usr/bin/flatpak run %s" % app_id, "X-Flatpak=%s\n" % app_id))
            os.symlink("5b1d7c3e9a", app + "/x86_64/stable/active")
            os.symlink("x86_64/stable", app + "/current")
            os.makedirs(inst + "/exports/share/applications", exist_ok=True)
            os.symlink("../../../app/%s/current/active/export/share/applications/%s.desktop" % (app_id, app_id),
                       inst + "/exports/share/applications/%s.desktop" % app_id)
            for sub in ("config", "data", "cache"):
                write(home + "/.var/app/%s/%s/file" % (app_id, sub), "x" * 3000)
        elif form == 2:  # snap
            write(root + "/snap/%s/42/meta/snap.yaml" % slug,
                  "name: %s\nversion: '3.%d'\nsummary: %s\n" % (slug, i, name))
            os.symlink("42", root + "/snap/%s/current" % slug)
            os.makedirs(root + "/var/lib/snapd/snaps", exist_ok=True)
            with open(root + "/var/lib/snapd/snaps/%s_42.snap" % slug, "wb") as f:
                f.truncate(80_000_000)  # sparse: the image's size without its blocks
            write(root + "/var/lib/snapd/desktop/applications/%s_%s.desktop" % (slug, slug),
                  entry(name, "env BAMF_DESKTOP_FILE_HINT=x /snap/bin/%s %%U" % slug,
                        "X-SnapInstanceName=%s\n" % slug))
            write(home + "/snap/%s/42/data.db" % slug, "x" * 4000)
        else:  # AppImage, integrated or loose
            folder = ("Applications", "Downloads", "Desktop")[i % 3]
            path = home + "/%s/%s-4.%d-x86_64.AppImage" % (folder, name.replace(" ", ""), i)
            write(path, b"\x7fELF\x02\x01\x01\x00AI\x02" + b"\0" * 60000, 0o755)
            if i % 2:
                write(home + "/.local/share/applications/appimagekit_%s.desktop" % slug,
                      entry(name, path + " %U", "X-AppImage-Version=4.%d\n" % i))
            write(home + "/.config/%s/state.json" % name.replace(" ", "").lower(), "x" * 1000)
    write(root + "/var/lib/dpkg/status", "\n".join(status))
    # What removed applications left behind.
    for i in range(count // 10):
        gone = "com.vendor%03d.Gone%03d" % (i, i)
        write(home + "/.var/app/%s/data/db" % gone, "x" * 7000)
        write(home + "/.config/%s/conf" % gone, "x" * 500)
    for i in range(count // 25):
        write(home + "/snap/oldsnap%03d/12/data" % i, "x" * 900)
    return root, home


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("dir")
    parser.add_argument("--apps", type=int, default=500)
    args = parser.parse_args()
    root, home = make(os.path.abspath(args.dir), args.apps)
    print(root)
    print(home)


if __name__ == "__main__":
    main()
