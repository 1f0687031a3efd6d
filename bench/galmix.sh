#!/usr/bin/env bash
# Whole-program benchmark of galmix: a disk snapshot of NDISK particles (default 1,000,000)
# and four position lists of NLIST positions each (default 250,000), every fraction
# non-zero and a bar of about a third of the disk, in a temporary folder.
# Usage: bench/galmix.sh [BUILD_DIR] [NDISK] [NLIST]
# Prints the wall time and the peak resident memory of the run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
ndisk=${2:-1000000}
nlist=${3:-250000}
program=$(cd "$build" && pwd)/galmix/galmix
[ -x "$program" ] || { echo "galmix not built in $build" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/galmix_workload.py" "$work" "$ndisk" "$nlist"
cd "$work"

/usr/bin/time -v "$program" > console.txt 2> time.txt
counts=$(sed -n '5p' console.txt)
read -r num nbar nspi nr1 nr2 nbu <<< "$counts"
ntot=$((num + nbar + nspi + nr1 + nr2 + nbu))
[ "$(wc -l < tinit.dat)" -eq $((ntot + 4)) ] || { echo "tinit.dat does not hold $ntot records" >&2; exit 1; }
echo "galmix: di.dat of $ndisk particles, 4 position lists of $nlist; $ntot records written (bar $nbar)"
grep -E 'Elapsed \(wall clock\)|Maximum resident set size' time.txt | sed 's/^[[:space:]]*/  /'
