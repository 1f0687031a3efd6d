// The 21 one-value records of the structural parameter file "sh1.para" (and of its
// template "sh1.para0"), each held with the type of its record: records 1, 3 and 8 are
// integers, all others reals.
#pragma once

#include <array>
#include <cstdint>

#include "unit.hpp"

namespace parsub {

constexpr int nrecords = 21;

class StructuralRecords {
public:
    static bool is_integer_record(int k) { return k == 1 || k == 3 || k == 8; }

    // Real record k (1-based); k must be a real record.
    float& real(int k) { return real_[k - 1]; }

    // One read per record, in record order; whatever follows the value on a line is
    // skipped. A value that does not fit its record's type ends the run.
    void read(galtk::Unit& in);
    // One line per record, integers as integers and reals as reals.
    void write(galtk::Unit& out) const;

private:
    // A record keeps one slot of each kind; only the one of its type is used. Every
    // value starts at zero, so a null value in the template leaves 0 there.
    std::array<std::int32_t, nrecords> integer_{};
    std::array<float, nrecords> real_{};
};

}  // namespace parsub
