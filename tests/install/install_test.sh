#!/usr/bin/env bash
# Installs the build tree BUILD_DIR into a temporary prefix and starts the installed
# programs with a temporary HOME: their files go to the data folder, never under the
# prefix; a copy in a folder the user can write to keeps its files beside itself.
set -uo pipefail
build=${1:?usage: install_test.sh BUILD_DIR}
work=$(mktemp -d)
jotlist_pid=
cleanup() {
  [ -n "$jotlist_pid" ] && kill "$jotlist_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }

# What the install holds.
for f in bin/jotlist bin/jlistdb bin/jlistreport share/jotlist/JLIST.HTM share/applications/jotlist.desktop \
         share/icons/hicolor/scalable/apps/jotlist.svg share/icons/hicolor/48x48/apps/jotlist.png \
         share/icons/hicolor/256x256/apps/jotlist.png share/man/man1/jlistdb.1 share/man/man1/jlistreport.1; do
  [ -f "$prefix/$f" ] || fail "the install has no $f"
done
for f in bin/jotlist bin/jlistdb bin/jlistreport; do
  [ -x "$prefix/$f" ] || fail "$f is not executable"
done
# The PNGs are the sizes their folders name (width and height at bytes 16 to 23).
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $3*256+$4 "x" $7*256+$8}'; }
for size in 48x48 256x256; do
  got=$(png_size "$prefix/share/icons/hicolor/$size/apps/jotlist.png")
  [ "$got" = "$size" ] || fail "icon in $size is $got"
done
if command -v desktop-file-validate >/dev/null; then
  out=$(desktop-file-validate "$prefix/share/applications/jotlist.desktop" 2>&1) || fail "desktop-file-validate: $out"
  [ -z "$out" ] || fail "desktop-file-validate warns: $out"
else
  fail "desktop-file-validate is missing (desktop-file-utils)"
fi
desktop=$prefix/share/applications/jotlist.desktop
for line in "Name=Jotlist" "GenericName=To-do list" "Exec=jotlist" "Icon=jotlist" "Terminal=false" \
            "Categories=Office;ProjectManagement;"; do
  grep -qxF "$line" "$desktop" || fail "the desktop entry lacks $line"
done
grep -q '^Comment=.' "$desktop" || fail "the desktop entry has no Comment"
for page in jlistdb jlistreport; do
  grep -q "^\.TH $(tr a-z A-Z <<<"$page") 1" "$prefix/share/man/man1/$page.1" || fail "man page $page.1 has no title line"
  if command -v man >/dev/null; then
    warnings=$(man --warnings -l "$prefix/share/man/man1/$page.1" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man page $page.1: $warnings"
  fi
done

# Waits up to 20 s for every file named to exist.
wait_for() {
  local i f all
  for i in $(seq 200); do
    all=1
    for f in "$@"; do [ -e "$f" ] || all=; done
    [ -n "$all" ] && return 0
    sleep 0.1
  done
  return 1
}
# Starts jotlist from PATH_ARG with HOME and XDG_DATA_HOME given, until FILES appear.
run_jotlist() {
  local program=$1 home=$2 xdg=$3
  shift 3
  mkdir -p "$home" "$work/tmp"
  # Its own temporary folder: the single-instance socket lives there, apart from any
  # other copy running on the machine.
  HOME=$home XDG_DATA_HOME=$xdg TMPDIR=$work/tmp QT_QPA_PLATFORM=offscreen "$program" >"$work/jotlist.log" 2>&1 &
  jotlist_pid=$!
  wait_for "$@" || { fail "$program did not write $* (log: $(cat "$work/jotlist.log"))"; }
  # The settings file is written through a temporary file and a rename: let it land.
  sleep 0.5
  kill "$jotlist_pid" 2>/dev/null
  wait "$jotlist_pid" 2>/dev/null
  jotlist_pid=
}

# The installed copy, default data folder.
touch "$work/stamp"
sleep 1
home=$work/home
data=$home/.local/share/jotlist
run_jotlist "$prefix/bin/jotlist" "$home" "" "$data/JLIST.DBF" "$data/JLIST.FPT" "$data/JLIST.CDX" "$data/TODO.INI"
[ "$(stat -c %a "$data" 2>/dev/null)" = 700 ] || fail "the data folder is not private to its owner: $(stat -c %a "$data" 2>&1)"
# jlistdb without a folder works on the same files.
out=$(HOME=$home XDG_DATA_HOME= "$prefix/bin/jlistdb" count 2>&1) || fail "jlistdb count without a folder: $out"
[ "$out" = 0 ] || fail "jlistdb count without a folder printed: $out"
printf '20240301\t\tfrom the test\tF\t\tA\t\n' | HOME=$home XDG_DATA_HOME= "$prefix/bin/jlistdb" import \
  || fail "jlistdb import without a folder"
out=$(HOME=$home "$prefix/bin/jlistdb" dump "$data" 2>&1)
grep -q "from the test" <<<"$out" || fail "jlistdb import without a folder did not reach the data folder: $out"
# jlistreport without a folder reads the same files.
HOME=$home XDG_DATA_HOME= "$prefix/bin/jlistreport" --text "$work/tasks.txt" >"$work/report.log" 2>&1 \
  || fail "jlistreport without a folder: $(cat "$work/report.log")"
grep -q "from the test" "$work/tasks.txt" 2>/dev/null || fail "jlistreport without a folder did not read the data folder"
changed=$(find "$prefix" -newer "$work/stamp")
[ -z "$changed" ] || fail "written under the prefix: $changed"
# The help file is not copied into the data folder: the install's copy is read.
[ ! -e "$data/JLIST.HTM" ] || fail "the help file was copied into the data folder"

# XDG_DATA_HOME, when set, names the data folder's parent.
run_jotlist "$prefix/bin/jotlist" "$work/home2" "$work/xdg" "$work/xdg/jotlist/JLIST.DBF" "$work/xdg/jotlist/TODO.INI"
[ ! -e "$work/home2/.local/share/jotlist" ] || fail "XDG_DATA_HOME was not followed"
out=$(HOME=$work/home2 XDG_DATA_HOME=$work/xdg "$prefix/bin/jlistdb" count 2>&1)
[ "$out" = 0 ] || fail "jlistdb with XDG_DATA_HOME printed: $out"

# A copy in a folder the user can write to (no share/jotlist/ beside it) keeps its
# files beside itself.
mkdir -p "$work/portable"
cp "$prefix/bin/jotlist" "$prefix/bin/jlistdb" "$work/portable/"
run_jotlist "$work/portable/jotlist" "$work/home3" "" "$work/portable/JLIST.DBF" "$work/portable/TODO.INI"
[ ! -e "$work/home3/.local/share/jotlist" ] || fail "the writable copy used the data folder"
out=$(HOME=$work/home3 "$work/portable/jlistdb" count 2>&1)
[ "$out" = 0 ] || fail "jlistdb in the writable copy's folder printed: $out"

find "$prefix" -newer "$work/stamp" | grep . && fail "written under the prefix by a later run"
if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "install test passed"
