// The toolkit's text files as particle sets, read and written with the frame's
// list-directed reader and writer (common/), so every real keeps its bits.
//
// Snapshot: line 1 `ntot thead`, line 2 `ncomp`, line 3 softening lengths, line 4 type
// masses (each list as many entries as its line holds: diskgen writes ncomp 4 with five,
// galmix 4 with four), then per particle `x y z vx vy vz type`, or with an eighth item,
// the particle's own mass (galmix). Whether the records carry eight items is decided by
// the first record's line.
//
// Writing: the header as read when the set came from a text snapshot. Otherwise it is
// derived: max(5, largest type code + 1) entries per list (ncomp 4 for five entries, as
// diskgen writes, else the entry count: galmix reads five entries, diskbulge ncomp), the
// set's softening lengths (0 where unknown) and per type the mass all its particles share
// (0 when they differ). Records carry 7 items when every particle's mass equals the
// header mass of its type bit for bit and the set did not come from 8-item records;
// otherwise 8.
#pragma once

#include <filesystem>

#include "output_file.hpp"
#include "snapshot_io.hpp"

namespace galtk {

ParticleSet read_text_snapshot(const std::filesystem::path& path, const ReadOptions& options);
// Position list: line 1 the count, then `x y z` per line; zero velocities, the mass and
// type code of `options`.
ParticleSet read_position_list(const std::filesystem::path& path, const ReadOptions& options);

// The number of values one line gives a list-directed read (repeat forms counted, a
// slash ends it), at most `cap`.
std::size_t count_list_values(std::string_view line, std::size_t cap);

// Whether the first line of a text file holds exactly one value (a position list).
bool first_line_has_one_value(const std::filesystem::path& path);

// Positions moved by position_shift(options) (see snapshot_io.hpp).
void write_text_snapshot(OutputFile& out, const ParticleSet& set, const WriteOptions& options);

}  // namespace galtk
