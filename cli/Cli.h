#pragma once
// tallyhound-cli: the program's commands without the window.

#include <ostream>

namespace th::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitRunTime = 1;
inline constexpr int kExitUsage = 2;

int run(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace th::cli
