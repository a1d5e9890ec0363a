#!/usr/bin/env bash
# Installs the build into a temporary prefix as `cmake --install` would for a user, then checks
# what a desktop and a software centre read: the entry and the metainfo pass their validators,
# the icons are the sizes their folders claim, the manual page renders without warnings and
# covers every command, and the installed programs start.
#   installed_files.sh BUILD_DIR CMAKE_COMMAND
set -euo pipefail
build=$1
cmake=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

"$cmake" --install "$build" --prefix "$prefix" >/dev/null
share=$prefix/share
desktop=$share/applications/com.orvane.app.desktop
metainfo=$share/metainfo/com.orvane.app.metainfo.xml
for f in "$prefix/bin/orvane" "$prefix/bin/orvane-gui"; do
  [[ -x $f ]] || fail "$f is not an installed program"
done
[[ -f $desktop ]] || fail "no desktop entry"
[[ -f $metainfo ]] || fail "no metainfo"

desktop-file-validate "$desktop" || fail "desktop-file-validate refused $desktop"
appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli refused $metainfo"

# The entry starts a program that was installed, under an icon that was installed.
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[[ -x $prefix/bin/$exec_program ]] || fail "Exec names $exec_program, which is not in bin/"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[[ -f $share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "no scalable icon $icon"
grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $(basename "$desktop")"
version=$("$prefix/bin/orvane" --version | awk '{print $2}')
grep -q "<release version=\"$version\"" "$metainfo" || fail "no release $version in the metainfo"
[[ $(grep -c '<caption>' "$metainfo") -ge 1 ]] || fail "screenshots without captions"

# The administrator helper lies where pkexec's action names it, and the action is one polkit reads.
helper=$(find "$prefix" -path '*/orvane/orvane-helper' -type f | head -n 1)
[[ -n $helper && -x $helper ]] || fail "no installed orvane-helper"
policy=$share/polkit-1/actions/com.orvane.app.helper.policy
[[ -f $policy ]] || fail "no polkit action for the helper"
python3 - "$policy" "${helper#"$prefix"}" <<'PY' || fail "the polkit action is not right for the helper"
import sys, xml.etree.ElementTree as ET
action = ET.parse(sys.argv[1]).getroot().find("action[@id='com.orvane.app.helper']")
assert action is not None, "no action com.orvane.app.helper"
assert action.find("defaults/allow_active").text == "auth_admin_keep"
path = action.find("annotate[@key='org.freedesktop.policykit.exec.path']").text
assert path.endswith(sys.argv[2]), f"{path} is not the installed helper"
PY
# Started by hand it refuses a test root only when it runs with borrowed rights.
printf '8:5:hello,,' | "$helper" | grep -q 'orvane-helper' || fail "the helper does not answer"

# Every raster icon is square and as large as the folder it lies in says.
count=0
for png in "$share"/icons/hicolor/*x*/apps/"$icon".png; do
  want=$(basename "$(dirname "$(dirname "$png")")")
  got=$(python3 -c 'import struct,sys
d=open(sys.argv[1],"rb").read(24)
assert d[:8]==b"\x89PNG\r\n\x1a\n", "not a PNG"
w,h=struct.unpack(">II",d[16:24]); print(f"{w}x{h}")' "$png") || fail "$png is not a PNG"
  [[ $got == "$want" ]] || fail "$png is $got, not $want"
  count=$((count + 1))
done
[[ $count -ge 6 ]] || fail "only $count raster icon sizes"

# The manual page renders cleanly and describes every command the program offers.
page=$share/man/man1/orvane.1.gz
[[ -f $page ]] || fail "no manual page"
warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >"$work/page.txt") || fail "man failed"
[[ -z $warnings ]] || fail "the manual page renders with warnings: $warnings"
commands=$("$prefix/bin/orvane" --help | sed -n '/^Subcommands:/,$p' | awk 'NR>1 && NF {print $1}')
[[ -n $commands ]] || fail "orvane --help lists no commands"
for c in $commands; do
  grep -q "^   orvane $c\$" "$work/page.txt" || fail "the manual page has no section for 'orvane $c'"
done

# The installed programs start (the window one offscreen: there is no display here).
QT_QPA_PLATFORM=offscreen HOME=$work/home "$prefix/bin/orvane-gui" --version >/dev/null 2>&1 ||
  fail "the installed orvane-gui does not start"
echo "installed files: all checks passed ($count icon sizes; commands: $(echo $commands))"
