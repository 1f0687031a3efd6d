#!/usr/bin/env bash
# Whole-program benchmark of diskgen: NUMD drawn disk particles (default 1,000,000) and
# NADD appended positions (default 200,000), in a temporary folder.
# Usage: bench/diskgen.sh [BUILD_DIR] [NUMD] [NADD]
# Prints the wall time and the peak resident memory of the run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
numd=${2:-1000000}
nadd=${3:-200000}
program=$(cd "$build" && pwd)/diskgen/diskgen
[ -x "$program" ] || { echo "diskgen not built in $build" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# Disk mass 1, radii to 30 (10 scale lengths of 3), heights to 1.5 (5 scale heights of 0.3).
printf '1.0\n30.0 1.5\n3.0 0.3\n%d\n' "$numd" > si2.para
printf '0.0\n3.0\n1000\n' > si1.dat
awk -v n="$nadd" 'BEGIN { srand(7); print n;
  for (i = 0; i < n; i++) printf "%.7f %.7f %.7f\n", 40*rand()-20, 40*rand()-20, 2*rand()-1 }' > sip1.dat

/usr/bin/time -v "$program" > console.txt 2> time.txt
[ "$(wc -l < sip2.dat)" -eq $((numd + nadd + 4)) ] || { echo "sip2.dat does not hold $((numd + nadd)) records" >&2; exit 1; }
echo "diskgen: numd $numd drawn, $nadd appended; $((numd + nadd)) records written"
grep -E 'User time|System time|Elapsed \(wall clock\)|Maximum resident set size' time.txt | sed 's/^[[:space:]]*/  /'
