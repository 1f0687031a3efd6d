#include "check_run.hpp"

#include <chrono>
#include <cmath>
#include <numeric>

#include "parallel_for.hpp"

namespace galtk::galvel {

namespace {

double since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

double estimated_steps(const CheckSample& sample, const AxisymmetricField& field, double duration,
                       double step_fraction) {
    double steps = 0.0;
    for (const Orbit& o : sample.orbits) {
        const double period = local_period(o, field.at(std::hypot(o.x, o.y), o.z));
        steps += std::isfinite(period) ? duration / (step_fraction * period) : 1.0;
    }
    return steps;
}

bool CheckResult::flagged(std::size_t figure) const {
    const double c = change(figure);
    return std::isfinite(c) && std::isfinite(noise[figure]) && std::fabs(c) > flag_noise_multiple * noise[figure];
}

CheckResult run_check(CheckSample& sample, const AxisymmetricField& field, std::vector<FigureDefinition> defs,
                      double duration, int threads, int intervals, double step_fraction) {
    CheckResult r;
    r.duration = duration;
    r.defs = std::move(defs);
    r.sample = sample.size();
    r.model = std::accumulate(sample.in_model.begin(), sample.in_model.end(), std::size_t{0});
    auto start = std::chrono::steady_clock::now();
    r.noise = bootstrap_noise(r.defs, sample);
    for (double& n : r.noise) n *= std::sqrt(2.0);
    r.times.push_back(0.0);
    r.values.push_back(measure(r.defs, sample));
    r.seconds_figures += since(start);
    std::vector<std::size_t> steps(sample.size(), 0);
    const double interval = duration / intervals;
    for (int k = 1; k <= intervals; ++k) {
        start = std::chrono::steady_clock::now();
        parallel_for(sample.size(), threads,
                     [&](std::size_t j) { steps[j] += advance(sample.orbits[j], field, interval, step_fraction); });
        r.seconds_orbits += since(start);
        start = std::chrono::steady_clock::now();
        r.times.push_back(k == intervals ? duration : k * interval);
        r.values.push_back(measure(r.defs, sample));
        r.seconds_figures += since(start);
    }
    r.steps = std::accumulate(steps.begin(), steps.end(), std::size_t{0});
    return r;
}

}  // namespace galtk::galvel
