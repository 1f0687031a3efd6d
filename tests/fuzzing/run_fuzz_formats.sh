#!/usr/bin/env bash
# Builds the fuzz targets of the binary snapshot readers with clang (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs each for a number of seconds.
#
#   tests/fuzzing/run_fuzz_formats.sh [seconds per reader] [reader...]
#
# Readers: gadget1 (both GADGET formats), hdf5, tipsy; all three by default. Seeds are in
# corpus_<reader>/ (small valid files written by snapconv); findings go to the artifacts
# folder of the build directory. HDF5 itself is not instrumented; the reader's guarded
# child turns a fault inside the library into the usual refusal and reports a fault in
# our code (tests/fuzzing/README.md). libhdf5's own leaks are not reported.
#
# Environment: GALTK_FUZZ_BUILD (default build/fuzz), CXX (default clang++).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-60}
shift || true
readers=("$@")
((${#readers[@]})) || readers=(gadget1 hdf5 tipsy)
build=${GALTK_FUZZ_BUILD:-$root/build/fuzz}
cxx=${CXX:-clang++}
case $cxx in *clang*) ;; *) cxx=clang++ ;; esac

mkdir -p "$build/formats-obj" "$build/artifacts"
version=$(sed -n 's/^project([^)]*VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
hdf5_flags=$(pkg-config --cflags hdf5)
hdf5_libs=$(pkg-config --libs hdf5)
# shellcheck disable=SC2206
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -ffp-contract=off
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       "-DGALTK_VERSION=\"$version\"" -I "$root/common" -I "$root/formats" $hdf5_flags)

objects=()
pids=()
for src in "$root"/common/*.cpp "$root"/formats/*.cpp; do
    obj="$build/formats-obj/$(basename "${src%.cpp}").o"
    objects+=("$obj")
    if [[ ! -f $obj || $src -nt $obj || -n $(find "$root/common" "$root/formats" -name '*.hpp' -newer "$obj" -print -quit) ]]; then
        "$cxx" "${flags[@]}" -c "$src" -o "$obj" &
        pids+=($!)
    fi
done
for pid in "${pids[@]}"; do wait "$pid"; done

status=0
for reader in "${readers[@]}"; do
    target="$build/fuzz_$reader"
    # shellcheck disable=SC2086
    "$cxx" "${flags[@]}" -DGALTK_FUZZ_FORMAT="$reader" "$here/fuzz_snapshot_reader.cpp" "${objects[@]}" \
        $hdf5_libs -o "$target"
    mkdir -p "$build/corpus_$reader"
    echo "== fuzzing the $reader reader for $seconds s"
    # libhdf5 leaks a few of its own allocations when an object header is corrupt; its
    # leaks are not ours to find (our handles are checked by the test suite's ASan build).
    # A damaged header can also make libhdf5 ask for a huge block, which malloc refuses
    # and the library reports as an error; AddressSanitizer would abort there instead.
    leaks=1 asan=${ASAN_OPTIONS:-}
    [ "$reader" = hdf5 ] && leaks=0 asan=${asan:+$asan:}allocator_may_return_null=1:detect_leaks=0
    ASAN_OPTIONS=$asan "$target" "$build/corpus_$reader" "$here/corpus_$reader" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
        -detect_leaks="$leaks" \
        -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$build/artifacts/$reader-" || status=$?
done
if ((status != 0)); then
    echo "fuzzing found a problem (status $status); inputs in $build/artifacts" >&2
fi
exit "$status"
