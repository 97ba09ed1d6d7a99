#include "app/NoDisplay.h"

namespace th {

bool noDisplay(const EnvironmentLookup& getenv) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = getenv(name);
        if (value && *value) return false;
    }
    return true;
}

std::string noDisplayMessage() {
    return "tallyhound: the window needs a desktop session (or ssh -X, or QT_QPA_PLATFORM=vnc); "
           "on this machine use tallyhound-cli instead:\n"
           "  Scan:         tallyhound-cli scan LOG...\n"
           "  Save:         tallyhound-cli save -o OUT.sf LOG...\n"
           "  HTML:         tallyhound-cli html -o OUT.html LOG...\n"
           "  Merge:        tallyhound-cli merge --bans pbbans.dat LOG...\n"
           "  Backup:       tallyhound-cli db backup\n"
           "  Reset:        tallyhound-cli db reset --yes\n"
           "  Database:     tallyhound-cli db path\n";
}

}  // namespace th
