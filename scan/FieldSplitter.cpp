#include "scan/FieldSplitter.h"

namespace th {

void FieldSplitter::setSeparators(std::string separators) {
    separators_ = std::move(separators);
}
void FieldSplitter::setCollapseSeparators(bool on) {
    collapse_ = on;
}
void FieldSplitter::setQuotedFields(bool on) {
    quoted_ = on;
}

bool FieldSplitter::isSeparator(unsigned char c) const {
    // With quoted fields a quote always opens or closes one, even among the separators.
    if (quoted_ && c == '"') return false;
    return separators_.find(static_cast<char>(c)) != std::string::npos;
}

// A field is open from its first character (or its opening quote) up to the next
// separator outside quotes. Quotes may sit inside a field too: a"b c"d is the one field
// "ab cd". A quote left open runs to the end of the text. Without collapsing, every
// separator ends a field, so two in a row enclose an empty one.
void FieldSplitter::setText(std::string_view text) {
    buffer_.clear();
    fields_.clear();
    bool open = false;  // a field has started and not yet ended
    bool inQuotes = false;
    auto startField = [this, &open] {
        fields_.emplace_back(static_cast<uint32_t>(buffer_.size()), 0);
        open = true;
    };
    auto endField = [this, &open] {
        fields_.back().second = static_cast<uint32_t>(buffer_.size() - fields_.back().first);
        open = false;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (inQuotes) {
            if (c == '"') {
                inQuotes = false;
            } else {
                buffer_.push_back(static_cast<char>(c));
            }
        } else if (quoted_ && c == '"') {
            if (!open) startField();
            inQuotes = true;
        } else if (isSeparator(c)) {
            if (open) {
                endField();
            } else if (fields_.empty() || !collapse_) {
                // Before the first field, or between two separators when they do not
                // collapse: an empty field.
                startField();
                endField();
            }
            if (collapse_) {
                while (i + 1 < text.size() &&
                       isSeparator(static_cast<unsigned char>(text[i + 1]))) {
                    ++i;
                }
            }
        } else {
            if (!open) startField();
            buffer_.push_back(static_cast<char>(c));
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
