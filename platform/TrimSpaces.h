#pragma once

#include <string_view>

namespace th {

// The text without the spaces at either end (spaces only: a tab is a character of a value).
inline std::string_view trimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// The text without white space (spaces, tabs, line ends) at either end: what a person
// typed or pasted as a search, never a value.
inline std::string_view trimWhiteSpace(std::string_view text) {
    const auto white = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!text.empty() && white(text.front())) text.remove_prefix(1);
    while (!text.empty() && white(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace th
