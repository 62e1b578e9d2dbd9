#!/bin/sh
# The installed tree as a user gets it from `cmake --install BUILD --prefix P`: every file in its
# place; P/bin/vantrel run from another folder finds its module and searches; the manual page
# renders without warnings and holds every option and variable of --help and README; bash, zsh
# and fish complete the options, the bracketed entries after -f and -d, and folders after -d.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -u
build=$1 source=$2
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
work=$(mktemp -d)
sock=vantrel-install-$$
trap 'tmux -L "$sock" kill-server 2>/dev/null; rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; echo "FAIL: cmake --install" >&2; exit 1; }

for file in bin/vantrel libexec/vantrel/vantrel.so share/man/man1/vantrel.1 \
  share/bash-completion/completions/vantrel share/zsh/site-functions/_vantrel \
  share/fish/vendor_completions.d/vantrel.fish; do
  [ -f "$prefix/$file" ] || fail "$file not installed"
done
[ -x "$prefix/bin/vantrel" ] || fail "bin/vantrel is not executable"

# A small tree, searched from another folder with nothing of the build in sight.
mkdir -p "$work/tree/src/sub" "$work/tree/docs" "$work/elsewhere"
printf 'int a;\nint needle = 1;\n' >"$work/tree/src/a.c"
printf 'needle\n' >"$work/tree/src/sub/b.c"
printf 'needle\n' >"$work/tree/docs/c.txt"
run() {
  (cd "$work/elsewhere" && env -u VANTREL_ADDON VANTREL_REGISTRY="$work/registry.sqlite3" \
    PATH="$prefix/bin:/usr/bin:/bin" "$@")
}
out=$(run vantrel -r -f '*.c' -d "$work/tree" needle)
status=$?
[ $status -eq 0 ] || fail "installed vantrel answered $status"
printf '%s\n' "$out" | grep -qx "$work/tree/src/a.c:2:5: int needle = 1;" || fail "no hit in a.c: $out"
printf '%s\n' "$out" | grep -qx "$work/tree/src/sub/b.c:1:1: needle" || fail "no hit in sub/b.c: $out"
printf '%s\n' "$out" | grep -q "c.txt" && fail "c.txt searched: $out"
version=$(run vantrel --version | head -n 1)
[ "${version#vantrel }" = "$(sed -n 's/^\.TH [^ ]* [^ ]* "[^"]*" "vantrel \([^"]*\)".*/\1/p' \
  "$prefix/share/man/man1/vantrel.1")" ] || fail "the manual's version is not '$version'"

# The manual page: no warning from groff or man, and everything --help and README name.
page=$prefix/share/man/man1/vantrel.1
warnings=$(groff -ww -man -z "$page" 2>&1)
[ -z "$warnings" ] || fail "groff -ww: $warnings"
rendered=$(LC_ALL=C MANWIDTH=2000 man --warnings -l "$page" 2>"$work/man.err")
[ -s "$work/man.err" ] && fail "man -l: $(cat "$work/man.err")"
help=$(run vantrel --help)
# The options: what the help's option column names.
options=$(printf '%s\n' "$help" | sed -n '/^Options:/,/^$/p' | cut -c 1-21 | grep -oE -- '--?[a-zA-Z][a-zA-Z-]*')
[ "$(printf '%s\n' "$options" | wc -l)" -gt 15 ] || fail "the help lists only these options: $options"
# README's variables for the command, before its notes on the Windows build, tests and benchmarks.
names="$options $(sed '/^## The module for the IDE/q' "$source/README.md" |
  grep -o 'VANTREL_[A-Z]*' | sort -u)"
names="$names $(printf '%s\n' "$help" | sed -n 's/^  \([A-Z_][A-Z_]*\) .*/\1/p')"
for name in $names; do
  printf '%s\n' "$rendered" | grep -q -- "$name" || fail "the manual does not name $name"
done
for section in 'EXIT STATUS' ENVIRONMENT FILES 'FILE TYPES' DIRECTORIES OUTPUT; do
  printf '%s\n' "$rendered" | grep -qx "$section" || fail "the manual has no $section section"
done

# bash: the completion function asked as readline would ask it.
complete_bash() {
  bash --norc -c '. "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _vantrel
    printf "%s\n" "${COMPREPLY[@]}"' - "$prefix/share/bash-completion/completions/vantrel" "$@" \
    2>/dev/null
}
# zsh: typed into an interactive zsh on a tmux terminal, Tab pressed, the screen read.
tmux -L "$sock" -f /dev/null new-session -d -x 200 -y 50 -c "$work/tree" \
  "env -i HOME=$work TERM=screen PATH=$prefix/bin:/usr/bin:/bin zsh -f"
tmux -L "$sock" send-keys "fpath=($prefix/share/zsh/site-functions \$fpath); autoload -Uz \
compinit; compinit -u -D; zstyle ':completion:*' list-prompt ''" Enter
complete_zsh() {
  tmux -L "$sock" send-keys C-u C-l "$1" Tab
  for _ in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do
    sleep 0.2
    screen=$(tmux -L "$sock" capture-pane -p)
    printf '%s\n' "$screen" | grep -qF -- "$2" && return 0
  done
  printf '%s\n' "$screen"
  return 1
}
# fish: its own completion query, in a fish that finds the installed completions as it finds a
# package's, through XDG_DATA_DIRS.
complete_fish() {
  (cd "$work/tree" && env -i HOME="$work" XDG_DATA_DIRS="$prefix/share" \
    PATH="$prefix/bin:/usr/bin:/bin" fish -c 'complete -C $argv[1]' "$1") 2>&1 | cut -f 1
}

bash_options=$(complete_bash vantrel -)
fish_options=$(complete_fish 'vantrel -')
for option in $options; do
  printf '%s\n' "$bash_options" | grep -qx -- "$option=\?" || fail "bash does not complete $option"
  printf '%s\n' "$fish_options" | grep -qx -- "$option" || fail "fish does not complete $option"
done
complete_zsh 'vantrel --' '--windows-paths' >/dev/null || fail "zsh does not list long options"
for option in $options; do
  case $option in --*) printf '%s\n' "$screen" | grep -qF -- "$option" || fail "zsh does not list $option" ;; esac
done

[ "$(complete_bash vantrel -f '[He')" = '[Header Files (.h;.hpp;.rh)]' ] ||
  fail "bash: -f [He gave '$(complete_bash vantrel -f '[He')'"
[ "$(complete_fish "vantrel -f '[He")" = '[Header Files (.h;.hpp;.rh)]' ] ||
  fail "fish: -f '[He gave '$(complete_fish "vantrel -f '[He")'"
directories=$(cd "$work/tree" && complete_bash vantrel -d '')
for entry in '[Current Directory]' '[Current Path]' '[Selected Nodes]' src docs; do
  printf '%s\n' "$directories" | grep -qxF "$entry" || fail "bash: -d gave '$directories', not $entry"
done
directories=$(complete_fish 'vantrel -d ')
for entry in '[Current Directory]' '[Current Path]' '[Selected Nodes]' src/ docs/; do
  printf '%s\n' "$directories" | grep -qxF "$entry" || fail "fish: -d gave '$directories', not $entry"
done
[ "$(cd "$work/tree" && complete_bash vantrel -d 'sr')" = src ] || fail "bash: -d sr is not src"
[ "$(complete_bash vantrel --format = j)" = json ] || fail "bash: --format=j is not json"
[ "$(complete_fish 'vantrel -d sr')" = src/ ] || fail "fish: -d sr is not src/"
complete_zsh 'vantrel -d ' '\[Selected\ Nodes\]' >/dev/null &&
  printf '%s\n' "$screen" | grep -qF '\[Current\ Directory\]' &&
  printf '%s\n' "$screen" | grep -qw src && printf '%s\n' "$screen" | grep -qw docs ||
  fail "zsh: -d lists $(printf '%s\n' "$screen" | tail -n 5)"
complete_zsh 'vantrel -f \[So' 'vantrel -f \[Source\ Files\ \(.c\;.cpp\;.cc\)\]' >/dev/null ||
  fail "zsh: -f \\[So gave $(printf '%s\n' "$screen" | tail -n 3)"
complete_zsh "vantrel -f '[He" "vantrel -f '[Header Files (.h;.hpp;.rh)]'" >/dev/null ||
  fail "zsh: -f '[He gave $(printf '%s\n' "$screen" | tail -n 3)"
complete_zsh 'vantrel -d s' 'vantrel -d src/' >/dev/null || fail "zsh: -d s is not src/"

[ $failures -eq 0 ] || exit 1
echo "install: every check passed"
