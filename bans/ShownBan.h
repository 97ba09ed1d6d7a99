#pragma once
// A stored ban as a person reads it, in the window, the command line and the exports:
// the enclosing double quotes of the name, address and reason stripped (the stored
// form's grave accents are apostrophes again by the time a ban leaves the store). The
// bytes stay as stored; each place that shows them decodes them by the one display rule.

#include <string>
#include <string_view>

namespace th {

struct ShownBan {
    std::string guid, name, ip, reason, time;
};

// The text without one pair of enclosing double quotes, when it has them.
std::string_view unquoted(std::string_view stored);

ShownBan shownBan(std::string_view guid, std::string_view stamp, std::string_view name,
                  std::string_view address, std::string_view reason);

}  // namespace th
