#!/usr/bin/env bash
# Benchmark of the survey workflow: a survey of 32 points of about 50,000-particle models
# (galmix, galvel, snapmap's three maps of 128 x 128 cells, projmap) run
#   - as the plain loop of the programs (survey/by-hand.sh, one core): the programs' own time;
#   - by Snakemake with --cores 1 and --cores 2 (--scheduler greedy);
#   - by Snakemake on Slurm (--profile survey/profiles/slurm) when a cluster answers sinfo
#     (for example after survey/ci/local-slurm.sh start and export SLURM_CONF=...).
# It prints per run the wall time, the time per point, the speed-up over one core, the
# engine's overhead per point in wall time, (wall time - plain loop time / cores) / points,
# and in CPU time, (CPU time - plain loop CPU time) / points (user + system time of every
# process; it does not depend on what else the machine runs). Every run's data sets must
# equal the plain loop's byte for byte.
#
#   bench/survey/run.sh [BUILD_DIR] [RUNS]     BUILD_DIR default build/release, RUNS default 3
#
# Figures are medians of RUNS runs (the Slurm run once).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$top/build/release}" && pwd)
runs=${2:-3}
for p in parsample parsub galmix galvel snapmap projmap mkcomponents diskgen; do
    [[ -x $build/$p/$p ]] || { echo "bench/survey: $build/$p/$p is not built" >&2; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/survey-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CACHE_HOME=$work/cache
settings=(bin="$build" inputs="$here")
npoints=$(awk '/^points:/ { print $2 }' "$here/config.yaml")

# Wall time and CPU time (user + system, the command and every process it waited for).
seconds() {
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" > "$work/last.out" 2>&1 || { cat "$work/last.out" >&2; exit 1; }
    awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }' "$work/time"
}
median() { sort -g | awk '{ v[NR] = $0 } END { print v[int((NR + 1) / 2)] }'; }
same_data() {
    local f
    for f in "$work"/hand/data/{2dft.dat,2dfv.dat,2dft1.dat,2dfvn.dat,2dftn1.dat,2dftn2.dat,l.dat}; do
        cmp -s "$f" "$1/data/$(basename "$f")" || { echo "bench/survey: $1/data/$(basename "$f") differs" >&2; exit 1; }
    done
}
snakemake_run() { # RUN, options: the command line, one word a line
    printf '%s\n' snakemake -s "$top/survey/Snakefile" --directory "$1" --configfile "$here/config.yaml" "${@:2}" \
        --config "${settings[@]}"
}

echo "== survey benchmark: $npoints points, $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC'), medians of $runs" >&2
times=()
for ((r = 1; r <= runs; r++)); do
    rm -rf "$work/hand"
    times+=("$(seconds "$top/survey/by-hand.sh" "$work/hand" "$here/config.yaml" "${settings[@]}")")
done
hand=$(printf '%s\n' "${times[@]}" | median)
particles=$(head -1 "$work/hand/points/001/tinit.dat" | awk '{ print $1 }')
echo "model of point 1: $particles particles" >&2

row() { # name, "wall cpu", cores, wall of --cores 1
    awk -v n="$1" -v t="${2% *}" -v cpu="${2#* }" -v c="$3" -v h="${hand% *}" -v hc="${hand#* }" \
        -v p="$npoints" -v t1="${4:-}" 'BEGIN {
        printf "| %s | %.2f | %.3f | %s | %.3f | %.2f | %.3f |\n", n, t, t / p,
               (t1 == "" ? "-" : sprintf("%.2f", t1 / t)), (t - h / c) / p, cpu, (cpu - hc) / p }'
}
echo "| run | wall s | wall s per point | speed-up over --cores 1 | overhead wall s per point | CPU s | overhead CPU s per point |"
echo "|---|---|---|---|---|---|---|"
row "plain loop (by-hand.sh)" "$hand" 1
declare -A wall
for cores in 1 2; do
    times=()
    for ((r = 1; r <= runs; r++)); do
        rm -rf "$work/run$cores"
        mapfile -t command < <(snakemake_run "$work/run$cores" --cores "$cores" --scheduler greedy)
        times+=("$(seconds "${command[@]}")")
        same_data "$work/run$cores"
    done
    wall[$cores]=$(printf '%s\n' "${times[@]}" | median)
done
row "snakemake --cores 1" "${wall[1]}" 1
row "snakemake --cores 2" "${wall[2]}" 2 "${wall[1]% *}"
if sinfo -h > /dev/null 2>&1; then
    export USER=${USER:-$(id -un)}
    mapfile -t command < <(snakemake_run "$work/slurm" --profile "$top/survey/profiles/slurm")
    slurm=$(seconds "${command[@]}")
    same_data "$work/slurm"
    row "snakemake --slurm ($(sinfo -h -o '%c' | head -1) cpus)" "$slurm" "$(sinfo -h -o '%c' | head -1)" "${wall[1]% *}"
fi
