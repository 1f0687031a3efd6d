#include "bulge_parameters.hpp"

#include <limits>
#include <string>

#include "numeric.hpp"
#include "structural_records.hpp"

namespace diskbulge {

BulgeParameters read_parameters(galtk::Unit& si1) {
    namespace record = galtk::record;
    galtk::StructuralRecords records;
    records.read(si1, galtk::bulge_records, "record", {record::fbul, record::bscale});
    return BulgeParameters{records.real(record::fbul), records.real(record::bscale)};
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
