#!/usr/bin/env bash
# Speed guard: times vantrel against GNU grep on a generated tree of C-like files, in the same run,
# and fails when vantrel's blocking search (counting pass included) takes longer than
# VANTREL_PERF_RATIO (default 1.0) times grep's on any of the searches below.
#
# usage: speed_guard.sh VANTREL TREE_DIR
#   The tree (about 72 MB in 3,200 files) is generated once into TREE_DIR and kept there.
#   VANTREL_PERF_RUNS (default 5): timed runs per tool and search; the best of them counts, so a
#   burst of load on a shared machine costs a run, not the verdict.
#   VANTREL_BUILD_TYPE: when set and not an optimised build, the guard is skipped (status 77).
#
# Before timing, each search checks that vantrel and grep count the same matching lines, so the
# guard cannot pass by finding nothing. Registered in ctest with the label perf (not in the
# default run): ctest --test-dir build/release -L perf
set -euo pipefail

vantrel="${1:?usage: speed_guard.sh VANTREL TREE_DIR}"
tree="${2:?usage: speed_guard.sh VANTREL TREE_DIR}"
ratio_limit="${VANTREL_PERF_RATIO:-1.0}"
runs="${VANTREL_PERF_RUNS:-5}"

case "${VANTREL_BUILD_TYPE:-Release}" in
  Release | RelWithDebInfo | MinSizeRel) ;;
  *)
    echo "speed guard: skipped in a ${VANTREL_BUILD_TYPE} build (run it in build/release)"
    exit 77
    ;;
esac
export LC_ALL=C

# --- the tree --------------------------------------------------------------------------------
# 80 directories of 40 files, each of 600 lines of kernel-like tokens, the searched ones rare. The generator's
# version is in the stamp, so a changed generator makes a new tree.
stamp="$tree/.generated-v2"
if [ ! -f "$stamp" ]; then
  rm -rf "$tree"
  mkdir -p "$tree"
  awk -v root="$tree" 'BEGIN {
    srand(20261208)
    ns = split("dev;buf;ctx;reg;val;cfg;port;node;list;map;data;info;priv;hw;ops;state;" \
               "flags;addr;cnt;idx;len;irq;lock;page;queue;skb;msg;id;mode;err", syl, ";")
    nr = split("mutex_lock;mutex_unlock;spin_lock_irqsave;spin_unlock_irqrestore;spin_lock;" \
               "PM_SUSPEND;ACPI_STATE_SUSPEND;EXPORT_SYMBOL_GPL;strlen;length;Len;Spin_Lock",
               rare, ";")
    np = split("(;);, ;*;->; = ; == ; + ; {;};[;]; && ; /* ; */; ", punct, ";")
    for (d = 0; d < 80; d++) {
      dir = sprintf("%s/dir%02d", root, d)
      system("mkdir -p " dir)
      for (f = 0; f < 40; f++) {
        file = sprintf("%s/file%02d.c", dir, f)
        for (l = 0; l < 600; l++) {
          line = ""
          for (t = int(rand() * 4); t > 0; t--) line = line "\t"
          if (rand() < 0.05) line = line "return "
          for (t = int(rand() * 9); t > 0; t--) {
            r = rand()
            if (r < 0.01) tok = rare[int(rand() * nr) + 1]
            else if (r < 0.5) tok = syl[int(rand() * ns) + 1]
            else tok = syl[int(rand() * ns) + 1] "_" syl[int(rand() * ns) + 1]
            line = line tok punct[int(rand() * np) + 1]
          }
          print line > file
        }
        close(file)
      }
    }
  }'
  # A header the mask leaves out, so the walk has something to pass over.
  printf 'int mutex_lock;\n' >"$tree/dir00/skipped.h"
  touch "$stamp"
fi

registry_dir="$(mktemp -d "${TMPDIR:-/tmp}/vantrel-guard.XXXXXX")"
trap 'rm -rf "$registry_dir"' EXIT
export VANTREL_REGISTRY="$registry_dir/registry.sqlite3"

# --- the searches ----------------------------------------------------------------------------
# text | vantrel options (case 1, regex 4, whole words 16; recurse 2 is added) | grep flags
searches=(
  "mutex_lock|1|-F"
  "SPIN_LOCK|0|-F -i"
  "len|17|-F -w"
  "spin_lock.*irq|5|-E"
  "[A-Z_][A-Z_]+_SUSPEND|5|-E"
  "return|1|-F"
)

# Runs a command with its output through a pipe (grep cuts its work short when its output is
# /dev/null) and prints the wall time in microseconds.
time_us() {
  local start end
  start="${EPOCHREALTIME/./}"
  "$@" | cat >/dev/null
  end="${EPOCHREALTIME/./}"
  echo $((end - start))
}

failed=0
for entry in "${searches[@]}"; do
  IFS='|' read -r text opts gflags <<<"$entry"
  # shellcheck disable=SC2206
  grep_cmd=(grep -rn --include='*.c' $gflags -e "$text" "$tree")
  vantrel_cmd=("$vantrel" --format=text "--options=$((opts | 2))" -f '*.c' -d "$tree" -t "$text")

  expected="$("${grep_cmd[@]}" | wc -l)"
  summary="$("${vantrel_cmd[@]}" | tail -1)" || true
  found="$(printf '%s\n' "$summary" | sed -n 's/^Vantrel : \([0-9][0-9]*\) found in.*/\1/p')"
  if [ "$found" != "$expected" ]; then
    echo "speed guard: «$text»: vantrel found ${found:-nothing} (\"$summary\"), grep $expected"
    failed=1
    continue
  fi

  best_v=""
  best_g=""
  for ((i = 0; i < runs; i++)); do
    v="$(time_us "${vantrel_cmd[@]}")"
    g="$(time_us "${grep_cmd[@]}")"
    if [ -z "$best_v" ] || [ "$v" -lt "$best_v" ]; then best_v="$v"; fi
    if [ -z "$best_g" ] || [ "$g" -lt "$best_g" ]; then best_g="$g"; fi
  done
  verdict="$(awk -v v="$best_v" -v g="$best_g" -v limit="$ratio_limit" \
    'BEGIN { r = v / g; printf "%.2f %s", r, (r <= limit ? "ok" : "TOO SLOW") }')"
  printf 'speed guard: %-24s %7d lines  vantrel %6.3f s  grep %6.3f s  ratio %s\n' "«$text»" \
    "$expected" "$(awk -v v="$best_v" 'BEGIN { print v / 1e6 }')" \
    "$(awk -v g="$best_g" 'BEGIN { print g / 1e6 }')" "$verdict"
  case "$verdict" in *"TOO SLOW") failed=1 ;; esac
done

if [ "$failed" -ne 0 ]; then
  echo "speed guard: FAILED (limit: vantrel at most $ratio_limit times grep's time)"
  exit 1
fi
echo "speed guard: passed (limit: vantrel at most $ratio_limit times grep's time)"
