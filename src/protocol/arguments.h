// Argument parsing for command lines, with scanf-like patterns but defined
// behaviour on every input.
//
// Pattern language: "%d" skips white space and reads an optionally signed
// decimal integer; a blank matches any run of white space, including none; any
// other character must be the very next input character. Parsing stops at the
// first mismatch; the result is the count of numbers converted. Numbers beyond
// the 32-bit range saturate at INT32_MIN / INT32_MAX instead of overflowing.
#pragma once

#include <cstdint>

namespace protocol {

// Parses text against pattern, storing up to maxValues numbers into values.
int parseArguments(const char* text, const char* pattern, int32_t* values, int maxValues);

// Converts a value text as INFO does: white space, an optional sign, the digits
// that follow; no digits give 0; out-of-range values saturate.
int32_t parseInteger(const char* text);

}  // namespace protocol
