#!/usr/bin/env bash
# snapmap's speed and memory on a model read from HDF5: the benchmark disk of
# bench/disk_model.hpp (written by bench's snapmap_model) at 2.5, 5 and 10 million
# particles, three projections (the default views) at nmesh 512, and at 10 million
# particles nmesh 128 and 2048 and the three kinds. Each row is the median of 3 runs of
# the whole command (reading the file, binning, writing the map file); peak MB is the
# maximum resident set size. Then the binning alone, on the model in memory
# (bench_snapmap, when Google Benchmark is installed).
#
#   bench/snapmap.sh [--quick] [BUILD_DIR]     --quick: a tenth of the particles, one run
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
# shellcheck source=bench/lib.sh
. "$here/lib.sh"

quick=0
build=
for arg in "$@"; do
    case $arg in
        --quick) quick=1 ;;
        -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
        -*) die "unknown option $arg (bench/snapmap.sh [--quick] [BUILD_DIR])" ;;
        *) build=$arg ;;
    esac
done
build=${build:-$top/build/release}
mkdir -p "$build"
build=$(cd "$build" && pwd)
if ((quick)); then runs=1 div=10; else runs=3 div=1; fi
[ -x /usr/bin/time ] || die "/usr/bin/time is needed (apt-get install time)"
build_release "$top" "$build"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
snapmap=$build/snapmap/snapmap

echo "snapmap on $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC'), load $(cut -d ' ' -f 1-3 /proc/loadavg)"
printf '%-12s %6s %5s %8s %9s %18s\n' particles nmesh kind "wall s" "peak MB" "ns/particle/view"
row() {
    local n=$1 nmesh=$2 kind=$3
    measure "$runs" /dev/null "$snapmap" "disk$n.hdf5" --nmesh "$nmesh" --kind "$kind" --extent 16 --output maps.dat
    awk -v n="$n" -v m="$nmesh" -v k="$kind" -v w="$WALL" -v p="$PEAK_KB" \
        'BEGIN { printf "%-12d %6d %5d %8.3f %9.1f %18.1f\n", n, m, k, w, p / 1024, w * 1e9 / (n * 3) }'
}
for n in 2500000 5000000 10000000; do
    n=$((n / div))
    note "writing the model of $n particles"
    "$build/bench/snapmap_model" "$n" "disk$n.hdf5"
    row "$n" 512 1
done
n=$((10000000 / div))
row "$n" 128 1
row "$n" 2048 1
row "$n" 512 3
row "$n" 512 2
echo "model file: $(du -m "disk$n.hdf5" | cut -f 1) MB for $n particles"

if [ -x "$build/bench/bench_snapmap" ] && ((!quick)); then
    echo
    echo "binning alone (model in memory):"
    "$build/bench/bench_snapmap" --benchmark_counters_tabular=true 2>/dev/null
fi
