#!/usr/bin/env bash
# galvel's spherical draws: a diskgen disk of 10^6 particles in a live Hernquist halo of
# 10^6 particles (M 10, a 5), the halo's speeds from f(E) (--spherical eddington, the
# default) and from the Gaussian Jeans moments (--spherical moments), GADGET-2 output.
# Prints per method the wall time and peak memory (median of RUNS) and the ratio.
#
#   bench/galvel_spherical.sh [--quick] [BUILD_DIR]     --quick: 10^5 + 10^5, one run
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
# shellcheck source=bench/lib.sh
. "$here/lib.sh"

bench_arguments "bench/galvel_spherical.sh [--quick] [BUILD_DIR]" "$top" "$@"
build=$BUILD
if ((QUICK)); then n=100000 runs=1; else n=1000000 runs=3; fi
[ -x /usr/bin/time ] || die "/usr/bin/time is needed (apt-get install time)"
build_release "$top" "$build"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
echo "galvel, $n disk + $n halo particles, $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC'), load $(cut -d ' ' -f 1-3 /proc/loadavg)"
diskgen_gadget_disk "$n" "$build"
printf '%-10s %8s %8s %8s %9s\n' method "wall s" "min s" "max s" "peak MB"
declare -A wall
for method in moments eddington; do
    measure "$runs" /dev/null "$build/galvel/galvel" disk.g2 out.g2 --halo hernquist:10:5 --halo-particles "$n" \
        --spherical "$method"
    wall[$method]=$WALL
    printf '%-10s %8.2f %8.2f %8.2f %9.1f\n' "$method" "$WALL" "$WALL_MIN" "$WALL_MAX" \
        "$(awk -v k="$PEAK_KB" 'BEGIN { print k / 1024 }')"
done
awk -v e="${wall[eddington]}" -v m="${wall[moments]}" 'BEGIN { printf "eddington / moments: %.2f\n", e / m }'
