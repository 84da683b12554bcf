#!/usr/bin/env bash
# Sets up, builds and starts Quedral with the built-in simulated meter.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh -DQUEDRAL_BUILD_BENCH=OFF
exec build/bin/quedral --simulate "$@"
