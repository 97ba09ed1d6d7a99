#pragma once
// The check of an option that takes a number within bounds, added with transform (it
// drops a whole number's leading zeros, which the parser reads as octal). A value it
// refuses is answered in plain words ("--threads: x is not a whole number from 1 to
// 1024"), not with the parser's own wording.

#include <CLI/CLI.hpp>

namespace th::cli {

// low and high bound the number; whole asks for a whole one. The bounds are written as
// they would be typed (1024, 0.05, 1000000).
CLI::Validator numberFrom(double low, double high, bool whole = false);

}  // namespace th::cli
