#include "platform/CellStore.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

namespace th {

namespace {

// Large enough that the block table stays small, small enough that a grid of a few rows
// touches little memory: pages of a block are only taken as rows fill them.
constexpr size_t kBlockSize = 1u << 20;
constexpr size_t kFirstBlockSize = 4096;

}  // namespace

CellStore::CellStore(const CellStore& other) : used_(other.used_) {
    blocks_.reserve(other.blocks_.size());
    for (const Block& b : other.blocks_) {
        Block copy{std::make_unique_for_overwrite<char[]>(b.capacity), b.size, b.capacity};
        std::memcpy(copy.data.get(), b.data.get(), b.size);
        blocks_.push_back(std::move(copy));
    }
}

CellStore& CellStore::operator=(const CellStore& other) {
    if (this != &other) *this = CellStore(other);
    return *this;
}

char* CellStore::append(size_t n, uint32_t& block, uint32_t& offset) {
    if (n > UINT32_MAX) throw std::bad_alloc();
    if (blocks_.empty() || blocks_.back().capacity - blocks_.back().size < n) {
        if (blocks_.size() >= kNoBlock) throw std::bad_alloc();
        // Each block twice the last, up to kBlockSize: a store of a few values takes little
        // and a large one soon takes whole blocks. A row larger than a block gets its own.
        const size_t next =
            blocks_.empty() ? kFirstBlockSize : std::min(kBlockSize, 2 * blocks_.back().capacity);
        const size_t capacity = std::max(n, next);
        blocks_.push_back({std::make_unique_for_overwrite<char[]>(capacity), 0, capacity});
    }
    Block& b = blocks_.back();
    block = static_cast<uint32_t>(blocks_.size() - 1);
    offset = static_cast<uint32_t>(b.size);
    b.size += n;
    used_ += n;
    return b.data.get() + offset;
}

std::string_view CellStore::keep(std::string_view text) {
    if (text.empty()) return {};
    uint32_t block = 0, offset = 0;
    char* at = append(text.size(), block, offset);
    std::memcpy(at, text.data(), text.size());
    return {at, text.size()};
}

void CellStore::take(CellStore&& other) {
    if (blocks_.size() + other.blocks_.size() >= kNoBlock) throw std::bad_alloc();
    blocks_.insert(blocks_.end(), std::make_move_iterator(other.blocks_.begin()),
                   std::make_move_iterator(other.blocks_.end()));
    used_ += other.used_;
    other.clear();
}

void CellStore::clear() {
    blocks_.clear();
    used_ = 0;
}

}  // namespace th
