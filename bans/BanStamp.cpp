#include "bans/BanStamp.h"

namespace th {

bool isBanStamp(std::string_view text) {
    static constexpr std::string_view kShape = "[99.99.9999 99:99:99]";
    if (text.size() != kShape.size()) return false;
    for (size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == '9' ? !digit : text[i] != kShape[i]) return false;
    }
    return true;
}

std::string banStampOf(std::time_t t) {
    std::tm local{};
    ::localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "[%m.%d.%Y %H:%M:%S]", &local);
    return text;
}

}  // namespace th
