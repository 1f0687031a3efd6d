#include "parameter_pairs.hpp"

#include <algorithm>

#include "list_reader.hpp"
#include "reserve.hpp"

namespace projmap {

std::int32_t read_pair_count(galtk::Unit& denve) {
    std::int32_t npairs = 0;
    galtk::read_list(denve, {"number of parameter pairs (npairs)"}, npairs);
    return npairs;
}

ParameterPairs read_parameter_pairs(galtk::Unit& denve, std::int32_t npairs) {
    std::vector<Pair> store;
    galtk::reserve_rows(store, static_cast<std::size_t>(std::max(npairs, 0)));
    for (std::int64_t n = 1; n <= npairs; ++n) {
        Pair p;
        galtk::read_list(denve, {"parameter pair of model", n}, p.first, p.second);
        store.push_back(p);
    }
    return ParameterPairs(std::move(store));
}

}  // namespace projmap
