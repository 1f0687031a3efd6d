// Rounding model of the disk generator.
//
// Every named quantity is a single-precision real. The arithmetic of one formula is
// carried in double and rounded once, when the formula's result is stored. A call of
// exp, sin, cos or pow is a boundary inside a formula: its argument is a single-precision
// value, the function is evaluated in double, and its result is rounded to single
// precision before the formula goes on. The square root is no such boundary.
#pragma once

#include <cmath>

namespace diskgen {

// Carries a single-precision value into the double arithmetic of a formula.
inline double d(float v) { return static_cast<double>(v); }
// Stores the result of a formula as a named single-precision quantity.
inline float f32(double v) { return static_cast<float>(v); }

// The mathematical functions, each on a single-precision argument, result rounded.
inline float exp_f(float a) { return f32(std::exp(d(a))); }
inline float sin_f(float a) { return f32(std::sin(d(a))); }
inline float cos_f(float a) { return f32(std::cos(d(a))); }
inline float pow_f(float a, float b) { return f32(std::pow(d(a), d(b))); }

// The single-precision value of pi used throughout the disk formulas.
constexpr float pi = 3.1415927f;

}  // namespace diskgen
