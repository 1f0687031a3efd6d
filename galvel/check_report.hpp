// --check on a model galvel has just given velocities: the frozen field tabulated, the
// sample picked and followed; its summary lines and its table file (--check-output).
//
// The table (text): '#' lines first, then one row per time:
//   # galvel check: duration T, N of M particles, K intervals, step 1/100 of the local period
//   # columns: t disk_r10 disk_r50 ...
//   # noise: 0 n1 n2 ...          (the noise of a change of each figure; 0 under t)
//   t v1 v2 ...
#pragma once

#include <string>
#include <vector>

#include "check_run.hpp"
#include "equilibrium.hpp"
#include "output_file.hpp"
#include "particle_set.hpp"

namespace galtk::galvel {

// Tabulates the outcome's field, picks the sample of `set` and follows it for `duration`.
CheckResult check_model(const ParticleSet& set, const Outcome& outcome, double duration, int threads);

// The lines the summary adds (without the program's name): what was run, one line per
// component with each figure's change and noise, and the verdict.
std::vector<std::string> check_lines(const CheckResult& r);

// Writes the table into `out` (the caller commits it with the other outputs).
void write_check_table(OutputFile& out, const CheckResult& r);

}  // namespace galtk::galvel
