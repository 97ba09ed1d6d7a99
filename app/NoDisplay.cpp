#include "app/NoDisplay.h"

#include "bans/BanStore.h"
#include "bans/PostgresUri.h"
#include "platform/EscapedText.h"

namespace th {

bool noDisplay(const EnvironmentLookup& getenv) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = getenv(name);
        if (value && *value) return false;
    }
    return true;
}

namespace {

// A word as a shell reads it back, quoted only when it must be. One holding control
// characters is written $'...' with them as \xHH: raw, they steered the terminal the advice
// was printed on.
std::string shellWord(const std::string& word) {
    const bool plain = !word.empty() && word.find_first_not_of(
                                            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                            "0123456789/._-+:@%=,") == std::string::npos;
    if (plain) return word;
    std::string escaped;
    appendEscaped(escaped, word);
    if (escaped == word) {
        std::string quoted = "'";
        for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    }
    // The terminal rule's escapes (\\, \t, \n, \xHH) are bash's own inside $'...'.
    std::string quoted = "$'";
    for (char c : escaped) quoted += c == '\'' ? std::string("\\'") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

std::string noDisplayMessage(const std::string& db) {
    // The database the window was given: without it, the advice reset another one.
    const std::string on =
        db.empty() ? "" : " --db " + shellWord(isPostgresUri(db) ? maskedUri(db) : db);
    std::string text =
        "tallyhound: the window needs a desktop session (or ssh -X, or QT_QPA_PLATFORM=vnc); "
        "on this machine use tallyhound-cli instead:\n"
        "  Scan:         tallyhound-cli scan LOG...\n"
        "  Save:         tallyhound-cli save -o OUT.sf LOG...\n"
        "  HTML:         tallyhound-cli html -o OUT.html LOG...\n";
    text += "  Merge:        tallyhound-cli merge --bans pbbans.dat" + on + " LOG...\n";
    text += "  Backup:       tallyhound-cli db backup" + on + "\n";
    text += "  Reset:        tallyhound-cli db reset" + on + " --yes\n";
    text += "  Database:     tallyhound-cli db path" + on + "\n";
    return text;
}

}  // namespace th
