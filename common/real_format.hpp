// Text form of a single-precision real: nine significant digits, correctly rounded,
// which is always enough for the text to read back to the same float; trailing zeros of
// the fraction are dropped. Fixed-point for 1e-3 <= |x| < 1e9 ("0.415999353", "3000.0"),
// exponent form otherwise ("1.50000006E-07", "1.0E+10"); "Infinity", "-Infinity", "NaN".
#pragma once

namespace galtk {

constexpr int real_text_max = 15;   // longest text format_real produces: -1.23456789E-38
constexpr int real_text_room = 32;  // room format_real_in_room may touch at `out`

// Writes the text at `out` (at most real_text_max bytes) and returns its end.
char* format_real(float value, char* out);

// The same for writers with room to spare: it writes in fixed-size blocks, so bytes
// after the returned end, up to out + real_text_room, may be overwritten.
char* format_real_in_room(float value, char* out);

}  // namespace galtk
