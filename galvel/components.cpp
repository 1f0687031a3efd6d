#include "components.hpp"

#include <algorithm>
#include <map>
#include <string>

#include "refusal.hpp"

namespace galtk::galvel {

namespace {

// "2 (44002), 3 (8000)": the codes a model has, for a refusal that names a missing one.
std::string type_census(const ParticleSet& set) {
    std::map<std::int32_t, std::size_t> count;
    for (const std::int32_t t : set.type) ++count[t];
    std::string s;
    for (const auto& [t, n] : count) s += (s.empty() ? "" : ", ") + std::to_string(t) + " (" + std::to_string(n) + ")";
    return s.empty() ? "none" : s;
}

// new[k] = old[order[k]] for k < order.size(), on one per-particle array (empty: none).
template <class T>
void gather(std::vector<T>& values, const FileOrder& order, std::vector<T>& scratch) {
    if (values.empty()) return;
    scratch.resize(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) scratch[k] = values[order[k]];
    std::copy(scratch.begin(), scratch.end(), values.begin());
}

// old[order[k]] = new[k]: the inverse of gather.
template <class T>
void scatter(std::vector<T>& values, const FileOrder& order, std::vector<T>& scratch) {
    if (values.empty()) return;
    scratch.assign(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(order.size()));
    for (std::size_t k = 0; k < order.size(); ++k) values[order[k]] = scratch[k];
}

// Every per-particle array of the set, one scratch buffer per element type so that the
// largest array is copied once at a time.
template <class Move>
void each_array(ParticleSet& set, Move&& move) {
    std::vector<Vec3> v3;
    std::vector<float> f;
    std::vector<std::int32_t> i;
    std::vector<std::uint64_t> u;
    move(set.pos, v3);
    move(set.vel, v3);
    move(set.mass, f);
    move(set.type, i);
    move(set.id, u);
    move(set.internal_energy, f);
    move(set.density, f);
    move(set.smoothing_length, f);
}

void check_named(const ParticleSet& set, const char* option, std::int32_t code, std::size_t count) {
    if (count == 0)
        throw Refusal(std::string(option) + " " + std::to_string(code) + ": no particle of the model has type " +
                      std::to_string(code) + " (its types and counts: " + type_census(set) + ")");
}

// Gas a file holds (type 0 with its hydrodynamic fields, as galvel's own --gas output
// has) is no disk population: drawn as stars it would lose its fields and its code. The
// disk is "every other particle" here, so such a gas is refused rather than taken in.
void refuse_held_gas(const ParticleSet& set, const ComponentChoice& choice) {
    constexpr std::int32_t gas_code = 0;
    if (!set.has_gas_fields() || choice.bulge_type == gas_code || choice.halo_type == gas_code) return;
    const auto gas = static_cast<std::size_t>(std::count(set.type.begin(), set.type.end(), gas_code));
    if (gas > 0)
        throw Refusal("the model holds " + std::to_string(gas) +
                      " gas particles (type 0 with gas fields), which would become disk stars: galvel gives velocities "
                      "to stars and to the gas disk it adds itself (--gas), not to a gas the file holds");
}

}  // namespace

ComponentRanges group_components(ParticleSet& set, const ComponentChoice& choice, FileOrder& order) {
    order.clear();
    const std::size_t n = set.size();
    ComponentRanges r;
    refuse_held_gas(set, choice);
    if (!choice.by_type()) {
        if (choice.bulge_last > n)
            throw Refusal("--bulge " + std::to_string(choice.bulge_last) + " is more than the model's " +
                          std::to_string(n) + " particles");
        r.disk = n - choice.bulge_last;
        r.bulge = choice.bulge_last;
        return r;
    }
    // 0 disk population, 1 bulge, 2 halo.
    const auto group = [&](std::int32_t t) {
        if (choice.bulge_type && t == *choice.bulge_type) return 1;
        if (choice.halo_type && t == *choice.halo_type) return 2;
        return 0;
    };
    std::size_t count[3] = {};
    for (const std::int32_t t : set.type) ++count[group(t)];
    if (choice.bulge_type) check_named(set, "--bulge-type", *choice.bulge_type, count[1]);
    if (choice.halo_type) check_named(set, "--halo-type", *choice.halo_type, count[2]);
    r.disk = count[0];
    r.bulge = count[1];
    r.halo = count[2];
    order.resize(n);
    std::size_t next[3] = {0, count[0], count[0] + count[1]};
    bool moved = false;
    for (std::size_t j = 0; j < n; ++j) {
        const std::size_t k = next[group(set.type[j])]++;
        order[k] = j;
        moved = moved || k != j;
    }
    if (!moved) {
        order.clear();   // already grouped: the run's order is the file's
        return r;
    }
    each_array(set, [&](auto& values, auto& scratch) { gather(values, order, scratch); });
    return r;
}

void restore_file_order(ParticleSet& set, const FileOrder& order) {
    if (order.empty()) return;
    each_array(set, [&](auto& values, auto& scratch) { scatter(values, order, scratch); });
}

}  // namespace galtk::galvel
