#include "bans/GuidKey.h"

#include <cstring>

namespace th {

namespace {
char folded(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Where the bytes of a and b first differ, from i on, up to n: eight bytes at a time, as
// GUIDs mostly meet as the same bytes (one player in the file and in the grid).
size_t firstDifference(std::string_view a, std::string_view b, size_t i, size_t n) {
    for (; i + 8 <= n; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, a.data() + i, 8);
        std::memcpy(&y, b.data() + i, 8);
        if (x != y) break;
    }
    while (i < n && a[i] == b[i]) ++i;
    return i;
}
}  // namespace

void appendGuidKey(std::string& out, std::string_view guid) {
    const size_t start = out.size();
    out.append(guid);
    for (size_t i = start; i < out.size(); ++i) out[i] = folded(out[i]);
}

std::string guidKey(std::string_view guid) {
    std::string out;
    appendGuidKey(out, guid);
    return out;
}

bool sameGuid(std::string_view a, std::string_view b) {
    return a.size() == b.size() && compareGuids(a, b) == 0;
}

int compareGuids(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = firstDifference(a, b, 0, n); i < n; i = firstDifference(a, b, i + 1, n)) {
        const auto x = static_cast<unsigned char>(folded(a[i])),
                   y = static_cast<unsigned char>(folded(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

uint64_t guidHead(std::string_view guid) {
    uint64_t head = 0;
    for (size_t b = 0; b < 8; ++b)
        head = head << 8 | static_cast<unsigned char>(b < guid.size() ? folded(guid[b]) : '\0');
    return head;
}

}  // namespace th
