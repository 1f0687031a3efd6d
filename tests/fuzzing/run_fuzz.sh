#!/usr/bin/env bash
# Builds the list-directed I/O fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a number of seconds.
#
#   tests/fuzzing/run_fuzz.sh [seconds] [extra libFuzzer options...]
#
# seconds defaults to 60. The exit status is non-zero when the fuzzer finds a crash, a
# sanitizer report, a broken property, a hang or runaway memory; the input that caused it
# is saved in the artifacts folder of the build directory.
#
# Environment:
#   GALTK_FUZZ_BUILD   build directory (default: build/fuzz in the repository)
#   GALTK_FUZZ_JOBS    parallel fuzzing processes (default 1; more use libFuzzer's fork mode)
#   CXX                the compiler (default clang++)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-60}
shift || true
build=${GALTK_FUZZ_BUILD:-$root/build/fuzz}
jobs=${GALTK_FUZZ_JOBS:-1}
cxx=${CXX:-clang++}
case $cxx in *clang*) ;; *) cxx=clang++ ;; esac   # libFuzzer needs clang

mkdir -p "$build/obj" "$build/corpus" "$build/artifacts"
version=$(sed -n 's/^project([^)]*VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -ffp-contract=off
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       "-DGALTK_VERSION=\"$version\"" -I "$root/common")

# Compile each source that changed since its object was made; link the target.
sources=("$root"/common/*.cpp "$here/fuzz_list_io.cpp")
objects=()
pids=()
for src in "${sources[@]}"; do
    obj="$build/obj/$(basename "${src%.cpp}").o"
    objects+=("$obj")
    if [[ ! -f $obj || $src -nt $obj || -n $(find "$root/common" -name '*.hpp' -newer "$obj" -print -quit) ]]; then
        "$cxx" "${flags[@]}" -c "$src" -o "$obj" &
        pids+=($!)
    fi
done
for pid in "${pids[@]}"; do wait "$pid"; done
target="$build/fuzz_list_io"
"$cxx" "${flags[@]}" "${objects[@]}" -o "$target"

# New inputs go to the working corpus in the build directory; the seeds stay as they are.
echo "== fuzzing for $seconds s ($jobs process(es)); corpus $build/corpus, findings in $build/artifacts"
parallel=()
((jobs > 1)) && parallel=(-fork="$jobs")
status=0
"$target" "$build/corpus" "$here/corpus" \
    -dict="$here/list_io.dict" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/" \
    "${parallel[@]}" "$@" || status=$?
if ((status != 0)); then
    echo "fuzzing found a problem (status $status); inputs in $build/artifacts:" >&2
    ls -l "$build/artifacts" >&2 || true
fi
exit "$status"
