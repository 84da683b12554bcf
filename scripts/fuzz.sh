#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for SECONDS (default
# 20), or only the targets named.
#   scripts/fuzz.sh [SECONDS] [TARGET...]      TARGET: reading, meter_info, memory_info, ...
# New inputs collect in build-fuzz/corpus/TARGET/ (the seeds in fuzz/corpus/ are only read),
# findings in build-fuzz/artifacts/TARGET/. Exits non-zero when any target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
[ $# -gt 0 ] && shift
scripts/deps.sh
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
gen=()
[ -f "$build_dir/CMakeCache.txt" ] || gen=(-G Ninja -DCMAKE_CXX_COMPILER=clang++-14)
cmake -S . -B "$build_dir" "${gen[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUEDRAL_FUZZ=ON \
  -DQUEDRAL_BUILD_TESTS=OFF -DQUEDRAL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target fuzz_all

# target  max_len  dictionary
table="
reading       4096   reading
meter_info    1024   -
memory_info   16384  memory
memory_image  65536  memory
graph_file    65536  graph_file
text_import   16384  text_import
wav_series    256    -
"
targets=("$@")
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
summary=()
failed=0
while read -r name len dict; do
  [ -n "$name" ] || continue
  if [ ${#targets[@]} -gt 0 ] && [[ ! " ${targets[*]} " =~ " $name " ]]; then
    continue
  fi
  corpus="$build_dir/corpus/$name"
  artifacts="$build_dir/artifacts/$name"
  mkdir -p "$corpus" "$artifacts"
  opts=(-max_total_time="$seconds" -max_len="$len" -rss_limit_mb=2048 -malloc_limit_mb=2048 -timeout=25
        -artifact_prefix="$artifacts/" -print_final_stats=1)
  [ "$dict" = "-" ] || opts+=(-dict="fuzz/dict/$dict.dict")
  log="$build_dir/artifacts/$name.log"
  echo "== fuzz_$name for ${seconds} s"
  status=0
  "$build_dir/bin/fuzz_$name" "${opts[@]}" "$corpus" "fuzz/corpus/$name" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  files=$(find "$corpus" -type f | wc -l)
  found=$(find "$artifacts" -type f ! -name 'slow-unit-*' | wc -l)
  if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
    failed=1
    grep -E "ERROR:|runtime error:|property violated|Test unit written" "$log" | head -5 || true
    echo "   full output: $log"
  fi
  summary+=("$(printf '%-14s %12s %10s %8s %9s' "$name" "${runs:-?}" "${rate:-?}" "$files" "$found")")
done <<<"$table"

printf '%-14s %12s %10s %8s %9s\n' target executions "exec/s" corpus findings
printf '%s\n' "${summary[@]}"
exit $failed
