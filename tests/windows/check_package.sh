#!/bin/sh
# The zip the 32-bit module is shipped in: it holds exactly Vantrel.dll, byte for byte the module
# built, and INSTALL.txt; the version in its name is the one in the module's version block
# (FileVersion and ProductVersion) and the one INSTALL.txt names; INSTALL.txt names the IDE's
# add-on key.
# Usage: check_package.sh ZIP MODULE
set -u
zip=$1 module=$2
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

[ -f "$zip" ] || { echo "FAIL: no $zip" >&2; exit 1; }
contents=$(cmake -E tar tf "$zip" | sort | tr '\n' ' ')
[ "$contents" = "INSTALL.txt Vantrel.dll " ] || fail "the zip holds '$contents'"
(cd "$work" && cmake -E tar xf "$zip") || fail "the zip cannot be unpacked"
cmp -s "$work/Vantrel.dll" "$module" || fail "the zip's Vantrel.dll is not the module built"

version=$(basename "$zip" | sed -n 's/^vantrel-\([0-9][0-9.]*\)-windows-x86\.zip$/\1/p')
[ -n "$version" ] || fail "no version in the name $(basename "$zip")"
# The version block's strings are UTF-16: each key is followed by its value.
for key in FileVersion ProductVersion; do
  value=$(strings -el "$module" | sed -n "/^$key\$/{n;p;q}")
  [ "$value" = "$version" ] || fail "$key is '$value', the zip's name says '$version'"
done
head -n 1 "$work/INSTALL.txt" | grep -q "^Vantrel $version " ||
  fail "INSTALL.txt begins '$(head -n 1 "$work/INSTALL.txt")'"
grep -qF 'HKEY_LOCAL_MACHINE\SOFTWARE\Borland\Borland C++\5.0\Ide\AddOns' "$work/INSTALL.txt" ||
  fail "INSTALL.txt does not name the IDE's add-on key"

[ $failures -eq 0 ] || exit 1
echo "package: $(basename "$zip") holds Vantrel.dll $version and INSTALL.txt"
