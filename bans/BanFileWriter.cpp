#include "bans/BanFileWriter.h"

#include "bans/BanStore.h"
#include "bans/WorkingTable.h"

namespace th {

int64_t writeBanFile(Connection& db, TextFileWriter& file) {
    int64_t written = 0;
    {
        Statement bans(db, "SELECT * FROM qrySelectAllVandrelOrderByTimeStamp");
        const int cStamp = bans.column("TimeStamp"), cGuid = bans.column("GUID"),
                  cName = bans.column("PlayerName"), cIp = bans.column("IP"),
                  cReason = bans.column("ViolationReason");
        std::string out;
        while (bans.step()) {
            out.clear();
            appendOneLine(out, bans.text(cStamp));
            out += ' ';
            appendOneLine(out, bans.text(cGuid));
            out += ' ';
            appendOneLine(out, fromStored(bans.text(cName)));
            out += ' ';
            appendOneLine(out, bans.text(cIp));
            out += ' ';
            appendOneLine(out, bans.text(cReason));
            file.writeLine(out);
            ++written;
        }
    }
    if (written == 0) return 0;
    Statement kept(db, "SELECT * FROM qrySelectAllTempBans");
    const int cKept = kept.column("TempBan");
    bool first = true;
    while (kept.step()) {
        if (first) file.writeLine({});
        first = false;
        file.writeLine(fromStored(kept.text(cKept)));
    }
    return written;
}

}  // namespace th
