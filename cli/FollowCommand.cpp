#include "cli/FollowCommand.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "bans/BanStore.h"
#include "bans/DatabaseLocation.h"
#include "bans/Merge.h"
#include "bans/Paths.h"
#include "bans/PostgresBanStore.h"
#include "bans/PostgresUri.h"
#include "bans/SchemaMigration.h"
#include "bans/ServerName.h"
#include "bans/SqliteConnection.h"
#include "cli/AbsolutePath.h"
#include "cli/AfterMerge.h"
#include "cli/BanLines.h"
#include "cli/DatabaseOption.h"
#include "cli/GridInputs.h"
#include "cli/NameCheck.h"
#include "cli/NumberCheck.h"
#include "cli/OutputChecks.h"
#include "cli/ScanFlags.h"
#include "cli/TerminalPorts.h"
#include "cli/TerminalText.h"
#include "cli/UnmergedRows.h"
#include "platform/DatedArchiveName.h"
#include "platform/Error.h"
#include "platform/FileWatcher.h"
#include "platform/MessageBoxes.h"
#include "platform/SameFile.h"
#include "platform/ServiceManager.h"
#include "platform/SingleRun.h"
#include "platform/StopSignals.h"
#include "platform/TempFile.h"
#include "platform/XZipper.h"
#include "scan/LogFolder.h"
#include "scan/LogPositions.h"

namespace th::cli {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct FollowOptions {
    std::string bans, db, afterMerge, server;
    double interval = 2;
    double backupEvery = 24;
    bool poll = false;
    ScanOptions scan;
    std::vector<std::string> inputs;
};

// How long an after-merge command may run before it is stopped.
constexpr auto kAfterMergeLimit = std::chrono::seconds(60);
// Where the logs stand is stored at least this often while no ban arrives (and every
// twenty looks, when they come more often than every three seconds), so that a restart has
// little to read again.
constexpr auto kStoreEvery = std::chrono::seconds(60);
constexpr int kLooksPerStore = 20;
// Word of other servers' bans read during a merge waits this long for more before the
// next merge takes it in, as word that wakes follow does (the watcher's settling), so
// that a busy fleet merges a few bans at a time.
constexpr auto kGather = std::chrono::milliseconds(50);
// The longest wait between two tries after a failure.
constexpr auto kLongestRetry = std::chrono::minutes(5);

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// When the ban file was last backed up: its newest dated zip beside it, so that a restart
// keeps to --backup-every. Only a zip that holds this ban file counts: another ban file in
// the folder has backups of the same names. A zip dated ahead of the clock (the clock was
// set back) counts for none: it would put off every backup until the clock caught up.
std::optional<Clock::time_point> lastBackupOf(const std::string& bans) {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::optional<fs::file_time_type> newest;
    const auto now = fs::file_time_type::clock::now();
    const std::string title = baseOf(bans);
    for (const auto& entry : fs::directory_iterator(folderOf(bans), ec)) {
        const std::string name = entry.path().filename().string();
        if (!isDatedArchiveName(name) || !entry.is_regular_file(ec) ||
            firstEntry(entry.path().string()).name != title)
            continue;
        const auto when = entry.last_write_time(ec);
        if (!ec && when <= now && (!newest || when > *newest)) newest = when;
    }
    if (!newest) return std::nullopt;
    const auto age = fs::file_time_type::clock::now() - *newest;
    return Clock::now() - std::chrono::duration_cast<Clock::duration>(age);
}

// Beside the ban file itself, by whatever name --bans leads to it: kept beside a link,
// they were not found when follow was next started with the file's own name. A link to
// something that is no file (/dev/null) is no ban file's name: they went into /dev.
std::string keptRowsPathOf(const std::string& bans) {
    std::error_code ec;
    const std::filesystem::path file = std::filesystem::canonical(bans, ec);
    const bool regular = !ec && std::filesystem::is_regular_file(file, ec);
    return unmergedRowsPath(regular ? file.string() : bans);
}

// A failure the stop cut short (a wait for another writer that it ended, or a merge that
// could not start, said by its own box) ends as the prompt stop it is. Any other leaves
// violations unmerged however the stop fell: one landing while a merge failed for its own
// reason ended with 0.
bool cutShortByStop(int error) {
    return StopSignals::requested() && (error == 0 || error == err::kFileInUse);
}

// How a look ended: its merge done (or nothing to merge), failed and said, or held back
// while merges fail, its rows kept for the next try.
enum class Look { Done, Failed, Holding };

class Follower {
  public:
    Follower(CommandContext& context, const FollowOptions& options)
        : context_(context),
          options_(options),
          interval_(milliseconds(std::lround(options.interval * 1000))),
          backupEvery_(std::chrono::duration_cast<Clock::duration>(
              std::chrono::duration<double, std::ratio<3600>>(options.backupEvery))),
          command_(commandWords(options.afterMerge)) {}

    // Stop signals are taken (StopSignals) before it runs.
    int run() {
        // Output whose reader went away (follow | head) ends follow with a word and status
        // 1, as a full disk does: not silently by SIGPIPE, between a merge and the command
        // that was to tell the game server.
        ::signal(SIGPIPE, SIG_IGN);
        std::vector<std::string> watched;
        for (const auto& input : options_.inputs) {
            struct stat st {};
            watched.push_back(::stat(input.c_str(), &st) == 0 && S_ISDIR(st.st_mode)
                                  ? input
                                  : folderOf(absolutePath(input)));
        }
        std::sort(watched.begin(), watched.end());
        watched.erase(std::unique(watched.begin(), watched.end()), watched.end());
        FileWatcher watcher(options_.poll ? std::vector<std::string>{} : watched);
        lastBackup_ = lastBackupOf(absolutePath(options_.bans));
        // The watchdog, when systemd keeps one, hears from follow twice per period.
        if (const auto watchdog = watchdogPeriod(); watchdog.count() > 0)
            wake_ = std::min<milliseconds>(interval_,
                                           std::chrono::duration_cast<milliseconds>(watchdog / 2));

        // What was appended while follow was not running comes first; it is ready once
        // that is merged, or has been tried.
        while (!StopSignals::requested() && !loadPositions()) waitAfterFailure(watcher);
        takeKeptRows();
        StopSignals::deferSecond(!unmergedRows_.empty());
        if (!StopSignals::requested()) listen();
        bool ready = false;
        while (!StopSignals::requested()) {
            notifyServiceManager("WATCHDOG=1");
            // Looks come at a fixed cadence, however long a merge took, so a line waits
            // at most the interval and one merge.
            const auto lookedAt = Clock::now();
            const Look look = cycle();
            // A second stop signal waits while violations are held that no file keeps yet.
            StopSignals::deferSecond(!unmergedRows_.empty());
            if (!ready) notifyServiceManager("READY=1");
            ready = true;
            if (look == Look::Done)
                failures_ = 0, unmerged_ = false;
            else if (look == Look::Failed)
                waitAfterFailure(watcher);
            if (StopSignals::requested()) break;
            if (unstored_ && unmergedRows_.empty() && Clock::now() - lastStored_ >= storeEvery_ &&
                Clock::now() >= storeAgainAt_)
                storePositions(false);
            listen();
            // Word that came during the merge has been read off the socket already.
            hear();
            auto until = std::min(lookedAt + interval_, Clock::now() + wake_);
            if (!database_ && listening()) until = std::min(until, listenAgainAt_);
            if (pushAll_ || !pushed_.empty()) until = std::min(until, Clock::now() + kGather);
            watcher.wait(std::chrono::duration_cast<milliseconds>(until - Clock::now()),
                         StopSignals::wakeDescriptor(), database_ ? database_->descriptor() : -1);
            hear();
        }
        notifyServiceManager("STOPPING=1");
        // The last word on where the logs stand: lost, the next run reads them again, and
        // the exit status says so rather than a clean stop, unless the stop itself cut
        // short a wait for another writer, as it is meant to.
        // Places past rows not merged are never stored: the next run reads those rows again.
        if (unstored_ && unmergedRows_.empty() && !storePositions(true) && !stoppedWaiting_ &&
            context_.status == kExitOk)
            context_.status = kExitRunTime;
        keepUnmergedRows();
        // A kept file that could not be read still holds violations no merge has taken.
        if (keptUnreadable_ && context_.status == kExitOk) {
            context_.note("tallyhound-cli: stopped with the violations kept in " + keptRowsPath() +
                          " not merged (said at the start)");
            context_.status = kExitRunTime;
        }
        // Stopped while merges failed: their violations wait for the next start, which the
        // exit status says rather than a clean stop.
        if (unmerged_ && context_.status == kExitOk) {
            context_.note(
                "tallyhound-cli: stopped while merges were failing; what they did not "
                "merge is merged at the next start");
            context_.status = kExitRunTime;
        }
        // So did logs that could not be read at the last look: what they hold is read at
        // the next start, from where each stood. The stop ended with 0.
        if (!unreadable_.empty() && context_.status == kExitOk) {
            context_.note(
                "tallyhound-cli: stopped while logs could not be read (said above); "
                "they are read at the next start from where they stood");
            context_.status = kExitRunTime;
        }
        return context_.status;
    }

  private:
    // With a PostgreSQL database follow also listens for bans that other servers catch.
    static bool listening() { return isPostgresUri(databasePath()); }

    // Connects and starts listening when it is time to (again); then every ban is looked
    // at once, for those that came while nobody listened. The connection serves every
    // merge after, for follow's life or until it is lost.
    void listen() {
        if (!listening() || database_ || Clock::now() < listenAgainAt_) return;
        try {
            auto database = std::make_unique<PostgresBanStore>(databasePath());
            database->waitForNewBans(0);
            database_ = std::move(database);
            pushAll_ = true;
            if (listenFailures_ > 0)
                context_.note(
                    "tallyhound-cli: the ban database answers again; the bans other servers "
                    "caught meanwhile are added now");
            listenFailures_ = 0;
        } catch (const std::exception& e) {
            lost(toError(e).description());
        }
    }

    // Takes in the word of new bans that came.
    void hear() {
        if (!database_) return;
        try {
            NewBansWord word;
            if (!database_->waitForNewBans(0, &word)) return;
            pushAll_ = pushAll_ || word.all;
            pushed_.insert(pushed_.end(), std::make_move_iterator(word.guids.begin()),
                           std::make_move_iterator(word.guids.end()));
        } catch (const std::exception& e) {
            lost(toError(e).description());
        }
    }

    // Said once per outage; tried again after the interval, doubled each time.
    void lost(const std::string& why) {
        database_.reset();
        if (listenFailures_ == 0)
            context_.note(
                "tallyhound-cli: lost touch with the ban database, so bans other servers catch "
                "do not reach " +
                absolutePath(options_.bans) + " until it answers again (" + why +
                "); trying again");
        listenAgainAt_ = Clock::now() + backedOff(listenFailures_++);
    }

    // Reads the stored positions; false after reporting why it could not.
    bool loadPositions() {
        try {
            CommandForm session(context_.err, options_.scan);
            std::unique_ptr<BanStore> store = openBanStore(session.form, databasePath());
            positions_ = store->logPositions(server_, kMergeReader);
            return true;
        } catch (const std::exception& e) {
            // Said once while it fails alike, as the merges' failures are.
            const std::string said =
                "the ban database could not be read: " + toError(e).description();
            // Followed by what follow does about it, which the start's silence after did not
            // tell.
            if (said != lastLoadFailure_)
                problem(said + "; it is tried again");
            else
                ++failures_;
            lastLoadFailure_ = said;
            // What was appended while follow was not running is not merged yet: a stop now
            // is no clean one.
            unmerged_ = !cutShortByStop(toError(e).number());
            return false;
        }
    }

    // Said once while it fails alike, and tried again after the interval, doubled each time:
    // it was tried and said at every look while the database was down. The last try, at a
    // stop, is always said.
    bool storePositions(bool last) {
        try {
            CommandForm session(context_.err, options_.scan);
            std::unique_ptr<BanStore> opened;
            BanStore& store =
                database_ ? *database_ : *(opened = openBanStore(session.form, databasePath()));
            StoreTransaction transaction(store);
            store.putLogPositions(server_, kMergeReader, positions_, gone_);
            transaction.commit();
            gone_.clear();
            unstored_ = false;
            lastStored_ = Clock::now();
            storeFailures_ = 0;
            lastStoreFailure_.clear();
            return true;
        } catch (const std::exception& e) {
            const Error error = toError(e);
            stoppedWaiting_ = cutShortByStop(error.number());
            // Cut short by the stop, nothing is lost and the status is 0: said so, as such.
            const std::string said =
                stoppedWaiting_
                    ? "stopped while another merge was writing, before where the logs "
                      "stand was stored; the next start reads them on from where they "
                      "were stored last"
                    : "where the logs stand could not be stored: " + error.description();
            if (last || said != lastStoreFailure_) problem(said);
            lastStoreFailure_ = said;
            storeAgainAt_ = Clock::now() + backedOff(storeFailures_++);
            return false;
        }
    }

    // The positions after a run of plan: its logs' new places replace the old.
    std::vector<LogPosition> advanced(const ScanPlan& plan) const {
        std::vector<LogPosition> next;
        for (const LogPosition& p : positions_) {
            auto same = [&](const LogPosition& q) { return q.sameLog(p); };
            if (std::none_of(plan.positions.begin(), plan.positions.end(), same) &&
                std::none_of(plan.gone.begin(), plan.gone.end(), same))
                next.push_back(p);
        }
        next.insert(next.end(), plan.positions.begin(), plan.positions.end());
        return next;
    }

    // Keeps the grid's rows for the next try besides those held already (all of them, when
    // the grid was laid out with those), and moves the logs' places past them, so that the logs are
    // read on from there: a log rotated meanwhile (renamed, or copied and truncated) is found by
    // its new place. Read again from the old places, a log first seen during the failures was
    // forgotten once renamed, and the lines before a second copy-and-truncate were lost.
    void hold(const FlexGrid& grid, bool besidesHeld, std::vector<LogPosition>& next,
              std::vector<LogPosition>& gone) {
        std::vector<GridRow> rows = dataRows(grid);
        if (!besidesHeld) unmergedRows_.clear();
        unmergedRows_.insert(unmergedRows_.end(), std::make_move_iterator(rows.begin()),
                             std::make_move_iterator(rows.end()));
        positions_ = std::move(next);
        gone_ = std::move(gone);
        unstored_ = true;
    }

    // At a stop, the rows not merged are kept for the next start and listed: it reads them
    // again from the logs, but not from a log that rotation took out of reach meanwhile
    // (renamed or copied away twice while the merges failed). Listed only, they were lost
    // then. A kept file that could not be read is never written over.
    void keepUnmergedRows() {
        if (unmergedRows_.empty()) return;
        const std::string path = keptRowsPath();
        std::string kept = "read again at the next start from the logs still in reach";
        if (!keptUnreadable_) {
            try {
                // A second stop signal waits for the file: it ended follow half way through.
                StopSignalsHeld held;
                refuseOtherKeptFile(path);
                writeUnmergedRows(unmergedRows_, path);
                kept = "kept in " + path + " for the next start to merge first";
            } catch (const std::exception& e) {
                context_.note(
                    "tallyhound-cli: the violations read and not merged could not be "
                    "kept: " +
                    toError(e).description());
            }
        }
        // Kept (or said not to be), they no longer hold back a second stop signal.
        StopSignals::deferSecond(false);
        context_.note("tallyhound-cli: read while merges were failing and not merged (" +
                      std::to_string(unmergedRows_.size()) + "; " + kept + "):");
        for (const GridRow& row : unmergedRows_) {
            std::string line;
            for (size_t c = 0; c < row.size(); ++c) {
                if (c > 0) line += '\t';
                appendTerminalText(line, row[c]);
            }
            context_.err << line << "\n";
        }
    }

    std::string keptRowsPath() const { return keptRowsPathOf(absolutePath(options_.bans)); }

    // The rows a stop kept (above) join the first look's, and their file goes once a merge
    // has taken them. One that cannot be read is said and left as it is.
    void takeKeptRows() {
        const std::string path = keptRowsPath();
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) return;
        try {
            std::vector<GridRow> rows = readUnmergedRows(path);
            ::stat(path.c_str(), &keptFile_);
            context_.note("tallyhound-cli: the violations kept in " + path + " at the last stop (" +
                          std::to_string(rows.size()) + ") are merged first");
            unmergedRows_.insert(unmergedRows_.end(), std::make_move_iterator(rows.begin()),
                                 std::make_move_iterator(rows.end()));
            keptRows_ = path;
        } catch (const std::exception& e) {
            keptUnreadable_ = true;
            context_.note("tallyhound-cli: " + toError(e).description() +
                          "; its violations are not merged and it is left as it is");
        }
    }

    // A file there that this run did not read at its start (one made meanwhile, or put in
    // place of the one it read) is not written over: its rows were lost, and a pipe there
    // held the stop for ever.
    void refuseOtherKeptFile(const std::string& path) const {
        struct stat now {};
        if (::lstat(path.c_str(), &now) != 0) return;
        struct stat read {};
        if (keptRows_.empty() || ::stat(path.c_str(), &read) != 0 || !sameFile(read, keptFile_))
            throw Error(err::kRefusedPath, appBaseName(),
                        path + " appeared while follow ran and is left as it is");
    }

    // The kept rows have been merged: their file goes. Left behind, the next start merges
    // them again, which bans no one twice.
    void dropKeptRows() {
        if (keptRows_.empty()) return;
        std::error_code ec;
        std::filesystem::remove(keptRows_, ec);
        if (ec)
            context_.note("tallyhound-cli: " + keptRows_ +
                          " was merged and could not be removed: " + ec.message());
        keptRows_.clear();
    }

    // A failure's words with every run of digits as one '#': a backup's dated name changes
    // every second, and two failures alike but for their numbers are the same failure.
    static std::string withoutNumbers(const std::string& text) {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            const bool digit = text[i] >= '0' && text[i] <= '9';
            if (!digit)
                out += text[i];
            else if (i == 0 || text[i - 1] < '0' || text[i - 1] > '9')
                out += '#';
        }
        return out;
    }

    // One look at the logs: Failed after reporting a failure (nothing moved then).
    Look cycle() {
        try {
            // A log or a folder that cannot be read (its permissions taken away) keeps no
            // other from being followed, and is looked at again at every look; it is said
            // once, and again should it recover and fail again.
            std::vector<std::string> unreadable;
            GridSources sources = gatherSources(options_.inputs, true, &unreadable);
            // A log named on its own may be missing for a moment while it is rotated.
            std::erase_if(sources.files, [](const std::string& file) {
                struct stat st {};
                return ::stat(file.c_str(), &st) != 0;
            });
            planNewOnly(sources, positions_, &unreadable);
            std::set<std::string> now(unreadable.begin(), unreadable.end());
            for (const std::string& text : now)
                if (!unreadable_.contains(text))
                    context_.note("tallyhound-cli: " + text + "; the other logs are followed");
            unreadable_ = std::move(now);
            const ScanPlan& plan = *sources.plan;
            std::vector<LogPosition> next = advanced(plan);
            std::vector<LogPosition> gone = gone_;
            gone.insert(gone.end(), plan.gone.begin(), plan.gone.end());
            const bool pushed = pushAll_ || !pushed_.empty();
            if (plan.slices.empty() && !pushed && unmergedRows_.empty()) {
                if (!plan.gone.empty()) unstored_ = true;
                positions_ = std::move(next);
                gone_ = std::move(gone);
                return Look::Done;
            }
            // While merges fail, the logs are read on at every look and their new rows kept;
            // a merge is tried again once the wait after the last failure is over. The rows
            // held are not laid out again at every look: that took a core's worth of time.
            const bool holding = !unmergedRows_.empty() && Clock::now() < mergeAgainAt_;
            CommandForm session(context_.err, options_.scan);
            // Both grids are this command's own, their columns where the set-up put them.
            if (!holding)
                for (const GridRow& row : unmergedRows_)
                    session.form.vsFlexGrid1.addRow(
                        std::vector<std::string_view>(row.begin(), row.end()));
            if (!plan.slices.empty()) buildGrid(session.form, sources, true);
            if (holding) {
                hold(session.form.vsFlexGrid1, true, next, gone);
                return Look::Holding;
            }
            if (session.form.vsFlexGrid1.rows() < 2 && !pushed) {
                // Only chatter: nothing to merge, the ban file is left alone.
                positions_ = std::move(next);
                gone_ = std::move(gone);
                unstored_ = true;
                return Look::Done;
            }
            return merge(session, next, gone);
        } catch (const std::exception& e) {
            problem(toError(e).description());
            // The logs were not read: what they hold waits for the next start, as a failed
            // merge's violations do.
            unmerged_ = !cutShortByStop(toError(e).number());
            return Look::Failed;
        }
    }

    Look merge(CommandForm& session, std::vector<LogPosition>& next,
               std::vector<LogPosition>& gone) {
        const std::string bans = absolutePath(options_.bans);
        session.terminal.files.paths = {bans};
        // The merge's error boxes are printed below, once per outage.
        session.terminal.messages.printErrors = false;
        session.terminal.messages.errors.clear();
        // Until a sorted rewrite has worked since the start, the merges rewrite the file
        // sorted, backed up first (once a run): nothing is known of it yet, and one put back
        // or cut while follow was stopped lacked bans until the next backup, up to a day
        // later (only appended to, as it stood).
        const bool backUp = !lastBackup_ || Clock::now() - *lastBackup_ >= backupEvery_ ||
                            (!rewritten_ && !zipped_);
        const bool appendOnly = !backUp && rewritten_;
        MergeOptions options;
        options.explain = options.offerToOpen = false;
        options.server = server_;
        options.backUp = backUp;
        options.keepRepeatedBackup = false;
        options.appendOnly = appendOnly;
        options.known = &known_;
        options.store = database_.get();
        options.pushAll = pushAll_;
        options.pushed = pushed_;
        // Only a merge that stores bans takes the database's writers' lock; one that only
        // adds other servers' bans to the file leaves the places to be stored later.
        const bool storing = session.form.vsFlexGrid1.rows() >= 2;
        if (storing)
            options.beforeCommit = [&](BanStore& store) {
                store.putLogPositions(server_, kMergeReader, next, gone);
            };
        MergeOutcome outcome = mergeIntoBanFile(session.form, options);
        zipped_ = zipped_ || outcome.zipped;
        std::string said;
        for (const std::string& prompt : session.terminal.messages.errors)
            said += promptForTerminal(prompt) + "\n";
        // The same failure has the same lead and error; the advice under them says whether
        // this try had made a backup.
        const size_t second = said.find('\n', said.find('\n') + 1);
        const std::string failure =
            outcome.completed ? std::string() : withoutNumbers(said.substr(0, second));
        const bool sameAgain = !failure.empty() && failure == lastFailure_;
        lastFailure_ = failure;
        // No ban anywhere and none read (the first look of a new server's follow): nothing
        // to tell, as there was nothing to do.
        if (outcome.noRecords && !storing) said.clear();
        if (!sameAgain) context_.err << said;
        if (outcome.noRecords) {
            // No ban anywhere yet (the violations had no GUID): nothing to write. The
            // backup was made all the same, and counts.
            if (backUp) lastBackup_ = Clock::now();
            pushAll_ = false;
            pushed_.clear();
            unmergedRows_.clear();
            dropKeptRows();
            positions_ = std::move(next);
            gone_ = std::move(gone);
            unstored_ = true;
            return Look::Done;
        }
        if (!outcome.completed) {
            // A backup written before the failure counts: tried again every few minutes,
            // each try would otherwise leave one more zip.
            if (backUp) lastBackup_ = lastBackupOf(bans);
            // The merge has said why above, or the last time, when it failed as before: a
            // database down for hours printed the same box every few minutes.
            problem("the merge into " + bans + " did not complete" +
                    (sameAgain ? ", as before" : "") + "; " +
                    (StopSignals::requested() ? "what it did not merge is merged at the next start"
                                              : "it is tried again"));
            if (database_ && !database_->connected()) lost("the connection was broken");
            unmerged_ = !cutShortByStop(outcome.error);
            if (!storing) return Look::Failed;
            hold(session.form.vsFlexGrid1, false, next, gone);
            mergeAgainAt_ = Clock::now() + backedOff(failures_);
            return Look::Holding;
        }
        positions_ = std::move(next);
        unmergedRows_.clear();
        dropKeptRows();
        if (storing) {
            gone_.clear();
            unstored_ = false;
            lastStored_ = Clock::now();
        } else {
            gone_ = std::move(gone);
            unstored_ = true;
        }
        if (backUp) lastBackup_ = Clock::now();
        rewritten_ = rewritten_ || !appendOnly;
        pushAll_ = false;
        pushed_.clear();
        for (const NewBan& ban : outcome.added) context_.out << banLine(ban) << "\n";
        context_.outputWritten();
        // The bans a rewrite brought back (a file cut or put back) count as new to the file.
        const int64_t gained = std::max(
            static_cast<int64_t>(outcome.added.size()) + outcome.pushedAdded, outcome.gainedInFile);
        // Bans lifted (on another server of the fleet, say) that the file lost need the game
        // server to reload its list as much as new ones do.
        if ((gained > 0 || outcome.liftedTakenOut > 0) && !command_.empty()) {
            const std::string failed =
                runAfterMerge(command_, bans, gained, outcome.liftedTakenOut, kAfterMergeLimit);
            if (!failed.empty()) context_.note("tallyhound-cli: after the merge: " + failed);
        }
        return Look::Done;
    }

    void problem(const std::string& text) {
        context_.note("tallyhound-cli: " + text);
        ++failures_;
    }

    // The wait before the next try after this many failures in a row: the interval, doubled
    // each time, at most five minutes.
    Clock::duration backedOff(int failures) const {
        return std::min<Clock::duration>(interval_ * (1LL << std::min(failures, 12)),
                                         kLongestRetry);
    }

    // Waits as long after a failure; a stop ends the wait.
    void waitAfterFailure(FileWatcher& watcher) {
        const auto until = Clock::now() + backedOff(failures_);
        while (!StopSignals::requested() && Clock::now() < until) {
            notifyServiceManager("WATCHDOG=1");
            watcher.wait(std::min<milliseconds>(
                             wake_, std::chrono::duration_cast<milliseconds>(until - Clock::now())),
                         StopSignals::wakeDescriptor(), -1, milliseconds(0));
        }
    }

    CommandContext& context_;
    const FollowOptions options_;
    std::set<std::string> unreadable_;  // what was said of logs that could not be read
    const milliseconds interval_;
    milliseconds wake_ = interval_;
    const Clock::duration backupEvery_;
    const std::vector<std::string> command_;
    const std::string server_ = serverName(options_.server);
    std::vector<LogPosition> positions_;
    std::vector<LogPosition> gone_;  // removed from positions_, not yet from the database
    bool unstored_ = false;
    // The last storing failed as a stop cut its wait for another writer short.
    bool stoppedWaiting_ = false;
    std::string lastFailure_;  // what the last merge's failure said, when it failed
    Clock::time_point lastStored_ = Clock::now();
    const Clock::duration storeEvery_ =
        std::min<Clock::duration>(kStoreEvery, Clock::duration(interval_) * kLooksPerStore);
    Clock::time_point storeAgainAt_;
    int storeFailures_ = 0;
    std::string lastStoreFailure_;  // what the last failed storing said
    std::string lastLoadFailure_;   // what the last failed reading of the places said
    std::optional<Clock::time_point> lastBackup_;
    bool rewritten_ = false;  // a sorted rewrite has worked since the start
    bool zipped_ = false;     // a merge has backed the file up since the start
    int failures_ = 0;
    bool unmerged_ = false;  // the last merge failed before a stop was asked for
    // The rows of the looks whose merges failed, merged with the next look's; the logs'
    // places in positions_ are past them, and are not stored until they are merged.
    std::vector<GridRow> unmergedRows_;
    std::string keptRows_;            // the file of rows a stop kept, while not merged
    bool keptUnreadable_ = false;     // such a file is there and could not be read
    struct stat keptFile_ {};         // the file of keptRows_, as it was read
    Clock::time_point mergeAgainAt_;  // the next try of a merge after a failure
    KnownBanFile known_;              // the ban file as the last appending merge left it
    // The PostgreSQL database follow listens to and merges through; null while lost.
    std::unique_ptr<PostgresBanStore> database_;
    Clock::time_point listenAgainAt_;
    int listenFailures_ = 0;
    std::vector<std::string> pushed_;  // GUIDs of bans other servers caught, not yet merged
    // Every ban is to be looked at. So it is at the first look: the ban file may have been
    // put back or cut while follow was stopped, and a quiet server waited for a violation
    // before its first merge rewrote it.
    bool pushAll_ = true;
};

// The names a follow of the ban file claims: its path (a link followed), and its folder
// itself with its name, so that another path to the folder (a bind mount) is the same file,
// and so is a folder made again in the old one's place. Not the file's own inode, which
// every merge's rewrite changes.
std::vector<std::string> banFileNames(const std::string& bans) {
    std::error_code ec;
    const std::filesystem::path file = std::filesystem::weakly_canonical(bans, ec);
    const std::string real = ec ? bans : file.string();
    std::vector<std::string> names = {"follow path " + real};
    if (struct stat folder {}; ::stat(folderOf(real).c_str(), &folder) == 0)
        names.push_back("follow folder " + std::to_string(folder.st_dev) + ":" +
                        std::to_string(folder.st_ino) + "/" +
                        real.substr(real.find_last_of('/') + 1));
    return names;
}

}  // namespace

void addFollowCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<FollowOptions>();
    CLI::App* follow = app.add_subcommand(
        "follow",
        "Watch logs and merge new violations into a pbbans.dat as they are written, until "
        "stopped");
    follow->add_option("--bans", options->bans, "The ban file to merge into")
        ->required()
        ->check(namedBy("the ban file"));
    addDbOption(*follow, options->db);
    addServerOption(*follow, options->server, " and log places");
    follow
        ->add_option("--interval", options->interval,
                     "Seconds between looks at the logs when no change is announced (default 2)")
        ->transform(numberFrom(0.05, 3600));
    follow
        ->add_option("--backup-every", options->backupEvery,
                     "Hours between two backups of the ban file (default 24); merges in "
                     "between add new bans at its end")
        ->transform(numberFrom(0, 1e6));
    follow
        ->add_option("--after-merge", options->afterMerge,
                     "A command run after each merge that added bans or took lifted ones out "
                     "(no shell; TALLYHOUND_BANS, TALLYHOUND_NEW_BANS and "
                     "TALLYHOUND_LIFTED_BANS in its environment)")
        ->check(namedBy("the command"));  // an empty $RELOAD once ran nothing, unsaid
    follow->add_flag("--poll", options->poll,
                     "Only look every --interval seconds, without inotify (for file systems "
                     "whose changes inotify does not see)");
    addScanOptions(*follow, options->scan);
    follow->add_option("LOG", options->inputs, "Logs or folders of logs to follow")
        ->required()
        ->check(namedBy("a log"));
    follow->callback([options, &context] {
        // Taken before the checks below, which may wait for another program writing the
        // database: a stop then ended follow by the signal (143), with no word.
        StopSignals signals;
        struct stat st {};
        const std::string bans = absolutePath(options->bans);
        if (::stat(bans.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            context.fail(bans + ": not a ban file that can be followed (" +
                             (st.st_mode ? std::string("not a regular file")
                                         : std::string(std::strerror(errno))) +
                             ")",
                         kExitUsage);
            return;
        }
        if (!options->afterMerge.empty()) {
            const std::vector<std::string> words = commandWords(options->afterMerge);
            const std::string why =
                words.empty() ? "--after-merge names no command" : whyNotRunnable(words.front());
            if (!why.empty()) {
                context.fail(why, kExitUsage);
                return;
            }
        }
        std::vector<std::string> notThereYet;
        for (const auto& input : options->inputs) {
            struct stat in {};
            struct stat folder {};
            if (input != "-" && endsWithLog(input) && ::stat(input.c_str(), &in) != 0 &&
                errno == ENOENT && ::stat(folderOf(absolutePath(input)).c_str(), &folder) == 0 &&
                S_ISDIR(folder.st_mode)) {
                // A log its server has not written yet (or rotated away at a restart) is
                // followed once it is there, as tail -F does: refused, a service was never
                // started again. Only a log's name: a mistyped folder was taken for one.
                notThereYet.push_back(input);
                continue;
            }
            if (input == "-" || ::stat(input.c_str(), &in) != 0) {
                // Named with the cause when it is not that nothing is there: a folder this
                // account may not enter read as a missing log.
                const bool missing = input == "-" || errno == ENOENT || errno == ENOTDIR;
                context.fail(
                    input + ": no log or folder to follow" +
                        (missing ? std::string() : " (" + std::string(std::strerror(errno)) + ")"),
                    kExitUsage);
                return;
            }
            // A pipe or device has no place to read on from: it was taken and never read.
            if (!S_ISREG(in.st_mode) && !S_ISDIR(in.st_mode)) {
                context.fail(input + ": not a log file or folder; follow reads files that grow",
                             kExitUsage);
                return;
            }
            // Every other command reads it as the violations it holds: follow read it as a
            // log that held none, and never merged them.
            if (S_ISREG(in.st_mode) && isScanFile(input)) {
                context.fail(input + ": a scan file, not a log; merge it with merge --bans",
                             kExitUsage);
                return;
            }
        }
        setDatabasePath(databaseOption(options->db));
        // What it reads: the logs in its folders as they stand, and the violations kept at
        // the last stop (follow >> DIR/server.log put the new bans into a log).
        std::vector<std::string> reads = {keptRowsPathOf(bans)};
        for (const std::string& input : options->inputs) {
            std::error_code ec;
            if (!std::filesystem::is_directory(input, ec)) {
                reads.push_back(input);
                continue;
            }
            try {
                for (const std::string& log : logFilesIn(input)) reads.push_back(log);
            } catch (const std::exception&) {
                // A folder it cannot read is said once it is followed.
            }
        }
        if (!banOutputsAreNoInputs(context, bans, databasePath(), reads)) return;
        // A database that cannot be used is refused once, as a configuration error, rather
        // than tried again for ever: a password where none may be, a database file that is
        // not there (a typo, db init forgotten), no ban database or a newer one; it kept a
        // service restarting, or never ready.
        if (const std::string why = unusableDatabase(databasePath()); !why.empty()) {
            context.fail(why, kExitUsage);
            return;
        }
        // So is a PostgreSQL database that holds no ban database (db init forgotten): it was
        // waited for for ever. One that cannot be reached is waited for.
        if (isPostgresUri(databasePath()))
            if (const std::string why = whyNotAPostgresBanDatabase(databasePath()); !why.empty()) {
                context.fail(why, kExitUsage);
                return;
            }
        // One follow to a ban file: a second took the first's appends for another program's
        // rewrite, so that every merge of either was a sorted rewrite with a backup (66 zips
        // in five seconds).
        std::vector<std::unique_ptr<SingleRun>> claims;
        for (const std::string& name : banFileNames(bans))
            claims.push_back(std::make_unique<SingleRun>(name));
        if (!std::all_of(claims.begin(), claims.end(), [](const auto& c) { return c->held(); })) {
            context.fail("Another follow is merging into " + bans +
                             " already; one follow takes every log of a ban file",
                         kExitUsage);
            return;
        }
        for (const std::string& log : notThereYet)
            context.note("tallyhound-cli: " + log + " is not there yet; it is read once it is");
        context.status = Follower(context, *options).run();
    });
}

}  // namespace th::cli
