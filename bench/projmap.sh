#!/usr/bin/env bash
# Whole-program benchmark of projmap: 200 models of 4 projections of 128 x 128 values
# (13,107,200 values, each copied to three files), in a temporary folder.
# Usage: bench/projmap.sh [BUILD_DIR] [NFILES] [NMESH] [NPROJ]
# Prints the wall time and the peak resident memory of the run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
nfiles=${2:-200}
nmesh=${3:-128}
nproj=${4:-4}
program=$(cd "$build" && pwd)/projmap/projmap
[ -x "$program" ] || { echo "projmap not built in $build" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# One map file of reals of varied magnitude, hard-linked under every model's name.
awk -v n=$((nproj * nmesh * nmesh)) 'BEGIN { for (i = 1; i <= n; i++) printf "%.7g\n", sin(i) * 10 ^ (i % 7 - 3) }' > map.src
for ((n = 1; n <= nfiles; n++)); do ln map.src "2df.dat.m$n"; done
awk -v n="$nfiles" 'BEGIN { print n; for (i = 1; i <= n; i++) printf "%.8g %.8g\n", i / 20.0, 10 - i / 20.0 }' > denve.dat

printf '1\n%d\n%d\n%d\n' "$nfiles" "$nmesh" "$nproj" > answers
/usr/bin/time -v "$program" < answers > console.txt 2> time.txt
values=$((nfiles * nproj * nmesh * nmesh))
[ "$(wc -l < 2dft1.dat)" -eq "$values" ] || { echo "projmap wrote $(wc -l < 2dft1.dat) of $values values" >&2; exit 1; }
echo "projmap: $nfiles files x $nproj projections x ${nmesh}^2 = $values values copied three times"
grep -E 'User time|System time|Elapsed \(wall clock\)|Maximum resident set size' time.txt | sed 's/^[[:space:]]*/  /'
