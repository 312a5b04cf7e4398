#!/bin/sh
# Installs the build into a scratch root as a package would and checks that
# a desktop finds the programs, the demo set, the entry and its icon.
set -eu
build="$1"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null

fail() { echo "install: $*" >&2; exit 1; }
for f in usr/bin/velquin usr/bin/velquin-cli usr/bin/velquin-plot usr/bin/velquin-calibrate usr/libexec/velquin/velquin-launch; do
  [ -x "$root/$f" ] || fail "$f is missing or not executable"
done
for f in para.txt wdata.txt price.txt data.txt Start.bmp Pause.bmp; do
  [ -f "$root/usr/share/velquin/demo/$f" ] || fail "demo file $f is missing"
done
[ -f "$root/usr/share/icons/hicolor/scalable/apps/velquin.svg" ] || fail "the icon is missing"
entry="$root/usr/share/applications/velquin.desktop"
desktop-file-validate "$entry" || fail "velquin.desktop does not validate"
grep -qx 'Exec=/usr/libexec/velquin/velquin-launch' "$entry" || fail "the entry does not start the launcher"
grep -q '/usr/share/velquin/demo' "$root/usr/libexec/velquin/velquin-launch" || fail "the launcher does not copy the demo"
"$root/usr/bin/velquin-cli" --help | grep -q analyze || fail "velquin-cli does not start from its place"
# The installed velquin-cli finds velquin-plot beside it for --plot.
work="$root/work"
mkdir -p "$work/result"
cp "$(dirname "$0")"/../data/golden/all/r*.csv "$work/result/"
"$root/usr/bin/velquin-cli" analyze paths --all -C "$work" --plot paths.png 2>/dev/null ||
  fail "the installed velquin-cli does not draw with --plot"
[ -s "$work/paths.png" ] || fail "--plot wrote no picture"
# ... and velquin-calibrate for calibrate.
"$root/usr/bin/velquin-cli" calibrate status "$work/none" 2>&1 | grep -q 'none/evaluations.csv' ||
  fail "the installed velquin-cli does not hand calibrate to velquin-calibrate"
echo "install: ok"
