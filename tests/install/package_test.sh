#!/usr/bin/env bash
# Builds the Debian package of the build tree BUILD_DIR into a temporary folder with
# cpack and reads it back with dpkg-deb: its files under /usr, its dependencies.
set -uo pipefail
build=${1:?usage: package_test.sh BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/jotlist_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "no package written"; cat "$work/cpack.log"; exit 1; }

[ "$(dpkg-deb --field "$deb" Package)" = jotlist ] || fail "package name: $(dpkg-deb --field "$deb" Package)"
[ "$(dpkg-deb --field "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
[ -n "$(dpkg-deb --field "$deb" Maintainer)" ] || fail "no maintainer"

# Files: the install's, under /usr and nowhere else.
dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
for f in /usr/bin/jotlist /usr/bin/jlistdb /usr/bin/jlistreport /usr/share/jotlist/JLIST.HTM \
         /usr/share/applications/jotlist.desktop /usr/share/icons/hicolor/scalable/apps/jotlist.svg \
         /usr/share/icons/hicolor/48x48/apps/jotlist.png /usr/share/icons/hicolor/256x256/apps/jotlist.png \
         /usr/share/man/man1/jlistdb.1 /usr/share/man/man1/jlistreport.1; do
  grep -qxF "$f" "$work/contents" || fail "the package lacks $f"
done
outside=$(grep -v -e '^/$' -e '^/usr/' -e '^/usr$' "$work/contents")
[ -z "$outside" ] || fail "files outside /usr: $outside"
grep -q '^/usr/local' "$work/contents" && fail "files under /usr/local"
# Binaries executable, by root.
dpkg-deb --contents "$deb" | awk '$6 ~ /usr\/bin\/./ && $1 !~ /^-rwxr-xr-x$/ {print}' | grep . \
  && fail "a program is not mode 755"
dpkg-deb --contents "$deb" | awk '$2 != "root/root" {print}' | grep . && fail "files not owned by root"

# Dependencies: the Qt 6 libraries the programs link, Qt's window-system plugins, the
# CUPS client library, the report fonts.
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqt6network6 libcups2 libc6 \
         qt6-qpa-plugins fonts-liberation; do
  grep -qE "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p"
done
grep -q -- '-dev' <<<"$depends" && fail "Depends names a development package"

# The package's own files unpack, and the programs in it are the ones built here.
unpacked="$work/root"
dpkg-deb --extract "$deb" "$unpacked"
prefix_in_package="usr"
"$unpacked/$prefix_in_package/bin/jlistdb" --help | grep -q usage || fail "the packaged jlistdb does not run"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "package test passed"
