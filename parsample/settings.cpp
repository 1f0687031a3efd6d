#include "settings.hpp"

#include "list_reader.hpp"

namespace parsample {

Settings read_settings(galtk::Unit& th1_para, galtk::Unit& th1a_para) {
    Settings s;
    galtk::read_list(th1_para, {"draw count (ndraw)"}, s.ndraw);
    galtk::read_list(th1a_para, {"mode"}, s.mode);
    for (int p = 0; p < nparam; ++p)
        galtk::read_list(th1a_para, {"bounds of parameter", p + 1}, s.lo[p], s.hi[p]);
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
