#include "disk_parameters.hpp"

#include <string>

#include "list_reader.hpp"
#include "numeric.hpp"
#include "real_format.hpp"
#include "single_precision.hpp"

namespace diskgen {

namespace {
std::string real_text(float v) {
    char text[galtk::real_text_max];  // format_real writes at most this
    return std::string(text, galtk::format_real(v, text));
}
}  // namespace

DiskParameters read_parameters(galtk::Unit& si2, galtk::Unit& si1) {
    DiskParameters p;
    galtk::read_list(si2, {"record 1 (dmass)"}, p.dmass);
    galtk::read_list(si2, {"record 2 (rmax, zmax)"}, p.rmax, p.zmax);
    // The first value of record 3 is a scale length that "si1.dat" supersedes.
    galtk::read_list(si2, {"record 3 (hr, hz)"}, p.hr, p.hz);
    galtk::read_list(si2, {"record 4 (numd)"}, p.numd);
    galtk::read_list(si1, {"record 1 (fref)"}, p.fref);
    galtk::read_list(si1, {"record 2 (hr)"}, p.hr);
    galtk::read_list(si1, {"record 3 (nref)"}, p.nref);
    return p;
}

std::int32_t derive_numd(galtk::Run& run, const DiskParameters& p) {
    std::int32_t numd = p.numd;
    if (p.fref != 0.0f) {  // a NaN fraction counts as not 0
        // nref converted to real first; the quotient is rounded to single precision
        // before the truncation (fref 0.1, nref 1000: 8999.9998... -> 9000.0 -> 9000).
        const float nref = static_cast<float>(p.nref);
        const float quotient = f32(((1.0 - d(p.fref)) * d(nref)) / d(p.fref));
        const auto derived = galtk::truncate_to_int(quotient);
        if (!derived)
            run.refuse("the disk count numd = ((1 - fref) * nref) / fref = " + real_text(quotient) +
                                 " is not a number or beyond the integer range");
        numd = *derived;
    }
    if (numd < 0)
        run.refuse("the disk count numd = " + std::to_string(numd) +
                             " is negative (record 4 of si2.para, or fref outside 0 to 1)");
    return numd;
}

}  // namespace diskgen
