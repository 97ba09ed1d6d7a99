#pragma once
// The searches a scan spends its time in: finding a literal text and counting line ends.
// They look at 32 or 16 bytes a step where the processor allows (AVX2 or SSE2, chosen
// when the program runs).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace th {

// How far the searches look in one step: as far as the processor allows (the default),
// or less, so that tests and benchmarks can reach every path. The results never differ.
enum class SearchWidth : uint8_t { Widest, Sixteen, Bytewise };
void setSearchWidth(SearchWidth width);

// The first occurrence of needle in [p, end), or nullptr. An empty needle is found at p.
const char* findLiteral(const char* p, const char* end, std::string_view needle);

// How many bytes of [p, end) equal c.
size_t countByte(const char* p, const char* end, char c);

// Finds a literal by the two of its bytes that are rarest in server logs, so that almost
// nothing but the literal itself is ever compared in full, and counts the line ends it
// passes on the way: one read of the text does both.
class LiteralSearch {
  public:
    explicit LiteralSearch(std::string_view literal);

    // The first occurrence of the literal lying wholly in [p, end), or nullptr. Adds to
    // lineEnds the LF bytes of [p, occurrence), or of [p, end) when there is none.
    const char* find(const char* p, const char* end, uint64_t& lineEnds) const;

    const std::string& literal() const { return literal_; }

  private:
    std::string literal_;
    size_t rare0_ = 0, rare1_ = 0;
};

}  // namespace th
