// The number of CPUs this process may run on: those of its affinity mask, which a Slurm
// job, a Snakemake rule or taskset narrows, not every core of the machine.
#pragma once

namespace galtk {

// At least 1. Falls back to std::thread::hardware_concurrency() where the mask cannot be read.
int available_cpus();

}  // namespace galtk
