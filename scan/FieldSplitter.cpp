#include "scan/FieldSplitter.h"

namespace th {

void FieldSplitter::setSeparators(std::string separators) {
    separators_ = std::move(separators);
    markStops();
}
void FieldSplitter::setCollapseSeparators(bool on) {
    collapse_ = on;
}
void FieldSplitter::setQuotedFields(bool on) {
    quoted_ = on;
    markStops();
}

void FieldSplitter::markStops() {
    separator_.fill(false);
    for (char c : separators_) separator_[static_cast<unsigned char>(c)] = true;
    // With quoted fields a quote always opens or closes one, even among the separators.
    if (quoted_) separator_['"'] = false;
    stop_ = separator_;
    if (quoted_) stop_['"'] = true;
}

// A field is open from its first character (or its opening quote) up to the next
// separator outside quotes. Quotes may sit inside a field too: a"b c"d is the one field
// "ab cd". A quote left open runs to the end of the text. Without collapsing, every
// separator ends a field, so two in a row enclose an empty one. Text between the stops
// goes to the buffer a stretch at a time.
void FieldSplitter::setText(std::string_view text) {
    buffer_.clear();
    buffer_.reserve(text.size());
    fields_.clear();
    bool open = false;  // a field has started and not yet ended
    auto startField = [this, &open] {
        fields_.emplace_back(static_cast<uint32_t>(buffer_.size()), 0);
        open = true;
    };
    auto endField = [this, &open] {
        fields_.back().second = static_cast<uint32_t>(buffer_.size() - fields_.back().first);
        open = false;
    };
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (quoted_ && c == '"') {
            if (!open) startField();
            const size_t close = text.find('"', i + 1);
            const size_t end = close == std::string_view::npos ? n : close;
            buffer_.append(text.data() + i + 1, end - i - 1);
            i = end + 1;
        } else if (separator_[c]) {
            if (open) {
                endField();
            } else if (fields_.empty() || !collapse_) {
                // Before the first field, or between two separators when they do not
                // collapse: an empty field.
                startField();
                endField();
            }
            ++i;
            if (collapse_)
                while (i < n && separator_[static_cast<unsigned char>(text[i])]) ++i;
        } else {
            if (!open) startField();
            size_t end = i + 1;
            while (end < n && !stop_[static_cast<unsigned char>(text[end])]) ++end;
            buffer_.append(text.data() + i, end - i);
            i = end;
        }
    }
    if (open) endField();
}

int32_t FieldSplitter::fieldCount() const {
    return static_cast<int32_t>(fields_.size());
}

std::string_view FieldSplitter::field(int32_t i) const {
    if (i < 1 || i > fieldCount()) return {};
    const auto& [offset, length] = fields_[static_cast<size_t>(i) - 1];
    return std::string_view(buffer_).substr(offset, length);
}

}  // namespace th
