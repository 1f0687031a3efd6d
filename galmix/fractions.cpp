#include "fractions.hpp"

#include "list_writer.hpp"

namespace galmix {

float disk_fraction(const RunParameters& p) { return (((1.0f - p.fspi) - p.fbar) - p.fr1) - p.fr2; }

float clamped_disk_fraction(galtk::Unit& console, float fdisk) {
    // A NaN is not <= 0 and passes unchanged.
    if (!(fdisk <= 0.0f)) return fdisk;
    galtk::write_list(console, "Error fdisk <0");
    galtk::write_list(console, "fdisk", fdisk);
    return 0.0f;
}

void stop_if_bar_and_spiral_take_all(galtk::Run& run, const RunParameters& p) {
    const float fnon = p.fbar + p.fspi;
    if (fnon >= 1.0f) {
        galtk::write_list(run.console(), "Error:fnon ge 1.0", fnon);
        run.stop_run();
    }
}

}  // namespace galmix
