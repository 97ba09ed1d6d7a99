#pragma once
// The field splitter of the merge: splits a line at any of its separator characters.
//
// With both options on, as the merge uses it on "[date time] GUID "name" "address" "reason"":
// a separator at the very start gives an empty field 1, a run of separators between two
// pieces of text counts as one, and text between double quotes is one field with its
// separators, without the quotes. Separators at the end of the text start no further
// field, so a line ending in a space has as many fields as the same line without it.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
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
    // Which bytes separate, and which end a stretch of a field's text: the separators and,
    // with quoted fields, the quote.
    void markStops();

    std::string separators_;
    std::array<bool, 256> separator_{};
    std::array<bool, 256> stop_{};
    bool collapse_ = false;
    bool quoted_ = false;
    // The fields' texts one after another, and each field's offset and length in it;
    // both keep their capacity from line to line.
    std::string buffer_;
    std::vector<std::pair<uint32_t, uint32_t>> fields_;
};

}  // namespace th
