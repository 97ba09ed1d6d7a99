#include "scan/LoadedLogs.h"

#include <sys/stat.h>

#include <vector>

#include "platform/Error.h"
#include "platform/SameFile.h"
#include "scan/LogFolder.h"

namespace th {

void refuseLoadedLog(const MainForm& form, const std::string& path) {
    struct stat chosen {};
    if (::stat(path.c_str(), &chosen) != 0 || !S_ISREG(chosen.st_mode)) return;
    std::vector<std::string> logs;
    if (form.logFolder.empty()) {
        logs.push_back(form.pnlLogPathToFile.caption());
    } else {
        try {
            logs = logFilesIn(form.logFolder);
        } catch (const Error&) {
            // A folder that cannot be listed holds no log this could be.
        }
    }
    for (const std::string& log : logs) {
        struct stat loaded {};
        if (::stat(log.c_str(), &loaded) == 0 && sameFile(loaded, chosen))
            throw Error(err::kRefusedPath, appBaseName(),
                        "Not written: " + path + " is a log loaded for scanning");
    }
}

}  // namespace th
