#include "settings.hpp"

#include "list_reader.hpp"

namespace parsample {

Settings read_settings(galtk::Run& run) {
    Settings s;
    galtk::read_list(run.unit(10), {"draw count (ndraw)"}, s.ndraw);
    galtk::Unit& bounds = run.unit(11);
    galtk::read_list(bounds, {"mode"}, s.mode);
    for (int p = 0; p < nparam; ++p)
        galtk::read_list(bounds, {"bounds of parameter", p + 1}, s.lo[p], s.hi[p]);
    return s;
}

void apply_mode_overrides(Settings& s) {
    if (s.mode == 2) {
        s.lo[2] = s.hi[2] = 0.5f;
        s.lo[3] = s.hi[3] = 0.05f;
    } else if (s.mode == 3) {
        s.lo[3] = s.hi[3] = 0.05f;
    }
}

}  // namespace parsample
