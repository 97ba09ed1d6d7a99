#include "bans/BanBrowsingSql.h"

#include <algorithm>

namespace th {

std::string containsPattern(std::string_view text) {
    std::string pattern = "%";
    for (char c : text) {
        if (c == '%' || c == '_' || c == '\\') pattern += '\\';
        pattern += c;
    }
    return pattern + "%";
}

bool searchesQuotes(std::string_view text) {
    return text.find('"') != std::string_view::npos;
}

std::string insideQuotesPattern(std::string_view text) {
    return '"' + containsPattern(text) + '"';
}

std::string quotedValueLike(const std::string& value, const std::string& plain,
                            const std::string& insideQuotes, const std::string& quote,
                            const std::string& escape) {
    return "(" + value + " LIKE " + insideQuotes + escape + " OR (" + value + " NOT LIKE " + quote +
           " AND " + value + " LIKE " + plain + escape + "))";
}

std::vector<std::string> asciiTrigrams(std::string_view text) {
    std::vector<std::string> trigrams;
    size_t run = 0;  // ASCII bytes ending at i
    for (size_t i = 0; i < text.size(); ++i) {
        run = static_cast<unsigned char>(text[i]) < 0x80 ? run + 1 : 0;
        if (run < 3) continue;
        std::string trigram(text.substr(i - 2, 3));
        if (std::find(trigrams.begin(), trigrams.end(), trigram) == trigrams.end())
            trigrams.push_back(std::move(trigram));
    }
    return trigrams;
}

std::string orderColumn(BanColumn column, std::string_view guidKey) {
    switch (column) {
        case BanColumn::Guid:
            return std::string(guidKey);
        case BanColumn::Name:
            return "PlayerName";
        case BanColumn::Ip:
            return "IP";
        case BanColumn::Reason:
            return "ViolationReason";
        case BanColumn::Time:
            break;
    }
    return "SortKey";  // version 3's generated column: the stored query's order
}

std::string afterClause(const BanOrder& order, std::string_view guidKey, std::string_view value,
                        std::string_view key) {
    const char* beyond = order.descending ? " < " : " > ";
    if (order.column == BanColumn::Guid)
        return " AND " + std::string(guidKey) + beyond + std::string(key);
    return " AND (" + orderColumn(order.column, guidKey) + ", " + std::string(guidKey) + ")" +
           beyond + "(" + std::string(value) + ", " + std::string(key) + ")";
}

std::string orderByClause(const BanOrder& order, std::string_view guidKey) {
    const std::string direction = order.descending ? " DESC" : "";
    if (order.column == BanColumn::Guid) return " ORDER BY " + std::string(guidKey) + direction;
    return " ORDER BY " + orderColumn(order.column, guidKey) + direction + ", " +
           std::string(guidKey) + direction;
}

}  // namespace th
