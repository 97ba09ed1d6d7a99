#include "app/WindowArguments.h"

namespace th {

WindowArguments windowArguments(const std::vector<std::string>& words) {
    WindowArguments read;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--help" || word == "-h") {
            read.help = true;
        } else if (word == "--version") {
            read.version = true;
        } else if (word == "--db" && i + 1 < words.size()) {
            read.db = words[++i];
        } else if (word.starts_with("--db=")) {
            read.db = word.substr(5);
        } else if (read.wrong.empty()) {
            read.wrong = word;
        }
    }
    return read;
}

std::string windowUsage() {
    return "Usage: tallyhound [--db DB]\n"
           "Opens the window that picks the cheaters out of a PunkBuster server log.\n"
           "  --db DB     the ban database: a file, or a shared postgresql:// database\n"
           "              (default: $TALLYHOUND_DB, else Vandrel.mdb beside the program when it\n"
           "              is there and writable, else ~/.local/share/tallyhound/Vandrel.mdb)\n"
           "  --help      print this and end\n"
           "  --version   print the version and end\n"
           "Qt's own options (-platform, -style, ...) are taken too. Without a desktop, use\n"
           "tallyhound-cli.\n";
}

}  // namespace th
