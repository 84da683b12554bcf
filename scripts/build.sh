#!/usr/bin/env bash
# Configures and builds into BUILD_DIR (default build/). Extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
gen=()
[ -f "$build_dir/CMakeCache.txt" ] || gen=(-G Ninja)
cmake -S . -B "$build_dir" "${gen[@]}" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "$@"
cmake --build "$build_dir" -j "$(nproc)"
