#!/usr/bin/env bash
# galvel's benchmark: builds a disk-and-bulge model with the toolkit's own programs
# (mkcomponents, diskgen, diskbulge: 80% disk, 20% bulge) of 10^6 and 10^7 particles,
# gives it velocities with an analytic Hernquist halo and prints per size the wall time
# and the peak memory of the whole run (median of RUNS), the particle data's size
# (32 bytes a particle: position, velocity, mass, type) and the stages of one run
# (read, field of the particles, the rest of the computation, write) with the field's
# share.
#
#   bench/galvel.sh [--quick] [BUILD_DIR]     --quick: 10^5 and 10^6, one run each
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
# shellcheck source=bench/lib.sh
. "$here/lib.sh"

bench_arguments "bench/galvel.sh [--quick] [BUILD_DIR]" "$top" "$@"
build=$BUILD
if ((QUICK)); then sizes=(100000 1000000) runs=1; else sizes=(1000000 10000000) runs=3; fi
[ -x /usr/bin/time ] || die "/usr/bin/time is needed (apt-get install time)"
build_release "$top" "$build"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
echo "galvel on $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC'), load $(cut -d ' ' -f 1-3 /proc/loadavg)"
printf '%-10s %8s %9s %10s  %s\n' particles "wall s" "peak MB" "data MB" "stages of one run (s)"
for n in "${sizes[@]}"; do
    numd=$((n * 4 / 5))
    write_component_parameters $((n / 5)) 0 0 0 0
    "$build/mkcomponents/mkcomponents" > /dev/null
    write_disk_parameters "$numd"
    "$build/diskgen/diskgen" > /dev/null
    write_bulge_parameters 0.25
    "$build/diskbulge/diskbulge" > console.log
    nbulge=$(awk '$1 == "numb" { print $2 }' console.log)
    measure "$runs" /dev/null "$build/galvel/galvel" tinit.dat out.dat --bulge "$nbulge" --halo hernquist:5:30
    stages=$("$build/galvel/galvel_stages" tinit.dat out.dat "$nbulge" hernquist:5:30)
    total=$((numd + nbulge))
    printf '%-10s %8.2f %9.1f %10.1f  %s\n' "$total" "$WALL" "$(awk -v k="$PEAK_KB" 'BEGIN { print k / 1024 }')" \
        "$(awk -v n="$total" 'BEGIN { print n * 32 / 1048576 }')" "$stages"
    rm -f tinit.dat out.dat sip2.dat sip3.dat
done
