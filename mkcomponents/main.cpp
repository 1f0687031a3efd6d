// mkcomponents: writes example position lists of a barred spiral for the model-building
// programs: a Hernquist bulge ("sip3.dat"), two logarithmic spiral arms ("shp1.dat"),
// an inner and an outer ring ("r1.dat", "r2.dat") and a small central sphere of extra
// positions ("sip1.dat", appended to the disk by diskgen). The bar is not drawn here:
// galmix selects it from the disk.
//
// Parameter file "mkcomp.para", one read per record (the rest of a line is discarded,
// so a comment may follow the values):
//   1  seed                          ran1 stream starts from |seed| (0 starts from 1)
//   2  nbu  abu  rbumax              bulge count, Hernquist scale radius, truncation radius
//   3  nspi rin rout pitch width     arm count (both arms, alternating), inner and outer
//                                    radius, pitch angle in degrees, width across the arm
//   4  nr1  r1  w1                   inner ring count, radius, width
//   5  nr2  r2  w2                   outer ring count, radius, width
//   6  nadd radd                     extra positions, radius of their uniform sphere
//   7  hz                            sech-squared scale height of the arms and rings
// Counts must be 0 or more; radii 1e-15 .. 1e15; widths and hz 0 .. 1e15; rout > rin;
// pitch 0.1 .. 89.9 degrees; w1 <= 2 r1, w2 <= 2 r2; |seed| < 2147483647.
//
// All draws come from one ran1 stream in file order: the bulge, the arms, the inner
// ring, the outer ring, the extra positions (draws per position: component_shapes.hpp).
// The same parameters give the same files, bit for bit.
#include <cstdint>

#include "component_parameters.hpp"
#include "component_shapes.hpp"
#include "list_writer.hpp"
#include "position_list.hpp"
#include "run.hpp"

namespace {

// ran1 replaces a positive seed by 1 on its first call; a negative one starts the stream
// from its magnitude. Every non-zero seed of the parameter file thus selects its own stream.
std::int32_t stream_start(std::int32_t seed) { return seed > 0 ? -seed : seed; }

}  // namespace

int main(int argc, char** argv) {
    static const galtk::ProgramInfo info{
        "mkcomponents", "writes example position lists of a barred spiral's bulge, arms, rings and extra positions",
        "  reads   mkcomp.para  seed; bulge, arms, inner ring, outer ring, extra positions; hz (7 records)\n"
        "  writes  sip3.dat     bulge position list (Hernquist sphere)\n"
        "  writes  shp1.dat     spiral arm position list (two logarithmic arms)\n"
        "  writes  r1.dat       inner ring position list\n"
        "  writes  r2.dat       outer ring position list\n"
        "  writes  sip1.dat     extra positions for diskgen (uniform sphere)\n"};
    galtk::Run run(info, argc, argv);
    galtk::Unit& para = run.open_unit(1, "mkcomp.para");
    galtk::Unit& sip3 = run.open_unit(2, "sip3.dat");
    galtk::Unit& shp1 = run.open_unit(3, "shp1.dat");
    galtk::Unit& r1 = run.open_unit(4, "r1.dat");
    galtk::Unit& r2 = run.open_unit(7, "r2.dat");
    galtk::Unit& sip1 = run.open_unit(8, "sip1.dat");
    galtk::Unit& console = run.console();

    const mkcomponents::ComponentParameters p = mkcomponents::read_parameters(para);
    mkcomponents::check_parameters(run, p);
    std::int32_t seed = stream_start(p.seed);

    const mkcomponents::HernquistBulge bulge(p.abu, p.rbumax);
    mkcomponents::write_position_list(sip3, p.nbu, [&](std::int32_t) { return bulge.draw(seed); });
    galtk::write_list(console, "nbu  (sip3.dat, bulge)", p.nbu);

    const mkcomponents::SpiralArms arms(p.rin, p.rout, p.pitch, p.width, p.hz);
    mkcomponents::write_position_list(shp1, p.nspi, [&](std::int32_t i) { return arms.draw(seed, (i - 1) % 2); });
    galtk::write_list(console, "nspi (shp1.dat, spiral arms)", p.nspi);

    const mkcomponents::Ring inner(p.r1, p.w1, p.hz);
    mkcomponents::write_position_list(r1, p.nr1, [&](std::int32_t) { return inner.draw(seed); });
    galtk::write_list(console, "nr1  (r1.dat, inner ring)", p.nr1);

    const mkcomponents::Ring outer(p.r2, p.w2, p.hz);
    mkcomponents::write_position_list(r2, p.nr2, [&](std::int32_t) { return outer.draw(seed); });
    galtk::write_list(console, "nr2  (r2.dat, outer ring)", p.nr2);

    const mkcomponents::UniformSphere extra(p.radd);
    mkcomponents::write_position_list(sip1, p.nadd, [&](std::int32_t) { return extra.draw(seed); });
    galtk::write_list(console, "nadd (sip1.dat, extra positions)", p.nadd);

    return run.finish();
}
