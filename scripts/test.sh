#!/usr/bin/env bash
# Sets up, builds and runs every test headless.
#   scripts/test.sh             normal build in build/
#   scripts/test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
if [ "${1:-}" = "--sanitize" ]; then
  export BUILD_DIR=build-asan BUILD_TYPE=Debug
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:halt_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  scripts/build.sh -DQUEDRAL_SANITIZE=ON -DQUEDRAL_BUILD_BENCH=OFF
else
  export BUILD_DIR=build
  scripts/build.sh -DQUEDRAL_BUILD_BENCH=ON
fi
cd "$BUILD_DIR"
ctest --output-on-failure -j "$(nproc)"
