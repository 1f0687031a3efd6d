#!/usr/bin/env bash
# galvel's gas disk benchmark: a disk-and-bulge model of 10^6 particles built with the
# toolkit's programs (80% disk, 20% bulge), a live Hernquist halo of 10^6 particles, with
# and without a gas disk of 10^6 particles (GADGET-2 output). The two runs alternate,
# RUNS pairs (default 5), so that both see the same load of a shared machine; prints the
# wall time and peak memory of both (medians and the range), the median and range of the
# ratio within a pair, the particle data of the run with gas (36 bytes a collisionless
# particle with its ID, 48 a gas particle: position, velocity, mass, type, ID, u,
# density, h) and the stages of one run with gas.
#
#   bench/galvel_gas.sh [--quick] [BUILD_DIR]     --quick: 10^5 of each, one run
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
# shellcheck source=bench/lib.sh
. "$here/lib.sh"

bench_arguments "bench/galvel_gas.sh [--quick] [BUILD_DIR]" "$top" "$@"
build=$BUILD
if ((QUICK)); then n=100000 runs=1; else n=1000000 runs=${RUNS:-5}; fi
[ -x /usr/bin/time ] || die "/usr/bin/time is needed (apt-get install time)"
build_release "$top" "$build"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
numd=$((n * 4 / 5))
write_component_parameters $((n / 5)) 0 0 0 0
"$build/mkcomponents/mkcomponents" > /dev/null
write_disk_parameters "$numd"
"$build/diskgen/diskgen" > /dev/null
write_bulge_parameters 0.25
"$build/diskbulge/diskbulge" > console.log
nbulge=$(awk '$1 == "numb" { print $2 }' console.log)
stars=$((numd + nbulge))
"$build/snapconv/snapconv" tinit.dat tinit.g2 --to gadget2 > /dev/null

halo=(--halo hernquist:5:30 --halo-particles "$n")
gas=(--gas 0.1:3 --gas-sound-speed 0.02 --gas-particles "$n")
echo "galvel with gas on $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC'), load $(cut -d ' ' -f 1-3 /proc/loadavg)"
echo "model: $stars stars, $n halo particles, $n gas particles"
plain_walls=() gas_walls=() ratios=() plain_peaks=() gas_peaks=()
for ((i = 0; i < runs; i++)); do
    measure 1 /dev/null "$build/galvel/galvel" tinit.g2 plain.g2 --bulge "$nbulge" "${halo[@]}"
    plain_walls+=("$WALL") plain_peaks+=("$PEAK_KB")
    measure 1 /dev/null "$build/galvel/galvel" tinit.g2 gas.g2 --bulge "$nbulge" "${halo[@]}" "${gas[@]}"
    gas_walls+=("$WALL") gas_peaks+=("$PEAK_KB")
    ratios+=("$(awk -v g="$WALL" -v p="${plain_walls[-1]}" 'BEGIN { printf "%.6f", g / p }')")
done
data_mb=$(awk -v s="$stars" -v h="$n" -v g="$n" 'BEGIN { print ((s + h) * 36 + g * 48) / 1048576 }')
awk -v pw="$(median "${plain_walls[@]}")" -v pw0="$(minimum "${plain_walls[@]}")" -v pw1="$(maximum "${plain_walls[@]}")" \
    -v gw="$(median "${gas_walls[@]}")" -v gw0="$(minimum "${gas_walls[@]}")" -v gw1="$(maximum "${gas_walls[@]}")" \
    -v r="$(median "${ratios[@]}")" -v r0="$(minimum "${ratios[@]}")" -v r1="$(maximum "${ratios[@]}")" \
    -v pp="$(median "${plain_peaks[@]}")" -v gp="$(median "${gas_peaks[@]}")" -v d="$data_mb" -v runs="$runs" 'BEGIN {
    printf "without gas: %.2f s (%.2f-%.2f), %.1f MB peak\n", pw, pw0, pw1, pp / 1024
    printf "with gas:    %.2f s (%.2f-%.2f), %.1f MB peak (particle data %.1f MB, peak %.2f times it)\n",
        gw, gw0, gw1, gp / 1024, d, gp / 1024 / d
    printf "time with gas over time without, in each of %d pairs: median %.2f (%.2f-%.2f)\n", runs, r, r0, r1
}'
echo "stages with gas: $("$build/galvel/galvel_gas_stages" tinit.g2 stages.g2 "$nbulge" hernquist:5:30 "$n" 0.1:3 0.02 "$n")"
