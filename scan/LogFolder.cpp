#include "scan/LogFolder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/Error.h"

namespace th {

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// -1, 0 or 1 as a sorts before, with or after b, leaving ties of case and leading
// zeros to the caller.
int compareNatural(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            size_t ie = i, je = j;
            while (ie < a.size() && isDigit(a[ie])) ++ie;
            while (je < b.size() && isDigit(b[je])) ++je;
            std::string_view x = a.substr(i, ie - i), y = b.substr(j, je - j);
            x.remove_prefix(std::min(x.find_first_not_of('0'), x.size()));
            y.remove_prefix(std::min(y.find_first_not_of('0'), y.size()));
            if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
            if (int c = x.compare(y); c != 0) return c < 0 ? -1 : 1;
            i = ie;
            j = je;
            continue;
        }
        const char x = lower(a[i]), y = lower(b[j]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

}  // namespace

bool endsWithLog(std::string_view name) {
    name = name.substr(name.find_last_of('/') + 1);
    if (name.size() <= 4) return false;  // ".log" alone is a hidden file, not a log
    std::string_view ext = name.substr(name.size() - 4);
    return ext[0] == '.' && lower(ext[1]) == 'l' && lower(ext[2]) == 'o' && lower(ext[3]) == 'g';
}

bool naturalLess(std::string_view a, std::string_view b) {
    if (int c = compareNatural(a, b); c != 0) return c < 0;
    return a < b;
}

std::vector<std::string> logFilesIn(const std::string& folder) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) throw Error::fromErrno(errno, folder);
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        std::string_view name = entry->d_name;
        if (!endsWithLog(name)) continue;
        const std::string path = folder + (folder.ends_with('/') ? "" : "/") + std::string(name);
        struct stat st {};
        // A log that vanished meanwhile, a folder named like a log: not a log.
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.emplace_back(name);
        errno = 0;
    }
    if (errno != 0) throw Error::fromErrno(errno, folder);
    std::sort(names.begin(), names.end(), naturalLess);
    std::vector<std::string> paths;
    paths.reserve(names.size());
    for (const auto& name : names)
        paths.push_back(folder + (folder.ends_with('/') ? "" : "/") + name);
    return paths;
}

}  // namespace th
