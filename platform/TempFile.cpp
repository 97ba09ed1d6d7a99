#include "platform/TempFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>

#include "platform/DatedArchiveName.h"
#include "platform/Error.h"

namespace th {

namespace {

constexpr const char* kSuffix = ".tmp";
// Of the 255 bytes a file name may have, ".", ".PID.N" and the suffix take at most 26.
constexpr size_t kTempBaseBytes = 200;

bool allDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// The process id in ".NAME.PID.N.tmp", and its NAME; 0 when the name is not of that shape.
long ownerPid(std::string_view name, std::string_view& made) {
    if (name.size() < 8 || name.front() != '.' || !name.ends_with(kSuffix)) return 0;
    name.remove_suffix(4);
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || !allDigits(name.substr(dot + 1))) return 0;
    name = name.substr(0, dot);
    dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || !allDigits(name.substr(dot + 1))) return 0;
    made = name.substr(1, dot - 1);
    return std::strtol(std::string(name.substr(dot + 1)).c_str(), nullptr, 10);
}

// The names of the temporary files this process made, for a stop signal's handler to delete.
// A slot is written once, under the mutex, and marked ready after: the handler, which may
// interrupt anything, reads only ready slots and takes no lock. Names repeat (each write of
// a file makes the same one), so a few slots serve; past them a name is not kept, and the
// next run's clean-up deletes what a stop leaves.
constexpr size_t kTempNames = 64;
struct TempName {
    std::atomic<bool> ready{false};
    char path[PATH_MAX] = {};
};
TempName g_tempNames[kTempNames];
std::mutex g_tempNamesWriting;
// A child forked to start another program has the handler until it starts it: the files
// are the parent's, still being written, and are left to it.
pid_t g_tempNamesOwner = 0;

void rememberTempName(const std::string& path) {
    if (path.size() >= PATH_MAX) return;
    std::lock_guard<std::mutex> writing(g_tempNamesWriting);
    for (TempName& name : g_tempNames) {
        if (name.ready.load(std::memory_order_relaxed)) {
            if (path == name.path) return;
            continue;
        }
        path.copy(name.path, path.size());
        name.ready.store(true, std::memory_order_release);
        return;
    }
}

extern "C" void deleteTempsAndStop(int signal) {
    // Any name may be one already renamed into place: only this process makes files of
    // that name, so what is there is a copy of its own, never finished.
    if (::getpid() == g_tempNamesOwner)
        for (const TempName& name : g_tempNames)
            if (name.ready.load(std::memory_order_acquire)) ::unlink(name.path);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

void removeTempFilesOnStop() {
    g_tempNamesOwner = ::getpid();
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = deleteTempsAndStop;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

TempFile createTempFor(const std::string& target, unsigned mode, const std::string& errorPath) {
    // What the name adds must fit too: a target's name may be as long as a name can be.
    const std::string base = baseOf(target).substr(0, kTempBaseBytes);
    const std::string stem =
        folderOf(target) + "/." + base + "." + std::to_string(::getpid()) + ".";
    for (int attempt = 0;; ++attempt) {
        TempFile temp{-1, stem + std::to_string(attempt) + kSuffix};
        temp.fd = ::open(temp.path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                         static_cast<mode_t>(mode));
        if (temp.fd >= 0) {
            rememberTempName(temp.path);
            return temp;
        }
        if (errno != EEXIST || attempt > 1000) throw Error::fromErrno(errno, errorPath);
    }
}

void removeStaleTemps(const std::string& target) {
    const std::string base = baseOf(target).substr(0, kTempBaseBytes);
    DIR* dir = ::opendir(folderOf(target).c_str());
    if (!dir) return;
    while (dirent* entry = ::readdir(dir)) {
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode))
            continue;
        // Only what this program makes for the target and its backups: a user's
        // .config.2024.1.tmp or maps.zip.backup is none of its business.
        std::string_view made;
        const long pid = ownerPid(entry->d_name, made);
        if (pid <= 0 || (made != base && !isDatedArchiveName(made))) continue;
        if (pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

void syncFolder(const std::string& folder, const std::string& errorPath) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw Error::fromErrno(errno, errorPath);
    int failed = ::fsync(fd) != 0 ? errno : 0;
    ::close(fd);
    // Some file systems cannot sync a folder at all; that is no failure of the data.
    if (failed && failed != EINVAL && failed != EROFS) throw Error::fromErrno(failed, errorPath);
}

}  // namespace th
