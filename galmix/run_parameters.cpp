#include "run_parameters.hpp"

#include "list_reader.hpp"

namespace galmix {

using galtk::read_list;

RunParameters read_run_parameters(galtk::Unit& galmix_para, galtk::Unit& rdisk_para, galtk::Unit& rgal_para,
                                  galtk::Unit& sh1) {
    RunParameters p;
    read_list(galmix_para, {"idisk"}, p.idisk);
    read_list(rdisk_para, {"rdisk"}, p.rdisk);
    read_list(rgal_para, {"rgal"}, p.rgal);

    // Every record of "sh1.para" is read in order, the ignored ones too: they must be
    // present and of their type. Records 1, 3 and 8 are integers.
    std::int32_t ignored_integer = 0;
    float ignored_real = 0.0f;
    read_list(sh1, {"record 1"}, ignored_integer);
    read_list(sh1, {"record 2"}, ignored_real);
    read_list(sh1, {"record 3"}, ignored_integer);
    read_list(sh1, {"record 4"}, ignored_real);
    read_list(sh1, {"record 5"}, ignored_real);
    read_list(sh1, {"record 6 (fspi)"}, p.fspi);
    read_list(sh1, {"record 7"}, ignored_real);
    read_list(sh1, {"record 8"}, ignored_integer);
    read_list(sh1, {"record 9"}, ignored_real);
    read_list(sh1, {"record 10 (fbul)"}, p.fbul);
    read_list(sh1, {"record 11 (bscale)"}, p.bscale);
    read_list(sh1, {"record 12"}, ignored_real);
    read_list(sh1, {"record 13 (fbar)"}, p.fbar);
    read_list(sh1, {"record 14 (bara)"}, p.bara);
    read_list(sh1, {"record 15 (barb)"}, p.barb);
    read_list(sh1, {"record 16 (fr1)"}, p.fr1);
    read_list(sh1, {"record 17"}, ignored_real);
    read_list(sh1, {"record 18"}, ignored_real);
    read_list(sh1, {"record 19 (fr2)"}, p.fr2);
    read_list(sh1, {"record 20"}, ignored_real);
    read_list(sh1, {"record 21"}, ignored_real);
    return p;
}

}  // namespace galmix
