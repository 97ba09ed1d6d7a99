#include "bans/BanFileChanges.h"

#include <ctime>
#include <set>
#include <unordered_set>

#include "bans/Aliases.h"
#include "bans/BanStore.h"
#include "bans/Database.h"
#include "bans/GuidKey.h"
#include "bans/LiftedBans.h"
#include "bans/Merge.h"
#include "bans/OtherBanFile.h"
#include "bans/ShownBan.h"
#include "bans/WorkProgress.h"
#include "bans/WorkingTable.h"
#include "platform/CancelToken.h"
#include "platform/CountedText.h"
#include "platform/Error.h"
#include "platform/MessageBoxes.h"
#include "platform/OutputFile.h"
#include "platform/TimeStamp.h"
#include "platform/WholeFile.h"

namespace th {

namespace {

constexpr const char* kLiftFailed = "The bans could not be lifted";
constexpr const char* kImportFailed = "The ban files could not be imported";

std::string fileTitle(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The merge underneath a change: the file given, nothing explained or offered.
MergeOptions changeOf(const std::string& banFile, const std::string& server) {
    MergeOptions options;
    options.explain = options.offerToOpen = false;
    options.banFile = banFile;
    options.server = server;
    return options;
}

// The word after a line's leading bracketed stamp, whatever the stamp's shape: the GUID of
// a ban line. Empty for a line that does not begin with a bracket.
std::string_view guidAfterStamp(std::string_view line) {
    const size_t close = line.starts_with('[') ? line.find(']') : std::string_view::npos;
    if (close == std::string_view::npos) return {};
    const size_t from = line.find_first_not_of(' ', close + 1);
    if (from == std::string_view::npos) return {};
    return line.substr(from, line.find_first_of(" \t", from) - from);
}

}  // namespace

std::string liftQuestionText(const std::vector<std::string>& bans) {
    constexpr size_t kNamed = 5;
    const int64_t count = static_cast<int64_t>(bans.size());
    std::string text = "Lift " + counted(count, "ban", "bans") + "?\n";
    for (size_t i = 0; i < bans.size() && i < kNamed; ++i) text += bans[i] + "\n";
    if (bans.size() > kNamed) text += "and " + std::to_string(bans.size() - kNamed) + " more\n";
    return text + (count == 1 ? "It is" : "They are") +
           " removed from the ban database and from the pbbans.dat file you choose next, which "
           "is backed up first.";
}

std::string liftedReport(int64_t lifted, const std::string& title, int64_t linesOfLifted,
                         int64_t notInFile, int64_t notBanned) {
    // A file that held none of them (another server's, chosen by mistake) is named as such,
    // not as one they were removed from.
    std::string report = counted(lifted, "ban", "bans") + " lifted";
    if (lifted > 0 && notInFile >= lifted)
        report += "; '" + title + "' did not hold " + (lifted == 1 ? "it" : "them");
    else
        report += " and removed from '" + title + "'";
    report += std::string(kPad) + kCrLf;
    if (notInFile > 0 && notInFile < lifted)
        report += counted(notInFile, "of them was", "of them were") + " not in it" + kPad + kCrLf;
    // A ban lifted meanwhile elsewhere (the window's list was older) was asked for too.
    if (notBanned > 0) {
        report += lifted > 0 ? counted(notBanned, "other GUID was", "other GUIDs were")
                             : counted(notBanned, "GUID was", "GUIDs were");
        report += std::string(" not banned") + kPad + kCrLf;
    }
    // Lines of bans lifted before (kept in a file the earlier lifting did not change) go
    // too: said, so that "0 bans lifted" does not pass for a file left as it was.
    if (linesOfLifted > 0)
        report += counted(linesOfLifted, "line of a ban lifted before was",
                          "lines of bans lifted "
                          "before were") +
                  " taken out of it as well" + kPad + kCrLf;
    return report + kReloadReminder + kPad;
}

std::vector<std::string> guidsWithoutBan(BanStore& store, const std::string& banFile,
                                         const std::vector<std::string>& guids) {
    std::unordered_set<std::string> known = bannedGuidKeys(store, guids);
    // A ban the file alone holds (the game server's own) is lifted too.
    const std::string bytes = readWholeFile(banFile);
    if (zeroOutsideBanLines(bytes))
        throw Error(err::kBadFileFormat, appBaseName(),
                    std::string(merge_text::kNotABanFile) + banFile);
    OtherBanFile inFile;
    readOtherBanFile(bytes, inFile);
    for (const WorkRow& row : inFile.rows) known.insert(guidKey(row.guid));
    std::vector<std::string> missing;
    for (const std::string& guid : guids)
        if (!known.contains(guidKey(guid))) missing.push_back(guid);
    return missing;
}

std::string namedWithLiftings(BanStore& store, const std::vector<std::string>& guids) {
    const LiftingTimes lifted = liftingTimes(store);
    std::string list;
    for (const std::string& guid : guids) {
        list += (list.empty() ? "" : ", ") + guid;
        if (const std::string* at = lifted.find(guid)) list += " (lifted " + *at + ")";
    }
    return list;
}

BanFileChange liftBans(MainForm& form, const std::string& banFile,
                       const std::vector<std::string>& guids, const std::string& note,
                       const std::string& server) {
    // None of them banned (lifted meanwhile elsewhere: the window's list was older): the
    // ban file is neither backed up nor written again, and the report does not pass for a
    // change the game server must reload.
    if (!g_blnConnectToDatabase(form)) return {};
    try {
        const std::vector<std::string> missing = guidsWithoutBan(*g_cnnDatabase, banFile, guids);
        if (!guids.empty() && missing.size() == guids.size()) {
            const std::string named = namedWithLiftings(*g_cnnDatabase, missing);
            g_CloseDatabase();  // as a merge closes it at its end
            return {true, false,
                    std::string("0 bans lifted; nothing was changed") + kPad + kCrLf +
                        counted(static_cast<int64_t>(missing.size()), "GUID is", "GUIDs are") +
                        " not banned: " + named + kPad};
        }
    } catch (const std::exception&) {
        // A ban file that cannot be read, or is none: the lifting's merge reports it.
    }
    MergeOptions options = changeOf(banFile, server);
    options.errorLead = kLiftFailed;
    std::vector<WorkRow> none;
    options.rows = &none;
    options.mayEmpty = true;
    int64_t lifted = 0, notInFile = 0, notBanned = 0;
    options.afterStore = [&](BanStore& store, const std::vector<WorkRow>& rows,
                             std::vector<std::string>& keptLines) {
        // Which of them the file holds, for the report: its rows are all the merge read.
        std::set<std::string> inFile;
        for (const WorkRow& row : rows) inFile.insert(guidKey(row.guid));
        lifted = notInFile = notBanned = 0;  // a pass that starts again counts again
        const std::string now = formatStamp(std::time(nullptr));
        std::set<std::string> done, liftedKeys;
        // Lifting many bans takes a while: shown, and stopped at any ban when asked to.
        WorkProgress progress(form);
        progress.start(static_cast<int64_t>(guids.size()) - 1);
        for (size_t i = 0; i < guids.size(); ++i) {
            progress.set(static_cast<int64_t>(i));
            const std::string& guid = guids[i];
            if (!done.insert(guidKey(guid)).second) continue;
            const std::optional<StoredBan> ban = store.findBan(guid);
            if (!ban) {
                ++notBanned;
                continue;
            }
            liftedKeys.insert(guidKey(guid));
            // Dated no earlier than the ban it lifts or any sighting of the player: a
            // violation stamped ahead of this clock (a server in a later time zone, a clock
            // set wrong) would otherwise pass for one after the lifting, in this file or
            // another server's, and ban again. A stamp of no real moment dates nothing: a
            // day-first one would put the lifting after every later violation of its year.
            std::string at = now;
            const auto notBefore = [&](const std::string& stamp) {
                if (isRealMoment(stamp) && earlierStamp(at, stamp)) at = stamp;
            };
            notBefore(ban->stamp);
            for (const StoredAlias& alias : store.findAliases(guid)) notBefore(alias.lastSeen);
            if (store.liftBan(guid, at, note)) {
                ++lifted;
                notInFile += !inFile.contains(guidKey(guid));
            }
        }
        // A line of the player's kept as it is (its stamp of another shape) would still ban
        // him in the game server's eyes.
        std::erase_if(keptLines, [&](const std::string& line) {
            const std::string_view guid = guidAfterStamp(line);
            return !guid.empty() && liftedKeys.contains(guidKey(guid));
        });
    };
    const MergeOutcome outcome = mergeIntoBanFile(form, options);
    BanFileChange change;
    change.completed = outcome.completed;
    change.fileReplaced = outcome.fileReplaced;
    if (change.completed)
        change.report =
            liftedReport(lifted, fileTitle(banFile), outcome.liftedSkipped, notInFile, notBanned);
    change.notBanned = notBanned;
    return change;
}

BanFileChange importBanFiles(MainForm& form, const std::string& banFile,
                             const std::vector<std::string>& others, const std::string& server) {
    BanFileChange change;
    OtherBanFile read;  // every file's, in turn
    std::string unreadable;
    try {
        for (const std::string& other : others) {
            const size_t before = read.unreadable.size(), rowsBefore = read.rows.size();
            const std::string bytes = readWholeFile(other);
            readOtherBanFile(bytes, read);
            // A program, an export or a log named by mistake was once imported as nothing,
            // every line named unreadable, and said complete.
            if (zeroOutsideBanLines(bytes))
                throw Error(err::kBadFileFormat, appBaseName(),
                            std::string(merge_text::kNotABanFile) + other);
            if (read.rows.size() == rowsBefore && read.unreadable.size() > before)
                throw Error(err::kBadFileFormat, appBaseName(),
                            other + " holds no ban line, only lines of another shape");
            for (size_t i = before; i < read.unreadable.size(); ++i)
                unreadable += std::string(kCrLf) + other + ":" +
                              std::to_string(read.unreadable[i]) + ": not a ban line, skipped";
        }
    } catch (const std::exception& e) {
        showErrorBox(form.ports.messages, kImportFailed, toError(e),
                     "The ban file and the ban database are as they were.");
        return change;
    }
    // One ban per GUID, the line the merge would take of a file holding them all: the same
    // file gives the same ban whichever way it comes in. The merge takes every ban's name
    // and address as a sighting; the other lines' are sightings too, as another server's
    // file holds names this database may never have seen.
    sortByGuid(read.rows);
    std::vector<WorkRow> bans, sightings;
    std::set<std::string> seen;
    for (const WorkRow& row : read.rows)
        (seen.insert(guidKey(row.guid)).second ? bans : sightings).push_back(row);

    const auto unreadableLines = static_cast<int64_t>(read.unreadable.size());
    int64_t added = 0, known = 0, skipped = 0, noPlayer = 0;
    MergeOptions options = changeOf(banFile, server);
    options.errorLead = kImportFailed;
    options.rows = &bans;
    // Files without a ban, into a database without one, are an import of nothing, not a
    // merge to be told to run first: their unreadable lines are still named.
    options.mayEmpty = true;
    options.beforeStore = [&](BanStore& store) {
        AliasSightings others(store);
        for (const WorkRow& row : sightings) others.add(row);
        others.store();
        std::vector<WorkRow> counting = bans;
        skipped = dropLiftedRows(counting, liftingTimes(store)).skipped;
        std::vector<std::string> guids;  // of players: "unknown" bans no one
        for (const WorkRow& row : counting)
            if (namesPlayer(row.guid)) guids.emplace_back(row.guid);
        known = static_cast<int64_t>(bannedGuidKeys(store, guids).size());
        added = static_cast<int64_t>(guids.size()) - known;
        noPlayer = static_cast<int64_t>(counting.size() - guids.size());
    };
    const MergeOutcome outcome = mergeIntoBanFile(form, options);
    change.completed = outcome.completed;
    change.fileReplaced = outcome.fileReplaced;
    if (!change.completed) return change;
    change.report = "Import into '" + fileTitle(banFile) +
                    "' complete: " + counted(added, "ban added", "bans added") + ", " +
                    std::to_string(known) + " already known";
    if (skipped > 0) change.report += ", " + liftedSkippedText(skipped);
    // Every line is counted somewhere: those left out of the bans were once in no count.
    if (!sightings.empty())
        change.report += ", " + counted(static_cast<int64_t>(sightings.size()),
                                        "line repeating a GUID", "lines repeating a GUID");
    if (noPlayer > 0)
        change.report +=
            ", " + counted(noPlayer, "line naming no player", "lines naming no player");
    change.report += ", " + counted(unreadableLines, "line unreadable", "lines unreadable") + ", " +
                     counted(read.ignored, "line ignored", "lines ignored") +
                     " (temp bans and blank lines)." + kPad + unreadable + kCrLf + kReloadReminder +
                     kPad;
    return change;
}

int64_t exportBanList(BanStore& store, const std::string& path, BanListFormat format,
                      const CancelToken* cancel) {
    OutputFile file(path);
    BanListWriter out(format, [&](std::string_view text) { file.write(text); });
    int64_t written = 0;
    store.forEachBan([&](const Ban& ban) {
        if (cancel) cancel->check();
        out.add(shownBan(ban.guid, ban.stamp, ban.name, ban.address, ban.reason));
        ++written;
    });
    out.finish();
    file.commit();
    return written;
}

}  // namespace th
