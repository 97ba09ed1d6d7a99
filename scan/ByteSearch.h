#pragma once
// The two searches a scan spends its time in: finding a literal text in a block and
// counting line ends. Both look at 16 bytes a step where the processor allows.

#include <cstddef>
#include <string_view>

namespace th {

// The first occurrence of needle in [p, end), or nullptr. An empty needle is found at p.
const char* findLiteral(const char* p, const char* end, std::string_view needle);

// How many bytes of [p, end) equal c.
size_t countByte(const char* p, const char* end, char c);

}  // namespace th
