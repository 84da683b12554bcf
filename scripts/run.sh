#!/usr/bin/env bash
# Sets up, builds and starts Quedral with the built-in simulated meter.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh -DQUEDRAL_BUILD_BENCH=OFF
# Short tones standing in for the WAV series the simulated meter's data sets name (data sets 2
# and 3), in the data directory beside the program; existing files are left alone.
if command -v sox >/dev/null; then
  for name in WAV00012 REC00001 REC00002 REC00003 REC00004 REC00005 REC00006 REC00007 REC00008 \
              REC00009 REC0000A REC0000B REC0000C REC0000D REC0000E REC0000F REC0000G; do
    f="build/bin/$name.WAV"
    [ -f "$f" ] || sox -q -n -r 8000 -b 16 -c 1 "$f" synth 5 sine 440 vol 0.3 || true
  done
fi
exec build/bin/quedral --simulate "$@"
