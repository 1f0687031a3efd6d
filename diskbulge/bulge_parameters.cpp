#include "bulge_parameters.hpp"

#include <limits>
#include <string>

#include "list_reader.hpp"
#include "numeric.hpp"

namespace diskbulge {

BulgeParameters read_parameters(galtk::Unit& si1) {
    // Records 1 to 9 describe the other components of a full model; they are read in
    // their types and not used here.
    std::int32_t ignored_int = 0;
    float ignored_real = 0.0f;
    galtk::read_list(si1, {"record 1"}, ignored_int);
    galtk::read_list(si1, {"record 2"}, ignored_real);
    galtk::read_list(si1, {"record 3"}, ignored_int);
    for (int record = 4; record <= 7; ++record) galtk::read_list(si1, {"record", record}, ignored_real);
    galtk::read_list(si1, {"record 8"}, ignored_int);
    galtk::read_list(si1, {"record 9"}, ignored_real);
    BulgeParameters p;
    galtk::read_list(si1, {"record 10 (fbul)"}, p.fbul);
    galtk::read_list(si1, {"record 11 (bscale)"}, p.bscale);
    return p;
}

std::int32_t bulge_count(galtk::Run& run, std::int32_t num, float fbul, std::int32_t nbu) {
    const double product = static_cast<double>(static_cast<float>(num)) * static_cast<double>(fbul);
    const auto numb = galtk::truncate_to_int(product);
    if (!numb)
        run.refuse("the bulge count numb = num * fbul is not a number or beyond the integer range (num " +
                   std::to_string(num) + ")");
    if (*numb < 0 || *numb > nbu)
        run.refuse("the bulge count numb = " + std::to_string(*numb) + " must lie between 0 and nbu = " +
                   std::to_string(nbu) + ", the number of positions in sip3.dat");
    if (*numb > std::numeric_limits<std::int32_t>::max() - num)
        run.refuse("num + numb = " + std::to_string(std::int64_t{num} + *numb) +
                   " particles exceed the integer range of a snapshot count");
    return *numb;
}

}  // namespace diskbulge
