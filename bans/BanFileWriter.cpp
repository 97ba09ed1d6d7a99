#include "bans/BanFileWriter.h"

#include <algorithm>
#include <optional>

#include "bans/Aliases.h"
#include "platform/TrimSpaces.h"

namespace th {

namespace {

// A value stored between double quotes, with every double quote inside it an apostrophe:
// a name such as x" "9.9.9.9:1" "R would be read back with an address and a reason of the
// player's choosing.
void appendQuotedField(std::string& out, std::string_view text) {
    const bool quoted = text.size() >= 2 && text.front() == '"' && text.back() == '"';
    if (!quoted) return appendOneLine(out, text, true);
    out += '"';
    appendOneLine(out, text.substr(1, text.size() - 2), true);
    out += '"';
}

void appendBanLine(std::string& out, const Ban& ban) {
    appendOneLine(out, ban.stamp);
    out += ' ';
    appendOneLine(out, ban.guid);
    out += ' ';
    appendQuotedField(out, ban.name);
    out += ' ';
    appendQuotedField(out, ban.address);
    out += ' ';
    appendQuotedField(out, ban.reason);
}

// The GUID of a line this writer wrote for a stored ban, whatever its stamp: the word
// before the name's opening quote. Empty for a line of no such shape.
std::string_view guidOfStoredLine(std::string_view line) {
    const size_t quote = line.find(" \"");
    if (line.starts_with(';') || quote == std::string_view::npos || quote == 0) return {};
    const size_t from = line.rfind(' ', quote - 1);
    if (from == std::string_view::npos) return {};
    return line.substr(from + 1, quote - from - 1);
}

}  // namespace

std::string banFileLine(const Ban& ban) {
    std::string out;
    appendBanLine(out, ban);
    return out;
}

void dropStoredBansLines(BanStore& store, WorkingRows& work) {
    std::vector<std::string>& kept = work.keptLines;
    const auto ours = [&](const std::string& line) {
        const std::string_view guid = guidOfStoredLine(line);
        if (!namesPlayer(guid)) return false;
        const std::optional<StoredBan> ban = store.findBan(guid);
        return ban &&
               banFileLine({ban->guid, ban->stamp, ban->name, ban->address, ban->reason}) == line;
    };
    const auto end = std::stable_partition(kept.begin(), kept.end(),
                                           [&](const std::string& line) { return !ours(line); });
    // Each is the file's line of its ban from here on, as any other ban line: a lifting
    // then knows the file held the ban.
    for (auto line = end; line != kept.end(); ++line) {
        WorkRow row;
        row.guid = work.texts.keep(guidOfStoredLine(*line));
        work.rows.push_back(row);
    }
    const auto taken = static_cast<int64_t>(kept.end() - end);
    kept.erase(end, kept.end());
    work.oddLines -= taken;
    work.banLines += taken;
}

bool writtenToBanFile(std::string_view guid) {
    return namesPlayer(guid) && trimSpaces(guid).size() == guid.size();
}

int64_t writeBanFile(BanStore& store, std::string_view server, TextFileWriter& file) {
    int64_t written = 0;
    std::string out;
    store.forEachBan([&](const Ban& ban) {
        if (!writtenToBanFile(ban.guid)) return;
        out.clear();
        appendBanLine(out, ban);
        file.writeLine(out);
        ++written;
    });
    // With no ban left (all lifted) the kept lines are the whole file.
    bool first = true;
    store.forEachKeptLine(server, [&](std::string_view line) {
        if (first && written > 0) file.writeLine({});
        first = false;
        file.writeLine(line);
    });
    return written;
}

}  // namespace th
