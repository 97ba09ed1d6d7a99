#include "scan/LinePattern.h"

#include <cstring>

namespace th {

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

// at - k, or kNone when that would be below position 0 (or at is kNone).
size_t minus(size_t at, size_t k) {
    return at == kNone || at < k ? kNone : at - k;
}

// The last position in [from, to] holding c where fits(position) holds, or kNone (also
// when to is kNone or below from).
template <class Fits>
size_t lastWhere(const char* s, size_t from, size_t to, char c, Fits fits) {
    while (to != kNone && from <= to) {
        const void* found = ::memrchr(s + from, c, to - from + 1);
        if (!found) break;
        const auto at = static_cast<size_t>(static_cast<const char*>(found) - s);
        if (fits(at)) return at;
        to = minus(at, 1);
    }
    return kNone;
}

// The bytes the number tag is made of: [#0-9:$].
bool numberByte(char c) {
    return c == '#' || c == '$' || c == ':' || (c >= '0' && c <= '9');
}

}  // namespace

// The matcher's stars each take as much as the rest of the pattern lets them, the first
// star first. Here every star but the number's is ".*", so each piece ends at the last
// place where the pieces after it still fit, and those places are found from the end of
// the line back: the description's end (a byte other than "[", "." or "]" before a space),
// then the slot's ") ", the " (slot ", the number between spaces and the "] VIOLATION ".
// Each is searched for only below the one found after it.
bool readLinePattern(std::string_view text, std::array<size_t, kLinePatternTags>& start,
                     std::array<size_t, kLinePatternTags>& end) {
    const char* s = text.data();
    const size_t n = text.size();
    if (n < 2 || s[0] != '[') return false;

    // The description's last byte, found by the space after it.
    const size_t description = minus(lastWhere(s, 1, n - 1, ' ',
                                               [&](size_t space) {
                                                   const char c = s[space - 1];
                                                   return c != '[' && c != '.' && c != ']';
                                               }),
                                     1);
    // The slot's ") ", ending before the description starts.
    const size_t close =
        lastWhere(s, 0, minus(description, 2), ')', [&](size_t at) { return s[at + 1] == ' '; });
    // " (slot ", its text ending at or before the ")".
    const size_t slot =
        minus(lastWhere(s, 1, minus(close, 6), '(',
                        [&](size_t at) { return std::memcmp(s + at - 1, " (slot ", 7) == 0; }),
              1);
    // A space, a run of number bytes, and the space that ends it before the name.
    size_t numberTo = kNone;
    const size_t space = lastWhere(s, 0, minus(slot, 2), ' ', [&](size_t at) {
        numberTo = at + 1;
        while (numberTo < n && numberByte(s[numberTo])) ++numberTo;
        return numberTo < n && s[numberTo] == ' ' && numberTo + 1 <= slot;
    });
    // "] VIOLATION ", its stamp starting after the "[".
    static constexpr char kViolation[] = "] VIOLATION ";
    constexpr size_t kViolationSize = sizeof kViolation - 1;
    const size_t violation = lastWhere(s, 1, minus(space, kViolationSize), ']', [&](size_t at) {
        return std::memcmp(s + at, kViolation, kViolationSize) == 0;
    });
    if (violation == kNone) return false;
    const size_t numberFrom = space + 1;

    start = {0,        violation + 2, violation + 12, numberFrom, numberTo + 1,
             slot + 1, close + 2,     description + 2};
    end = {violation + 1, violation + 11, numberFrom - 1,  numberTo,
           slot,          close + 1,      description + 1, n};
    return true;
}

}  // namespace th
