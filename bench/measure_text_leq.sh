#!/usr/bin/env bash
# Whole-process time of `quedral-cli leq` and `quedral-cli stats` on a 1,000,000-line tab log
# in the graph text export format, against mawk computing the plain Leq of the same file in the
# same run. Each is run RUNS times (default 5); the best time counts. Goal: both at most
# 1.5 x mawk.
#   bench/measure_text_leq.sh build/bin/quedral-cli [LINES]
set -euo pipefail
cli=$(realpath "$1")
lines=${2:-1000000}
runs=${RUNS:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8 # the dates below are in this locale's short format
log=$work/log.txt
# One line a second from 1 Dec 2026 00:00:00, levels 30.0 .. 100.0, CR LF as the export writes.
mawk -v n="$lines" 'BEGIN {
  srand(20)
  for (i = 0; i < n; i++) {
    d = int(i / 86400); s = i % 86400
    printf "%d Dec 2026\t%02d:%02d:%02d.0\t%.1f\r\n", 1 + d, int(s / 3600), int(s / 60) % 60, s % 60, 30 + 70 * rand()
  }
}' > "$log"

best() { # best of $runs runs of a command, in seconds; the command's output in $work/out
  local b=""
  for ((r = 0; r < runs; r++)); do
    local t0 t1
    t0=$(date +%s.%N)
    "$@" > "$work/out"
    t1=$(date +%s.%N)
    b=$(mawk -v a="$t0" -v z="$t1" -v b="$b" 'BEGIN { t = z - a; if (b == "" || t < b) b = t; printf "%.3f", b }')
  done
  echo "$b"
}
mawk_leq() { mawk -F'\t' '{ s += 10 ^ ($3 / 10); n++ } END { printf "%.1f\n", 10 * log(s / n) / log(10) }' "$log"; }

t_mawk=$(best mawk_leq); v_mawk=$(cat "$work/out")
t_leq=$(best "$cli" leq "$log"); v_leq=$(cat "$work/out")
t_stats=$(best "$cli" stats "$log"); v_stats=$(grep -o '"leq":[0-9.]*' "$work/out" || true)
printf '%d lines, %s bytes, best of %d runs\n' "$lines" "$(stat -c %s "$log")" "$runs"
printf 'mawk Leq           %6.3f s   Leq %s\n' "$t_mawk" "$v_mawk"
printf 'quedral-cli leq    %6.3f s   Leq %s   %.2f x mawk\n' "$t_leq" "$v_leq" "$(mawk -v a="$t_leq" -v b="$t_mawk" 'BEGIN { print a / b }')"
printf 'quedral-cli stats  %6.3f s   %s   %.2f x mawk\n' "$t_stats" "$v_stats" "$(mawk -v a="$t_stats" -v b="$t_mawk" 'BEGIN { print a / b }')"
