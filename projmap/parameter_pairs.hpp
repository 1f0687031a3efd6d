// The parameter pair of every model, from "denve.dat" (parsample's table: the count,
// then the two scaled parameters of each model).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "unit.hpp"

namespace projmap {

struct Pair {
    float first = 0.0f;
    float second = 0.0f;
};

class ParameterPairs {
public:
    explicit ParameterPairs(std::vector<Pair> pairs) : pairs_(std::move(pairs)) {}

    // Model n's pair; models beyond the pairs read are paired with 0.0 and 0.0.
    Pair of_model(std::int64_t n) const {
        if (n >= 1 && static_cast<std::uint64_t>(n) <= pairs_.size()) return pairs_[n - 1];
        return {};
    }

private:
    std::vector<Pair> pairs_;
};

// Reads `npairs`, the first record of "denve.dat".
std::int32_t read_pair_count(galtk::Unit& denve);
// Reads the `npairs` pairs that follow the count (none when npairs is below 1).
ParameterPairs read_parameter_pairs(galtk::Unit& denve, std::int32_t npairs);

}  // namespace projmap
