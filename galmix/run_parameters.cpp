#include "run_parameters.hpp"

#include "list_reader.hpp"
#include "structural_records.hpp"

namespace galmix {

using galtk::read_list;

RunParameters read_run_parameters(galtk::Unit& galmix_para, galtk::Unit& rdisk_para, galtk::Unit& rgal_para,
                                  galtk::Unit& sh1) {
    RunParameters p;
    read_list(galmix_para, {"idisk"}, p.idisk);
    read_list(rdisk_para, {"rdisk"}, p.rdisk);
    read_list(rgal_para, {"rgal"}, p.rgal);

    // Every record of "sh1.para" is read in order, the unused ones too: they must be
    // present and of their type.
    namespace record = galtk::record;
    galtk::StructuralRecords sh;
    sh.read(sh1, galtk::structural_records, "record",
            {record::fspi, record::fbul, record::bscale, record::fbar, record::bara, record::barb, record::fr1,
             record::fr2});
    p.fspi = sh.real(record::fspi);
    p.fbul = sh.real(record::fbul);
    p.bscale = sh.real(record::bscale);
    p.fbar = sh.real(record::fbar);
    p.bara = sh.real(record::bara);
    p.barb = sh.real(record::barb);
    p.fr1 = sh.real(record::fr1);
    p.fr2 = sh.real(record::fr2);
    return p;
}

}  // namespace galmix
