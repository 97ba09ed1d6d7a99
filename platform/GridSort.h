#pragma once
// The grid's generic sort: rows ordered by several key cells, left to right, numbers
// before texts, numbers by value, texts without regard to ASCII case and then by bytes;
// rows with equal keys keep their order. Made for millions of rows: each key's distinct
// values are ranked once and rows placed by rank, and only short runs of rows sharing
// their first keys are sorted by comparison.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace th {

// <0, 0 or >0 in the generic order.
int compareCells(std::string_view a, std::string_view b);
bool holdsNumber(std::string_view text);

// How the sort reads the rows it orders.
class SortKeys {
  public:
    virtual ~SortKeys() = default;
    virtual size_t count() const = 0;
    // The cell of key k in row.
    virtual std::string_view cell(uint32_t row, size_t k) const = 0;
    // The cells of keys [first, count()) in row, into out.
    virtual void cells(uint32_t row, size_t first, std::string_view* out) const = 0;
    // A hint that row's cells are wanted soon: rows in key order lie all over memory.
    virtual void prefetch(uint32_t) const {}
};

// Puts rows (any numbers that keys can read) in the generic order of their keys, on up
// to threads threads; keys must allow reading from several at once.
void sortByKeys(std::span<uint32_t> rows, const SortKeys& keys, unsigned threads = 1);

}  // namespace th
