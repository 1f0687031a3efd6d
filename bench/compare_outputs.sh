#!/usr/bin/env bash
# Runs the seven programs of two builds on the same inputs and compares everything they
# leave behind, byte for byte: every file of the working directories, standard output,
# standard error and exit status of every run. For refactorings that must not change
# what the programs do.
#
#   bench/compare_outputs.sh BUILD_A BUILD_B [KEEP_DIR]
#
# BUILD_A and BUILD_B are build folders holding <program>/<program> (for example a build
# of the main branch and one of a change). The inputs: the three example pipelines of
# examples/ as demo.sh runs them (projmap also with kinds 2, 3 and an unknown one), the
# benchmark workloads of bench/lib.sh at 1/20 scale, galmix with scales whose products
# round differently in the two orders, diskgen with zmax = hz and with fref not 0, every
# program in an empty folder, and negative counts in position lists. Exit status 0 when
# every byte agrees, 1 otherwise (the differing files are listed). With KEEP_DIR the
# outputs stay in KEEP_DIR/a and KEEP_DIR/b.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
# shellcheck source=bench/lib.sh
. "$here/lib.sh"

(($# >= 2)) || die "usage: bench/compare_outputs.sh BUILD_A BUILD_B [KEEP_DIR]"
for b in "$1" "$2"; do
    for p in mkcomponents diskgen diskbulge galmix parsample parsub projmap; do
        [ -x "$b/$p/$p" ] || die "$b/$p/$p is not built"
    done
done
if (($# >= 3)); then
    keep=$3
    mkdir -p "$keep"
else
    keep=$(mktemp -d)
    trap 'rm -rf "$keep"' EXIT
fi
keep=$(cd "$keep" && pwd)

# capture BIN OUT: every run of the comparison with the programs of BIN, kept in OUT.
capture() {
    local bin out n=0
    bin=$(cd "$1" && pwd)
    out=$2
    rm -rf "$out" && mkdir -p "$out"
    # run PROGRAM [STDIN]: one run in the current folder; its streams in numbered files,
    # its exit status appended to status.txt.
    run() {
        local p=$1 in=${2:-/dev/null}
        n=$((n + 1))
        "$bin/$p/$p" < "$in" > "stdout.$n.$p" 2> "stderr.$n.$p"
        echo "$p $?" >> status.txt
    }

    cp -r "$top/examples" "$out/ex"
    cd "$out/ex/disk_bulge" && run mkcomponents && run diskgen && run diskbulge
    cd "$out/ex/barred_spiral" && run mkcomponents && run diskgen && cp sip2.dat di.dat && run galmix
    cd "$out/ex/survey" && run mkcomponents && run diskgen && cp sip2.dat di.dat && run parsample
    local np k kind
    np=$(head -1 denve.dat | awk '{ print $1 }')
    for ((k = 1; k <= np; k++)); do
        sed -n "${k}p" th1.dat > th3.dat
        sed -n "${k}p" th2.dat > th4.dat
        sed -n "${k}p" th0.dat > th5.dat
        sed -n "${k}p" th01.dat > th6.dat
        run parsub
        run galmix
        cp tinit.dat "tinit.dat.$k"
        awk 'NR > 4 { i = int(($1 + 16) / 2); j = int(($2 + 16) / 2);
             if (i >= 0 && i < 16 && j >= 0 && j < 16) s[j * 16 + i] += $8 }
             END { for (c = 0; c < 256; c++) printf "%.7g\n", s[c] / 4.0 }' tinit.dat > "2df.dat.m$k"
    done
    for kind in 1 2 3 7; do
        printf '%d\n%d\n16\n1\n' "$kind" "$np" > "answers$kind.txt"
        run projmap "answers$kind.txt"
    done

    local f=1/20 nl
    mkdir -p "$out/bench/disk" && cd "$out/bench/disk"
    write_component_parameters "$(scaled 500000 $f)" 0 0 0 "$(scaled 200000 $f)" && run mkcomponents
    write_disk_parameters "$(scaled 1000000 $f)" && run diskgen
    write_bulge_parameters 0.4 && run diskbulge
    mkdir -p "$out/bench/galmix" && cd "$out/bench/galmix"
    nl=$(scaled 250000 $f)
    write_component_parameters "$nl" "$nl" "$nl" "$nl" 0 && run mkcomponents
    write_disk_parameters "$(scaled 1000000 $f)" && run diskgen && mv sip2.dat di.dat
    write_model_parameters 5.0 2.5 && run galmix
    echo 1.1 > rdisk.para && echo 0.7 > rgal.para && run galmix
    echo 0 > galmix.para && echo 3.3 > rdisk.para && echo 1.3 > rgal.para && run galmix
    for f in r1.dat r2.dat sip3.dat; do printf '1\n1 2 3\n' > "$f"; done
    run galmix
    echo -1 > sip3.dat && run galmix
    rm -f di.dat
    mkdir -p "$out/bench/parsample" && cd "$out/bench/parsample" && write_sampler_settings 50000 && run parsample
    mkdir -p "$out/bench/projmap" && cd "$out/bench/projmap" && write_map_inputs 10 128 4 && run projmap answers.txt
    rm -f 2df.dat.m* map.src
    mkdir -p "$out/bench/parsub" && cd "$out/bench/parsub" && write_substitution_inputs && run parsub

    mkdir -p "$out/diskgen" && cd "$out/diskgen"
    printf '1.0\n15.0 0.3\n3.0 0.3\n5000\n' > si2.para
    printf '0.0\n3.0\n1000\n' > si1.dat
    printf '3\n0.1 0.2 0.3\n-1 2 3e-3\n4 5 6\n' > sip1.dat
    run diskgen
    printf '0.2\n3.0\n1000\n' > si1.dat && run diskgen
    echo -3 > sip1.dat && run diskgen
    local p
    for p in mkcomponents diskgen diskbulge galmix parsample parsub projmap; do
        mkdir -p "$out/empty/$p" && cd "$out/empty/$p" && run "$p"
    done
    cd "$top"
}

note "running $1"
capture "$1" "$keep/a"
note "running $2"
capture "$2" "$keep/b"
files=$(cd "$keep/a" && find . -type f | wc -l)
if diff -rq "$keep/a" "$keep/b" >&2; then
    echo "identical: $files files (outputs, console streams and exit statuses) byte for byte"
else
    echo "DIFFERENT (files listed above)"
    exit 1
fi
