#include "parameter_pairs.hpp"

#include <algorithm>

#include "list_reader.hpp"
#include "list_writer.hpp"

namespace projmap {

namespace {
// The count comes from a file and may be far larger than the pairs that follow it:
// reserve no more than this up front and grow as the pairs are actually read.
constexpr std::int32_t reserve_limit = 1 << 20;
}

std::int32_t read_pair_count(galtk::Run& run) {
    std::int32_t npairs = 0;
    galtk::read_list(run.unit(31), {"number of parameter pairs (npairs)"}, npairs);
    galtk::write_list(run.unit(32), npairs);
    return npairs;
}

ParameterPairs read_parameter_pairs(galtk::Run& run, std::int32_t npairs) {
    std::vector<Pair> store;
    store.reserve(static_cast<std::size_t>(std::clamp(npairs, 0, reserve_limit)));
    galtk::Unit& denve = run.unit(31);
    for (std::int64_t n = 1; n <= npairs; ++n) {
        Pair p;
        galtk::read_list(denve, {"parameter pair of model", n}, p.first, p.second);
        store.push_back(p);
    }
    return ParameterPairs(std::move(store));
}

}  // namespace projmap
