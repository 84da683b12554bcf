#!/usr/bin/env bash
# One `quedral-cli serve` on the simulated meter: its CPU use (% of one core) and resident memory
# while polling, over SECONDS (default 60), from /proc; then the /metrics answer time, the best
# and the median of 200 scrapes on one kept connection and on new connections (curl).
# Goals: under 1 % of one core, under 30 MB resident, /metrics under 5 ms.
#   bench/measure_serve.sh build/bin/quedral-cli [SECONDS [SERVE OPTIONS...]]
# e.g. with a broker on loopback: bench/measure_serve.sh build/bin/quedral-cli 60 --mqtt 127.0.0.1:1883 --topic bench
set -euo pipefail
cli=$(realpath "$1")
seconds=${2:-60}
extra=("${@:3}")
work=$(mktemp -d)
"$cli" --simulate --data-dir "$work/data" serve --listen 127.0.0.1:0 --log "$work/log" "${extra[@]}" 2> "$work/err" &
pid=$!
trap 'kill -TERM $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf "$work"' EXIT
port=""
for _ in $(seq 100); do
  port=$(grep -o 'serving http://127.0.0.1:[0-9]*' "$work/err" | grep -o '[0-9]*$' || true)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "serve did not start:"; cat "$work/err"; exit 1; }
sleep 2 # connected and polling
hz=$(getconf CLK_TCK)
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
t0=$(ticks); s0=$(date +%s.%N)
peak=0
for ((i = 0; i < seconds; i++)); do
  sleep 1
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
  [ "$rss" -gt "$peak" ] && peak=$rss
done
t1=$(ticks); s1=$(date +%s.%N)
awk -v t="$((t1 - t0))" -v hz="$hz" -v a="$s0" -v b="$s1" -v rss="$peak" 'BEGIN {
  printf "cpu: %.2f %% of one core over %.0f s\n", 100 * t / hz / (b - a), b - a
  printf "resident: %.1f MB at most\n", rss / 1024
}'
url="http://127.0.0.1:$port/metrics"
times() { sort -n | awk '{ v[NR] = $1 } END { printf "best %.2f ms, median %.2f ms\n", 1000 * v[1], 1000 * v[int((NR + 1) / 2)] }'; }
printf "/metrics, new connections: "
for _ in $(seq 200); do curl -s -o /dev/null -w '%{time_total}\n' "$url"; done | times
printf "/metrics, one kept connection: "
urls=(); for _ in $(seq 200); do urls+=(-o /dev/null "$url"); done
curl -s -w '%{time_total}\n' "${urls[@]}" | times
