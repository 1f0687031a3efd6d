// List-directed reading: one read fills an ordered list of integer and real
// destinations from as many lines as it needs.
//
//   read_list(unit, {"dmass"}, dmass);
//   read_list(unit, {"particle record", i}, x, y, z, vx, vy, vz, type);
//   read_list(unit, {"softening lengths"}, reals(hpar));
//
// Values are separated by blanks (tabs and carriage returns count as blanks), by a
// comma with optional blanks around it, or by the line end. Accepted forms: signed
// integers; reals in integer, fixed-point or exponent form (E or D), Infinity, Inf and
// NaN in any case; repeat forms r*c and r*; an empty field between commas (a null value,
// the destination keeps its value); a slash ends the read. Once the last destination is
// filled the rest of the line is discarded. A failure ends the run with a diagnostic.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "unit.hpp"
#include "value_lists.hpp"
#include "what.hpp"

namespace galtk {

struct Dest {
    enum Kind : std::uint8_t { Integer, Real } kind;
    void* target;
    Dest(std::int32_t& v) : kind(Integer), target(&v) {}
    Dest(float& v) : kind(Real), target(&v) {}
};

// One read into the destinations in order.
void read_list(Unit& unit, const What& what, std::span<const Dest> dests);


namespace detail {
inline void add_dest(std::vector<Dest>& d, std::int32_t& v) { d.emplace_back(v); }
inline void add_dest(std::vector<Dest>& d, float& v) { d.emplace_back(v); }
inline void add_dest(std::vector<Dest>& d, RealList l) { for (float& v : l.values) d.emplace_back(v); }
inline void add_dest(std::vector<Dest>& d, IntegerList l) { for (std::int32_t& v : l.values) d.emplace_back(v); }
template <class T> constexpr bool is_scalar_dest = std::is_same_v<T, std::int32_t> || std::is_same_v<T, float>;
}  // namespace detail

template <class... D>
void read_list(Unit& unit, const What& what, D&&... dests) {
    if constexpr (sizeof...(D) == 0) {
        read_list(unit, what, std::span<const Dest>());
    } else if constexpr ((detail::is_scalar_dest<std::remove_reference_t<D>> && ...)) {
        // Fixed destinations: no allocation, the hot path of particle records.
        const Dest list[sizeof...(D)] = {Dest(dests)...};
        read_list(unit, what, std::span<const Dest>(list, sizeof...(D)));
    } else {
        std::vector<Dest> list;
        (detail::add_dest(list, dests), ...);
        read_list(unit, what, std::span<const Dest>(list));
    }
}

}  // namespace galtk
