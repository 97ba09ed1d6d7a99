#include "bans/ShownBan.h"

namespace th {

std::string_view unquoted(std::string_view stored) {
    if (stored.size() >= 2 && stored.front() == '"' && stored.back() == '"')
        return stored.substr(1, stored.size() - 2);
    return stored;
}

ShownBan shownBan(std::string_view guid, std::string_view stamp, std::string_view name,
                  std::string_view address, std::string_view reason) {
    return {std::string(guid), std::string(unquoted(name)), std::string(unquoted(address)),
            std::string(unquoted(reason)), std::string(stamp)};
}

}  // namespace th
