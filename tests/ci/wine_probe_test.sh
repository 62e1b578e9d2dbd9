#!/bin/sh
# The Wine probe (scripts/probe-wine) and what it does to the tests that need the loader
# (cmake/wine_probe.cmake), with stand-in loaders for each answer: a program the kernel refuses
# to start (a real ELF file for a machine that does not exist), the two ways a refused 32-bit
# loader reports it (status 126 from sh, status 2 once glibc retried it as a script), one that
# says nothing, one that is missing, and one that runs. Usage: wine_probe_test.sh SOURCE_DIR
set -u
src=$1
probe=$src/scripts/probe-wine
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mkdir "$work/loaders"
cd "$work/loaders" || exit 1
# An ELF executable whose machine field (bytes 18-19) names no machine the kernel knows: execve
# fails with "Exec format error" as a 32-bit program does on a kernel without 32-bit support.
cp /bin/true refused && printf '\357\276' | dd of=refused bs=1 seek=18 conv=notrunc 2>/dev/null
chmod +x refused
printf '#!/bin/sh\necho "sh: 1: $0: Exec format error" >&2\nexit 126\n' > exec_format
printf '#!/bin/sh\necho "$0: 1: Syntax error: \\"(\\" unexpected" >&2\nexit 2\n' > syntax_error
printf '#!/bin/sh\nexit 0\n' > silent
printf '#!/bin/sh\n[ "$1" = --version ] && echo "wine-8.0 (stand-in)"\n' > runs
chmod +x exec_format syntax_error silent runs

for loader in refused exec_format syntax_error silent missing; do
  why=$(sh "$probe" "$work/loaders/$loader")
  status=$?
  [ "$status" -eq 1 ] || fail "$loader: probe exited $status, not 1"
  case $why in
    *"$loader"*) ;;
    *) fail "$loader: the reason does not name the loader: '$why'" ;;
  esac
  [ "$(printf '%s\n' "$why" | wc -l)" -eq 1 ] || fail "$loader: the reason is not one line: '$why'"
done
why=$(sh "$probe" "$work/loaders/runs")
status=$?
[ "$status" -eq 0 ] && [ -z "$why" ] || fail "runs: probe exited $status, said '$why'"

# The project of one Wine test: disabled (not passed, not failed) with the reason in the
# configure log when the loader cannot run; run and passed when it can.
configure() { # NAME LOADER
  cmake -S "$src/tests/ci/wine_probe_project" -B "$work/$1" -DLOADER="$2" > "$work/$1.log" 2>&1 ||
    { cat "$work/$1.log"; fail "$1: configure failed"; }
  (cd "$work/$1" && ctest) > "$work/$1.ctest" 2>&1
  echo $? > "$work/$1.status"
}
configure no "$work/loaders/refused"
grep -q "Skipped, as this machine cannot run $work/loaders/refused: Wine.standin. Why: " \
  "$work/no.log" || { cat "$work/no.log"; fail "no: the configure log does not give the reason"; }
grep -q "Wine.standin .*Not Run (Disabled)" "$work/no.ctest" ||
  { cat "$work/no.ctest"; fail "no: the Wine test was not reported disabled"; }
grep -q "NeedsNoWine .*Passed" "$work/no.ctest" || fail "no: the other test did not run"
[ "$(cat "$work/no.status")" -eq 0 ] || fail "no: ctest failed"

configure yes "$work/loaders/runs"
grep -q "Skipped" "$work/yes.log" && fail "yes: something was skipped"
grep -q "Wine.standin .*Passed" "$work/yes.ctest" ||
  { cat "$work/yes.ctest"; fail "yes: the Wine test did not run"; }
grep -q "Disabled" "$work/yes.ctest" && fail "yes: a test was disabled"
[ "$(cat "$work/yes.status")" -eq 0 ] || fail "yes: ctest failed"

[ "$failures" -eq 0 ] && echo "wine probe: all answers as expected"
exit $((failures != 0))
