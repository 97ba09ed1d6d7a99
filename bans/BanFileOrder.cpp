#include "bans/BanFileOrder.h"

#include "bans/GuidKey.h"
#include "platform/TimeStamp.h"

namespace th {

namespace {

// Where a stamp's year, month, day and time stand, in the order they count.
struct Stretch {
    size_t at, size;
};
constexpr Stretch kMomentOrder[] = {{7, 4}, {1, 2}, {4, 2}, {12, 8}};

constexpr uint64_t kOtherShape = uint64_t{1} << 63;

}  // namespace

uint64_t banFileHead(std::string_view stamp) {
    uint64_t head = 0;
    if (isStamp(stamp)) {
        // Its fourteen digits in moment order: below 10^14, far below the other shapes.
        for (const Stretch& s : kMomentOrder)
            for (char c : stamp.substr(s.at, s.size))
                if (c >= '0' && c <= '9') head = head * 10 + static_cast<uint64_t>(c - '0');
        return head;
    }
    // The first seven bytes, a shorter stamp's made up with zero bytes, which sort first.
    for (size_t i = 0; i < 7; ++i)
        head = head << 8 | (i < stamp.size() ? static_cast<unsigned char>(stamp[i]) : 0u);
    return kOtherShape | head;
}

int compareInBanFile(std::string_view stampA, std::string_view guidA, std::string_view stampB,
                     std::string_view guidB) {
    const bool shapedA = isStamp(stampA), shapedB = isStamp(stampB);
    if (shapedA != shapedB) return shapedA ? -1 : 1;
    if (shapedA) {
        for (const Stretch& s : kMomentOrder)
            if (int c = stampA.substr(s.at, s.size).compare(stampB.substr(s.at, s.size))) return c;
    } else if (int c = stampA.compare(stampB)) {
        return c;
    }
    return compareGuids(guidA, guidB);
}

}  // namespace th
