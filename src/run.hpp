// The tool's entry: the command line and the order of a run.
#pragma once

#include "console.hpp"

namespace dozovor {

// Converts a coordinate argument: optional leading white space and sign, decimal digits with at
// most one point, an optional exponent introduced by e, E, d or D. The number ends at the first
// character that does not continue it; text without a leading digit gives 0. Too large a
// magnitude gives an infinity of the number's sign, a tiny one gives 0. Never fails.
double parse_coordinate(const char* text);

// Prints the usage text.
void print_usage(Console& console);

// Runs the whole tool on the command line and returns the exit status: 0 after a completed
// clip, -1 after the usage text or any failure (its message printed).
int run(int argc, const char* const* argv, Console& console);

}  // namespace dozovor
