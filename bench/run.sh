#!/usr/bin/env bash
# The toolkit's benchmark: generates the workloads with the toolkit's own programs
# (mkcomponents, diskgen) in a temporary folder, runs every program at 1/4, 1/2 and 1 of
# its workload, and prints one table with the wall time, the peak memory and the rate in
# values per second of each run, beside the list I/O micro-benchmark (bench_list_io) and
# the classic Fortran list-directed I/O reference point (../shared/baseline/run.sh, when
# gfortran is present).
#
#   bench/run.sh [--quick] [--csv] [BUILD_DIR]
#
#   BUILD_DIR  a Release build; default build/release, configured and built when needed
#   --quick    a tenth of the workload and one run each (a smoke test of the script)
#   --csv      the table as comma-separated values instead of aligned columns
#
# Workloads at scale 1:
#   mkcomponents  writes galmix's four position lists of 250,000 positions each
#   diskgen       numd 1,000,000 drawn, 200,000 appended positions (sip1.dat)
#   diskbulge     that diskgen snapshot, 500,000 bulge positions, fbul 0.4
#   galmix        di.dat of 1,000,000 particles (a diskgen snapshot), four lists of 250,000
#                 positions, every fraction non-zero, bar ellipse 5 x 2.5 (about a third
#                 of the disk)
#   parsample     ndraw 1,000,000
#   projmap       200 map files of 4 projections of 128 x 128 values (13,107,200 values)
#   parsub        its one template (fixed size; listed for completeness)
#   snapconv      galmix's model at scale 1 (about 2.3 million particles): text read alone
#                 (bench_read_snapshot), text -> HDF5, text -> GADGET format 1, GADGET -> HDF5,
#                 HDF5 -> GADGET; 8 values a particle read and written
#
# Values are the list-directed items a run reads and writes (header lines left out):
#   mkcomponents  writes 3 per position
#   diskgen       reads 3 per appended position, writes 7 per particle
#   diskbulge     reads 7 per disk particle and 3 per bulge position, writes 7 per particle
#   galmix        reads 7 per disk particle and 3 per position, writes 8 per particle
#   parsample     writes 4 per draw (th1, th2, th0, th01) and 2 per draw (denve.dat)
#   projmap       reads every map value and writes it 3 times, writes 4 per map (pairs)
#                 and reads 2 per model
#   list I/O      7 per record, as the Fortran reference point counts them
# Column "xF77" is the time the Fortran reference takes for the same values (its read
# rate for the values read, its write rate for those written) divided by the run's wall
# time; "growth" is the wall time over that of the previous scale (2.0 for a linear cost).
# Every figure is the median of 3 runs (1 with --quick).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
# shellcheck source=bench/lib.sh
. "$here/lib.sh"

quick=0
csv=0
build=
for arg in "$@"; do
    case $arg in
        --quick) quick=1 ;;
        --csv) csv=1 ;;
        -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
        -*) die "unknown option $arg (bench/run.sh [--quick] [--csv] [BUILD_DIR])" ;;
        *) build=$arg ;;
    esac
done
build=${build:-$top/build/release}
mkdir -p "$build"
build=$(cd "$build" && pwd)
if ((quick)); then runs=1 base=10; else runs=3 base=1; fi

[ -x /usr/bin/time ] || die "/usr/bin/time is needed (apt-get install time)"
load_start=$(cut -d ' ' -f 1-3 /proc/loadavg)
build_release "$top" "$build"
for program in mkcomponents diskgen diskbulge galmix parsample parsub projmap snapconv; do
    [ -x "$build/$program/$program" ] || die "$program is not built in $build"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
results=$work/results.tsv

# record PROGRAM SCALE ITEMS UNIT READ WRITTEN WALL PEAK_KB TARGET_S TARGET_MB
# One row of the table; "-" where a figure does not apply.
record() {
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$@" >> "$results"
}

# The path of a program of the build.
program_path() {
    echo "$build/$1/$1"
}

# diskgen and diskbulge at one scale: the appended and the bulge positions from mkcomponents.
bench_disk() {
    local scale=$1 f=$2
    local numd nadd nbu num numb
    numd=$(scaled 1000000 "$f")
    nadd=$(scaled 200000 "$f")
    nbu=$(scaled 500000 "$f")
    mkdir "$work/disk" && cd "$work/disk"
    write_component_parameters "$nbu" 0 0 0 "$nadd"
    "$(program_path mkcomponents)" > /dev/null
    write_disk_parameters "$numd"

    measure "$runs" /dev/null "$(program_path diskgen)"
    num=$((numd + nadd))
    [ "$(lines_of sip2.dat)" -eq $((num + 4)) ] || die "diskgen: sip2.dat does not hold $num records"
    record diskgen "$scale" "$num" particles $((3 * nadd)) $((7 * num)) "$WALL" "$PEAK_KB" 1.0 100

    write_bulge_parameters 0.4
    measure "$runs" /dev/null "$(program_path diskbulge)"
    numb=$(awk '$1 == "numb" { print $2 }' console.txt)
    [ "$(lines_of tinit.dat)" -eq $((num + numb + 4)) ] || die "diskbulge: tinit.dat does not hold $((num + numb)) records"
    record diskbulge "$scale" $((num + numb)) particles $((7 * num + 3 * nbu)) $((7 * (num + numb))) \
        "$WALL" "$PEAK_KB" 0.8 100
    cd "$work" && rm -rf "$work/disk"
}

# mkcomponents writing galmix's position lists, then galmix on them and a diskgen disk.
bench_galmix() {
    local scale=$1 f=$2
    local ndisk nlist counts ntot
    ndisk=$(scaled 1000000 "$f")
    nlist=$(scaled 250000 "$f")
    mkdir "$work/galmix" && cd "$work/galmix"
    write_component_parameters "$nlist" "$nlist" "$nlist" "$nlist" 0
    measure "$runs" /dev/null "$(program_path mkcomponents)"
    record mkcomponents "$scale" $((4 * nlist)) positions 0 $((12 * nlist)) "$WALL" "$PEAK_KB" - -

    write_disk_parameters "$ndisk"
    "$(program_path diskgen)" > /dev/null
    mv sip2.dat di.dat
    write_model_parameters 5.0 2.5
    measure "$runs" /dev/null "$(program_path galmix)"
    # The counts num nbar nspi nr1 nr2 nbu follow the line that names them.
    counts=$(awk 'found { print; exit } /num,nbar,nspi,nr1,nr2,nbu/ { found = 1 }' console.txt)
    ntot=$(echo "$counts" | awk '{ print $1 + $2 + $3 + $4 + $5 + $6 }')
    [ "$(lines_of tinit.dat)" -eq $((ntot + 4)) ] || die "galmix: tinit.dat does not hold $ntot records"
    note "galmix at $scale: num nbar nspi nr1 nr2 nbu = $counts"
    record galmix "$scale" "$ntot" particles $((7 * ndisk + 12 * nlist)) $((8 * ntot)) "$WALL" "$PEAK_KB" 1.0 100
    cd "$work" && rm -rf "$work/galmix"
}

bench_parsample() {
    local scale=$1 f=$2 ndraw
    ndraw=$(scaled 1000000 "$f")
    mkdir "$work/parsample" && cd "$work/parsample"
    write_sampler_settings "$ndraw"
    measure "$runs" /dev/null "$(program_path parsample)"
    [ "$(lines_of denve.dat)" -eq $((ndraw + 1)) ] || die "parsample: denve.dat does not hold $ndraw pairs"
    record parsample "$scale" "$ndraw" draws 0 $((6 * ndraw)) "$WALL" "$PEAK_KB" 0.3 -
    cd "$work" && rm -rf "$work/parsample"
}

bench_projmap() {
    local scale=$1 f=$2 nfiles values maps
    nfiles=$(scaled 200 "$f")
    mkdir "$work/projmap" && cd "$work/projmap"
    write_map_inputs "$nfiles" 128 4
    measure "$runs" answers.txt "$(program_path projmap)"
    values=$((nfiles * 4 * 128 * 128))
    maps=$((nfiles * 4))
    [ "$(lines_of 2dft1.dat)" -eq "$values" ] || die "projmap: 2dft1.dat does not hold $values values"
    record projmap "$scale" "$values" "map values" $((values + 2 * nfiles)) $((3 * values + 4 * maps)) \
        "$WALL" "$PEAK_KB" 1.5 20
    cd "$work" && rm -rf "$work/projmap"
}

bench_parsub() {
    mkdir "$work/parsub" && cd "$work/parsub"
    write_substitution_inputs
    measure "$runs" /dev/null "$(program_path parsub)"
    record parsub 1 21 records 25 22 "$WALL" "$PEAK_KB" - -
    cd "$work" && rm -rf "$work/parsub"
}

# The list I/O micro-benchmark: medians of its write and read passes of 1,000,000 records.
bench_list_io() {
    local exe=$build/bench/bench_list_io
    if [ ! -x "$exe" ]; then
        note "bench_list_io is not built (Google Benchmark missing): list I/O rows n/a"
        record "list I/O write" 1 1000000 records 0 7000000 - - - -
        record "list I/O read" 1 1000000 records 7000000 0 - - - -
        return
    fi
    cd "$work"
    "$exe" --benchmark_format=csv --benchmark_repetitions="$runs" > list_io.csv 2> /dev/null ||
        die "bench_list_io failed"
    # The real time per pass (column 3, milliseconds) of the median row, or of the only row.
    local write read
    write=$(awk -F, -v n="$runs" '$1 ~ /BM_WriteRecords/ && (n == 1 || $1 ~ /_median/) { print $3 / 1000 }' list_io.csv)
    read=$(awk -F, -v n="$runs" '$1 ~ /BM_ReadRecords/ && (n == 1 || $1 ~ /_median/) { print $3 / 1000 }' list_io.csv)
    record "list I/O write" 1 1000000 records 0 7000000 "$write" - - -
    record "list I/O read" 1 1000000 records 7000000 0 "$read" - - -
}

# The Fortran reference point: its write and read times of N records of 7 values
# (medians); FORTRAN_WRITE and FORTRAN_READ are its rates in values per second, or empty.
FORTRAN_WRITE=
FORTRAN_READ=
bench_fortran() {
    local n=$((1000000 / base)) script=$top/../shared/baseline/run.sh i out writes=() reads=()
    if ! command -v gfortran > /dev/null || [ ! -f "$script" ]; then
        note "gfortran or $script missing: the Fortran reference is n/a"
        return
    fi
    for ((i = 0; i < runs; i++)); do
        out=$(bash "$script" "$n") || die "the Fortran reference failed"
        writes+=("$(echo "$out" | awk '$1 == "write" { print $2 }')")
        reads+=("$(echo "$out" | awk '$1 == "read" { print $2 }')")
    done
    local write read
    write=$(median "${writes[@]}")
    read=$(median "${reads[@]}")
    FORTRAN_WRITE=$(awk -v n="$n" -v t="$write" 'BEGIN { printf "%.1f", 7 * n / t }')
    FORTRAN_READ=$(awk -v n="$n" -v t="$read" 'BEGIN { printf "%.1f", 7 * n / t }')
    record "Fortran write" 1 "$n" records 0 $((7 * n)) "$write" - - -
    record "Fortran read" 1 "$n" records $((7 * n)) 0 "$read" - - -
}

# snapconv on galmix's model at scale 1 (about 2.3 million particles, 8 items a record):
# reading the text alone, text -> HDF5 and -> GADGET format 1 (targets: 1.3 times the
# reading), GADGET -> HDF5 and HDF5 -> GADGET (targets: 500 MB of particle data a second,
# 36 bytes a particle); peak memory at most 1.5 times the particle data.
bench_snapconv() {
    local f=$1 ndisk nlist ntot read_wall data_mb
    ndisk=$(scaled 1000000 "$f")
    nlist=$(scaled 250000 "$f")
    mkdir "$work/snapconv" && cd "$work/snapconv"
    write_component_parameters "$nlist" "$nlist" "$nlist" "$nlist" 0
    "$(program_path mkcomponents)" > /dev/null
    write_disk_parameters "$ndisk"
    "$(program_path diskgen)" > /dev/null
    mv sip2.dat di.dat
    write_model_parameters 5.0 2.5
    "$(program_path galmix)" > /dev/null
    ntot=$(head -n 1 tinit.dat | awk '{ print $1 }')
    data_mb=$(awk -v n="$ntot" 'BEGIN { printf "%.1f", 36 * n / 1e6 }')
    local mem_target rate_target
    mem_target=$(awk -v d="$data_mb" 'BEGIN { printf "%.1f", 1.5 * d }')
    rate_target=$(awk -v d="$data_mb" 'BEGIN { printf "%.3f", d / 500 }')
    measure "$runs" /dev/null "$build/bench/bench_read_snapshot" tinit.dat
    read_wall=$WALL
    record "text read" 1 "$ntot" particles $((8 * ntot)) 0 "$WALL" "$PEAK_KB" - "$mem_target"
    local text_target
    text_target=$(awk -v w="$read_wall" 'BEGIN { printf "%.3f", 1.3 * w }')
    measure "$runs" /dev/null "$(program_path snapconv)" tinit.dat model.hdf5
    record "text->HDF5" 1 "$ntot" particles $((8 * ntot)) $((8 * ntot)) "$WALL" "$PEAK_KB" "$text_target" "$mem_target"
    measure "$runs" /dev/null "$(program_path snapconv)" tinit.dat model.g1 --to gadget1
    record "text->gadget1" 1 "$ntot" particles $((8 * ntot)) $((8 * ntot)) "$WALL" "$PEAK_KB" "$text_target" \
        "$mem_target"
    measure "$runs" /dev/null "$(program_path snapconv)" model.g1 back.hdf5
    record "gadget->HDF5" 1 "$ntot" particles $((8 * ntot)) $((8 * ntot)) "$WALL" "$PEAK_KB" "$rate_target" \
        "$mem_target"
    measure "$runs" /dev/null "$(program_path snapconv)" model.hdf5 back.g1 --to gadget1
    record "HDF5->gadget" 1 "$ntot" particles $((8 * ntot)) $((8 * ntot)) "$WALL" "$PEAK_KB" "$rate_target" \
        "$mem_target"
    note "snapconv: $ntot particles, $data_mb MB of particle data; text read $read_wall s"
    cd "$work" && rm -rf "$work/snapconv"
}

note "Fortran reference point"
bench_fortran
note "list I/O micro-benchmark"
bench_list_io
for scale in 1/4 1/2 1; do
    f="${scale%/*}/$((${scale#*/} * base))"
    note "programs at $scale of the workload"
    bench_galmix "$scale" "$f"
    bench_disk "$scale" "$f"
    bench_parsample "$scale" "$f"
    bench_projmap "$scale" "$f"
done
bench_parsub
note "snapconv at scale 1"
bench_snapconv "1/$base"

# The table: programs in a fixed order, each at its scales ascending.
cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
echo "# galtk benchmark, $(date '+%Y-%m-%d %H:%M %Z'); $cpu, nproc $(nproc);" \
    "load average $load_start at start, $(cut -d ' ' -f 1-3 /proc/loadavg) at end"
echo "# build $build; workload scale 1$( ((quick)) && echo ' x 1/10 (--quick)');" \
    "median of $runs run(s); values = items read + written"
order="Fortran write|Fortran read|list I/O write|list I/O read|galmix|diskgen|diskbulge|projmap|parsample|mkcomponents|parsub|text read|text->HDF5|text->gadget1|gadget->HDF5|HDF5->gadget"
awk -F'\t' -v OFS='\t' -v order="$order" '
    BEGIN { n = split(order, names, "|"); for (i = 1; i <= n; i++) rank[names[i]] = i }
    { split($2, s, "/"); print rank[$1], (s[2] ? s[1] / s[2] : s[1]), $0 }' "$results" |
    sort -t $'\t' -k1,1n -k2,2g | cut -f 3- |
    awk -F'\t' -v fw="$FORTRAN_WRITE" -v fr="$FORTRAN_READ" -v csv="$csv" -v quick="$quick" '
    function grouped(v,    t) {
        t = sprintf("%d", v)
        while (t ~ /[0-9][0-9][0-9][0-9]/) sub(/[0-9][0-9][0-9]($|,)/, ",&", t)
        return t
    }
    function line(a, b, c, d, e, f, g, h, i, j, k, l) {
        if (csv) printf "%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,\"%s\",%s\n", a, b, c, d, e, f, g, h, i, j, k, l
        else printf "%-14s %5s %11s %-10s %11s %7s %7s %6s %6s %6s  %-20s %s\n", a, b, c, d, e, f, g, h, i, j, k, l
    }
    BEGIN { line("program", "scale", "items", "", "values", "wall s", "peak MB", "Mval/s", "growth", "xF77",
                 "target", "met") }
    {
        prog = $1; scale = $2; values = $5 + $6; wall = $7; peak = $8
        timed = wall != "-" && wall > 0
        rated = timed && values >= 1000  # a rate of a few dozen values says nothing
        rate = timed ? values / wall / 1e6 : 0
        growth = (prog == last && timed && lastwall > 0) ? sprintf("%.2f", wall / lastwall) : "-"
        last = prog; lastwall = timed ? wall : 0
        ratio = (fw != "" && fr != "" && rated) ? ($5 / fr + $6 / fw) / wall : 0
        target = ""
        if ($9 != "-") target = "< " $9 " s"
        if ($10 != "-") target = target (target == "" ? "" : ", ") "< " $10 " MB"
        if (prog == "list I/O write") target = ">= 25 M/s, >= 10xF77"
        if (prog == "list I/O read") target = ">= 35 M/s, >= 10xF77"
        met = "-"
        if (scale == "1" && !quick && target != "" && timed) {
            ok = 1
            if ($9 != "-" && wall >= $9 + 0) ok = 0
            if ($10 != "-" && peak * 1024 / 1e6 >= $10 + 0) ok = 0
            if (prog ~ /^list I\/O/) {
                if (rate < (prog ~ /read/ ? 35 : 25)) ok = 0
                if (ratio && ratio < 10) ok = 0
            }
            met = ok ? "ok" : "MISSED"
        }
        line(prog, scale, csv ? $3 : grouped($3), $4, csv ? values : grouped(values),
             timed ? sprintf("%.3f", wall) : "n/a", peak == "-" ? "-" : sprintf("%.1f", peak * 1024 / 1e6),
             rated ? sprintf("%.1f", rate) : "-", growth, ratio ? sprintf("%.1f", ratio) : (rated ? "n/a" : "-"),
             target == "" ? "-" : target, met)
    }'
