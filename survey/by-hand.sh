#!/usr/bin/env bash
# The survey of survey/Snakefile as a plain loop of the programs, one point after the other,
# each program run by hand in the same folders (RUN/sample, RUN/shared, RUN/points/NNN,
# RUN/data). For machines without Snakemake, and the reference the workflow is tested
# against: both must write the same bytes.
#
#   survey/by-hand.sh [--part PART] RUN [CONFIG.yaml] [key=value]...
#
# CONFIG.yaml replaces keys of survey/config.yaml as snakemake's --configfile does; key=value
# (top-level keys such as bin=, inputs=, mapper=) as its --config does. Stops at the first
# failure. PART runs one part of the survey (survey/sbatch-array.sh runs them as Slurm jobs):
# setup (sample/ and shared/), K (point K alone), gather (data/), or points (prints the
# number of points); default: all of them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
part=all
if [[ ${1:-} == --part ]]; then
    part=${2:-}
    shift 2 || true
fi
if (($# < 1)); then
    echo "usage: $0 [--part setup|K|gather|points] RUN [CONFIG.yaml] [key=value]..." >&2
    exit 64
fi
run=$1
shift
configfile=
if (($#)) && [[ $1 != *=* ]]; then
    configfile=$1
    shift
fi
mkdir -p "$run"
run=$(cd "$run" && pwd)

# The settings as shell variables, from the defaults, the config file and key=value, merged
# the way snakemake merges them.
eval "$(/usr/bin/python3 - "$here/config.yaml" "$configfile" "$@" <<'PY'
import os, shlex, sys, yaml
def merge(a, b):
    for k, v in b.items():
        a[k] = merge(a.get(k) or {}, v) if isinstance(v, dict) and isinstance(a.get(k), dict) else v
    return a
c = yaml.safe_load(open(sys.argv[1]))
if sys.argv[2]:
    merge(c, yaml.safe_load(open(sys.argv[2])) or {})
for kv in sys.argv[3:]:
    k, v = kv.split("=", 1)
    c[k] = yaml.safe_load(v) if v else ""
m, sim = c["snapmap"], c.get("simulate") or {}
files = (c.get("components") or {}).get("files") or {}
out = {
    "bin": os.path.abspath(c["bin"]) if c.get("bin") else "",
    "inputs": os.path.abspath(c["inputs"]) if c.get("inputs") else "",
    "npoints": int(c["points"]), "mode": int(c["mode"]),
    "ranges": " ".join(f"{lo} {hi}" for lo, hi in c["ranges"]),
    "idisk": int(c.get("idisk", 1)), "rgal": c.get("rgal", 1.0),
    "galvel_set": int(c.get("galvel") is not None), "galvel": c.get("galvel") or "",
    "snapconv": c.get("snapconv") or "",
    "sim_command": sim.get("command") or "", "sim_output": sim.get("output", "final.dat"),
    "sim_threads": int(sim.get("threads", 1)),
    "galvel_threads": int(c.get("galvel_threads", 1)),
    "kind": int(m.get("kind", 1)), "nmesh": int(m.get("nmesh", 128)),
    "nproj": len(m.get("views") or []) or 3,
    "map_options": " ".join([f"--kind {int(m.get('kind', 1))}", f"--nmesh {int(m.get('nmesh', 128))}"]
        + ([f"--extent {m['extent']}"] if m.get("extent") is not None else [])
        + [f"--view {v}" for v in m.get("views") or []] + ([str(m["options"])] if m.get("options") else [])),
    "mapper": c.get("mapper") or "snapmap",
}
for n in ["di.dat", "shp1.dat", "sip3.dat", "r1.dat", "r2.dat"]:
    out["component_" + n.split(".")[0]] = os.path.abspath(files[n]) if files else ""
for k, v in out.items():
    print(f"{k}={shlex.quote(str(v))}")
PY
)"
inputs=${inputs:-$(dirname "$here")/examples/survey}

program() {
    local name=$1
    if [[ $name == */* ]]; then realpath "$name"
    elif [[ -z $bin ]]; then echo "$name"
    elif [[ -x $bin/$name/$name ]]; then echo "$bin/$name/$name"
    else echo "$bin/$name"; fi
}

if [[ $part == points ]]; then
    echo "$npoints"
    exit 0
fi
cd "$run"
mkdir -p sample shared points data

component() {
    local name=$1 given=$2 made=$3
    if [[ -n $given ]]; then cp "$given" "$name"; else cp "$run/shared/$made" "$name"; fi
}

prefix=([1]=2df.dat.m [2]=2dfv.dat.m [3]=2dfv1.dat.m)
model=tinit.dat
((galvel_set)) && model=velocities.dat
ic=$model
[[ -n $snapconv ]] && ic=ic.$snapconv
mapped=$model
[[ -n $sim_command ]] && mapped=$sim_output

setup() {
    (cd sample
     echo "$npoints" > th1.para
     printf '%s\n%s %s\n%s %s\n%s %s\n%s %s\n' "$mode" $ranges > th1a.para
     "$(program parsample)" > parsample.log)
    (cd shared
     echo "$idisk" > galmix.para
     echo "$rgal" > rgal.para
     if [[ -z $component_di ]]; then
         cp "$inputs/mkcomp.para" "$inputs/si2.para" "$inputs/si1.dat" .
         "$(program mkcomponents)" > mkcomponents.log
         "$(program diskgen)" > diskgen.log
     fi)
}

point() {
    local k=$1 point
    point=$(printf 'points/%03d' "$k")
    mkdir -p "$point"
    (cd "$point"
     sed -n "${k}p" "$run/sample/th1.dat" > th3.dat
     sed -n "${k}p" "$run/sample/th2.dat" > th4.dat
     sed -n "${k}p" "$run/sample/th0.dat" > th5.dat
     sed -n "${k}p" "$run/sample/th01.dat" > th6.dat
     cp "$inputs/sh1.para0" .
     "$(program parsub)" > parsub.log
     cp "$run/shared/galmix.para" "$run/shared/rgal.para" .
     component di.dat "$component_di" sip2.dat
     component shp1.dat "$component_shp1" shp1.dat
     component sip3.dat "$component_sip3" sip3.dat
     component r1.dat "$component_r1" r1.dat
     component r2.dat "$component_r2" r2.dat
     "$(program galmix)" > galmix.log
     if grep -qF 'Error:fnon ge 1.0' galmix.log; then
         echo "by-hand: galmix in $point stopped with Error:fnon ge 1.0" >&2
         exit 1
     fi
     "$here/scripts/bulge-count" galmix.log nbu.dat
     if ((galvel_set)); then
         options=$("$here/scripts/fill.py" "$galvel" nbu="$(cat nbu.dat)")
         # shellcheck disable=SC2086
         "$(program galvel)" --threads "$galvel_threads" $options tinit.dat velocities.dat > galvel.log
     fi
     if [[ -n $snapconv ]]; then
         "$(program snapconv)" --to "$snapconv" "$model" "$ic" > snapconv.log
     fi
     if [[ -n $sim_command ]]; then
         command=$("$here/scripts/fill.py" "$sim_command" ic="$ic" out="$mapped" threads="$sim_threads" model="$k")
         sh -c "$command" > simulate.log
     fi
     # shellcheck disable=SC2086
     "$(program "$mapper")" $map_options --model "$k" "$mapped" > "snapmap.m$k.log")
    ln -sf "../$point/${prefix[$kind]}$k" "data/${prefix[$kind]}$k"
}

gather() {
    (cd data
     cp "$run/sample/denve.dat" .
     printf '%s\n%s\n%s\n%s\n' "$kind" "$npoints" "$nmesh" "$nproj" | "$(program projmap)" > projmap.log)
}

case $part in
    all)
        setup
        for ((k = 1; k <= npoints; k++)); do point "$k"; done
        gather ;;
    setup) setup ;;
    gather) gather ;;
    *[!0-9]* | '') echo "by-hand: unknown part \"$part\"" >&2; exit 64 ;;
    *) point "$((10#$part))" ;;
esac
