#!/usr/bin/env bash
# How the survey finds the programs with `bin` empty: on PATH, else in the repository's own
# build (build/demo-bin, build/release), else it stops before any job with one line saying
# what to set. Run on a copy of survey/ in a scratch "repository" (dry runs only).
set -euo pipefail
survey=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/survey-programs.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CACHE_HOME=$work/cache
mkdir -p "$work/repo"
cp -r "$survey" "$work/repo/survey"
cp -r "$survey/../examples" "$work/repo/examples"
fail() { echo "FAIL: $*" >&2; exit 1; }
dry() { PATH=/usr/bin:/bin snakemake -s "$work/repo/survey/Snakefile" --directory "$work/run" --cores 1 --dry-run --printshellcmds "$@"; }

# Nothing built, nothing on PATH: refused before any job, naming what to set.
if dry > "$work/none.out" 2>&1; then fail "a survey without programs was not stopped"; fi
grep -q "is not on PATH and not built in $work/repo/build: set bin" "$work/none.out" || { cat "$work/none.out"; fail "no line saying what to set"; }
grep -q "^rule \|^localrule " "$work/none.out" && fail "jobs were planned without programs"

# The demo's build: every program found there.
for p in mkcomponents diskgen parsample parsub galmix galvel snapconv snapmap projmap; do
    mkdir -p "$work/repo/build/demo-bin/$p"
    printf '#!/bin/sh\nexit 0\n' > "$work/repo/build/demo-bin/$p/$p"
    chmod +x "$work/repo/build/demo-bin/$p/$p"
done
dry > "$work/demo.out" 2>&1 || { cat "$work/demo.out"; fail "the demo's build was not found"; }
grep -q "$work/repo/build/demo-bin/galmix/galmix" "$work/demo.out" || { cat "$work/demo.out"; fail "galmix not taken from build/demo-bin"; }
echo "programs found in the repository's build, refused without one"
