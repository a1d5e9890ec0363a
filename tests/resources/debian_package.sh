#!/usr/bin/env bash
# Builds the Debian package as `cpack -G DEB` does for a release and checks that it installs what
# `cmake --install` installs, under /usr, and depends on the libraries and plug-ins it needs.
#   debian_package.sh BUILD_DIR CPACK_COMMAND
set -euo pipefail
build=$1
cpack=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

(cd "$work" && "$cpack" -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
debs=("$work"/out/*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "cpack made no single .deb"
deb=${debs[0]}

[[ $(dpkg-deb -f "$deb" Package) == orvane ]] || fail "package name"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libc6 libqt6widgets6 libqt6gui6 libglib2.0-0 qt6-qpa-plugins libcurl4; do
  [[ $depends == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/orvane ./usr/bin/orvane-gui ./usr/share/applications/com.orvane.app.desktop \
  ./usr/share/metainfo/com.orvane.app.metainfo.xml ./usr/share/icons/hicolor/scalable/apps/com.orvane.app.svg \
  ./usr/share/icons/hicolor/48x48/apps/com.orvane.app.png ./usr/share/man/man1/orvane.1.gz \
  ./usr/libexec/orvane/orvane-helper ./usr/share/polkit-1/actions/com.orvane.app.helper.policy; do
  grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
if grep -q '^\./usr/local/\|^\./tmp/\|test_' <<<"$contents"; then
  fail "the package holds files that do not belong in it"
fi

# Unpacked, the programs run and their shared libraries all resolve.
dpkg-deb -x "$deb" "$work/root"
"$work/root/usr/bin/orvane" --version >/dev/null || fail "the packaged orvane does not run"
grep -q '>/usr/libexec/orvane/orvane-helper</annotate>' "$work/root/usr/share/polkit-1/actions/com.orvane.app.helper.policy" ||
  fail "the polkit action does not name the packaged helper"
if ldd "$work/root/usr/bin/orvane-gui" | grep -q 'not found'; then
  fail "the packaged orvane-gui misses a library"
fi
echo "debian package: $(basename "$deb"), Depends: $depends"
