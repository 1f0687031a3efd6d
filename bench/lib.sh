# shellcheck shell=bash disable=SC2034  # WALL, PEAK_KB, QUICK and BUILD are read by the sourcing script
# Shell functions of the whole-program benchmark (sourced by bench/run.sh): building the
# programs, writing the parameter files of each workload, timing runs and taking medians.
# Every function works in the current folder unless it says otherwise.

# Prints a message on standard error and ends the benchmark.
die() {
    echo "bench: $*" >&2
    exit 1
}

# Prints a progress line on standard error (standard output carries the table).
note() {
    echo "bench: $*" >&2
}

# Configures (when not yet done) and builds the Release programs and micro-benchmarks in
# BUILD_DIR from the source tree TOP.
build_release() {
    local top=$1 build=$2
    if [ ! -f "$build/CMakeCache.txt" ]; then
        note "configuring a Release build in $build"
        cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null || die "cmake configure failed"
    fi
    grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt" ||
        die "$build is not a Release build"
    note "building in $build"
    cmake --build "$build" -j "$(nproc)" >/dev/null || die "build failed in $build"
}

# The smallest and the largest of the numbers given as arguments.
minimum() {
    printf '%s\n' "$@" | sort -g | head -n 1
}
maximum() {
    printf '%s\n' "$@" | sort -g | tail -n 1
}

# The median of the numbers given as arguments (the mean of the middle two for an even count).
median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 }
        END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.6f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# count * scale, truncated; scale is a fraction such as 1/4 or 1/40.
scaled() {
    local count=$1 scale=$2
    echo $((count * ${scale%/*} / ${scale#*/}))
}

# measure RUNS INPUT PROGRAM [ARGS...]: runs PROGRAM RUNS times with standard input from INPUT,
# standard output to console.txt, and sets WALL (seconds) and PEAK_KB (maximum resident set
# size in KiB) to the medians of the runs, WALL_MIN and WALL_MAX to the fastest and the
# slowest run. A failing run ends the benchmark.
measure() {
    local runs=$1 input=$2
    shift 2
    local walls=() peaks=() i start end
    for ((i = 0; i < runs; i++)); do
        start=$EPOCHREALTIME
        /usr/bin/time -f '%M' -o peak.txt "$@" < "$input" > console.txt 2> stderr.txt ||
            die "$* failed in $PWD: $(head -c 500 stderr.txt)"
        end=$EPOCHREALTIME
        walls+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }')")
        peaks+=("$(tail -n 1 peak.txt)")
    done
    WALL=$(median "${walls[@]}")
    WALL_MIN=$(minimum "${walls[@]}")
    WALL_MAX=$(maximum "${walls[@]}")
    PEAK_KB=$(median "${peaks[@]}")
}

# A disk of diskgen: mass 1, radii to 30 (10 scale lengths of 3), heights to 1.5 (5 scale
# heights of 0.3), NUMD particles drawn (fref 0 keeps the count of si2.para).
write_disk_parameters() {
    local numd=$1
    printf '1.0\n30.0 1.5\n3.0 0.3\n%d\n' "$numd" > si2.para
    printf '0.0\n3.0\n1000\n' > si1.dat
}

# mkcomp.para of mkcomponents: NBU bulge, NSPI arm, NR1 and NR2 ring and NADD extra positions.
write_component_parameters() {
    local nbu=$1 nspi=$2 nr1=$3 nr2=$4 nadd=$5
    printf '%s\n' -4711 "$nbu 0.4 3.0" "$nspi 4.0 12.0 15.0 1.0" "$nr1 4.0 0.6" "$nr2 11.0 1.0" \
        "$nadd 0.5" 0.1 > mkcomp.para
}

# The 11 records of diskbulge's si1.para: bulge fraction FBUL, bulge scale 1.
write_bulge_parameters() {
    local fbul=$1
    printf '%s\n' 1 0.0 0 0.0 0.0 0.1 0.0 0 0.0 "$fbul" 1.0 > si1.para
}

# galmix's parameter files: the disk written, scales 1, every fraction non-zero (spiral 0.1,
# bulge 0.25, bar 0.2, rings 0.05 each) and a bar ellipse of semi-axes BARA and BARB.
write_model_parameters() {
    local bara=$1 barb=$2
    echo 1 > galmix.para
    echo 1.0 > rdisk.para
    echo 1.0 > rgal.para
    printf '%s\n' 1 0.0 0 0.0 0.0 0.1 0.0 0 0.0 0.25 1.0 0.0 0.2 "$bara" "$barb" 0.05 0.0 0.0 0.05 0.0 0.0 > sh1.para
}

# parsample's settings: NDRAW draws of four parameters, all bounds kept.
write_sampler_settings() {
    local ndraw=$1
    echo "$ndraw" > th1.para
    printf '1\n2.0 10.0\n0.1 0.3\n0.8 1.2\n3.0 5.0\n' > th1a.para
}

# parsub's inputs: the template sh1.para0 and one value in each of th3.dat .. th6.dat.
write_substitution_inputs() {
    write_model_parameters 4.0 1.5
    mv sh1.para sh1.para0
    echo 5.0 > th3.dat
    echo 0.2 > th4.dat
    echo 1.1 > th5.dat
    echo 4.5 > th6.dat
}

# projmap's inputs: NFILES map files "2df.dat.mN" of NPROJ maps of NMESH x NMESH reals of
# varied magnitude (one file, hard-linked under every model's name), the parameter pairs
# of denve.dat, and the answers (kind 1) in answers.txt.
write_map_inputs() {
    local nfiles=$1 nmesh=$2 nproj=$3 n
    awk -v n=$((nproj * nmesh * nmesh)) \
        'BEGIN { for (i = 1; i <= n; i++) printf "%.7g\n", sin(i) * 10 ^ (i % 7 - 3) }' > map.src
    for ((n = 1; n <= nfiles; n++)); do ln -f map.src "2df.dat.m$n"; done
    awk -v n="$nfiles" 'BEGIN { print n; for (i = 1; i <= n; i++) printf "%.8g %.8g\n", i / 20.0, 10 - i / 20.0 }' \
        > denve.dat
    printf '1\n%d\n%d\n%d\n' "$nfiles" "$nmesh" "$nproj" > answers.txt
}

# The number of lines of FILE.
lines_of() {
    wc -l < "$1" | tr -d ' '
}

# bench_arguments USAGE TOP [ARGS...]: reads a benchmark's arguments [--quick] [BUILD_DIR]
# and sets QUICK (0 or 1) and BUILD (created, absolute; default TOP/build/release). USAGE
# is the script's usage line, for the message of an unknown option.
bench_arguments() {
    local usage=$1 top=$2 arg
    shift 2
    QUICK=0
    BUILD=
    for arg in "$@"; do
        case $arg in
            --quick) QUICK=1 ;;
            -*) die "unknown option $arg ($usage)" ;;
            *) BUILD=$arg ;;
        esac
    done
    BUILD=${BUILD:-$top/build/release}
    mkdir -p "$BUILD"
    BUILD=$(cd "$BUILD" && pwd)
}

# diskgen_gadget_disk N BUILD: a diskgen disk of N particles (no other component) as the
# GADGET-2 file disk.g2 in the current folder, made with the programs of BUILD.
diskgen_gadget_disk() {
    local n=$1 build=$2
    write_component_parameters 0 0 0 0 0
    "$build/mkcomponents/mkcomponents" > /dev/null
    write_disk_parameters "$n"
    "$build/diskgen/diskgen" > /dev/null
    "$build/snapconv/snapconv" sip2.dat disk.g2 --to gadget2 > /dev/null
}
