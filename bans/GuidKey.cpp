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

}  // namespace th
