#include "deviates.hpp"

#include <cmath>
#include <numbers>

#include "ran1.hpp"

namespace galtk::galvel {

// A negative seed makes ran1 (re)build its shuffle table from |seed|: the stream is the
// same whatever the generator did before in this process.
Deviates::Deviates(std::int32_t seed) : state_(-seed) {}

double Deviates::uniform() { return ran1(state_); }

double Deviates::normal() {
    if (have_spare_) {
        have_spare_ = false;
        return spare_;
    }
    const double u1 = ran1(state_);
    const double u2 = ran1(state_);
    const double radius = std::sqrt(-2.0 * std::log(u1));
    const double angle = 2.0 * std::numbers::pi * u2;
    spare_ = radius * std::sin(angle);
    have_spare_ = true;
    return radius * std::cos(angle);
}

}  // namespace galtk::galvel
