// The structural parameter records of a galaxy model: "sh1.para" holds 21 one-value
// records, "si1.para" the first 11 of the same layout. Records 1, 3 and 8 are integers,
// the others reals. The programs use the named ones below; the rest describe parts of a
// model that no program here reads, but each must be present and of its type.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>

#include "unit.hpp"

namespace galtk {

namespace record {
constexpr int fspi = 6;     // mass fraction of the spiral arms
constexpr int fbul = 10;    // bulge: mass fraction (galmix) or particles per disk particle (diskbulge)
constexpr int bscale = 11;  // factor on the bulge positions as they are read
constexpr int fbar = 13;    // mass fraction of the bar
constexpr int bara = 14;    // bar ellipse semi-axis along the first coordinate
constexpr int barb = 15;    // ... along the second
constexpr int fr1 = 16;     // mass fraction of the inner ring
constexpr int fr2 = 19;     // mass fraction of the outer ring
}  // namespace record

constexpr int structural_records = 21;  // records of "sh1.para"
constexpr int bulge_records = 11;       // records of "si1.para"

class StructuralRecords {
public:
    static bool is_integer_record(int k) { return k == 1 || k == 3 || k == 8; }

    // Real record k (1-based); k must be a real record.
    float& real(int k) { return real_[k - 1]; }
    float real(int k) const { return real_[k - 1]; }

    // Reads records 1 to `count`, one read per record in record order (whatever follows
    // the value on a line is skipped); a value that does not fit its record's type ends
    // the run. Diagnostics call record k "<label> k", or "<label> k (<name>)" for each k
    // in `named` (records that the reading program uses).
    void read(Unit& in, int count, const char* label, std::initializer_list<int> named = {});
    // Writes records 1 to `count`, one line each, integers as integers and reals as reals.
    void write(Unit& out, int count) const;

private:
    // A record keeps one slot of each kind; only the one of its type is used. Every
    // value starts at zero, so a null value leaves 0 there.
    std::array<std::int32_t, structural_records> integer_{};
    std::array<float, structural_records> real_{};
};

}  // namespace galtk
