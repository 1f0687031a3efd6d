#!/usr/bin/env bash
# Tests of the survey workflow against the real engines (CTest label "survey").
#
#   survey-test.sh local BUILD    4 points with --cores 2 and with --cores 1 == the same survey by
#                                 hand, byte for byte
#   survey-test.sh fault BUILD    a point galmix refuses fails and is named; the others complete
#   survey-test.sh resume BUILD   a killed survey resumes without redoing finished points
#   survey-test.sh slurm BUILD    the same 4 points with --slurm (a running Slurm cluster), and by
#                                 sbatch-array.sh, == by hand
#
# BUILD is a build tree holding the programs (BUILD/galmix/galmix). Every step runs: galvel,
# snapconv to GADGET format 2, a simulation that copies its initial conditions, snapmap.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
survey=$(dirname "$here")
what=$1
build=$(cd "$2" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/survey-test.XXXXXX")
trap '[[ -n ${KEEP:-} ]] || rm -rf "$work"' EXIT
export XDG_CACHE_HOME=$work/cache

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The settings of every run: the small survey, the test inputs, the programs of BUILD.
settings=(bin="$build" inputs="$here/inputs")
config=$work/config.yaml
cp "$here/small.yaml" "$config"

workflow() {
    local run=$1
    shift
    snakemake -s "$survey/Snakefile" --directory "$run" --configfile "$config" \
        --config "${settings[@]}" "$@"
}

# Every file the survey writes outside .snakemake, equal in both folders, and the same names.
same_files() {
    local a=$1 b=$2
    (cd "$a" && find sample shared points data -type f ! -name '*.log' | sort) > "$work/files.a"
    (cd "$b" && find sample shared points data -type f ! -name '*.log' | sort) > "$work/files.b"
    local f
    while read -r f; do
        [[ -e $b/$f ]] || fail "$f of $a has no counterpart in $b"
        cmp -s "$a/$f" "$b/$f" || fail "$a/$f and $b/$f differ"
    done < "$work/files.a"
    for f in 2dft.dat 2dfv.dat 2dfvn.dat 2dftn1.dat 2dftn2.dat l.dat; do
        [[ -s $a/data/$f ]] || fail "data set $a/data/$f missing or empty"
    done
    echo "$(wc -l < "$work/files.a") files equal between $a and $b"
}

by_hand() {
    "$survey/by-hand.sh" "$1" "$config" "${settings[@]}" > "$work/by-hand.out" 2>&1 ||
        { cat "$work/by-hand.out"; fail "the survey by hand failed"; }
}

case $what in
local)
    workflow "$work/run" --cores 2 > "$work/snakemake.out" 2>&1 ||
        { cat "$work/snakemake.out"; fail "snakemake failed"; }
    by_hand "$work/hand"
    same_files "$work/run" "$work/hand"
    workflow "$work/run1" --cores 1 > "$work/snakemake1.out" 2>&1 ||
        { cat "$work/snakemake1.out"; fail "snakemake --cores 1 failed"; }
    same_files "$work/run1" "$work/hand"
    # Nothing left behind by the steps' scratch folders or half-written values.
    leftovers=$(find "$work/run" -path "$work/run/.snakemake" -prune -o \( -name '.step-*' -o -name '*.tmp' \) -print)
    [[ -z $leftovers ]] || fail "left behind: $leftovers"
    # A second run finds nothing to do.
    workflow "$work/run" --cores 2 --dry-run --quiet > "$work/again.out" 2>&1
    grep -q 'Nothing to be done' "$work/again.out" || { cat "$work/again.out"; fail "a finished survey reruns jobs"; }
    ;;

fault)
    # fbar drawn in 0.8 .. 1.0 with fspi = 0.1: the points with fbar >= 0.9 stop galmix.
    sed -i 's/^  - \[0.1, 0.3\]$/  - [0.8, 1.0]/' "$config"
    status=0
    workflow "$work/run" --cores 2 --keep-going > "$work/snakemake.out" 2>&1 || status=$?
    ((status != 0)) || { cat "$work/snakemake.out"; fail "a survey with refused points ends with status 0"; }
    refused=0
    for k in 1 2 3 4; do
        point=$(printf '%s/run/points/%03d' "$work" "$k")
        fbar=$(awk '{print $1}' "$point/th4.dat")
        if awk -v f="$fbar" 'BEGIN { exit !(f + 0.1 >= 1.0) }'; then
            refused=$((refused + 1))
            [[ ! -e $point/tinit.dat ]] || fail "point $k (fbar $fbar) has a tinit.dat"
            grep -q 'Error:fnon ge 1.0' "$point/galmix.log" || fail "point $k: galmix.log lacks the error"
            grep -q "step: galmix in $point: stopped with \"Error:fnon ge 1.0\"" "$work/snakemake.out" ||
                { cat "$work/snakemake.out"; fail "the refusal of point $k is not reported"; }
            ls "$point"/2df* > /dev/null 2>&1 && fail "point $k has a map"
        else
            ls "$point"/2df.dat.m"$k" > /dev/null || fail "point $k (fbar $fbar) has no map under --keep-going"
        fi
    done
    ((refused > 0 && refused < 4)) || fail "the test wants refused and accepted points; $refused of 4 refused"
    [[ ! -e $work/run/data/2dft.dat ]] || fail "the data sets were gathered without the refused points"
    echo "$refused of 4 points refused and reported, the others completed"
    ;;

resume)
    # The simulation of model 3 waits while RUN/hold exists: the survey is killed then.
    sed -i 's|^simulate: .*$|simulate: {command: "if [ {model} = 3 ] \&\& [ -e ../../../hold ]; then sleep 60; fi; cp {ic} {out}", output: final.dat, threads: 1}|' "$config"
    mkdir -p "$work/run"
    touch "$work/run/hold"
    setsid bash -c "$(declare -f workflow); $(declare -p settings config survey); workflow '$work/run' --cores 2" \
        > "$work/first.out" 2>&1 &
    leader=$!
    for _ in $(seq 1 120); do
        ls "$work"/run/points/00{1,2,4}/2df.dat.m* > /dev/null 2>&1 &&
            [[ -d $work/run/points/003/.step-sh ]] && break
        sleep 0.5
    done
    ls "$work"/run/points/00{1,2,4}/2df.dat.m* > /dev/null 2>&1 || { cat "$work/first.out"; fail "points 1, 2, 4 not done in time"; }
    kill -KILL -- "-$leader"
    wait "$leader" 2>/dev/null || true
    [[ ! -e $work/run/points/003/final.dat ]] || fail "the killed simulation left its output"
    [[ ! -e $work/run/data/2dft.dat ]] || fail "data sets written before every point was done"
    (cd "$work/run" && find points/00[124] -type f -printf '%p %T@\n' | sort) > "$work/before"
    rm "$work/run/hold"
    workflow "$work/run" --cores 2 --unlock > /dev/null 2>&1
    workflow "$work/run" --cores 2 --rerun-incomplete > "$work/second.out" 2>&1 ||
        { cat "$work/second.out"; fail "the resumed survey failed"; }
    (cd "$work/run" && find points/00[124] -type f -printf '%p %T@\n' | sort) > "$work/after"
    diff "$work/before" "$work/after" || fail "the resumed survey rewrote files of finished points"
    grep -q 'points/003/final.dat' "$work/second.out" || fail "point 3 was not resumed"
    by_hand "$work/hand"
    same_files "$work/run" "$work/hand"
    ;;

slurm)
    export USER=${USER:-$(id -un)}
    workflow "$work/run" --profile "$survey/profiles/slurm" > "$work/snakemake.out" 2>&1 ||
        { cat "$work/snakemake.out"; fail "snakemake --slurm failed"; }
    grep -q 'Job .* has been submitted with SLURM jobid' "$work/snakemake.out" ||
        { cat "$work/snakemake.out"; fail "no job went through Slurm"; }
    by_hand "$work/hand"
    same_files "$work/run" "$work/hand"
    # The job-array script without Snakemake: the same files.
    "$survey/sbatch-array.sh" --wait "$work/array" "$config" "${settings[@]}" > "$work/array.out" 2>&1 ||
        { cat "$work/array.out" "$work"/array/slurm/*; fail "the sbatch array survey failed"; }
    same_files "$work/array" "$work/hand"
    ;;

*)
    echo "usage: $0 local|fault|resume|slurm BUILD" >&2
    exit 64
    ;;
esac
