#include "bans/Merge.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <exception>
#include <future>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

#include "bans/Aliases.h"
#include "bans/BanFileLock.h"
#include "bans/BanFileOrder.h"
#include "bans/BanFileReader.h"
#include "bans/BanFileWriter.h"
#include "bans/BanStore.h"
#include "bans/Database.h"
#include "bans/GuidKey.h"
#include "bans/LiftedBans.h"
#include "bans/Paths.h"
#include "bans/ServerName.h"
#include "bans/StoreRows.h"
#include "bans/WorkProgress.h"
#include "bans/WorkingTable.h"
#include "platform/CCursor.h"
#include "platform/CFileOpenSaveDialog.h"
#include "platform/CShell.h"
#include "platform/DatedArchiveName.h"
#include "platform/MessageBoxes.h"
#include "platform/SameFile.h"
#include "platform/SecondThread.h"
#include "platform/StopSignals.h"
#include "platform/TempFile.h"
#include "platform/TextFileWriter.h"
#include "platform/TimeStamp.h"
#include "platform/WriteAll.h"
#include "scan/LogPositions.h"

namespace th {

namespace {

using namespace merge_text;

// The connect failed and has said so.
struct NoDatabase {};

// What one run through the steps came to.
// Rewrite: an appending pass found a lifted ban in the file, which only a sorted rewrite
// takes out.
enum class Pass { Done, Changed, NoRecords, Rewrite };

struct Counts {
    int64_t banLines = 0;  // read from the file
    int64_t written = 0;   // ban lines the file holds now
    int64_t stamped = 0;   // new bans given the merge's time
    int64_t odd = 0;       // lines of no known shape, kept
    int64_t lifted = 0;    // rows skipped: their ban was lifted
    int64_t added = 0;     // bans the grid added
    // Of the bans the file holds now, those it held before, each GUID once. Fewer than
    // written: the file holds a ban new to it, from the grid or from the database.
    int64_t held = 0;
    int64_t liftedLines = 0;  // of the rows skipped, the file's own lines, taken out of it
};

// How many GUIDs the file's own ban lines name that stay banned, each once (the rows sorted
// by GUID, the lifted ones gone; a line of a stored ban of another shape follows them).
int64_t fileBansKept(const std::vector<WorkRow>& sorted) {
    int64_t kept = 0;
    const WorkRow* last = nullptr;
    for (const WorkRow& row : sorted) {
        if (row.fromGrid || !namesPlayer(row.guid)) continue;
        if (!last || compareGuids(last->guid, row.guid) != 0) ++kept;
        last = &row;
    }
    return kept;
}

// A dated copy of the bytes just read, under the file's own name, no more readable than
// the file. An earlier pass's copy, which lacks what changed since, makes way for it.
std::string backUp(MainForm& form, const BanFileReader& file, const std::string& name,
                   std::string folder, const std::string& earlier) {
    g_strAddBackslash(folder);
    std::string archive;
    XZipper& zip = form.xzipper1;
    writeDatedArchive(
        zip, folder, kArchiveSuffix,
        [&](XZipper& z) {
            z.setPermissionsOf(file.status(), file.path());
            z.addBytes(name, file.bytes());
        },
        archive);
    zip.clearFiles();
    if (!earlier.empty()) ::unlink(earlier.c_str());
    return archive;
}

// A backup made on a second thread while the merge works on the bytes it copies; nothing in
// the ban file's folder changes before it is written, and its failure is the merge's.
class BackupUnderway {
  public:
    // What start makes. It waits for the file's lines to be read, which take both cores.
    void prepare(std::function<std::string()> make) { make_ = std::move(make); }
    void start() {
        if (make_) future_ = onSecondThread(std::exchange(make_, nullptr));
    }
    // The archive's path (empty when none was prepared), once it is written; throws what
    // the backup threw, every time it is asked.
    const std::string& wait() {
        start();
        if (future_.valid()) {
            try {
                archive_ = future_.get();
            } catch (...) {
                failure_ = std::current_exception();
            }
        }
        if (failure_) std::rethrow_exception(failure_);
        return archive_;
    }
    // Leaving early (a failure, a stop) still waits for the thread.
    ~BackupUnderway() {
        if (future_.valid()) future_.wait();
    }

  private:
    std::function<std::string()> make_;
    std::future<std::string> future_;
    std::string archive_;
    std::exception_ptr failure_;
};

// Appends lines to the file just put in place, each ended by CR LF, and puts them on disk;
// but for the lines of bans lifted, which go no more into it than into the database: the
// game server would ban those players again.
void appendLines(TextFileWriter& file, std::string_view bytes, const LiftingTimes& lifted,
                 FieldSplitter& awk, const std::string& path) {
    std::string out;
    forEachLine(bytes, [&](std::string_view line) {
        WorkingRows one;
        collectFileLines(line, awk, one);
        if (!one.rows.empty() && dropLiftedRows(one.rows, lifted).skipped > 0) return;
        out.append(line).append("\r\n");
    });
    if (const int failed = writeAll(file.descriptor(), out)) throw Error::fromErrno(failed, path);
    if (::fsync(file.descriptor()) != 0) throw Error::fromErrno(errno, path);
}

// After a failure once the new file is in place: the old bytes go back, so that file and
// database agree again. When even that fails, the error says where things stand.
Error putBack(BanFileReader& file, TextFileWriter& rewritten, const Error& failure,
              MergeOutcome& outcome) {
    // Lines a writer added to the old file since the check go back with it, even when the
    // failure came before the merge read them: the old file has no name any more.
    try {
        file.readTail();
    } catch (const std::exception&) {
        // What cannot be read is put back as far as it was read.
    }
    try {
        TextFileWriter back(file.path(), rewritten.descriptor());
        back.write(file.bytes());
        back.commit();
        outcome.fileReplaced = false;
        return failure;
    } catch (const std::exception& e) {
        return Error(failure.number(), failure.source(),
                     failure.description() + kNotPutBack + e.what() + kNotPutBackEnd);
    }
}

// What the next appending merge may take as known of the file a sorted rewrite has just put
// in place: every ban in it is the database's, so only the lines added after it need storing.
// Nothing known when it cannot be looked at: the next merge then reads the file whole.
KnownBanFile knownAfterRewrite(int fd, const std::string& path) {
    KnownBanFile known;
    struct stat status {};
    try {
        if (::fstat(fd, &status) != 0) return {};
        known.device = status.st_dev;
        known.inode = status.st_ino;
        known.end = static_cast<uint64_t>(status.st_size);
        const uint64_t hashed = std::min(known.end, kHeadBytes);
        known.headHash = hashOfBytes(fd, 0, hashed, path);
        known.endHash = hashOfBytes(fd, known.end - hashed, known.end, path);
    } catch (const std::exception&) {
        return {};
    }
    known.valid = true;
    known.gathered = false;
    return known;
}

// One pass through the merge's steps over the file as read: collect the rows, store them,
// write the new file, and replace the old one if it is still the one read.
Pass mergeOnce(MainForm& form, BanStore& store, BanFileReader& file, const MergeOptions& options,
               const std::string& server, MergeOutcome& outcome, Counts& counts,
               BackupUnderway& backup, std::optional<StopSignalsHeld>& held) {
    WorkProgress progress(form);

    WorkingRows work;
    work.rows.reserve(static_cast<size_t>(form.vsFlexGrid1.rows()) + file.bytes().size() / 128);
    collectFileLines(file.bytes(), form.awkQuelvane, work);
    backup.start();
    form.prgScanning.setVisible(true);
    if (options.rows) {
        work.rows.insert(work.rows.end(), options.rows->begin(), options.rows->end());
    } else {
        progress.start(form.vsFlexGrid1.rows() - 1);
        collectGridRows(
            form.vsFlexGrid1, formatStamp(std::time(nullptr)), [&](int32_t i) { progress.set(i); },
            work);
    }
    sortByGuid(work);

    // The database changes are committed only once the rewritten file is in place.
    StoreTransaction transaction(store);
    if (options.beforeStore) options.beforeStore(store);
    // Every row is a sighting, the file's lines too: the file is written again from the
    // database, and a line's name for a GUID banned already would be gone with it.
    AliasSightings seen(store);
    for (const WorkRow& row : work.rows) seen.add(row);
    seen.store();
    const auto fileRows = [](const std::vector<WorkRow>& rows) {
        return std::count_if(rows.begin(), rows.end(),
                             [](const WorkRow& r) { return !r.fromGrid; });
    };
    const int64_t fileRowsBefore = fileRows(work.rows);
    const int64_t lifted = skipLiftedRows(store, work.rows);
    const int64_t liftedLines = fileRowsBefore - fileRows(work.rows);
    progress.start(static_cast<int64_t>(work.rows.size()) - 1);
    const StoredRows stored = storeRows(store, work, [&](int64_t j) { progress.set(j); });
    dropStoredBansLines(store, work);
    const int64_t heldBefore = fileBansKept(work.rows);
    if (options.afterStore) options.afterStore(store, work.rows, work.keptLines);
    store.replaceKeptLines(server, work.keptLines);
    // The new bans from the grid are all the rows give from here on: the rows and their texts
    // go before the file is written, which takes as many bytes again.
    std::vector<NewBan> added;
    added.reserve(stored.addedFromGrid.size());
    for (size_t j : stored.addedFromGrid) added.push_back(newBanOf(work.rows[j]));
    std::vector<WorkRow>().swap(work.rows);
    work.texts.clear();

    backup.wait();
    TextFileWriter rewritten(file.path(), file.descriptor());
    counts = {work.banLines, writeBanFile(store, server, rewritten),
              stored.stamped, work.oddLines,
              lifted,        static_cast<int64_t>(added.size()),
              heldBefore};
    counts.liftedLines = liftedLines;
    // A file whose every ban was lifted is written without them: it held bans.
    if (counts.written == 0 && counts.banLines == 0 && !options.mayEmpty) return Pass::NoRecords;
    rewritten.sync();
    if (options.beforeCheck) options.beforeCheck();
    if (!file.unchanged()) return Pass::Changed;

    // The new file is this program's alone from the moment it takes the name.
    BanFileLock lockNew(rewritten.descriptor(), file.path());
    if (options.beforeReplace) options.beforeReplace();
    // No stop signal ends the program between the replacing and the commit, nor before the
    // merge has said what it did.
    held.emplace();
    try {
        rewritten.commit();
        outcome.fileReplaced = true;
        // A writer that held the old file open may have added to it since the check.
        if (std::string_view tail = file.readTail(); !tail.empty()) {
            const LiftingTimes liftings = liftingTimes(store);
            WorkingRows more;
            collectFileLines(tail, form.awkQuelvane, more);
            sortByGuid(more);
            const int64_t skipped = skipLiftedRows(store, more.rows);
            counts.lifted += skipped;
            counts.liftedLines += skipped;
            const StoredRows added = storeRows(store, more, [](int64_t) {});
            seen.addNewBans(more.rows, added.addedRows);
            seen.store();
            store.appendKeptLines(server, more.keptLines);
            appendLines(rewritten, tail, liftings, form.awkQuelvane, file.path());
            counts.banLines += more.banLines;
            counts.written += more.banLines - skipped;
            counts.held += more.banLines - skipped;
            counts.odd += more.oddLines;
        }
        if (options.beforeCommit) options.beforeCommit(store);
        transaction.commit();
    } catch (const std::exception& e) {
        if (!rewritten.replaced()) throw;
        throw putBack(file, rewritten, toError(e), outcome);
    }
    // Still locked by this merge: nothing another writer added is taken for its own.
    if (options.known) *options.known = knownAfterRewrite(rewritten.descriptor(), file.path());
    outcome.added = std::move(added);
    return Pass::Done;
}

// Appends bytes to the ban file read, which must still be that very file: false when it
// was replaced meanwhile. A last line without its end gets one first.
bool appendToBanFile(const BanFileReader& file, std::string bytes) {
    const int fd = ::open(file.path().c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) throw Error::fromErrno(errno, file.path());
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw Error::fromErrno(errno, file.path());
    if (!sameFile(st, file.status())) return false;
    char last = '\n';
    if (st.st_size > 0 && ::pread(file.descriptor(), &last, 1, st.st_size - 1) != 1)
        throw Error::fromErrno(errno, file.path());
    if (last != '\n') bytes.insert(0, "\r\n");
    size_t done = 0;
    try {
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throw Error::fromErrno(errno, file.path());
            done += static_cast<size_t>(n);
        }
        if (::fsync(fd) != 0) throw Error::fromErrno(errno, file.path());
    } catch (const Error&) {
        // No half line stays behind, unless another writer has added to the file since.
        struct stat now {};
        if (::fstat(fd, &now) == 0 && now.st_size == st.st_size + static_cast<off_t>(done) &&
            ::ftruncate(fd, st.st_size) != 0) {
            // What was written stays; the next merge reads whatever whole lines it holds.
        }
        throw;
    }
    return true;
}

// The file's bans as the appending merge needs them: their GUIDs only, so a large file
// costs little memory. With known, only what was added since its last run is taken apart,
// and known then covers the file's whole lines as read now; the lines added since the last
// run (or since the sorted rewrite known was made of) go into work too, to be stored: the
// game server's own bans reach the database, and the other servers, at once.
void collectFileGuids(const BanFileReader& file, FieldSplitter& awk, KnownBanFile* known,
                      std::unordered_set<std::string>& partial, WorkingRows& work) {
    std::string_view bytes = file.bytes();
    if (!known) {
        collectFileLines(bytes, awk, work,
                         [&](WorkRow&& row) { partial.insert(guidKey(row.guid)); });
        return;
    }
    // Where the lines that may be new to the database start in bytes: after the bytes a
    // sorted rewrite wrote from it, or else at the first byte read. With nothing known
    // (follow's first merge after a start) that is the whole file: the game server may
    // have added bans while follow was not running.
    size_t added = 0;
    if (known->valid && !known->gathered && file.start() == 0)
        added = static_cast<size_t>(std::min<uint64_t>(known->end, bytes.size()));
    if (file.start() == 0 || !known->valid) {
        *known = {};
        known->valid = true;
        known->device = file.status().st_dev;
        known->inode = file.status().st_ino;
    }
    // A last line without its end may still be being written: it counts for this run,
    // and is read again with its end next time.
    const size_t whole = bytes.find_last_of("\r\n") + 1;  // 0 when there is none
    WorkingRows lines;
    collectFileLines(bytes.substr(0, std::min(added, whole)), awk, lines,
                     [&](WorkRow&& row) { known->guids.insert(guidKey(row.guid)); });
    if (added < whole) {
        WorkingRows fresh;
        collectFileLines(bytes.substr(added, whole - added), awk, fresh);
        for (const WorkRow& row : fresh.rows) known->guids.insert(guidKey(row.guid));
        lines.banLines += fresh.banLines;
        lines.oddLines += fresh.oddLines;
        work.rows.insert(work.rows.end(), fresh.rows.begin(), fresh.rows.end());
        work.texts.take(std::move(fresh.texts));
    }
    known->banLines += lines.banLines;
    known->oddLines += lines.oddLines;
    known->end = file.start() + whole;
    known->headHash = file.hashOf(0, std::min(known->end, kHeadBytes));
    known->endHash = file.hashOf(known->end - std::min(known->end, kHeadBytes), known->end);
    collectFileLines(bytes.substr(whole), awk, work,
                     [&](WorkRow&& row) { partial.insert(guidKey(row.guid)); });
    work.banLines += known->banLines;
    work.oddLines += known->oddLines;
}

// One pass that only adds: the grid's bans that the database lacks go into it, and those
// the file lacks too are appended to it as it stands, with the pushed bans it lacks; the
// bans of the lines the file gained since the last pass are stored too. Nothing else is
// stored or written. Nothing is written to the file when no ban is new to it. A failure
// before the commit leaves the database as it was; bans appended by then are in the
// file, which the next merge reads.
Pass appendOnce(MainForm& form, BanStore& store, BanFileReader& file, const MergeOptions& options,
                MergeOutcome& outcome, Counts& counts, std::optional<StopSignalsHeld>& held) {
    // Replaced or cut (an older copy put back, say) since the last run: it may lack bans
    // the database holds, which only a sorted rewrite gives back to it.
    if (file.notAsKnown()) return Pass::Rewrite;
    std::unordered_set<std::string> partial;
    WorkingRows work;
    collectFileGuids(file, form.awkQuelvane, options.known, partial, work);
    auto inFile = [&](std::string_view guid) {
        const std::string key = guidKey(guid);
        return partial.contains(key) || (options.known && options.known->guids.contains(key));
    };
    // A ban lifted since the file was last rewritten (by another server of the fleet, or
    // for another file) is still in it.
    bool holdsLifted = false;
    liftingTimes(store).forEachKey([&](const std::string& key) {
        holdsLifted = holdsLifted || partial.contains(key) ||
                      (options.known && options.known->guids.contains(key));
    });
    if (holdsLifted) return Pass::Rewrite;
    collectGridRows(
        form.vsFlexGrid1, formatStamp(std::time(nullptr)), [](int32_t) {}, work);
    sortByGuid(work);

    std::string lines;
    int64_t appended = 0;
    auto append = [&](const Ban& ban) {
        if (inFile(ban.guid)) return false;
        lines += banFileLine(ban);
        lines += "\r\n";
        partial.insert(guidKey(ban.guid));
        ++appended;
        return true;
    };
    // Other servers' bans go first and need no transaction: reading them is enough, so
    // they never wait for another server's merge.
    int64_t pushed = 0;
    if (options.pushAll) {
        store.forEachBan([&](const Ban& ban) { pushed += append(ban); });
    } else {
        std::vector<std::string> missing;
        for (const std::string& guid : options.pushed)
            if (!inFile(guid)) missing.push_back(guid);
        if (!missing.empty())
            for (const StoredBan& ban : store.findBans(missing))
                pushed += append({ban.guid, ban.stamp, ban.name, ban.address, ban.reason});
    }
    if (!lines.empty()) {
        StopSignalsHeld held;
        if (!appendToBanFile(file, std::move(lines))) return Pass::Changed;
        outcome.fileReplaced = true;
        lines.clear();
    }

    // A ban the file holds but the database lacks (a merge ended between the two) is
    // stored, not appended again. Only storing needs the transaction, which waits for
    // every other writer of a shared database.
    std::optional<StoreTransaction> transaction;
    int64_t lifted = 0;
    StoredRows stored;
    if (!work.rows.empty() || options.beforeCommit) {
        transaction.emplace(store);
        // Every grid row is an alias of its GUID; a line of the file only when it bans.
        AliasSightings seen(store);
        seen.addGridRows(work.rows);
        seen.store();
        // A lifted ban stays lifted here too: follow re-reads old lines after a restart.
        lifted = skipLiftedRows(store, work.rows);
        stored = storeRows(store, work, [](int64_t) {});
        // The lines the file gained (the game server's own bans) are sightings of the
        // players they newly ban, as in a sorted rewrite.
        seen.addNewBans(work.rows, stored.addedRows);
        seen.store();
    }
    for (size_t j : stored.addedFromGrid) {
        const WorkRow& row = work.rows[j];
        append({row.guid, row.stamp, row.name, row.address, row.reason});
    }
    // A violation of a GUID the database bans already but the file lacks (banned through
    // another ban file, or this one replaced by hand) is banned here too, as the database
    // has it and a sorted rewrite would write it.
    std::vector<std::string> storedElsewhere;
    std::unordered_set<std::string> asked;
    for (const WorkRow& row : work.rows)
        if (row.fromGrid && namesPlayer(row.guid) && !inFile(row.guid) &&
            asked.insert(guidKey(row.guid)).second)
            storedElsewhere.emplace_back(row.guid);
    if (!storedElsewhere.empty())
        for (const StoredBan& ban : store.findBans(storedElsewhere))
            append({ban.guid, ban.stamp, ban.name, ban.address, ban.reason});
    counts = {work.banLines,  work.banLines + appended,
              stored.stamped, work.oddLines,
              lifted,         static_cast<int64_t>(stored.addedFromGrid.size()),
              work.banLines};
    held.emplace();
    if (!lines.empty()) {
        if (!appendToBanFile(file, std::move(lines))) {
            held.reset();  // the next pass may take long, and may be stopped
            return Pass::Changed;
        }
        outcome.fileReplaced = true;
    }
    if (options.beforeCommit) options.beforeCommit(store);
    if (transaction) transaction->commit();
    outcome.added.clear();
    for (size_t j : stored.addedFromGrid) outcome.added.push_back(newBanOf(work.rows[j]));
    outcome.pushedAdded = pushed;
    return Pass::Done;
}

// Its odd lines would be kept, so any file would pass for a ban file.
void throwIfNotABanFile(const BanFileReader& file, const std::string& name) {
    if (zeroOutsideBanLines(file.bytes()))
        throw Error(err::kBadFileFormat, appBaseName(), kNotABanFile + name);
}

std::string reportOf(const Counts& counts, const std::string& title) {
    // As many lines as before may still hold a new ban: a lifted ban's line gone and the
    // player banned again, or two lines of one GUID made one and a ban of the database
    // written in their place.
    std::string report =
        counts.written == counts.held && counts.added == 0
            ? "Merge complete. No new ban's have been written to '" + title + "'" + kPad
            : "Merge complete. " + std::to_string(counts.written) + " bans have been written to '" +
                  title + "'" + kPad;
    if (counts.stamped == 1)
        report += std::string(kCrLf) +
                  "1 ban had no readable time stamp and got the time of this merge." + kPad;
    else if (counts.stamped > 1)
        report += kCrLf + std::to_string(counts.stamped) +
                  " bans had no readable time stamp and got the time of this merge." + kPad;
    if (counts.lifted > 0) report += kCrLf + liftedSkippedText(counts.lifted) + kPad;
    if (counts.odd == 1)
        report += std::string(kCrLf) +
                  "1 line that is not a ban line was kept as it is, after the bans." + kPad;
    else if (counts.odd > 1)
        report += kCrLf + std::to_string(counts.odd) +
                  " lines that are not ban lines were kept as they are, after the bans." + kPad;
    return report;
}

// The merge's copy of the file goes when another backup beside it holds the same bytes and
// the copy need not be kept: after a merge that changed nothing (every failed try of a cron
// job, a disk nearly full, left one more until the disk was full) or one of follow's,
// which backs the file up at every start.
void dropRepeatedCopy(const std::string& archive, bool mayGo) {
    if (mayGo && !archive.empty() && anotherArchiveHolds(archive)) ::unlink(archive.c_str());
}

}  // namespace

MergeOutcome mergeIntoBanFile(MainForm& form, const MergeOptions& options) {
    // Stop signals wait from the commit until the merge returns what it did, clean-up
    // included: ended in between, it had changed the file and the database unsaid.
    std::optional<StopSignalsHeld> held;
    MergeOutcome outcome;
    // Whether this merge wrote a backup, which a failure's box may then point to; set by
    // the backup's thread, read once that thread is done.
    std::atomic<bool> zipped{false};
    // The backup this merge wrote last, written by the backup's thread, read once it is done.
    std::string ownArchive;
    bool appendingPass = false;  // the pass under way only adds to the end of the ban file
    BanStore* store = options.store;
    std::optional<CFileOpenSaveDialog> dialog;
    std::optional<CCursor> cursor;
    try {
        if (options.explain)
            form.ports.messages.show(kExplanation, MsgButtons::Ok, MsgIcon::Information, kMsgTitle);

        std::string banFile = options.banFile, title;
        if (banFile.empty()) {
            dialog.emplace(form.ports.files);
            dialog->setCenterDialog(true);
            dialog->setDefaultExt(kDefaultExt);
            dialog->setDefaultFilter(1);
            dialog->setDialogTitle(kDialogTitle);
            dialog->setFilter(kFilter);
            dialog->setFlags(kDialogFlags);
            dialog->setHWndOwner(form.hWnd);
            if (dialog->Show(CFileOpenSaveDialog::kOpen)) {
                banFile = dialog->FileName();
                title = dialog->FileTitle();
            }
            dialog.reset();
        } else {
            title = banFile.substr(banFile.find_last_of('/') + 1);
        }
        if (!banFile.empty()) {
            const std::string folder = g_strGetFolder(banFile);
            const std::string server = serverName(options.server);
            cursor.emplace(form.ports.cursor);
            cursor->SetCursor(CCursor::kHourglass);
            // Without the database there is nothing to merge into: its report is the one
            // box, and the ban file is neither read nor backed up.
            if (!store && !g_blnConnectToDatabase(form)) throw NoDatabase{};
            if (!store) store = g_cnnDatabase.get();
            store->cancelWaitWith(&form.cancel);
            // What a killed merge left behind goes first.
            removeStaleTemps(banFile);

            std::string archive;
            Counts counts;
            Pass pass = Pass::Changed;
            bool appending = options.appendOnly, backingUp = options.backUp;
            for (int run = 0; pass == Pass::Changed || pass == Pass::Rewrite; ++run) {
                if (run > kReruns)
                    throw Error(err::kFileChanged, appBaseName(), kKeptChanging + banFile);
                // A sorted rewrite in place of an appending pass is backed up as any.
                if (pass == Pass::Rewrite) appending = false, backingUp = true;
                // Only an appending run without a backup can do with what it knew.
                BanFileReader file(banFile, appending && !backingUp ? options.known : nullptr,
                                   &form.cancel);
                throwIfNotABanFile(file, banFile);
                // The sorted rewrite backs up while it merges: the copy is of the bytes
                // read, and the file changes only once the copy is written.
                BackupUnderway backup;
                if (backingUp) {
                    if (appending) {
                        ownArchive = archive = backUp(form, file, title, folder, archive);
                        zipped = true;
                    } else {
                        backup.prepare([&, earlier = archive] {
                            std::string made = backUp(form, file, title, folder, earlier);
                            zipped = true;
                            ownArchive = made;
                            return made;
                        });
                    }
                }
                // What was known of the file is replaced once a sorted rewrite has put its
                // own in place, not before: forgotten when the rewrite failed, the next
                // pass only appended to a copy put back that lacked bans.
                appendingPass = appending;
                pass = appending ? appendOnce(form, *store, file, options, outcome, counts, held)
                                 : mergeOnce(form, *store, file, options, server, outcome, counts,
                                             backup, held);
                if (backingUp && !appending) archive = backup.wait();
            }
            dropRepeatedCopy(ownArchive, !options.keepRepeatedBackup);
            form.prgScanning.setValue(0);
            form.prgScanning.setVisible(false);
            if (pass == Pass::NoRecords) {
                // Nothing to write: the file and the database stay as they were.
                outcome.noRecords = true;
                outcome.liftedSkipped = counts.lifted;
                // Violations all of lifted bans are why, as a merge's report says of them.
                std::string prompt = kNoRecords;
                if (counts.lifted > 0) prompt += kCrLf + liftedSkippedText(counts.lifted) + kPad;
                form.ports.messages.show(prompt, MsgButtons::Ok, MsgIcon::Critical, kMsgTitle);
            } else {
                outcome.report = reportOf(counts, title);
                outcome.liftedSkipped = counts.lifted;
                outcome.liftedTakenOut = counts.liftedLines;
                outcome.gainedInFile = counts.written - counts.held;
                outcome.completed = true;
                if (options.offerToOpen) {
                    std::string prompt = outcome.report + kCrLf + kCrLf + kOpenQuestion;
                    if (form.ports.messages.show(prompt, MsgButtons::YesNo, MsgIcon::Information,
                                                 kMsgTitle) == MsgResult::Yes)
                        openForViewing(form.ports.shell, form.ports.messages, banFile);
                }
            }
        }
    } catch (const NoDatabase&) {
        // Reported by the connect.
    } catch (const Cancelled&) {
        if (store) store->rollback();  // stopped: nothing changes
        dropRepeatedCopy(ownArchive, !outcome.fileReplaced);
    } catch (const std::exception& e) {
        if (store) store->rollback();
        dropRepeatedCopy(ownArchive, !outcome.fileReplaced);
        const Error error = toError(e);
        outcome.error = error.number();
        showErrorBox(form.ports.messages, options.errorLead ? options.errorLead : kErrorLead, error,
                     appendingPass && outcome.fileReplaced ? kErrorAdviceAppended
                     : outcome.fileReplaced                ? kErrorAdviceNotPutBack
                     : zipped                              ? kErrorAdvice
                                                           : kErrorAdviceUnzipped);
    }

    // Clean-up, whatever happened.
    form.prgScanning.setValue(0);
    form.prgScanning.setVisible(false);
    if (cursor) {
        try {
            cursor->RestoreCursor();
        } catch (const Error&) {
        }
    }
    if (store) store->cancelWaitWith(nullptr);
    if (!options.store) g_CloseDatabase();
    form.xzipper1.clearFiles();
    outcome.zipped = zipped;
    return outcome;
}

MergePreview previewMerge(MainForm& form, BanStore& store, const std::string& banFile) {
    BanFileReader file(banFile);
    // What the merge would refuse is refused here too, not promised.
    throwIfNotABanFile(file, banFile);
    WorkingRows work;
    collectFileLines(file.bytes(), form.awkQuelvane, work);
    const auto fileLines = [&] {
        return std::count_if(work.rows.begin(), work.rows.end(),
                             [](const WorkRow& row) { return !row.fromGrid; });
    };
    const int64_t linesRead = fileLines();
    collectGridRows(
        form.vsFlexGrid1, formatStamp(std::time(nullptr)), [](int32_t) {}, work);
    sortByGuid(work);
    // Lifted bans are skipped by the merge's own rule, without ending a lifting that a newer
    // violation would end: a dry run may have a database it can only read.
    const int64_t skipped = dropLiftedRows(work.rows, liftingTimes(store)).skipped;
    MergePreview preview;
    preview.liftedLines = linesRead - fileLines();
    preview.liftedRows = skipped - preview.liftedLines;
    std::vector<size_t> taken = banRows(work.rows);
    std::vector<std::string> guids;
    for (size_t j : taken) guids.emplace_back(work.rows[j].guid);
    const std::unordered_set<std::string> known = bannedGuidKeys(store, guids);
    for (size_t j : taken) {
        if (known.contains(guidKey(work.rows[j].guid))) continue;
        // A ban of the file's own goes into the store too, and so to every server sharing it.
        if (work.rows[j].fromGrid)
            preview.added.push_back(newBanOf(work.rows[j]));
        else
            ++preview.toStore;
    }
    std::unordered_set<std::string> inFile;
    for (const WorkRow& row : work.rows)
        if (!row.fromGrid) inFile.insert(guidKey(row.guid));
    // The file is written again from the store: every ban it holds goes in.
    store.forEachBan([&](const Ban& ban) {
        preview.fromStore += writtenToBanFile(ban.guid) && !inFile.contains(guidKey(ban.guid));
    });
    // In the order the ban file would list them.
    std::sort(preview.added.begin(), preview.added.end(), [](const NewBan& a, const NewBan& b) {
        return compareInBanFile(a.stamp, a.guid, b.stamp, b.guid) < 0;
    });
    return preview;
}

void g_MergeIntoBanFile(MainForm& form) {
    mergeIntoBanFile(form, {});
}

}  // namespace th
