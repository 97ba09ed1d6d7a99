#include "app/WindowArguments.h"

#include "platform/EscapedText.h"

namespace th {

namespace {

void complain(WindowArguments& read, const std::string& complaint) {
    if (read.wrong.empty()) read.wrong = complaint;
}

}  // namespace

WindowArguments windowArguments(const std::vector<std::string>& words) {
    WindowArguments read;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--help" || word == "-h") {
            read.help = true;
        } else if (word == "--version") {
            read.version = true;
        } else if (word == "--db" || word.starts_with("--db=")) {
            const bool joined = word != "--db";
            if (!joined && i + 1 == words.size()) {
                complain(read, "--db needs the ban database's name");
                continue;
            }
            read.db = joined ? word.substr(5) : words[++i];
            // An empty name (--db="$DB" with DB unset) once opened the default database.
            if (read.db.empty()) complain(read, "--db: the ban database's name is empty");
        } else {
            std::string said = "'";
            appendEscaped(said, word);
            complain(read, said + "' is not an option");
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
