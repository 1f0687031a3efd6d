#!/usr/bin/env bash
# Whole-program benchmark of diskbulge: the snapshot of a diskgen run of NUMD drawn and
# NADD appended particles (defaults 1,000,000 and 200,000), NBU bulge positions (default
# 500,000) and a bulge fraction of 0.4, in a temporary folder.
# Usage: bench/diskbulge.sh [BUILD_DIR] [NUMD] [NADD] [NBU]
# Prints the wall time and the peak resident memory of the diskbulge run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
numd=${2:-1000000}
nadd=${3:-200000}
nbu=${4:-500000}
diskgen=$(cd "$build" && pwd)/diskgen/diskgen
program=$(cd "$build" && pwd)/diskbulge/diskbulge
[ -x "$diskgen" ] && [ -x "$program" ] || { echo "diskgen and diskbulge not built in $build" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf '1.0\n30.0 1.5\n3.0 0.3\n%d\n' "$numd" > si2.para
printf '0.0\n3.0\n1000\n' > si1.dat
awk -v n="$nadd" 'BEGIN { srand(7); print n;
  for (i = 0; i < n; i++) printf "%.7f %.7f %.7f\n", 40*rand()-20, 40*rand()-20, 2*rand()-1 }' > sip1.dat
"$diskgen" > /dev/null
awk -v n="$nbu" 'BEGIN { srand(11); print n;
  for (i = 0; i < n; i++) printf "%.7f %.7f %.7f\n", 2*rand()-1, 2*rand()-1, 2*rand()-1 }' > sip3.dat
# si1.para: records 1 to 9 unused here; fbul 0.4; bscale 2.
printf '1\n0.5\n3\n0.1\n0.1\n0.1\n0.1\n8\n0.1\n0.4\n2.0\n' > si1.para

/usr/bin/time -v "$program" > console.txt 2> time.txt
num=$((numd + nadd))
numb=$(awk '$1 == "numb" { print $2 }' console.txt)
[ "$(wc -l < tinit.dat)" -eq $((num + numb + 4)) ] || { echo "tinit.dat does not hold $((num + numb)) records" >&2; exit 1; }
echo "diskbulge: $num disk records, $nbu bulge positions, fbul 0.4; numb $numb; $((num + numb)) records written"
grep -E 'User time|System time|Elapsed \(wall clock\)|Maximum resident set size' time.txt | sed 's/^[[:space:]]*/  /'
