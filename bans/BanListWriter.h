#pragma once
// The ban list as a file another program reads: tab-separated, CSV (RFC 4180) or JSON,
// one ban per record with the fields guid, name, ip, reason and time. Every field is
// text in UTF-8, decoded from the stored bytes by the one display rule. The writer hands
// its text to a sink piece by piece, so a list of any length never sits whole in memory.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "bans/ShownBan.h"

namespace th {

enum class BanListFormat { Tsv, Csv, Json };

// "tsv", "csv" or "json"; anything else gives nothing.
std::optional<BanListFormat> banListFormat(std::string_view name);

class BanListWriter {
  public:
    using Sink = std::function<void(std::string_view)>;
    // Writes the header (TSV and CSV) or the array's opening (JSON).
    BanListWriter(BanListFormat format, Sink sink);
    void add(const ShownBan& ban);
    // Closes the JSON array; the other formats need no end.
    void finish();

  private:
    void flush(bool always);

    BanListFormat format_;
    Sink sink_;
    std::string buffer_;
    bool first_ = true;
};

// One field as a CSV cell: quoted when it holds a comma, a double quote, CR or LF (its
// quotes doubled), and with an apostrophe in front when a spreadsheet would take it for
// a formula (it begins with =, +, - or @).
void appendCsvField(std::string& out, std::string_view text);

}  // namespace th
