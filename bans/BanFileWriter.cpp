#include "bans/BanFileWriter.h"

#include "bans/WorkingTable.h"

namespace th {

namespace {

void appendBanLine(std::string& out, const Ban& ban) {
    appendOneLine(out, ban.stamp);
    out += ' ';
    appendOneLine(out, ban.guid);
    out += ' ';
    appendOneLine(out, ban.name);
    out += ' ';
    appendOneLine(out, ban.address);
    out += ' ';
    appendOneLine(out, ban.reason);
}

}  // namespace

std::string banFileLine(const Ban& ban) {
    std::string out;
    appendBanLine(out, ban);
    return out;
}

int64_t writeBanFile(BanStore& store, std::string_view server, TextFileWriter& file) {
    int64_t written = 0;
    std::string out;
    store.forEachBan([&](const Ban& ban) {
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
