#!/usr/bin/env bash
# Builds the toolkit and runs the three example pipelines of examples/ in a scratch
# folder under build/ (examples/ itself is never written):
#   1. disk_bulge:    mkcomponents -> diskgen -> diskbulge
#   2. barred_spiral: mkcomponents -> diskgen -> galmix -> galvel (velocities) -> snapmap
#                     (pictures) -> snapconv (HDF5 for simulation codes); galvel --gas
#                     (a gas disk) -> snapmap --types 0 (its maps)
#   3. survey:        parsample -> (parsub -> galmix -> galvel -> snapmap) for each point -> projmap
# Every program's console lines are shown; a summary follows at the end. The programs are
# built as one translation unit each (a unity build), which keeps the build short.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
build="$top/build/demo-bin"
work="$top/build/demo"

"$top/tools/install-packages.sh" build
echo "== building the programs in $build"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DGALTK_TESTS=OFF -DGALTK_BENCH=OFF -DCMAKE_UNITY_BUILD=ON >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

rm -rf "$work"
mkdir -p "$work"
cp -r "$top/examples/." "$work/"

# Runs one program of the toolkit in the current folder, showing its console lines.
run() {
    local program=$1
    shift
    echo "\$ $program $*"
    "$build/$program/$program" "$@" | tee -a console.log | sed 's/^/    /'
}

# The particle counts and the total mass of a tinit.dat: counts per type code and, when the
# records carry an eighth item (galmix), the sum of the masses.
summarise() {
    awk 'NR == 1 { ntot = $1 } NR == 4 { hm = $1 }
         NR > 4 { n[$7]++; if (NF >= 8) m += $8; else m += hm }
         END { printf "%d particles", ntot; for (t in n) printf ", %d of type %s", n[t], t;
               printf ", total mass %.7g\n", m }' "$1"
}

echo
echo "== 1. disk and bulge (examples/disk_bulge)"
cd "$work/disk_bulge"
run mkcomponents
run diskgen
run diskbulge
disk_summary=$(summarise tinit.dat)

echo
echo "== 2. barred spiral (examples/barred_spiral)"
cd "$work/barred_spiral"
run mkcomponents
run diskgen
cp sip2.dat di.dat
run galmix
spiral_counts=$(grep -A1 'num,nbar,nspi,nr1,nr2,nbu' console.log | tail -1 | awk '{print "disk " $1 ", bar " $2 ", spiral " $3 ", inner ring " $4 ", outer ring " $5 ", bulge " $6}')
spiral_mass=$(grep -E '^ totm ' console.log | tail -1 | awk '{print $2}')
# Velocities of a rotating galaxy in equilibrium: galmix writes its bulge last (the sixth
# count), and a Hernquist dark halo of five times the model's mass makes the outer rotation
# curve flat. The profile table gives the picture of the rotation curve and dispersions.
nbulge=$(grep -A1 'num,nbar,nspi,nr1,nr2,nbu' console.log | tail -1 | awk '{print $6}')
run galvel tinit.dat tinit_v.dat --bulge "$nbulge" --halo hernquist:5:10 --profile galvel_profile.txt
/usr/bin/python3 "$top/tools/plot_galvel_profile.py" galvel_profile.txt galvel_profile.png 2>/dev/null ||
    echo "    (no picture: /usr/bin/python3 with matplotlib is needed)"
# Face-on and edge-on (line of sight along y, the bar's long axis across the image): the
# surface density; then the mean line-of-sight velocity at 60 degrees and edge-on (face-on
# the rotation lies in the plane of the sky and the map would be flat), and the dispersion
# face-on (sigma_z) and at 60 degrees. snapmap's own pictures are quick looks; the figures,
# with axes, views and colour bars, come from tools/plot_snapmap.py (PNG and PDF), which
# reads the map files and snapmap's summary line in console.log.
run snapmap tinit_v.dat --view 0:0 --view 90:0 --png barred_spiral.png --output density_map.dat
run snapmap tinit_v.dat --kind velocity --view 60:0 --view 90:0 --png barred_spiral_velocity.png --output velocity_map.dat
run snapmap tinit_v.dat --kind dispersion --view 0:0 --view 60:0 --png barred_spiral_dispersion.png --output dispersion_map.dat
for quantity in density velocity dispersion; do
    echo "\$ tools/plot_snapmap.py ${quantity}_map.dat console.log -o figure_$quantity.png -o figure_$quantity.pdf"
    /usr/bin/python3 "$top/tools/plot_snapmap.py" "${quantity}_map.dat" console.log --title "the barred spiral of examples/" \
        -o "figure_$quantity.png" -o "figure_$quantity.pdf" ||
        echo "    (no figure: /usr/bin/python3 with matplotlib is needed)"
done
# Handed to a simulation code: the model must hold the halo whose pull its velocities
# assume, so galvel realises it as particles, each as heavy as the disk population's mean
# particle (halo mass over that mean, rounded up): halo particles heavier than the disk's
# give their energy to the disk in encounters and heat it. HDF5 for GADGET-4/AREPO/SWIFT,
# then with the bar particles moved off the disk particles they sit on (a thousandth of
# the softening length).
halo_mass=5
nhalo=$(awk -v nb="$nbulge" -v M="$halo_mass" 'NR == 1 { ndisk = $1 - nb } NR == 4 { split($0, hm) }
    NR > 4 && NR - 4 <= ndisk { m += (NF >= 8 ? $8 : hm[$7 + 1]) }
    END { n = M / (m / ndisk); printf "%d\n", (n == int(n)) ? n : int(n) + 1 }' tinit.dat)
run galvel tinit.dat galaxy.hdf5 --to hdf5 --bulge "$nbulge" --halo "hernquist:$halo_mass:10" --halo-particles "$nhalo"
run snapconv galaxy.hdf5 galaxy_jittered.hdf5 --jitter 0.00037
# A gas disk on the same model, read as kpc, 10^10 solar masses and km/s (so that the gas
# can be given a temperature): 10% of the stars' mass in 100,000 particles of 10^4 K, in
# hydrostatic equilibrium in the field of stars, gas and halo. Its maps are snapmap's
# --types 0 (the gas alone; types 2 and 3 are the disk and the bulge), and the profile
# picture gains the gas panel (half-mass height, rotation against the circular speed).
run galvel tinit.dat galaxy_gas.hdf5 --to hdf5 --bulge "$nbulge" --halo "hernquist:$halo_mass:10" --units galactic \
    --gas 0.125:4 --gas-temperature 1e4 --gas-particles 100000 --profile gas_profile.txt
run snapmap galaxy_gas.hdf5 --types 0 --view 0:0 --view 90:0 --extent 16 --output gas_map.dat
echo "\$ tools/plot_snapmap.py gas_map.dat console.log -o figure_gas.png -o figure_gas.pdf"
/usr/bin/python3 "$top/tools/plot_snapmap.py" gas_map.dat console.log --title "the gas disk of the barred spiral (10⁴ K)" \
    -o figure_gas.png -o figure_gas.pdf || echo "    (no figure: /usr/bin/python3 with matplotlib is needed)"
/usr/bin/python3 "$top/tools/plot_galvel_profile.py" gas_profile.txt gas_profile.png 2>/dev/null ||
    echo "    (no picture: /usr/bin/python3 with matplotlib is needed)"

echo
echo "== 3. parameter survey (examples/survey)"
cd "$work/survey"
run mkcomponents
run diskgen
cp sip2.dat di.dat
run parsample
npoints=$(head -1 denve.dat | awk '{print $1}')
mkdir -p kind2 kind3
for k in $(seq 1 "$npoints"); do
    echo "-- survey point $k"
    # One value of each sampled parameter becomes the input of parsub.
    sed -n "${k}p" th1.dat > th3.dat
    sed -n "${k}p" th2.dat > th4.dat
    sed -n "${k}p" th0.dat > th5.dat
    sed -n "${k}p" th01.dat > th6.dat
    run parsub
    run galmix
    cp tinit.dat "tinit.dat.$k"
    # The model's projected maps as projmap collects them: surface density (kind 1) face-on,
    # edge-on along x and along y, 16 x 16 cells over [-16, 16)^2, the same grid for every
    # model so that the maps of the data set compare cell by cell.
    run snapmap tinit.dat --model "$k" --nmesh 16 --extent 16
    # The kinematic maps need velocities: galvel gives the model those of a galaxy in
    # equilibrium (the bulge is galmix's last count, the halo as in the barred spiral), and
    # snapmap makes the velocity dispersion (kind 2) and mean velocity (kind 3) maps, each
    # kind in a folder of its own, since projmap writes the same data-set names for both.
    nbu=$(grep -A1 'num,nbar,nspi,nr1,nr2,nbu' console.log | tail -1 | awk '{print $6}')
    run galvel tinit.dat tinit_v.dat --bulge "$nbu" --halo hernquist:5:10 --seed "$k"
    run snapmap tinit_v.dat --kind 2 --nmesh 16 --extent 16 --output "kind2/2dfv.dat.m$k"
    run snapmap tinit_v.dat --kind 3 --nmesh 16 --extent 16 --output "kind3/2dfv1.dat.m$k"
done
printf '1\n%d\n16\n3\n' "$npoints" > answers.txt
echo "\$ projmap < answers.txt   (kind 1, $npoints files, 16 meshes, 3 projections)"
"$build/projmap/projmap" < answers.txt | sed 's/^/    /'
for kind in 2 3; do
    cp denve.dat "kind$kind/"
    printf '%d\n%d\n16\n3\n' "$kind" "$npoints" > "kind$kind/answers.txt"
    echo "\$ (cd kind$kind; projmap < answers.txt)   (kind $kind)"
    (cd "kind$kind" && "$build/projmap/projmap" < answers.txt | sed 's/^/    /')
done

echo
echo "== summary"
echo "disk and bulge:  $work/disk_bulge/tinit.dat"
echo "                 $disk_summary"
echo "barred spiral:   $work/barred_spiral/tinit.dat"
echo "                 $spiral_counts"
echo "                 $(summarise "$work/barred_spiral/tinit.dat"); galmix's totm $spiral_mass"
echo "                 with velocities: $work/barred_spiral/tinit_v.dat, profile galvel_profile.txt/.png"
echo "                 for simulation codes (with $nhalo halo particles): $work/barred_spiral/galaxy.hdf5, galaxy_jittered.hdf5"
echo "                 pictures: $work/barred_spiral/barred_spiral.png (density),"
echo "                 barred_spiral_velocity.png (mean velocity), barred_spiral_dispersion.png"
echo "                 figures: figure_density.png, figure_velocity.png, figure_dispersion.png (and .pdf)"
echo "                 with a gas disk (100000 particles, 10^4 K): $work/barred_spiral/galaxy_gas.hdf5,"
echo "                 its map figure_gas.png (and .pdf), profile gas_profile.txt/.png"
echo "survey:          $npoints models $work/survey/tinit.dat.1 .. tinit.dat.$npoints"
for k in $(seq 1 "$npoints"); do
    values=$(for f in th1.dat th2.dat th0.dat th01.dat; do sed -n "${k}p" "$work/survey/$f"; done | awk '{printf " %s", $1}')
    echo "                 point $k: s3 s4 s5 s6 =$values; $(summarise "$work/survey/tinit.dat.$k")"
done
echo "                 data sets: $work/survey/2dft.dat ($(wc -l < "$work/survey/2dft.dat") map values), 2dfvn.dat, 2dftn1.dat, 2dftn2.dat"
echo "                 kinematic data sets (with galvel's velocities): $work/survey/kind2/2dft.dat (dispersion), $work/survey/kind3/2dft.dat (mean velocity)"
