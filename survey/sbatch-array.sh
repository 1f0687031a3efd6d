#!/usr/bin/env bash
# The survey on a Slurm cluster without Snakemake: three submissions of survey/by-hand.sh,
#   1. setup (sample/, shared/),
#   2. a job array of one task per point, once the setup has succeeded,
#   3. gather (data/), once every point has succeeded (cancelled if one fails).
#
#   survey/sbatch-array.sh [--wait] RUN [CONFIG.yaml] [key=value]...
#
# SBATCH_OPTIONS gives further sbatch options for all three, e.g. "-p main -t 120 --mem 4000".
# --wait returns when the gather job has ended, with its status. Slurm's logs go to
# RUN/slurm/. Settings as for by-hand.sh; relative paths count from RUN.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wait=()
if [[ ${1:-} == --wait ]]; then
    wait=(--wait)
    shift
fi
if (($# < 1)); then
    echo "usage: $0 [--wait] RUN [CONFIG.yaml] [key=value]..." >&2
    exit 64
fi
mkdir -p "$1/slurm"
run=$(cd "$1" && pwd)
shift
args=("$run" "$@")
[[ ${1:-} == *=* || -z ${1:-} ]] || args=("$run" "$(realpath "$1")" "${@:2}")
npoints=$("$here/by-hand.sh" --part points "${args[@]}")
quoted=$(printf '%q ' "${args[@]}")
# shellcheck disable=SC2206
options=(--parsable -D "$run" ${SBATCH_OPTIONS:-})

setup=$(sbatch "${options[@]}" -J survey-setup -o "$run/slurm/setup.%j.out" \
    --wrap "$here/by-hand.sh --part setup $quoted")
points=$(sbatch "${options[@]}" -J survey-point -o "$run/slurm/point.%A_%a.out" \
    --array "1-$npoints" --dependency "afterok:$setup" --kill-on-invalid-dep=yes \
    --wrap "$here/by-hand.sh --part \$SLURM_ARRAY_TASK_ID $quoted")
echo "survey: setup job $setup, point array $points (1-$npoints)"
gather=$(sbatch "${options[@]}" "${wait[@]}" -J survey-gather -o "$run/slurm/gather.%j.out" \
    --dependency "afterok:$points" --kill-on-invalid-dep=yes \
    --wrap "$here/by-hand.sh --part gather $quoted")
echo "survey: gather job $gather"
