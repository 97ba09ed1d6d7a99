#pragma once
// The field splitter of the merge: splits a line at any of its separator characters.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace th {

class FieldSplitter {
public:
    void setSeparators(std::string separators);
    // A run of separators counts as one.
    void setCollapseSeparators(bool on);
    // Text between double quotes is one field, without its quotes.
    void setQuotedFields(bool on);

    void setText(std::string_view text);
    int32_t fieldCount() const;
    // Field i, numbered from 1; empty outside 1..fieldCount.
    std::string_view field(int32_t i) const;

private:
    std::string separators_;
    bool collapse_ = false;
    bool quoted_ = false;
    std::string text_;
    std::vector<std::string> fields_;
};

}  // namespace th
