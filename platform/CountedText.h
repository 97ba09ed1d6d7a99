#pragma once
// A number with its noun: "1 ban", "3 bans".

#include <cstdint>
#include <string>

namespace th {

inline std::string counted(int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace th
