#include "bar_ellipse.hpp"

#include <math.h>

namespace galmix {

namespace {
// Read through a volatile so that the value is only known at run time: powf stays a
// real call instead of becoming a multiplication.
float exponent_two() {
    volatile float two = 2.0f;
    return two;
}
}  // namespace

BarEllipse::BarEllipse(float bara, float barb)
    : exponent_(exponent_two()), bara_squared_(::powf(bara, exponent_)), barb_squared_(barb * barb) {}

bool BarEllipse::contains(float x, float y) const {
    const float e = (y * y) / barb_squared_ + ::powf(x, exponent_) / bara_squared_;
    return e <= 1.0f;
}

}  // namespace galmix
