#include "scan/LinePattern.h"

#include <cstring>

namespace th {

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

// The last position in [from, to] holding c, or kNone; kNone also when to is below from
// or is kNone itself (0 - 1), so that a search below position 0 finds nothing.
size_t lastOf(const char* s, size_t from, size_t to, char c) {
    if (from > to || to == kNone) return kNone;
    const void* at = ::memrchr(s + from, c, to - from + 1);
    return at ? static_cast<size_t>(static_cast<const char*>(at) - s) : kNone;
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

    // The description's last byte: a space follows it.
    size_t description = kNone;
    for (size_t space = lastOf(s, 1, n - 1, ' '); space != kNone;
         space = lastOf(s, 1, space - 1, ' ')) {
        const char c = s[space - 1];
        if (c != '[' && c != '.' && c != ']') {
            description = space - 1;
            break;
        }
    }
    if (description == kNone || description < 2) return false;

    // The slot's ") ", ending before the description starts.
    size_t close = kNone;
    for (size_t at = lastOf(s, 0, description - 2, ')'); at != kNone;
         at = lastOf(s, 0, at - 1, ')')) {
        if (s[at + 1] == ' ') {
            close = at;
            break;
        }
    }
    if (close == kNone || close < 7) return false;

    // " (slot ", its text ending at or before the ")".
    size_t slot = kNone;
    for (size_t at = lastOf(s, 1, close - 6, '('); at != kNone; at = lastOf(s, 1, at - 1, '(')) {
        if (std::memcmp(s + at - 1, " (slot ", 7) == 0) {
            slot = at - 1;
            break;
        }
    }
    if (slot == kNone || slot < 2) return false;

    // A space, a run of number bytes, and the space that ends it before the name.
    size_t numberFrom = kNone, numberTo = kNone;
    for (size_t space = lastOf(s, 0, slot - 2, ' '); space != kNone;
         space = lastOf(s, 0, space - 1, ' ')) {
        size_t after = space + 1;
        while (after < n && numberByte(s[after])) ++after;
        if (after < n && s[after] == ' ' && after + 1 <= slot) {
            numberFrom = space + 1;
            numberTo = after;
            break;
        }
    }
    if (numberFrom == kNone || numberFrom < 13) return false;

    // "] VIOLATION ", its stamp starting after the "[".
    static constexpr char kViolation[] = "] VIOLATION ";
    constexpr size_t kViolationSize = sizeof kViolation - 1;
    size_t violation = kNone;
    for (size_t at = lastOf(s, 1, numberFrom - 1 - kViolationSize, ']'); at != kNone;
         at = lastOf(s, 1, at - 1, ']')) {
        if (std::memcmp(s + at, kViolation, kViolationSize) == 0) {
            violation = at;
            break;
        }
    }
    if (violation == kNone) return false;

    start = {0,        violation + 2, violation + 12, numberFrom, numberTo + 1,
             slot + 1, close + 2,     description + 2};
    end = {violation + 1, violation + 11, numberFrom - 1,  numberTo,
           slot,          close + 1,      description + 1, n};
    return true;
}

}  // namespace th
