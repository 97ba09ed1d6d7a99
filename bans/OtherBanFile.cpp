#include "bans/OtherBanFile.h"

#include "bans/BanFileReader.h"
#include "platform/TimeStamp.h"

namespace th {

namespace {

bool blank(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

}  // namespace

bool readBanLine(std::string_view line, WorkRow& row, CellStore& texts) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    if (line.size() <= kStampSize + 1 || !isStamp(line.substr(0, kStampSize)) ||
        line[kStampSize] != ' ')
        return false;
    std::string_view rest = line.substr(kStampSize + 1);
    const size_t guidEnd = rest.find(' ');
    if (guidEnd == 0 || guidEnd == std::string_view::npos) return false;
    const std::string_view guid = rest.substr(0, guidEnd);
    if (guid.find('"') != std::string_view::npos) return false;
    // The quoted fields: "name" "ip" and maybe "reason", each pair parted by `" "`.
    std::string_view quoted = rest.substr(guidEnd + 1);
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') return false;
    quoted = quoted.substr(1, quoted.size() - 2);
    std::vector<std::string_view> fields;
    for (size_t start = 0;;) {
        const size_t end = quoted.find("\" \"", start);
        fields.push_back(quoted.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) break;
        start = end + 3;
    }
    if (fields.size() != 2 && fields.size() != 3) return false;
    // A field cut as a merge cuts it, and without a double quote or space at its end: `" `
    // before the quote that closes the field would end it there when it is read again.
    auto cut = [](std::string_view field) {
        if (field.size() <= kLongestValue) return field;
        field = cutToLongest(field);
        while (!field.empty() && (field.back() == '"' || field.back() == ' '))
            field.remove_suffix(1);
        return field;
    };
    // The name and address with the double quotes around them, stored as the ban file
    // holds them once written: a double quote inside as an apostrophe, a line break or zero
    // byte as a space. The database kept them, so it and the file told two names apart
    // where a merge of the file saw one, and a search missed the name.
    auto withQuotes = [&](std::string_view field) {
        if (field.size() <= kLongestValue && field.find_first_of("\"\r\n", 0) == field.npos &&
            field.find('\0') == field.npos)
            return texts.keep(std::string_view(field.data() - 1, field.size() + 2));
        std::string value = "\"";
        appendOneLine(value, cut(field), true);
        return texts.keep(value + '"');
    };
    row = {};
    row.stamp = texts.keep(line.substr(0, kStampSize));
    row.guid = texts.keep(guid);
    row.name = withQuotes(fields[0]);
    row.address = withQuotes(fields[1]);
    if (fields.size() == 3) row.reason = texts.keep(cut(fields[2]));
    return true;
}

void readOtherBanFile(std::string_view bytes, OtherBanFile& into) {
    int64_t number = 0;
    WorkRow row;
    forEachLine(bytes, [&](std::string_view line) {
        ++number;
        if (blank(line) || line.front() == ';') {
            ++into.ignored;
        } else if (readBanLine(line, row, into.texts)) {
            into.rows.push_back(row);
        } else {
            into.unreadable.push_back(number);
        }
    });
}

}  // namespace th
