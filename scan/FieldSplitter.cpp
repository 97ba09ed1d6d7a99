#include "scan/FieldSplitter.h"

namespace th {

// Placeholder until the splitter lands.
void FieldSplitter::setSeparators(std::string separators) { separators_ = std::move(separators); }
void FieldSplitter::setCollapseSeparators(bool on) { collapse_ = on; }
void FieldSplitter::setQuotedFields(bool on) { quoted_ = on; }
void FieldSplitter::setText(std::string_view text) { text_ = std::string(text); }
int32_t FieldSplitter::fieldCount() const { return 0; }
std::string_view FieldSplitter::field(int32_t) const { return {}; }

}  // namespace th
