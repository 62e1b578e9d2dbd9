#!/bin/sh
# The Debian package as a user meets it (run as root by .ci/run): apt-get installs it with its
# dependencies, the installed vantrel searches a small tree from another folder and shows the
# package's version, `man vantrel` renders without warnings, and `apt-get remove` leaves none of
# the package's files behind.
# Usage: deb_test.sh PACKAGE.deb
set -u
deb=$(realpath "$1")
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export DEBIAN_FRONTEND=noninteractive

apt-get install -y "$deb" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log" >&2; echo "FAIL: apt-get install $deb" >&2; exit 1; }
files=$(dpkg-query -L vantrel | while read -r path; do [ -d "$path" ] || echo "$path"; done)
[ "$(command -v vantrel)" = /usr/bin/vantrel ] || fail "vantrel is not /usr/bin/vantrel"

mkdir -p "$work/tree/src" "$work/elsewhere"
printf 'int a;\nint needle = 1;\n' >"$work/tree/src/a.c"
out=$(cd "$work/elsewhere" && VANTREL_REGISTRY="$work/registry.sqlite3" vantrel -r -f '*.c' \
  -d "$work/tree" needle)
status=$?
[ $status -eq 0 ] || fail "the installed vantrel answered $status"
[ "$(printf '%s\n' "$out" | grep -c ':2:5: int needle = 1;$')" -eq 1 ] || fail "its hits: $out"
version=$(dpkg-deb -f "$deb" Version)
[ "$(vantrel --version | head -n 1)" = "vantrel $version" ] ||
  fail "vantrel --version is not $version: $(vantrel --version)"

page=$(LC_ALL=C MANWIDTH=80 man --warnings vantrel 2>"$work/man.err")
[ -s "$work/man.err" ] && fail "man vantrel: $(cat "$work/man.err")"
for section in NAME OPTIONS 'EXIT STATUS' ENVIRONMENT FILES; do
  printf '%s\n' "$page" | grep -qx "$section" || fail "man vantrel has no $section section"
done

apt-get remove -y vantrel >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log" >&2; fail "apt-get remove vantrel"; }
[ "$(dpkg-query -W -f='${Status}' vantrel 2>/dev/null)" != "install ok installed" ] ||
  fail "vantrel is still installed"
for path in $files; do
  [ -e "$path" ] && fail "$path is left after apt-get remove"
done
[ -e /usr/libexec/vantrel ] && fail "/usr/libexec/vantrel is left after apt-get remove"
# Nothing of it is left for dpkg either: no maintainer script or configuration keeps it "rc".
dpkg-query -W -f='${Status}\n' vantrel >"$work/status" 2>/dev/null &&
  fail "dpkg still knows vantrel after apt-get remove: $(cat "$work/status")"

[ $failures -eq 0 ] || exit 1
echo "package: $(basename "$deb") installed, used and removed"
