#!/usr/bin/env bash
# galvel on a model that holds its halo: a diskgen disk of 10^6 particles given a live
# Hernquist halo of 10^6 particles (M 10, a 5) by galvel (--halo-particles, GADGET-2
# output, which stores the halo first), then that output fed back with --halo-type 1, the
# halo known by its particles only, and the same file in the earlier way (its halo taken
# as disk, the analytic halo added: the same input size). Prints the wall time and peak
# memory of each (median of RUNS) and the ratios.
#
#   bench/galvel_types.sh [--quick] [BUILD_DIR]     --quick: 10^5 + 10^5, one run
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
# shellcheck source=bench/lib.sh
. "$here/lib.sh"

bench_arguments "bench/galvel_types.sh [--quick] [BUILD_DIR]" "$top" "$@"
build=$BUILD
if ((QUICK)); then n=100000 runs=1; else n=1000000 runs=${RUNS:-3}; fi
[ -x /usr/bin/time ] || die "/usr/bin/time is needed (apt-get install time)"
build_release "$top" "$build"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
echo "galvel, $n disk + $n halo particles, $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC'), load $(cut -d ' ' -f 1-3 /proc/loadavg)"
diskgen_gadget_disk "$n" "$build"
# One line of the table: the last measure's figures.
row() {
    printf '%-22s %8.2f %8.2f %8.2f %9.1f\n' "$1" "$WALL" "$WALL_MIN" "$WALL_MAX" \
        "$(awk -v k="$PEAK_KB" 'BEGIN { print k / 1024 }')"
}
printf '%-22s %8s %8s %8s %9s\n' run "wall s" "min s" "max s" "peak MB"
measure "$runs" /dev/null "$build/galvel/galvel" disk.g2 live.g2 --halo hernquist:10:5 --halo-particles "$n"
drawn=$WALL
row "analytic, drawn halo"
measure "$runs" /dev/null "$build/galvel/galvel" live.g2 again.g2 --halo-type 1
held=$WALL
row "--halo-type 1"
# The same file of 2 N particles in the existing way, for a run of the same input size: the
# halo taken as disk population, the analytic halo's field added.
measure "$runs" /dev/null "$build/galvel/galvel" live.g2 again.g2 --halo hernquist:10:5
same=$WALL
row "same file, --halo"
awk -v h="$held" -v d="$drawn" -v s="$same" 'BEGIN { printf "held / drawn: %.2f, held / same file: %.2f\n", h / d, h / s }'
