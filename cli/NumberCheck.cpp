#include "cli/NumberCheck.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace th::cli {

namespace {

// A bound as a person types it: no trailing zeros, no exponent.
std::string plain(double value) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return std::string(text, end.ptr);
}

}  // namespace

CLI::Validator numberFrom(double low, double high, bool whole) {
    const std::string wants = std::string(whole ? "a whole number" : "a number") + " from " +
                              plain(low) + " to " + plain(high);
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            double value = 0;
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), value);
            const bool number =
                error == std::errc() && end == text.data() + text.size() &&
                (!whole || text.find_first_not_of("0123456789") == std::string::npos);
            if (!(number && value >= low && value <= high && std::isfinite(value)))
                return text + " is not " + wants;
            // Read as a person means it: the parser took a leading zero for octal, so that
            // 08 was refused and 010 was eight.
            if (whole) text.erase(0, std::min(text.find_first_not_of('0'), text.size() - 1));
            return {};
        },
        wants);
}

}  // namespace th::cli
