#!/usr/bin/env bash
# Whole-program benchmark of parsample: NDRAW draws (default 1,000,000) of each of the four
# parameters, in a temporary folder.
# Usage: bench/parsample.sh [BUILD_DIR] [NDRAW]
# Prints the wall time and the peak resident memory of the run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
ndraw=${2:-1000000}
program=$(cd "$build" && pwd)/parsample/parsample
[ -x "$program" ] || { echo "parsample not built in $build" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

echo "$ndraw" > th1.para
printf '1\n0.5 2.5\n-1 1\n0.01 0.3\n10 20\n' > th1a.para
/usr/bin/time -v "$program" > console.txt 2> time.txt
[ "$(wc -l < denve.dat)" -eq $((ndraw + 1)) ] || { echo "denve.dat is short" >&2; exit 1; }
echo "parsample: $ndraw draws of 4 parameters"
grep -E 'User time|System time|Elapsed \(wall clock\)|Maximum resident set size' time.txt | sed 's/^[[:space:]]*/  /'
