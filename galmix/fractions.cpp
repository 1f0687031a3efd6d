#include "fractions.hpp"

#include "list_writer.hpp"

namespace galmix {

void check_fractions(galtk::Run& run, RunParameters& p) {
    galtk::Unit& console = run.console();

    // Disk, bar, spiral and the two rings share a total of 1; the bulge comes on top.
    // Four single-precision subtractions in this order (0.1, 0.2, 0.05, 0.05 give
    // 0.59999996, not the float nearest to 0.6).
    p.fdisk = (((1.0f - p.fspi) - p.fbar) - p.fr1) - p.fr2;
    // A NaN is not <= 0 and passes unchanged.
    if (p.fdisk <= 0.0f) {
        galtk::write_list(console, "Error fdisk <0");
        galtk::write_list(console, "fdisk", p.fdisk);
        p.fdisk = 0.0f;
    }
    galtk::write_list(console, "fdisk", p.fdisk);

    // Without a bar there is no inner-ring mass. fdisk was computed with fr1 already
    // taken off, so that share is not handed back to the disk.
    if (p.fbar == 0.0f) p.fr1 = 0.0f;

    const float fnon = p.fbar + p.fspi;
    if (fnon >= 1.0f) {
        galtk::write_list(console, "Error:fnon ge 1.0", fnon);
        run.stop_run();
    }
}

}  // namespace galmix
