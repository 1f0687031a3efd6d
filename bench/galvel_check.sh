#!/usr/bin/env bash
# galvel --check: a diskgen disk of 10^6 particles (h 3, z0 0.3) in a live Hernquist halo of
# 10^6 particles (M 10, a 5), GADGET-2 in and out. Times galvel with the old methods
# (--spherical moments --vertical sheet), with the defaults (f(E) and the Jeans sigma_z),
# and with the defaults and --check over one rotation at the disk's half-mass radius
# (2 pi R_half / vc(R_half) from the profile; a sample of 10^5 orbits). Prints wall time
# (median of RUNS) and peak memory of each, the ratio defaults / old, and the check's
# stages as its summary line gives them (field table, orbits, figures).
#
#   RUNS=3 bench/galvel_check.sh [--quick] [BUILD_DIR]     --quick: 10^5 + 10^5
#
# BUILT=1 takes the programs as they are in BUILD_DIR (galvel, mkcomponents, diskgen,
# snapconv) instead of building everything there first.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
# shellcheck source=bench/lib.sh
. "$here/lib.sh"

bench_arguments "bench/galvel_check.sh [--quick] [BUILD_DIR]" "$top" "$@"
build=$BUILD
if ((QUICK)); then n=100000; else n=1000000; fi
runs=${RUNS:-3}
[ -x /usr/bin/time ] || die "/usr/bin/time is needed (apt-get install time)"
[ "${BUILT:-0}" = 1 ] || build_release "$top" "$build"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
echo "galvel --check, $n disk + $n halo particles, $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC'), load $(cut -d ' ' -f 1-3 /proc/loadavg)"
write_component_parameters 0 0 0 0 0
"$build/mkcomponents/mkcomponents" > /dev/null
write_disk_parameters "$n"
"$build/diskgen/diskgen" > /dev/null
"$build/snapconv/snapconv" sip2.dat disk.g2 --to gadget2 > /dev/null
galvel=("$build/galvel/galvel" disk.g2 out.g2 --halo hernquist:10:5 --halo-particles "$n")

# One rotation at the half-mass radius R_half = 1.67835 h, vc there from the profile.
"${galvel[@]}" --profile profile.txt > console.txt
h=$(sed -n 's/.*; scale length \([0-9.e+-]*\).*/\1/p' console.txt)
period=$(awk -v rh="$(awk -v h="$h" 'BEGIN { print 1.67835 * h }')" '
    /^#/ { disk = ($2 == "disk:"); next }
    disk { d = $1 - rh; if (d < 0) d = -d; if (best == "" || d < best) { best = d; R = $1; vc = $3 } }
    END { printf "%.6g", 2 * 3.14159265358979 * R / vc }' profile.txt)
echo "scale length $h, one rotation at R_half: t = $period"

printf '%-28s %8s %8s %8s %9s\n' run "wall s" "min s" "max s" "peak MB"
declare -A wall
row() {
    local name=$1
    shift
    measure "$runs" /dev/null "$@"
    wall[$name]=$WALL
    printf '%-28s %8.2f %8.2f %8.2f %9.1f\n' "$name" "$WALL" "$WALL_MIN" "$WALL_MAX" \
        "$(awk -v k="$PEAK_KB" 'BEGIN { print k / 1024 }')"
}
row "moments + sheet" "${galvel[@]}" --spherical moments --vertical sheet
row "defaults" "${galvel[@]}"
row "defaults + check" "${galvel[@]}" --check "$period"
awk -v d="${wall[defaults]}" -v o="${wall[moments + sheet]}" -v c="${wall[defaults + check]}" \
    'BEGIN { printf "defaults / old: %.2f; the check adds %.2f s\n", d / o, c - d }'
grep 'galvel: check: .* leapfrog steps' console.txt |
    sed 's/.*, \([0-9]* leapfrog steps\).*; \([0-9.]* s (field table.*\)/check (last run): \1, \2/'
