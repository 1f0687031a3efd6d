#include "available_cpus.hpp"

#include <sched.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace galtk {

int available_cpus() {
    // The kernel refuses a mask smaller than its own (EINVAL): grow it until one fits.
    for (int cpus = 1024; cpus <= (1 << 20); cpus *= 2) {
        cpu_set_t* mask = CPU_ALLOC(cpus);
        if (!mask) break;
        const std::size_t size = CPU_ALLOC_SIZE(cpus);
        CPU_ZERO_S(size, mask);
        const int status = sched_getaffinity(0, size, mask);
        const int count = status == 0 ? CPU_COUNT_S(size, mask) : 0;
        const int error = errno;
        CPU_FREE(mask);
        if (status == 0) return std::max(count, 1);
        if (error != EINVAL) break;
    }
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace galtk
