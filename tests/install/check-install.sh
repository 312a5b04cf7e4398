#!/bin/sh
# Installs the build into a scratch root as a package would and checks that
# a desktop finds the programs, the demo set, the entry and its icon.
set -eu
build="$1"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null

fail() { echo "install: $*" >&2; exit 1; }
for f in usr/bin/velquin usr/bin/velquin-cli usr/libexec/velquin/velquin-launch; do
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
echo "install: ok"
