#include "cli/DbBrowseCommands.h"

#include <cctype>
#include <map>
#include <memory>

#include "bans/Aliases.h"
#include "bans/BanFileChanges.h"
#include "bans/BanListWriter.h"
#include "bans/BanStore.h"
#include "bans/GuidKey.h"
#include "bans/Paths.h"
#include "bans/ShownBan.h"
#include "cli/AbsolutePath.h"
#include "cli/DatabaseOption.h"
#include "cli/NameCheck.h"
#include "cli/NumberCheck.h"
#include "cli/OutputChecks.h"
#include "cli/TerminalPorts.h"
#include "cli/TerminalText.h"
#include "platform/MessageBoxes.h"
#include "platform/TimeStamp.h"
#include "platform/TrimSpaces.h"
#include "scan/MainForm.h"

namespace th::cli {

namespace {

constexpr size_t kPage = 1000;

// The store named by --db, opened for one command; errors reach the context.
class OpenStore {
  public:
    OpenStore(CommandContext& context, const std::string& db)
        : terminal_(context.err), form_(terminal_.ports) {
        if (!useDatabase(context, db)) return;
        try {
            store_ = openBanStore(form_, databasePath());
        } catch (const std::exception& e) {
            context.fail(toError(e).description());
        }
    }
    explicit operator bool() const { return store_ != nullptr; }
    BanStore& operator*() { return *store_; }
    BanStore* operator->() { return store_.get(); }

  private:
    TerminalPorts terminal_;
    MainForm form_;
    std::unique_ptr<BanStore> store_;
};

ShownBan shown(const StoredBan& ban) {
    return shownBan(ban.guid, ban.stamp, ban.name, ban.address, ban.reason);
}

// Every ban the search finds, up to limit (0 for all), in the stored query's order.
void writeBans(BanStore& store, const std::string& search, size_t limit, BanListWriter& out) {
    BanOrder order;
    order.search = trimWhiteSpace(search);  // as the ban window takes it
    BanKey last;
    size_t written = 0;
    for (bool first = true;; first = false) {
        const size_t want = limit == 0 ? kPage : std::min(kPage, limit - written);
        if (want == 0) break;
        BanPage page = store.banPage(order, first ? nullptr : &last, want);
        for (const StoredBan& ban : page.bans) out.add(shown(ban));
        written += page.bans.size();
        if (page.bans.size() < want) break;
        last = std::move(page.last);
    }
    out.finish();
}

// The GUID as a word of the line, letter case ignored: not a piece of a longer GUID or name.
bool containsGuid(std::string_view line, std::string_view guid) {
    if (guid.empty()) return false;
    const std::string text = guidKey(line), key = guidKey(guid);
    const auto inWord = [&](size_t at) {
        return at < text.size() && std::isalnum(static_cast<unsigned char>(text[at]));
    };
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1))
        if ((at == 0 || !inWord(at - 1)) && !inWord(at + key.size())) return true;
    return false;
}

}  // namespace

void addDbBrowseCommands(CLI::App& db, CommandContext& context) {
    struct Options {
        std::string db, search, format = "tsv", output = "-", guid;
        size_t limit = 0;
    };
    auto options = std::make_shared<Options>();
    const auto formatCheck = CLI::IsMember({"tsv", "csv", "json"});

    CLI::App* list = db.add_subcommand("list", "Print the bans, oldest first");
    addDbOption(*list, options->db);
    list->add_option(
        "--search", options->search,
        "Only bans whose GUID, name or IP holds this text (letter case of A to Z ignored)");
    list->add_option("--limit", options->limit, "Print at most this many bans (0: all)")
        ->transform(numberFrom(0, 1000000000, true));
    list->add_option("--format", options->format, "tsv (the default), csv or json")
        ->check(formatCheck);
    list->callback([options, &context] {
        OpenStore store(context, options->db);
        if (!store) return;
        BanListWriter out(*banListFormat(options->format),
                          [&](std::string_view text) { context.out << text; });
        writeBans(*store, options->search, options->limit, out);
    });

    CLI::App* exportBans = db.add_subcommand("export", "Write every ban to a file");
    addDbOption(*exportBans, options->db);
    exportBans->add_option("--format", options->format, "tsv, csv (the default) or json")
        ->check(formatCheck);
    exportBans
        ->add_option("-o,--output", options->output, "The file to write; - is standard output")
        ->check(namedBy("the output"));
    exportBans->preparse_callback([options](size_t) { options->format = "csv"; });
    exportBans->callback([options, &context] {
        const std::string output = options->output == "-" ? "-" : absolutePath(options->output);
        if (!outputAllowed(context, output)) return;
        OpenStore store(context, options->db);
        if (!store) return;
        if (!outputIsNoInput(context, output, {databasePath()})) return;
        try {
            exportBanList(*store, output, *banListFormat(options->format));
        } catch (const std::exception& e) {
            context.fail(toError(e).description());
        }
    });

    CLI::App* show = db.add_subcommand(
        "show",
        "Print a GUID's ban, every name and address it was seen with, the temp bans naming it "
        "and its lifting, if any");
    addDbOption(*show, options->db);
    show->add_option("GUID", options->guid, "The player's GUID (letter case ignored)")->required();
    show->callback([options, &context] {
        OpenStore store(context, options->db);
        if (!store) return;
        const std::optional<StoredBan> ban = store->findBan(options->guid);
        const std::optional<LiftedBan> lifted = store->findLiftedBan(options->guid);
        std::string out;
        auto field = [&](const char* name, std::string_view value) {
            out.append(name).append(": ");
            appendShown(out, value);
            out += '\n';
        };
        if (ban) {
            const ShownBan s = shown(*ban);
            field("guid", s.guid);
            field("name", s.name);
            field("ip", s.ip);
            field("reason", s.reason);
            field("time", s.time);
        } else if (lifted) {
            field("guid", lifted->guid);
        }
        if (lifted) {
            field("lifted", lifted->liftedAt);
            field("lifted name", unquoted(lifted->name));
            if (!lifted->note.empty()) field("note", lifted->note);
        }
        // Every name and address the GUID was seen with: name, IP, first and last seen.
        for (const StoredAlias& a : store->findAliases(options->guid)) {
            out += "alias: ";
            appendShown(out, unquoted(a.name));
            out += '\t';
            appendShown(out, unquoted(a.address));
            out += '\t';
            appendShown(out, a.firstSeen);
            out += '\t';
            appendShown(out, a.lastSeen);
            out += '\n';
        }
        store->forEachKeptLine({}, [&](std::string_view line) {
            if (containsGuid(line, options->guid)) field("temp ban", line);
        });
        context.out << out;
        if (!ban && !lifted) context.fail("no ban of " + options->guid + " in " + store->name());
    });

    CLI::App* stats = db.add_subcommand("stats", "Count the bans, lifted bans and temp bans");
    addDbOption(*stats, options->db);
    stats->callback([options, &context] {
        OpenStore store(context, options->db);
        if (!store) return;
        int64_t bans = 0, lifted = 0, kept = 0;
        std::string first, last;
        std::map<std::string, int64_t> reasons;
        store->forEachBan([&](const Ban& ban) {
            ++bans;
            // Only a moment there was: [00.00.0000 …] and day-first stamps once came out as
            // the first and last bans, though the window leaves them out as not readable.
            if (realDayOf(ban.stamp) && isRealMoment(ban.stamp)) {
                if (first.empty() || earlierStamp(ban.stamp, first)) first = ban.stamp;
                if (last.empty() || earlierStamp(last, ban.stamp)) last = ban.stamp;
            }
            ++reasons[std::string(unquoted(ban.reason))];
        });
        store->forEachLiftedBan([&](const LiftedBan&) { ++lifted; });
        store->forEachKeptLine({}, [&](std::string_view line) { kept += line.starts_with(';'); });
        std::string out = "bans\t" + std::to_string(bans) + "\nlifted\t" + std::to_string(lifted) +
                          "\ntemp bans\t" + std::to_string(kept) + "\nfirst\t" + first +
                          "\nlast\t" + last + "\n";
        for (const auto& [reason, count] : reasons) {
            out += "reason\t" + std::to_string(count) + "\t";
            appendShown(out, reason.empty() ? "(no reason)" : reason);
            out += '\n';
        }
        context.out << out;
    });
}

}  // namespace th::cli
