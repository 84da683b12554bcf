#!/usr/bin/env bash
# Runs every quedral-cli command with good and bad arguments, against the simulator (a private
# data directory) and on files, and prints each run's arguments, exit status, stdout and stderr.
# Run it on two builds and diff the outputs to show that nothing the user sees has changed:
#   tests/cli/cli_transcript.sh OLD/quedral-cli > old.txt; tests/cli/cli_transcript.sh NEW/quedral-cli > new.txt
set -uo pipefail
cli=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir data
# `report` runs under Qt Gui, which warns on stderr without a runtime folder: a private one.
mkdir -m 700 runtime
export XDG_RUNTIME_DIR="$work/runtime"
# Times and the simulator's levels change from run to run: masked.
mask() {
  sed -E -e 's/[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}(\.[0-9]{3})?/DATETIME/g' \
         -e 's/"(level|display_level|clock)":("[^"]*"|[0-9.]+)/"\1":X/g'
}
run() {
  local out err status
  out=$("$cli" --data-dir "$work/data" "$@" 2>err.txt); status=$?
  err=$(cat err.txt)
  printf '=== %s\nstatus %s\n--- stdout\n%s\n--- stderr\n%s\n' "$*" "$status" "$out" "$err" | mask
}
sim() { run --simulate "$@"; }
# Files to work on, made by the simulator.
"$cli" --data-dir "$work/data" --simulate quick-rec 20 1 >/dev/null 2>&1
"$cli" --data-dir "$work/data" --simulate download -o mem.rec >/dev/null 2>&1
"$cli" --data-dir "$work/data" export mem.rec -o g.ghf >/dev/null 2>&1
"$cli" --data-dir "$work/data" export mem.rec -o g.txt >/dev/null 2>&1
"$cli" --data-dir "$work/data" export mem.rec -o g.csv >/dev/null 2>&1
printf 'not a file\n' > bad.rec

# The program's own options and the command line as a whole.
run; run --help; run --version; run --bogus; run bogus; run --simulate; run -x
run --simulate-faults; run --simulate-faults timeout read; run --simulate --simulate-faults nonsense read
run --simulate --simulate-faults= read

# Meter commands, good and bad.
sim raw; sim raw K; sim raw ZZ; sim raw K 1 2 3 4 5; sim raw K GG; sim raw K 0x1; sim raw K --x
sim read extra; sim key; sim key Q; sim key R L; sim key R
sim monitor --count; sim monitor --count x; sim monitor --count -1; sim monitor --count=x; sim monitor --bogus
sim monitor extra; sim monitor --count 0; sim monitor --count=0
sim record; sim record --points 2; sim record --points x --rate 1 -o r.ghf; sim record --points 2 --rate 0 -o r.ghf
sim record --points 2 --rate 1; sim record --points 2 --rate 1 -o; sim record --points 2 --rate 1 -o r.ghf extra
sim record --points=2 --rate 1 -o r.ghf; sim record --points 2 --rate 1 -o mem.rec; sim record --points 2 --rate 1 -o nodir/r.ghf
sim download; sim download -o; sim download -o mem.rec; sim download -o x.rec extra; sim download --output=x.rec; sim download -o x.rec --bogus
sim erase; sim erase --yes --yes; sim erase --no; sim erase yes
sim leq-live; sim leq-live --seconds x; sim leq-live --seconds 0; sim leq-live --seconds; sim leq-live --seconds 2 -o mem.rec
sim leq-live --seconds 2 extra
sim info extra; sim info --x; sim set-clock extra; sim interval; sim interval 02:00; sim interval x; sim interval 1 2
sim interval 00:30; sim interval -1
sim eeprom-read; sim eeprom-read x; sim eeprom-read -1; sim eeprom-read 99999999; sim eeprom-read 1 2; sim eeprom-read 10
sim eeprom-write; sim eeprom-write 1; sim eeprom-write 1 256; sim eeprom-write x 1; sim eeprom-write 1 2 3
sim quick-rec; sim quick-rec 1; sim quick-rec 0 1; sim quick-rec 1 99999; sim quick-rec x y; sim quick-rec 1 2 3
sim quick-rec -5 1
# Without a meter.
run raw K; run read; run key R; run download -o y.rec; run erase --yes; run info; run set-clock; run interval 00:10
run eeprom-read 1; run eeprom-write 1 1; run quick-rec 5 1; run leq-live --seconds 1

# File commands, good and bad.
run graph-info; run graph-info g.ghf; run graph-info g.ghf extra; run graph-info missing.ghf; run graph-info --x
run decode; run decode mem.rec; run decode mem.rec --samples; run decode mem.rec extra; run decode --samples
run decode mem.rec --bogus; run decode missing.rec; run decode bad.rec; run decode -; run decode --samples=1 mem.rec
run leq; run leq mem.rec; run leq mem.rec --series; run leq g.ghf; run leq g.txt; run leq g.csv --series; run leq mem.rec --set 1
run leq mem.rec --set x; run leq mem.rec --set; run leq mem.rec --set 9; run leq g.ghf --set 1; run leq mem.rec extra
run leq --set 1; run leq missing.rec; run leq bad.rec; run leq x.bin; run leq mem.rec --set=1; run leq mem.rec --bogus
run stats; run stats mem.rec; run stats mem.rec --set 1 --blocks 1d; run stats g.txt --threshold 60 --min-duration 2
run stats g.csv --blocks 1d; run stats g.ghf --from 2020-01-01 --to 2099-01-01; run stats g.ghf --from 2099-01-01
run stats mem.rec --set x; run stats mem.rec --set; run stats mem.rec --set 9; run stats g.ghf --set 1; run stats mem.rec extra
run stats mem.rec --blocks 2min; run stats mem.rec --blocks; run stats mem.rec --from yesterday; run stats mem.rec --to 2026-13-01
run stats mem.rec --threshold x; run stats mem.rec --threshold 60 --min-duration -1; run stats mem.rec --min-duration 1
run stats missing.rec; run stats bad.rec; run stats x.bin; run stats mem.rec --set=1; run stats mem.rec --bogus
run export; run export mem.rec; run export mem.rec -o; run export mem.rec -o e.ghf extra; run export mem.rec -o e.bin
run export mem.rec -o e.ghf --set x; run export mem.rec -o e.ghf --set 9; run export g.ghf -o e.ghf --set 1
run export missing.rec -o e.ghf; run export mem.rec -o g.ghf; run export mem.rec -o e1.ghf; run export mem.rec -o e1.ghf
run export mem.rec -o e1.ghf --force; run export g.ghf -o e2.txt; run export x.bin -o e3.ghf; run export mem.rec --output e4.csv --set 1
run wav-check; run wav-check mem.rec; run wav-check mem.rec --set x; run wav-check mem.rec --set 0; run wav-check mem.rec --set 1
run wav-check mem.rec --set 9; run wav-check mem.rec --set 1 --dir; run wav-check mem.rec --set 1 --dir . extra
run wav-check missing.rec --set 1; run wav-check mem.rec --set 1 --bogus
run import; run import g.txt; run import g.txt -o; run import g.txt -o i.ghf; run import g.csv -o i2.ghf; run import g.txt -o i.ghf
run import g.txt -o i.txt; run import x.bin -o i.ghf; run import missing.txt -o i3.ghf; run import g.txt -o i4.ghf extra
run import g.txt -o i4.ghf --bogus; run import g.txt -o i.ghf --force
run report; run report mem.rec; run report mem.rec -o; run report mem.rec -o r.pdf extra; run report mem.rec -o r.pdf --bogus
run report mem.rec -o r.pdf --set x; run report mem.rec -o r.pdf --threshold; run report mem.rec -o r.pdf --threshold x
run report mem.rec -o r.pdf --min-duration 5; run report mem.rec -o r.pdf --threshold 60 --min-duration x
run report mem.rec -o r.pdf --threshold 60 --min-duration -1; run report mem.rec -o r.txt; run report mem.rec -o r.pdf --set 9
run report g.ghf -o r.pdf --set 1; run report missing.rec -o r.pdf; run report x.bin -o r.pdf; run report mem.rec -o nodir/r.pdf
run report mem.rec -o r.pdf; run report mem.rec -o r.pdf; run report g.txt -o r.pdf --threshold 60 --min-duration 2 --force
