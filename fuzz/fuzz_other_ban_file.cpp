// The reader of other servers' ban files (db import): every line is taken, ignored or
// reported, once, by its number in order; and a ban it takes, written back as the merge
// writes ban lines, reads back as the same ban.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "bans/BanFileReader.h"
#include "bans/OtherBanFile.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    th::OtherBanFile file;
    th::readOtherBanFile(bytes, file);

    int64_t lines = 0;
    th::forEachLine(bytes, [&](std::string_view) { ++lines; });
    th::fuzz::require(static_cast<int64_t>(file.rows.size()) + file.ignored +
                              static_cast<int64_t>(file.unreadable.size()) ==
                          lines,
                      "every line taken, ignored or reported");
    int64_t previous = 0;
    for (int64_t number : file.unreadable) {
        th::fuzz::require(number > previous && number <= lines, "line numbers in order");
        previous = number;
    }
    th::CellStore texts;  // the rows read back
    for (const th::WorkRow& row : file.rows) {
        th::fuzz::require(!row.guid.empty() && row.guid.find_first_of(" \"") == std::string::npos,
                          "a GUID of one word");
        std::string line;
        line.append(row.stamp).append(" ").append(row.guid).append(" ").append(row.name);
        line.append(" ").append(row.address);
        if (!row.reason.empty()) line.append(" \"").append(row.reason).append("\"");
        th::WorkRow again;
        th::fuzz::require(th::readBanLine(line, again, texts), "a ban written back reads again");
        th::fuzz::require(again.stamp == row.stamp && again.guid == row.guid &&
                              again.name == row.name && again.address == row.address &&
                              again.reason == row.reason,
                          "the same ban read back");
    }
    return 0;
}
