// Writes a server log of about the given size for the scan benchmarks.
// Usage: generate_log [--shape real|hostile|dense] [--lines N] OUT [MiB]
//
// real: the proportions of real server logs. Sessions open with their banner; players
// connect, get their GUID computed, chat, are listed, screenshot, restricted, kicked and
// leave; about 1.8 % of the lines are violation lines, and no other line holds the word
// VIOLATION in capitals.
// hostile: the same log, but 10 % of the lines hold VIOLATION (chat and kick messages
// quoting it) while about 1.6 % are violation lines.
// dense: nothing but violation lines, for the grid and the window at scale.
// --lines N stops after about N lines (dense: exactly N) instead of at the size.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TimeStamp.h"

namespace {

enum class Shape { Real, Hostile, Dense };

struct Player {
    std::string name;
    std::string guid;
    std::string address;
};

const char* const kNames[] = {"Raven",      "xXSniperXx", "Mr Pickles",  "Goose",
                              "Tango Down", "Vixen",      "LuckyShot",   "Dr.Frag",
                              "Bob",        "Camper 42",  "Nomad",       "Kestrel",
                              "ZeroCool",   "Mika",       "[TAG]Hunter", "Pilgrim"};
const char* const kKinds[] = {"(AIMBOT)",    "(WALLHACK)", "(SPEEDHACK)",
                              "(MULTIHACK)", "(CVAR)",     "(GAMEHACK)"};
const char* const kChat[] = {"gg",
                             "anyone up for a 2v2 later?",
                             "nice shot",
                             "lag is terrible tonight",
                             "who is admin here",
                             "rush B",
                             "brb",
                             "that was a lucky nade lol"};
// What players and kick messages say when they quote the word the scanner looks for.
const char* const kQuotes[] = {"why did I get a VIOLATION for nothing",
                               "lol VIOLATION (AIMBOT) again", "admin check the VIOLATION list",
                               "VIOLATION VIOLATION VIOLATION"};

class LogWriter {
  public:
    LogWriter(std::FILE* out, Shape shape) : out_(out), shape_(shape), engine_(11) {
        for (int i = 0; i < 64; ++i) players_.push_back(newPlayer());
    }

    unsigned long long written() const { return written_; }
    unsigned long long lines() const { return lines_; }

    void session() {
        ++session_;
        if (shape_ == Shape::Dense) return;
        line("PunkBuster Server: Logging to svl%05u.log", session_);
        line("PunkBuster Server: PunkBuster Server for Game v1.%03u | A1390 C2.%03u (Cvar: 14)",
             700 + session_ % 300, 200 + session_ % 100);
        line("PunkBuster Server: Session Started");
        line("PunkBuster Server: Received Master Security Information");
        line("PunkBuster Server: Auto Screenshots Will Be Requested Every 300 Seconds");
    }

    void event() {
        const unsigned slot = 1 + pick(32);
        Player& p = players_[slot % players_.size()];
        if (pick(200) == 0) p = newPlayer();  // someone new takes the slot
        if (shape_ == Shape::Dense) return violation(slot, p);
        const bool hostile = shape_ == Shape::Hostile;
        const unsigned violations = hostile ? 16 : 18;  // per mille, as the quotes below
        const unsigned odds = pick(1000);
        if (odds < violations) return violation(slot, p);
        if (hostile && odds < violations + 84) return quote(slot, p);
        const unsigned r = pick(1000);
        if (r < 130) {
            line("PunkBuster Server: New Connection (slot #%u) %s [?] \"%s\" (seq %u)", slot,
                 p.address.c_str(), p.name.c_str(), pick(90000));
        } else if (r < 360) {
            line("PunkBuster Server: Player GUID Computed %s(-) (slot #%u) %s %s", p.guid.c_str(),
                 slot, p.address.c_str(), p.name.c_str());
        } else if (r < 470) {
            line("PunkBuster Server: Lost Connection (slot #%u) %s %s(-) %s", slot,
                 p.address.c_str(), p.guid.c_str(), p.name.c_str());
        } else if (r < 620) {
            line("PunkBuster Server: Player Message (slot #%u) %s: %s", slot, p.name.c_str(),
                 kChat[pick(std::size(kChat))]);
        } else if (r < 760) {
            playerList(slot, p);
        } else if (r < 830) {
            line("PunkBuster Server: Auto-Screenshot %06u Requested from %u %s", pick(999999), slot,
                 p.name.c_str());
        } else if (r < 870) {
            line(
                "PunkBuster Server: Screenshot C:\\pb\\svss\\pb%06u.png successfully received "
                "(MD5=%08X%08X%08X%08X) from %u %s [%s(-) %s]",
                pick(999999), pick(~0u), pick(~0u), pick(~0u), pick(~0u), slot, p.name.c_str(),
                p.guid.c_str(), p.address.c_str());
        } else if (r < 920) {
            line(
                "PunkBuster Server: RESTRICTION: Player (slot #%u) [Visual] r_picmip %u, min 0 "
                "max 3 [%s]",
                slot, 4 + pick(3), p.name.c_str());
        } else if (r < 950) {
            line(
                "PunkBuster Server: Kick Command Issued (Violation %s #%u) %s(-) (for %u "
                "minutes)",
                kKinds[pick(std::size(kKinds))], 50000 + pick(300), p.guid.c_str(),
                2 * (1 + pick(5)));
        } else if (r < 980) {
            line("PunkBuster Server: Running PB Scheduled Task (slot #%u)  pb_sv_autoupdban",
                 1 + pick(4));
        } else {
            line("PunkBuster Server: Master Query Sent to (%u) 203.0.113.%u:24560 %s", 1 + pick(3),
                 pick(250), p.address.c_str());
        }
    }

  private:
    unsigned pick(unsigned n) { return static_cast<unsigned>(engine_() % n); }

    Player newPlayer() {
        char guid[33];
        std::snprintf(guid, sizeof guid, "%08x%08x%08x%08x", pick(~0u), pick(~0u), pick(~0u),
                      pick(~0u));
        char address[32];
        std::snprintf(address, sizeof address, "198.51.%u.%u:%u", pick(256), 1 + pick(254),
                      27960 + pick(4));
        std::string name = kNames[pick(std::size(kNames))];
        if (pick(2)) name += std::to_string(pick(100));
        return {std::move(name), guid, address};
    }

    void violation(unsigned slot, const Player& p) {
        const unsigned r = pick(10);
        const char* kind = kKinds[pick(std::size(kKinds))];
        const char* marker = pick(4) ? "(-)" : "(VALID)";
        if (r < 6) {
            line("VIOLATION %s #%u: %s (slot #%u) Illegal program detected [%s%s %s]", kind,
                 50000 + pick(300), p.name.c_str(), slot, p.guid.c_str(), marker,
                 p.address.c_str());
        } else if (r < 8) {
            line("VIOLATION (CVAR) #9001: %s (slot #%u) Cvar %s = %u [%s%s %s]", p.name.c_str(),
                 slot, pick(3) ? "gl_shadows" : "ogc_aim", pick(2), p.guid.c_str(), marker,
                 p.address.c_str());
        } else {
            line("VIOLATION %s #%u: %s (slot #%u) Disallowed file [%s%s %s]", kind, 100 + pick(900),
                 p.name.c_str(), slot, p.guid.c_str(), marker, p.address.c_str());
        }
    }

    void quote(unsigned slot, const Player& p) {
        if (pick(2))
            line("PunkBuster Server: Player Message (slot #%u) %s: %s", slot, p.name.c_str(),
                 kQuotes[pick(std::size(kQuotes))]);
        else
            line(
                "PunkBuster Server: Kick Command Issued (VIOLATION %s #%u) %s(-) (for %u "
                "minutes)",
                kKinds[pick(std::size(kKinds))], 50000 + pick(300), p.guid.c_str(),
                2 * (1 + pick(5)));
    }

    void playerList(unsigned slot, const Player& p) {
        line("PunkBuster Server: %u  %s(-) %s OK   1 5.0 0 (W) \"%s\"", slot, p.guid.c_str(),
             p.address.c_str(), p.name.c_str());
    }

    template <class... Args>
    void line(const char* format, Args... args) {
        tick();
        char text[640];
        int len = std::snprintf(text, sizeof text, "%s ", stamp_);
        len += std::snprintf(text + len, sizeof text - static_cast<size_t>(len), format, args...);
        text[len++] = '\n';
        std::fwrite(text, 1, static_cast<size_t>(len), out_);
        written_ += static_cast<unsigned long long>(len);
        ++lines_;
    }

    // Time moves on by a few seconds a line, month first as the anti-cheat writes it.
    void tick() {
        seconds_ += pick(4);
        th::StampParts when;
        long long s = seconds_;
        when.second = static_cast<int>(s % 60);
        when.minute = static_cast<int>(s / 60 % 60);
        when.hour = static_cast<int>(s / 3600 % 24);
        long long days = s / 86400;
        when.day = static_cast<int>(1 + days % 28);
        when.month = static_cast<int>(1 + days / 28 % 12);
        when.year = static_cast<int>(2003 + days / 336);
        std::snprintf(stamp_, sizeof stamp_, "%s", th::formatStamp(when).c_str());
    }

    std::FILE* out_;
    Shape shape_;
    std::mt19937 engine_;
    std::vector<Player> players_;
    unsigned session_ = 0;
    long long seconds_ = 0;
    char stamp_[32] = {};
    unsigned long long written_ = 0, lines_ = 0;
};

int usage() {
    std::fprintf(stderr,
                 "usage: generate_log [--shape real|hostile|dense] [--lines N] OUT [MiB]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Shape shape = Shape::Real;
    unsigned long long maxLines = ~0ull;
    std::vector<std::string_view> args(argv + 1, argv + argc);
    while (args.size() >= 2 && args[0].starts_with("--")) {
        if (args[0] == "--shape" && args[1] == "real")
            shape = Shape::Real;
        else if (args[0] == "--shape" && args[1] == "hostile")
            shape = Shape::Hostile;
        else if (args[0] == "--shape" && args[1] == "dense")
            shape = Shape::Dense;
        else if (args[0] == "--lines")
            maxLines = std::strtoull(args[1].data(), nullptr, 10);
        else
            return usage();
        args.erase(args.begin(), args.begin() + 2);
    }
    // A lone option ("--help", "-h") is not a file name: a gigabyte written under it helps
    // no one.
    if (args.empty() || args.size() > 2 || args[0].starts_with("-")) return usage();
    const unsigned long long target =
        maxLines != ~0ull && args.size() == 1
            ? ~0ull
            : (args.size() > 1 ? std::strtoull(args[1].data(), nullptr, 10) : 1024) << 20;
    std::FILE* out = std::fopen(args[0].data(), "wb");
    if (!out) {
        std::perror(args[0].data());
        return 1;
    }
    static char buffer[1 << 20];
    std::setvbuf(out, buffer, _IOFBF, sizeof buffer);
    LogWriter log(out, shape);
    // A real server's log is a run of sessions of some tens of thousands of lines each.
    auto more = [&] { return log.written() < target && log.lines() < maxLines; };
    while (more()) {
        log.session();
        for (int i = 0; i < 40000 && more(); ++i) log.event();
    }
    if (std::fclose(out) != 0) {
        std::perror(args[0].data());
        return 1;
    }
    std::printf("%s: %llu bytes, %llu lines\n", args[0].data(), log.written(), log.lines());
    return 0;
}
