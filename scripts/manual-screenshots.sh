#!/usr/bin/env bash
# Makes the manual's pictures (doc/manual/images/*.png) from the simulated meter: one run of
# `quedral --screenshot` per window state, each with a fresh data directory so the simulated
# meter starts from its built-in memory. Needs a built build/bin/quedral (BUILD_DIR to change).
# Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
quedral=${BUILD_DIR:-build}/bin/quedral
out=doc/manual/images
[ -x "$quedral" ] || { echo "no $quedral: build it first" >&2; exit 1; }
mkdir -p "$out"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A fixed size and look, whatever the desktop: an offscreen screen of 1280 x 800.
cat > "$scratch/screen.json" <<'JSON'
{ "screens": [ { "name": "manual", "x": 0, "y": 0, "width": 1280, "height": 800,
                 "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1 } ] }
JSON
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen:configfile=$scratch/screen.json}
export QT_STYLE_OVERRIDE=Fusion
export LC_ALL=C.UTF-8 LANG=C.UTF-8
# Settings (the real-time rate) are kept apart from the user's own.
export XDG_CONFIG_HOME=$scratch/config

for state in ${STATES:-main panel realtime datalogger stats leq setup}; do
    data=$scratch/$state
    mkdir -p "$data"
    "$quedral" --simulate --data-dir "$data" --screenshot "$out/$state.png" --screenshot-state "$state"
done
ls -l "$out"
