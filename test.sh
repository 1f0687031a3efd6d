#!/usr/bin/env bash
# Configures, builds and runs the tests of the toolkit: first the normal (optimised)
# build, then the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
# Checks that take minutes carry a CTest label and are left out of these runs.
#
#   ./test.sh            both builds
#   ./test.sh release    the normal build only
#   ./test.sh sanitize   the sanitizer build only
#   ./test.sh long       the checks labelled "long" (exhaustive sweeps), normal build
set -euo pipefail
cd "$(dirname "$0")"
tools/install-packages.sh test
jobs=$(nproc)
what=${1:-all}

# Labels of the checks that the default runs leave out.
separate_labels='^(long|survey)$'

# build_and_test NAME CTEST_SELECTION [CMAKE_OPTIONS...]
build_and_test() {
    local name=$1 selection=$2
    shift 2
    echo "== $name build"
    cmake -S . -B "build/$name" -DCMAKE_BUILD_TYPE=Release -DGALTK_TESTS=ON "$@" >/dev/null
    cmake --build "build/$name" -j "$jobs"
    ctest --test-dir "build/$name" -j "$jobs" --output-on-failure --no-tests=error $selection
}

case $what in
    release | all) build_and_test release "-LE $separate_labels" -DGALTK_SANITIZE=OFF ;;&
    # libhdf5 loses small blocks of its own on error paths when a damaged file is opened:
    # LeakSanitizer is told so (tests/lsan_hdf5.supp), every other leak still fails a test.
    sanitize | all) export LSAN_OPTIONS="suppressions=$PWD/tests/lsan_hdf5.supp:print_suppressions=0"
                    build_and_test sanitize "-LE $separate_labels" -DGALTK_SANITIZE=ON -DGALTK_BENCH=OFF ;;
    release) ;;
    long) build_and_test release "-L ^long$" -DGALTK_SANITIZE=OFF ;;
    *) echo "usage: $0 [release|sanitize|all|long]" >&2; exit 64 ;;
esac
