// The field splitter: without quotes its fields are the text cut at its separators
// (runs of them as one when collapsing); with quotes, the fields hold every byte of the
// text that is neither a separator outside quotes nor a quote, in order.
//
// Input: a byte of options (bit 0 collapse, bit 1 quotes, bits 2-3 how many of the
// following bytes are separators, from 0 to 3), the separators, then the text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "scan/FieldSplitter.h"

namespace {

std::vector<std::string> cut(std::string_view text, std::string_view separators, bool collapse) {
    std::vector<std::string> fields;
    if (text.empty()) return fields;
    auto isSeparator = [&](char c) { return separators.find(c) != std::string_view::npos; };
    std::string field;
    for (size_t i = 0; i < text.size(); ++i) {
        if (!isSeparator(text[i])) {
            field.push_back(text[i]);
            continue;
        }
        fields.push_back(field);
        field.clear();
        if (collapse)
            while (i + 1 < text.size() && isSeparator(text[i + 1])) ++i;
    }
    // Separators at the end start no further field.
    if (!isSeparator(text.back())) fields.push_back(field);
    return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const bool collapse = data[0] & 1, quotes = data[0] & 2;
    const size_t count = std::min<size_t>((data[0] >> 2) & 3, size - 1);
    std::string separators(reinterpret_cast<const char*>(data) + 1, count);
    std::string_view text(reinterpret_cast<const char*>(data) + 1 + count, size - 1 - count);

    th::FieldSplitter splitter;
    splitter.setSeparators(separators);
    splitter.setCollapseSeparators(collapse);
    splitter.setQuotedFields(quotes);
    splitter.setText(text);
    const int32_t n = splitter.fieldCount();
    th::fuzz::require(n >= 0 && static_cast<size_t>(n) <= text.size(), "field count");
    th::fuzz::require(splitter.field(0).empty() && splitter.field(n + 1).empty(),
                      "fields outside the count");
    std::vector<std::string> got;
    for (int32_t i = 1; i <= n; ++i) got.emplace_back(splitter.field(i));

    if (!quotes || text.find('"') == std::string_view::npos) {
        th::fuzz::require(got == cut(text, separators, collapse), "fields of a plain text");
    } else {
        std::string kept, joined;
        bool inQuotes = false;
        for (char c : text) {
            if (c == '"')
                inQuotes = !inQuotes;
            else if (inQuotes || separators.find(c) == std::string::npos)
                kept.push_back(c);
        }
        for (const auto& f : got) joined += f;
        th::fuzz::require(joined == kept, "bytes of a quoted text");
    }
    return 0;
}
