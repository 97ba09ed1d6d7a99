#pragma once
// The grid's cell bytes, row after row in large blocks: a row costs its cells' bytes, a
// length byte per short cell and eight bytes in the grid's row table, where a string of
// its own would cost a heap block and its header. A row's place never changes while it
// is stored, so the row table can be sorted and cut without touching the cells.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace th {

class CellStore {
  public:
    static constexpr uint32_t kNoBlock = 0xFFFFFF;  // a row without cells

    CellStore() = default;
    CellStore(const CellStore& other);
    CellStore& operator=(const CellStore& other);
    CellStore(CellStore&&) noexcept = default;
    CellStore& operator=(CellStore&&) noexcept = default;

    // Room for n bytes in one piece; block and offset say where, for at().
    char* append(size_t n, uint32_t& block, uint32_t& offset);
    // A copy of the text that stays where it is for as long as the store holds it.
    std::string_view keep(std::string_view text);
    const char* at(uint32_t block, uint32_t offset) const {
        return blocks_[block].data.get() + offset;
    }

    // Takes over other's values, which stay where they are (their block numbers change).
    void take(CellStore&& other);

    // Bytes handed out since the store was made or cleared.
    size_t used() const { return used_; }
    void clear();

  private:
    struct Block {
        std::unique_ptr<char[]> data;
        size_t size = 0, capacity = 0;
    };
    std::vector<Block> blocks_;
    size_t used_ = 0;
};

}  // namespace th
