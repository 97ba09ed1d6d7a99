#include "bans/GuidKey.h"

namespace th {

namespace {
char folded(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
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
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (folded(a[i]) != folded(b[i])) return false;
    return true;
}

int compareGuids(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
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
