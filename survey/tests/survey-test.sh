#!/usr/bin/env bash
# Tests of the survey workflow against the real engines (CTest label "survey").
#
#   survey-test.sh local BUILD    4 points with --cores 2 and with --cores 1 == the same survey by
#                                 hand, byte for byte
#   survey-test.sh fault BUILD    a point galmix refuses fails and is named; the others complete
#   survey-test.sh resume BUILD   a killed survey resumes without redoing finished points
#   survey-test.sh diskfull BUILD a simulation that fills the disk halfway leaves nothing that
#                                 looks done; the templates' {threads:02d} and {{ }} are filled
#                                 alike by Snakemake and by hand
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

diskfull)
    # Point 2's simulation writes part of its output, then its disk is full (/dev/full).
    sed -i 's|^simulate: .*$|simulate: {command: "echo {threads:02d} {{done}} {model}; if [ {model} = 2 ]; then head -c 1000 {ic} > {out} \&\& cp {ic} /dev/full; else cp {ic} {out}; fi", output: final.dat, threads: 1}|' "$config"
    status=0
    workflow "$work/run" --cores 2 --keep-going > "$work/snakemake.out" 2>&1 || status=$?
    ((status != 0)) || { cat "$work/snakemake.out"; fail "a survey whose simulation hit a full disk ends with status 0"; }
    point=$work/run/points/002
    [[ ! -e $point/final.dat ]] || fail "the simulation that hit the full disk left final.dat"
    ls "$point"/2df* > /dev/null 2>&1 && fail "point 2 has a map"
    [[ ! -e $work/run/data/2dft.dat ]] || fail "the data sets were gathered without point 2"
    grep -q 'No space left on device' "$point/simulate.log" || fail "point 2's simulate.log does not say why"
    for k in 1 3 4; do
        ls "$work/run/points/00$k/2df.dat.m$k" > /dev/null || fail "point $k has no map under --keep-going"
    done
    # The same template by hand, for point 3: the same console line and the same files.
    "$survey/by-hand.sh" --part setup "$work/hand" "$config" "${settings[@]}" > "$work/by-hand.out" 2>&1 &&
        "$survey/by-hand.sh" --part 3 "$work/hand" "$config" "${settings[@]}" >> "$work/by-hand.out" 2>&1 ||
        { cat "$work/by-hand.out"; fail "point 3 by hand failed"; }
    [[ $(cat "$work/run/points/003/simulate.log") == "01 {done} 3" ]] ||
        fail "Snakemake filled the template as \"$(cat "$work/run/points/003/simulate.log")\""
    cmp "$work/run/points/003/simulate.log" "$work/hand/points/003/simulate.log" ||
        fail "the template filled by hand differs: \"$(cat "$work/hand/points/003/simulate.log")\""
    for f in velocities.dat nbu.dat ic.gadget2 final.dat 2df.dat.m3; do
        cmp "$work/run/points/003/$f" "$work/hand/points/003/$f" || fail "point 3's $f differs by hand"
    done
    # A template naming an unknown value stops the survey before any job starts.
    sed -i 's|^galvel: .*$|galvel: "--bulge {nb}"|' "$config"
    workflow "$work/bad" --cores 1 > "$work/bad.out" 2>&1 && fail "a template with {nb} was accepted"
    grep -q 'config: galvel: template "--bulge {nb}": unknown name {nb}' "$work/bad.out" ||
        { cat "$work/bad.out"; fail "the bad template is not named"; }
    [[ ! -e $work/bad/sample ]] || fail "jobs ran although the template was refused"
    echo "point 2 failed on the full disk and left nothing that looks done; point 3 equal by hand"
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
    echo "usage: $0 local|fault|resume|diskfull|slurm BUILD" >&2
    exit 64
    ;;
esac
