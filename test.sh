#!/usr/bin/env bash
# Configures, builds and runs every test of the toolkit: first the normal (optimised)
# build, then the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
#
#   ./test.sh            both builds
#   ./test.sh release    the normal build only
#   ./test.sh sanitize   the sanitizer build only
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc)
what=${1:-all}

build_and_test() {
    local name=$1
    shift
    echo "== $name build"
    cmake -S . -B "build/$name" -DCMAKE_BUILD_TYPE=Release -DGALTK_TESTS=ON "$@" >/dev/null
    cmake --build "build/$name" -j "$jobs"
    # Checks labelled long or survey run separately (.ci/run).
    ctest --test-dir "build/$name" -j "$jobs" --output-on-failure --no-tests=error -LE 'long|survey'
}

case $what in
    release | all) build_and_test release -DGALTK_SANITIZE=OFF ;;&
    sanitize | all) build_and_test sanitize -DGALTK_SANITIZE=ON -DGALTK_BENCH=OFF ;;
    release) ;;
    *) echo "usage: $0 [release|sanitize|all]" >&2; exit 64 ;;
esac
