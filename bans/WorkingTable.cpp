#include "bans/WorkingTable.h"

#include <algorithm>
#include <array>
#include <future>
#include <iterator>

#include "bans/Aliases.h"
#include "bans/BanFileReader.h"
#include "bans/GuidKey.h"
#include "bans/OtherBanFile.h"
#include "platform/HeadOrder.h"
#include "platform/Prefetch.h"
#include "platform/SecondThread.h"
#include "platform/TimeStamp.h"
#include "platform/TrimSpaces.h"

namespace th {

namespace {

std::string_view unquoted(std::string_view text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    return text;
}

}  // namespace

NewBan newBanOf(const WorkRow& row) {
    return {std::string(row.stamp), std::string(row.guid), std::string(unquoted(row.name)),
            std::string(unquoted(row.reason))};
}

namespace {

// The text a row-at-a-time reading holds before it starts its blocks again.
constexpr size_t kBoundedTexts = size_t{1} << 20;
// A ban file from which a second thread takes half the lines: a million lines take a
// second and a half on one core.
constexpr size_t kTwoHalvesFrom = size_t{1} << 20;

// What appendOneLine changes, by byte: a line break or zero byte anywhere (kBreak), a double
// quote inside quotes (kQuote). One look-up a byte: every value of every ban line written
// passes through it.
enum : unsigned char { kBreak = 1, kQuote = 2 };
constexpr std::array<unsigned char, 256> kChanged = [] {
    std::array<unsigned char, 256> changed{};
    changed['\r'] = changed['\n'] = changed['\0'] = kBreak;
    changed['"'] = kQuote;
    return changed;
}();

void appendUpper(std::string& out, std::string_view text) {
    for (char c : text) out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool containsIgnoringCase(std::string_view text, std::string_view part) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [&](char a, char b) { return lower(a) == lower(b); }) != text.end();
}

void appendQuoted(std::string& out, std::string_view text) {
    out += '"';
    appendOneLine(out, cutToLongest(text));
    out += '"';
}

}  // namespace

std::string_view cutToLongest(std::string_view text) {
    if (text.size() <= kLongestValue) return text;
    size_t end = kLongestValue;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

void appendOneLine(std::string& out, std::string_view text, bool inQuotes) {
    // Whole stretches at a time: line breaks are rare.
    const unsigned char changes = inQuotes ? kBreak | kQuote : kBreak;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!(kChanged[static_cast<unsigned char>(c)] & changes)) continue;
        out.append(text.substr(start, i - start)).push_back(c == '"' ? '\'' : ' ');
        start = i + 1;
    }
    out.append(text.substr(start));
}

bool zeroOutsideBanLines(std::string_view bytes) {
    for (size_t at = bytes.find('\0'); at != std::string_view::npos;) {
        const size_t before = bytes.find_last_of("\r\n", at);
        const size_t start = before == std::string_view::npos ? 0 : before + 1;
        const size_t end = std::min(bytes.find_first_of("\r\n", at), bytes.size());
        if (!isBanLine(bytes.substr(start, end - start))) return true;
        at = bytes.find('\0', end);
    }
    return false;
}

bool isBanLine(std::string_view line) {
    return line.size() > kStampSize + 1 && isStamp(line.substr(0, kStampSize)) &&
           line[kStampSize] == ' ' &&
           line.find_first_not_of(' ', kStampSize) != std::string_view::npos;
}

namespace {

// Whether a ban line's GUID is a word of its own after the stamp, followed by the quoted
// name or by nothing. Otherwise the splitter's fourth field is some other part of the line
// (a second stamp, a word before the GUID), and the line would become a ban on that while
// its own GUID was lost.
bool guidStandsAlone(std::string_view line) {
    const size_t start = line.find_first_not_of(' ', kStampSize);
    const size_t end = std::min(line.find(' ', start), line.size());
    if (line.substr(start, end - start).find_first_of("[]\"") != std::string_view::npos)
        return false;
    const size_t next = line.find_first_not_of(' ', end);
    return next == std::string_view::npos || line[next] == '"';
}

// Whether each quoted field after a ban line's GUID closes before a space or the line's end.
// A quote within a name ("Jay"yz") would otherwise run the name on into the address and the
// reason, and the ban would be stored and written again with its fields shifted.
bool quotedFieldsClose(std::string_view line) {
    constexpr auto npos = std::string_view::npos;
    size_t at = line.find_first_not_of(' ', line.find(' ', kStampSize + 1));
    while (at != npos) {
        size_t end;
        if (line[at] == '"') {
            const size_t close = line.find('"', at + 1);
            if (close == npos) return false;
            end = close + 1;
            if (end < line.size() && line[end] != ' ') return false;
        } else {
            end = std::min(line.find(' ', at), line.size());
            if (line.substr(at, end - at).find('"') != npos) return false;
        }
        at = line.find_first_not_of(' ', end);
    }
    return true;
}

// Each ban line's row to ban, its values kept in texts; the file's other lines into into.
// With bounded, texts holds what only the last few rows view.
void takeApart(std::string_view bytes, FieldSplitter& awk, WorkingRows& into, CellStore& texts,
               bool bounded, const std::function<void(WorkRow&&)>& ban) {
    awk.setSeparators("[] ");
    awk.setCollapseSeparators(true);
    awk.setQuotedFields(true);
    std::string reason, value;
    forEachLine(bytes, [&](std::string_view line) {
        if (trimSpaces(line).empty()) return;
        if (!isBanLine(line)) {
            // A ";" line, or one of no known shape: taking it apart would make up a ban.
            if (line.front() != ';') ++into.oddLines;
            into.keptLines.emplace_back(line);
            return;
        }
        awk.setText(line);
        reason.clear();
        for (int32_t f = 7; f <= awk.fieldCount(); ++f) {
            if (f > 7) reason += ' ';
            reason += awk.field(f);
        }
        const std::string_view guid = awk.field(4);
        if ((!namesPlayer(guid) && !namesNoPlayer(guid)) || !guidStandsAlone(line)) {
            // A GUID no ban line can hold (a quote or a line break in it, a tab-separated
            // line's run of fields), or a fourth field that is not the GUID, would lose the
            // line: it is kept as it is.
            ++into.oddLines;
            into.keptLines.emplace_back(line);
            return;
        }
        if (bounded && texts.used() > kBoundedTexts) texts.clear();
        WorkRow row;
        if (!quotedFieldsClose(line)) {
            // Read by the `" "` between its fields, as an import reads it, or kept as it is.
            if (readBanLine(line, row, texts)) {
                ++into.banLines;
                ban(std::move(row));
            } else {
                ++into.oddLines;
                into.keptLines.emplace_back(line);
            }
            return;
        }
        row.stamp = texts.keep(line.substr(0, kStampSize));
        row.guid = texts.keep(guid);
        value.clear();
        appendQuoted(value, awk.field(5));
        row.name = texts.keep(value);
        value.clear();
        appendQuoted(value, awk.field(6));
        row.address = texts.keep(value);
        row.reason = texts.keep(cutToLongest(trimSpaces(reason)));
        ++into.banLines;
        ban(std::move(row));
    });
}

}  // namespace

void collectFileLines(std::string_view bytes, FieldSplitter& awk, WorkingRows& into) {
    auto whole = [](std::string_view part, FieldSplitter& splitter, WorkingRows& to) {
        takeApart(part, splitter, to, to.texts, false,
                  [&](WorkRow&& row) { to.rows.push_back(row); });
    };
    // A large file is taken apart in two halves at once, cut after a line feed (which always
    // ends a line), each with its splitter and rows; the second half's join the first's.
    const size_t cut =
        bytes.size() < kTwoHalvesFrom ? std::string_view::npos : bytes.find('\n', bytes.size() / 2);
    if (cut == std::string_view::npos) return whole(bytes, awk, into);
    WorkingRows second;
    FieldSplitter secondAwk;
    std::future<void> later =
        onSecondThread([&] { whole(bytes.substr(cut + 1), secondAwk, second); });
    whole(bytes.substr(0, cut + 1), awk, into);
    later.get();
    into.rows.insert(into.rows.end(), second.rows.begin(), second.rows.end());
    into.texts.take(std::move(second.texts));
    into.keptLines.insert(into.keptLines.end(), std::make_move_iterator(second.keptLines.begin()),
                          std::make_move_iterator(second.keptLines.end()));
    into.banLines += second.banLines;
    into.oddLines += second.oddLines;
}

void collectFileLines(std::string_view bytes, FieldSplitter& awk, WorkingRows& into,
                      const std::function<void(WorkRow&&)>& ban) {
    CellStore texts;
    takeApart(bytes, awk, into, texts, true, ban);
}

void collectGridRows(const FlexGrid& grid, const std::string& now,
                     const std::function<void(int32_t)>& progress, WorkingRows& into) {
    const GridColumns columns(grid);
    const int32_t last = grid.rows() - 1;
    std::string kind, value;
    const std::string_view merged = into.texts.keep(now);
    for (int32_t i = 1; i <= last; ++i) {
        progress(i);
        if (grid.isSubtotal(i)) continue;
        const ViolationCells cells = columns.row(grid, i);
        WorkRow& row = into.rows.emplace_back();
        const std::string_view stamp = cells[GridColumn::Timestamp];
        row.fromGrid = true;
        row.stamped = !isStamp(stamp);
        row.stamp = row.stamped ? merged : into.texts.keep(stamp);
        value.clear();
        // Spaces around a GUID (a scan file edited by hand, or a line break or zero byte
        // made one) would come back from the ban line without them, as a second ban of the
        // player.
        appendOneLine(value, cells[GridColumn::Guid]);
        row.guid = into.texts.keep(trimSpaces(value));
        value.clear();
        appendQuoted(value, cells[GridColumn::PlayerName]);
        row.name = into.texts.keep(value);
        value.clear();
        appendQuoted(value, cells[GridColumn::PlayerIp]);
        row.address = into.texts.keep(value);
        kind.clear();
        appendUpper(kind, trimSpaces(cells[GridColumn::Violation]));
        const std::string_view number = cells[GridColumn::Number];
        // A (CVAR) row without ogc_ gets its own reason too, never the row before it's.
        value = "VIOLATION DETECTED -> ";
        if (kind == "(CVAR)" && containsIgnoringCase(cells[GridColumn::Slot], "ogc_"))
            value += "OGC";
        else
            appendOneLine(value, kind);
        value += " #";
        appendOneLine(value, number);
        row.reason = into.texts.keep(cutToLongest(value));
    }
}

namespace {

// Whether a's player was caught before b's, for ordering one GUID's rows: a row without a
// stamp of its own, or with one of no real moment ([00.00.0000 …], [13.01.2003 …]), comes
// after every real moment.
bool earlierCaught(const WorkRow& a, const WorkRow& b) {
    const bool aRead = !a.stamped && isRealMoment(a.stamp),
               bRead = !b.stamped && isRealMoment(b.stamp);
    if (aRead != bRead) return aRead;
    return aRead && earlierStamp(a.stamp, b.stamp);
}

}  // namespace

void sortByGuid(std::vector<WorkRow>& rows) {
    // Each row's first eight bytes of its key, read as one number, decide most pairs
    // without reaching for the texts. The first row of a GUID gives its ban: its letter
    // case sorting first as text, then the ban file's own line, so that a ban keeps what it
    // holds, then the violation caught first, whatever order the grid's columns put its rows
    // in (its stamps sort as text, month first: January's came before December's).
    sortByHead(
        rows, [](const WorkRow& row) { return guidHead(row.guid); },
        [](const WorkRow& a, const WorkRow& b) {
            if (int c = compareGuids(a.guid, b.guid)) return c < 0;
            if (a.guid != b.guid) return a.guid < b.guid;
            if (a.fromGrid != b.fromGrid) return !a.fromGrid;
            return earlierCaught(a, b);
        });
}

void sortByGuid(WorkingRows& work) {
    std::vector<WorkRow>& rows = work.rows;
    sortByGuid(rows);
    const auto valuesOf = [](WorkRow& row) {
        return std::array{&row.stamp, &row.guid, &row.name, &row.address, &row.reason};
    };
    CellStore ordered;
    for (size_t j = 0; j < rows.size(); ++j) {
        // Where they were read, the texts lie apart: each is asked for ahead of its turn.
        if (j + kFetchAhead < rows.size())
            for (const std::string_view* value : valuesOf(rows[j + kFetchAhead]))
                prefetch(value->data(), value->size());
        for (std::string_view* value : valuesOf(rows[j])) *value = ordered.keep(*value);
    }
    work.texts = std::move(ordered);
}

}  // namespace th
