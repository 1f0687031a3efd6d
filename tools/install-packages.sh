#!/usr/bin/env bash
# Installs the Debian packages that a command of this toolkit needs and that this machine is
# missing: `tools/install-packages.sh build|test|ci`. Nothing happens when all are present.
# Without root (and without sudo) it prints one line naming what to install and fails.
#
#   build  what building the programs and running the demo need
#   test   the build, the test suite (GoogleTest, the Python readers and checks) and the
#          benchmarks
#   ci     the tests, the fuzzers (clang's libFuzzer) and the survey engine (Snakemake);
#          the Slurm cluster of CI installs its own packages (survey/ci/local-slurm.sh)
set -euo pipefail

build=(cmake make g++ pkg-config libhdf5-dev libcli11-dev libnanoflann-dev libpng-dev python3-matplotlib pybind11-dev python3-dev python3-numpy)
test=("${build[@]}" libgtest-dev libgmock-dev libbenchmark-dev python3-h5py python3-yt python3-galpy
      python3-scipy python3-pytest)
ci=("${test[@]}" clang libclang-rt-14-dev snakemake)

case ${1:-} in
    build) wanted=("${build[@]}") ;;
    test) wanted=("${test[@]}") ;;
    ci) wanted=("${ci[@]}") ;;
    *) echo "usage: $0 build|test|ci" >&2; exit 64 ;;
esac

missing=()
for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
((${#missing[@]})) || exit 0

if ((EUID == 0)); then
    as_root=()
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
    as_root=(sudo -n)
else
    echo "missing Debian packages; install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
fi
echo "== installing the missing Debian packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
