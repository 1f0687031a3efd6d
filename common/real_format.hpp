// Text form of a single-precision real: nine significant digits, correctly rounded,
// which is always enough for the text to read back to the same float. Fixed-point for
// 1e-3 <= |x| < 1e9 (trailing zeros of the fraction dropped, at least one digit after
// the point), exponent form otherwise ("1.5E-07"); "Infinity", "-Infinity", "NaN".
#pragma once

namespace galtk {

constexpr int real_text_max = 16;  // longest text format_real produces, e.g. -1.23456789E-38

// Writes the text at `out` and returns the end; never more than real_text_max bytes.
char* format_real(float value, char* out);

}  // namespace galtk
