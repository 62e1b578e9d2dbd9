#!/bin/sh
# Runs vantrel.exe with its Vantrel.dll under Wine (the 32-bit pair under 32-bit Wine, the 64-bit
# pair under 64-bit Wine), on Wine's own user32, kernel32 and advapi32, and holds it to the POSIX
# command on the same generated tree: the same hits, sorted (Wine lists a directory in the file
# system's order, our layer in NTFS's), the same summary.
# The mask "*." is left out: Wine drops its dot and lists every name, where Windows lists the
# names without an extension, as our layer does.
#
# Usage: WINE=LOADER wine_test.sh MODE BUILD_DIR [LINUX_COMMAND]
#   WINE      the Wine loader of the build's word size: /usr/lib/wine/wine for BUILD_DIR's 32-bit
#             vantrel.exe, /usr/lib/wine/wine64 for a 64-bit one
#   prefix    makes the Wine prefix (BUILD_DIR/wineprefix) once for the whole test run: a 32-bit
#             Windows for a 32-bit vantrel.exe
#   compare   plain, case-sensitive, regular-expression and whole-word searches, text and JSON,
#             on one thread and on several,
#             context lines, counts and vimgrep lines,
#             and the nodes of a project file
#   async     an asynchronous search: the command stays until the worker has ended
#   listing   what is searched: ignore files, an exclusion, dot-files, a file over the size limit,
#             linked folders (one, a loop, one leading out of the tree), by default and with
#             --no-ignore, --hidden, --follow and --max-filesize
#   interrupt Ctrl-C (SIGINT) stops a blocking search as Esc does
#   registry  the history written under the IDE's key, read back with Wine's reg
#   platform  what only Windows does: a name kept for a device (aux.c), a run with no display
# Exits 77 (skipped) when the POSIX command is not built (cmake --preset debug builds it).
set -u
mode=$1 build=$(cd "$2" && pwd) linux=${3:-}
wine=${WINE:-}
if [ -z "$wine" ] || ! wine=$(command -v "$wine"); then
  echo "FAIL: no Wine loader '${WINE:-}' (set WINE to /usr/lib/wine/wine or /usr/lib/wine/wine64)" >&2
  exit 1
fi
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINELOADER="$wine"
exe="$build/vantrel.exe"
# A prefix of the command's word size, told by its PE header's machine field: a 32-bit Windows for
# the 32-bit pair, as the IDE ran in.
pe=$(od -An -tu4 -j60 -N4 "$exe" 2>/dev/null | tr -d ' ')
machine=$(od -An -tx2 -j$((${pe:-0} + 4)) -N2 "$exe" 2>/dev/null | tr -d ' ')
[ "$machine" = 014c ] && export WINEARCH=win32
tree="$build/wine-tree"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# Waits until the Wine server, and every Wine process it keeps (the desktop among them), has ended.
settle() { "$(dirname "$wine")/wineserver" -w 2>/dev/null || wineserver -w 2>/dev/null; }
# One X server for the whole test, outliving every Wine process in it. An X server per run (as
# xvfb-run gives) is gone when the run returns, while the Wine server and its desktop linger,
# still connected: the next run then met "X connection broken" and failed or stopped midway.
if [ -z "${VANTREL_WINE_X:-}" ]; then
  VANTREL_WINE_X=1 exec xvfb-run -a sh "$0" "$@"
fi
winrun() { "$wine" "$@"; }

if [ "$mode" = prefix ]; then
  rm -rf "$WINEPREFIX"
  start=$(date +%s)
  winrun wineboot -i >/dev/null 2>&1
  # A crash prints Wine's backtrace on stderr and ends the run, rather than waiting on a dialog
  # no one sees (a test then stood still until its timeout).
  winrun reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >/dev/null 2>&1
  settle
  [ -f "$WINEPREFIX/system.reg" ] || { echo "FAIL: no Wine prefix made" >&2; exit 1; }
  echo "Wine prefix (${WINEARCH:-win64}) made by $wine in $(($(date +%s) - start)) s"
  exit 0
fi

# The tree: 12 directories of 3 levels, 8 files each, with hits in every case and word form,
# names in mixed case, a hidden file, files the masks leave out and one empty file.
rm -rf "$tree"
for a in Alpha beta; do
  for b in one Two three; do
    for c in x Y; do
      d="$tree/$a/$b/$c"
      mkdir -p "$d"
      for f in 1 2 3 4 5 6 7 8; do
        {
          echo "line one of $a $b $c $f"
          echo "the needle $f is here"
          echo "NEEDLE upper and needles plural"
          echo "a needle9 and needle$f.$c"
          echo "no hit on this line"
          echo "x_needle_y and (needle) and needle"
        } > "$d/File$f.txt"
        cp "$d/File$f.txt" "$d/src$f.cpp"
      done
      echo "needle hidden" > "$d/.hidden.txt"
      echo "needle in a log" > "$d/skip.log"
      echo "needle without an extension" > "$d/NOTES"
      echo "needle in a long name" > "$d/a.name.with.dots.TXT"
      # A name outside every ANSI code page: found, as on Linux, through the UTF-8 code page.
      [ "$a/$b/$c" = beta/Two/x ] && echo "needle outside the code page" > "$d/привет.txt"
      # An empty file: the add-on says so and beeps.
      [ "$a/$b/$c" = Alpha/one/x ] && : > "$d/Empty.txt"
    done
  done
done
windir="Z:$(echo "$tree" | tr / '\\')"
# A project in the tree: its path and node names relative to the project file, one node outside
# the tree, one child that does not exist, one node without a file.
cat > "$tree/demo.json" <<'EOF'
{"path": "demo.ide",
 "nodes": ["Alpha\\one\\x\\File1.txt",
           {"name": "beta\\Two\\Y\\src3.cpp",
            "children": ["Alpha\\three\\x\\File8.txt", "..\\wine-outside.txt", "gone.txt"]},
           {"children": ["beta\\one\\x\\NOTES"]}]}
EOF
echo "needle outside the tree" > "$tree/../wine-outside.txt"

# The comparisons need the POSIX command; the other modes run the Windows one alone.
case $mode in
  compare | async | listing)
    if [ -z "$linux" ] || [ ! -x "$linux" ]; then
      echo "skipped: the POSIX command '$linux' is not built (cmake --workflow --preset debug)"
      exit 77
    fi
    ;;
esac
registry=$(mktemp -d)
trap 'settle; rm -rf "$registry"' EXIT

# One search on both platforms: the sorted outputs, the passed-over lines on stderr and the exit
# statuses must agree.
same() {
  label=$1
  shift
  start=$(date +%s%N)
  # With $project set, each command is given the project file by its own name for it, and the
  # selected nodes are searched; $listed, when set, is the directory list.
  dirs=${listed:-$windir}
  [ -n "${project:-}" ] && dirs='[Selected Nodes]'
  winrun "$exe" "$@" ${project:+"--project=$windir\\demo.json"} -d "$dirs" --windows-paths \
    > "$registry/wine.out" 2> "$registry/wine.err"
  wstatus=$?
  ms=$((($(date +%s%N) - start) / 1000000))
  VANTREL_REGISTRY="$registry/registry.sqlite3" "$linux" "$@" ${project:+"--project=$tree/demo.json"} \
    -d "$dirs" --windows-paths > "$registry/linux.out" 2> "$registry/linux.err"
  lstatus=$?
  sort "$registry/wine.out" > "$registry/wine.sorted"
  sort "$registry/linux.out" > "$registry/linux.sorted"
  if ! cmp -s "$registry/wine.sorted" "$registry/linux.sorted"; then
    fail "$label: the hits differ (< Wine, > Linux)"
    diff "$registry/wine.sorted" "$registry/linux.sorted" | head -20 >&2
    cat "$registry/wine.err" >&2
  fi
  [ "$wstatus" = "$lstatus" ] || fail "$label: exit status $wstatus under Wine, $lstatus on Linux"
  # Wine's own lines on stderr (an X connection closing) end as Wine ends them: ours only.
  ! grep -a '^vantrel' "$registry/wine.err" | cat "$registry/wine.out" - | grep -q "$(printf '\r')" ||
    fail "$label: a CR under Wine (both streams end their lines with LF)"
  wpassed=$(grep -a '^vantrel: passed over' "$registry/wine.err")
  lpassed=$(grep -a '^vantrel: passed over' "$registry/linux.err")
  [ "$wpassed" = "$lpassed" ] ||
    fail "$label: passed over '$wpassed' under Wine, '$lpassed' on Linux"
  lines=$(wc -l < "$registry/wine.out")
  summary=$(grep -a '^Vantrel : \|"Vantrel : ' "$registry/wine.out" | tail -1)
  echo "$label: $lines lines, status $wstatus, ${ms} ms under Wine; $summary"
}

case $mode in
  compare)
    same plain needle -f '*.txt;*.cpp' --options=2
    same case-sensitive NEEDLE -f '*.*' --options=3
    same regex 'ne+dle[0-9]' -f '[Source Files (.c;.cpp;.cc)]' --options=6
    same whole-word needle -f '*.txt' --options=18
    same json needle -f '*.txt' --options=18 --format=json
    same json-beep needle -f 'empty.txt;file1.txt' --options=2 --format=json
    same context needle -f '*.txt' --options=2 -C 1
    same counts needle -f '*.cpp' --options=2 -c
    same vimgrep needle -f '*.cpp' --options=2 --format=vimgrep
    # One thread and several: the same hits, as on Linux.
    same one-thread needle -f '*.*' --options=2 -j1
    same four-threads 'ne+dle[0-9]' -f '*.*' --options=6 -j4 -C 1
    same masks needle -f 'file?.TXT;*.with.*;notes' --options=2
    same no-hit 'not-in-any-file' -f '*.*' --options=2
    same bad-pattern 'ne(dle' -f '*.*' --options=6
    same empty-text -t '' -f '*.*' --options=2
    # Directories not found are named (up to three, then a count), a file listed as one too.
    listed="$windir;$windir\\gone;$windir\\Alpha\\NOTES;$windir\\GONE;$windir\\Alpha\\one\\x\\File1.txt;x"
    same missing-dirs needle -f 'empty.txt' --options=2
    listed=
    project=1
    same project-node needle --select='beta\Two\Y\src3.cpp' -f '*.*' --options=0
    same project-children needle --select='BETA\two\y\SRC3.CPP' --select='Alpha\one\x\File1.txt' \
      -f '*.txt;*.cpp' --options=10
    same project-no-selection needle -f '*.*' --options=2
    same project-bad-node needle --select='no\such\node' -f '*.*' --options=2
    project=
    ;;
  listing)
    # git's configuration of this machine's user is no part of the comparison.
    export HOME="$registry" XDG_CONFIG_HOME="$registry/xdg" GIT_CONFIG_NOSYSTEM=1
    lt="$build/wine-listing"
    rm -rf "$lt"
    mkdir -p "$lt/repo/.git" "$lt/repo/src" "$lt/repo/build" "$lt/repo/real" "$lt/outside"
    printf '*.o\nbuild/\n' > "$lt/repo/.gitignore"
    printf 'gen.c\n' > "$lt/repo/.ignore"
    for f in a.c a.o gen.c x_test.c .env.c src/s.c src/t.o build/b.c real/r.c; do
      echo "int needle;" > "$lt/repo/$f"
    done
    echo "int needle;" > "$lt/outside/o.c"
    { echo "int needle;"; head -c 600000 /dev/zero | tr '\0' 'q'; echo; } > "$lt/repo/big.c"
    # A linked folder to an ignored one (so that, followed, it is the only path there), a loop
    # back to the tree's top, and a link out of the tree.
    ln -s build "$lt/repo/linked"
    ln -s .. "$lt/repo/real/up"
    ln -s ../outside "$lt/repo/out"
    listed="Z:$(echo "$lt/repo" | tr / '\\')"
    same listing-default needle -f '*.c;*.o' --options=2
    same listing-no-ignore needle -f '*.c;*.o' --options=2 --no-ignore
    same listing-hidden needle -f '*.c;*.o' --options=2 --hidden
    same listing-exclude needle -f '*.c;*.o' --options=2 --exclude='*_test.c' --exclude=src/
    same listing-follow needle -f '*.c;*.o' --options=2 --follow
    same listing-max-filesize needle -f '*.c;*.o' --options=2 --max-filesize=1000
    # Followed, every file is searched once: no heading twice.
    winrun "$exe" needle -f '*.c' --options=2 --follow -l -d "$listed" > "$registry/wine.out" 2>&1
    [ "$(sort "$registry/wine.out" | uniq -d)" = "" ] ||
      fail "listing-follow: a file searched twice: $(sort "$registry/wine.out" | uniq -d)"
    grep -aq 'linked.b\.c' "$registry/wine.out" || fail "listing-follow: the linked folder not entered"
    listed=
    rm -rf "$lt"
    ;;
  async)
    same async needle -f '*.*' --options=10
    same async-regex '(needle|NEEDLE)[0-9]' -f '*.cpp' --options=15
    ;;
  interrupt)
    # Wine hands SIGINT to the console's Ctrl-C handler; the search stops with "User break !" and
    # status 130, as on Linux. The tree takes the search about 20 s under Wine.
    slow="$build/wine-slow"
    rm -rf "$slow"
    mkdir -p "$slow"
    echo "int needle;" > "$slow/f0.c"
    line=$(head -c 100000 /dev/zero | tr '\0' q)
    for i in $(seq 1 300); do printf '%s\n' "$line" > "$slow/g$i.c"; done
    winslow="Z:$(echo "$slow" | tr / '\\')"
    winrun "$exe" -e '(q|q)*(needle|zz)' -f '*.c' --options=6 -d "$winslow" \
      > "$registry/wine.out" 2> "$registry/wine.err" &
    runner=$!
    pid=
    for _ in $(seq 1 100); do
      pid=$(pgrep -f "^$exe " | head -1)
      [ -n "$pid" ] && break
      sleep 0.1
    done
    # The search under way: a file of the tree open while it is scanned.
    for _ in $(seq 1 200); do
      [ -n "$pid" ] || break
      ls -l "/proc/$pid/fd" 2>/dev/null | grep -q "$slow/g" && break
      sleep 0.1
    done
    [ -n "$pid" ] && kill -INT "$pid"
    wait "$runner"
    wstatus=$?
    [ -n "$pid" ] || fail "interrupt: vantrel.exe was not seen running"
    [ "$wstatus" = 130 ] || fail "interrupt: exit status $wstatus, not 130"
    grep -aq '^Vantrel : User break !' "$registry/wine.out" || fail "interrupt: no user break"
    grep -aq '(301 Files searched' "$registry/wine.out" && fail "interrupt: the search ran to its end"
    echo "interrupt: status $wstatus; $(grep -a 'Files searched' "$registry/wine.out")"
    rm -rf "$slow"
    ;;
  platform)
    # A name Windows keeps for a device cannot be opened there: counted apart, saying why.
    devices="$build/wine-devices"
    rm -rf "$devices"
    mkdir -p "$devices"
    echo needle > "$devices/aux.c"
    echo needle > "$devices/b.c"
    winrun "$exe" needle -f '*.c' --options=2 -d "Z:$(echo "$devices" | tr / '\\')" \
      > "$registry/wine.out" 2> "$registry/wine.err"
    grep -aqx 'vantrel: passed over 1 file named as a Windows device (aux, con, nul...)' \
      "$registry/wine.err" || { cat "$registry/wine.err" >&2; fail "platform: aux.c not told apart"; }
    rm -rf "$devices"
    # With no display the search dialog cannot be shown: the message says what to do instead,
    # and the Wine server that run leaves does not harm the next.
    env -u DISPLAY "$wine" "$exe" > /dev/null 2> "$registry/wine.err"
    status=$?
    [ "$status" = 2 ] || fail "platform: no display gave status $status, not 2"
    grep -aq 'give the search on the command line' "$registry/wine.err" ||
      { cat "$registry/wine.err" >&2; fail "platform: no display was not explained"; }
    winrun "$exe" needle -f '*.txt' --options=2 -d "$windir" > /dev/null 2>&1 ||
      fail "platform: the run after the one without a display failed"
    echo "platform: device names and no display as expected"
    ;;
  registry)
    winrun "$exe" 'registry probe' -f '*.log' -d "$windir" --options=2 > /dev/null 2>&1
    key='HKLM\SOFTWARE\Borland\Borland C++\5.0\Ide\AddOns\vantrel'
    query=$(winrun "$wine" reg query "$key" 2>&1 | tr -d '\r')
    printf '%s\n' "$query" | grep -q '^HKEY_LOCAL_MACHINE\\SOFTWARE\\Borland\\Borland C++\\5.0\\Ide\\AddOns\\vantrel$' ||
      fail "no key HKLM\\SOFTWARE\\Borland\\Borland C++\\5.0\\Ide\\AddOns\\vantrel"
    printf '%s\n' "$query"
    printf '%s\n' "$query" | grep -Eq 'TextToFind1[[:space:]]+REG_SZ[[:space:]]+registry probe$' ||
      fail "TextToFind1 is not the last text searched"
    printf '%s\n' "$query" | grep -Eq 'Options[[:space:]]+REG_SZ[[:space:]]+2$' || fail "Options is not 2"
    printf '%s\n' "$query" | grep -Eq 'FileMask1[[:space:]]+REG_SZ[[:space:]]+\*\.log$' ||
      fail "FileMask1 is not the last file type"
    printf '%s\n' "$query" | grep -Fq "Directories1    REG_SZ    $windir" ||
      fail "Directories1 is not the last directory"
    ;;
  *)
    echo "unknown mode $mode" >&2
    exit 2
    ;;
esac
[ "$failures" -eq 0 ]
