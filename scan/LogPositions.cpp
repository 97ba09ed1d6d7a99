#include "scan/LogPositions.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <functional>
#include <cstdlib>
#include <optional>
#include <set>
#include <utility>

#include "platform/Error.h"

namespace th {

namespace {

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string withoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

// Up to n bytes from offset; fewer only at the end of the file.
std::string readAt(int fd, uint64_t offset, size_t n, const std::string& path) {
    std::string bytes(n, '\0');
    size_t done = 0;
    while (done < n) {
        const ssize_t got =
            ::pread(fd, bytes.data() + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw Error::fromErrno(errno, path);
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

uint64_t hashOfHead(int fd, uint64_t upTo, const std::string& path) {
    return headHash(readAt(fd, 0, static_cast<size_t>(std::min(kHeadBytes, upTo)), path));
}

uint64_t hashBefore(int fd, uint64_t upTo, const std::string& path) {
    const uint64_t n = std::min(kHeadBytes, upTo);
    return headHash(readAt(fd, upTo - n, static_cast<size_t>(n), path));
}

// Whether the log's bytes up to the stored position are those read there: its first ones,
// and its last ones where they were stored.
bool sameBytesRead(int fd, const LogPosition& stored, const std::string& path) {
    return hashOfHead(fd, stored.position, path) == stored.headHash &&
           (!stored.endHash || hashBefore(fd, stored.position, path) == *stored.endHash);
}

// Just after the last line end in [begin, size), or begin when there is none: a line not
// yet ended may still be being written.
uint64_t lastLineEnd(int fd, uint64_t begin, uint64_t size, const std::string& path) {
    constexpr uint64_t kChunk = 64u << 10;
    for (uint64_t end = size; end > begin;) {
        const uint64_t from = end - std::min(kChunk, end - begin);
        const std::string bytes = readAt(fd, from, static_cast<size_t>(end - from), path);
        const size_t lf = bytes.rfind('\n');
        if (lf != std::string::npos) return from + lf + 1;
        if (bytes.size() < end - from) return begin;  // shrank meanwhile: read it next time
        end = from;
    }
    return begin;
}

// Where the bytes from begin stop being NUL. A writer that goes on at its old place in a
// log emptied under it (copytruncate, with a server that does not append) leaves a hole of
// NULs before its next line, and that line, run into the hole, was no violation line.
uint64_t pastHole(int fd, uint64_t begin, uint64_t end, const std::string& path) {
    constexpr uint64_t kChunk = 64u << 10;
    // A sparse hole is skipped without reading it.
    if (const off_t data = ::lseek(fd, static_cast<off_t>(begin), SEEK_DATA); data > 0)
        begin = std::min(end, static_cast<uint64_t>(data));
    while (begin < end) {
        const std::string bytes =
            readAt(fd, begin, static_cast<size_t>(std::min(kChunk, end - begin)), path);
        const size_t text = bytes.find_first_not_of('\0');
        if (text != std::string::npos) return begin + text;
        if (bytes.empty()) break;
        begin += bytes.size();
    }
    return begin;
}

struct Current {
    std::string path;
    std::shared_ptr<OpenLog> file;
    struct stat st {};
};

// No file could be opened at all (the limit of open files reached): no fault of the log's,
// which is not to be left out as one that cannot be read.
struct OutOfFiles : Error {
    explicit OutOfFiles(const Error& e) : Error(e) {}
};

// A file gone from its name (a rotation renamed it since it was listed) is none; one that
// is not a regular file is none too, unless it must be one.
std::optional<Current> openLog(const std::string& path, bool mustBeFile) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) return std::nullopt;
        if (errno == EMFILE || errno == ENFILE) {
            const Error e = Error::fromErrno(errno, path);
            throw OutOfFiles(Error(e.number(), e.source(),
                                   e.description() +
                                       "; every log is open while the logs are read: raise the "
                                       "limit of open files (ulimit -n, or LimitNOFILE= for a "
                                       "service) or move old logs out of the folder"));
        }
        throw Error::fromErrno(errno, path);
    }
    Current c{path, std::make_shared<OpenLog>(fd)};
    if (::fstat(fd, &c.st) != 0) throw Error::fromErrno(errno, path);
    if (!S_ISREG(c.st.st_mode)) {
        if (!mustBeFile) return std::nullopt;
        throw Error(err::kFileIo, appBaseName(), "Not a regular file: " + path);
    }
    return c;
}

int64_t modifiedOf(const struct stat& st) {
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// Where a log's rotated generations lie: the folder of the name it is read by and, for a
// link to a game server's log folder, that of the file the name leads to.
std::vector<std::string> foldersOf(const std::string& path) {
    std::vector<std::string> folders = {folderOf(path)};
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    if (real && folderOf(real.get()) != folders[0]) folders.push_back(folderOf(real.get()));
    return folders;
}

// A file by device and inode.
using FileId = std::pair<uint64_t, uint64_t>;

FileId idOf(const struct stat& st) {
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

// The regular files of a folder that wanted takes (by name and status), opened; one that
// cannot be opened is left as it is.
void forEachFileIn(const std::string& folder,
                   const std::function<bool(const char*, const struct stat&)>& wanted,
                   const std::function<void(Current&&)>& take) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir.get())) {
        struct stat st {};
        if (::fstatat(::dirfd(dir.get()), entry->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode) ||
            !wanted(entry->d_name, st))
            continue;
        std::optional<Current> log;
        try {
            log = openLog(folder + (folder == "/" ? "" : "/") + entry->d_name, false);
        } catch (const Error&) {
            continue;
        }
        if (log) take(std::move(*log));
    }
}

// The copy that rotation by copying and truncating (logrotate's copytruncate) made of a log
// before it emptied it: a regular file in its folder, none of the known logs, at least as
// long as the place stored and with the same first bytes. Of several, the last modified.
std::optional<Current> findCopy(const Current& log, const LogPosition& stored,
                                const std::set<FileId>& known) {
    std::optional<Current> found;
    for (const std::string& folder : foldersOf(log.path))
        forEachFileIn(
            folder,
            [&](const char* name, const struct stat& st) {
                return name[0] != '.' && !known.contains(idOf(st)) &&
                       static_cast<uint64_t>(st.st_size) >= stored.position &&
                       (!found || modifiedOf(found->st) < modifiedOf(st));
            },
            [&](Current&& copy) {
                if (sameBytesRead(copy.file->descriptor(), stored, copy.path))
                    found = std::move(copy);
            });
    return found;
}

// The slice of a log that follows what was consumed of it (all of it when nothing was,
// or when it shrank or its first bytes changed), and where it will stand after.
// knownFiles are the logs known already, which are no copy; without them no copy is
// looked for.
void plan(const Current& log, const LogPosition* known, ScanPlan& into,
          std::set<FileId>* knownFiles = nullptr) {
    const std::string& path = log.path;
    const int fd = log.file->descriptor();
    LogPosition after;
    after.path = path;
    after.device = static_cast<uint64_t>(log.st.st_dev);
    after.inode = static_cast<uint64_t>(log.st.st_ino);
    after.size = static_cast<uint64_t>(log.st.st_size);
    after.modified = modifiedOf(log.st);
    // The bytes are checked every time: a log rewritten to the same size within the clock's
    // granularity keeps its size and modification time.
    uint64_t begin = 0;
    if (known && known->position <= after.size && sameBytesRead(fd, *known, path))
        begin = known->position;
    else if (known && known->position > 0 && knownFiles) {
        // What the log gained after the last run and before it was emptied is in its copy.
        if (const std::optional<Current> copy = findCopy(log, *known, *knownFiles)) {
            knownFiles->insert(idOf(copy->st));  // read here, from the place: no rotated log
            const int from = copy->file->descriptor();
            const uint64_t size = static_cast<uint64_t>(copy->st.st_size);
            const uint64_t upTo = lastLineEnd(from, known->position, size, copy->path);
            if (upTo > known->position)
                into.slices.push_back({copy->path, copy->file, known->position, upTo});
        }
    }
    const uint64_t end = lastLineEnd(fd, begin, after.size, path);
    after.position = end;
    const bool unmoved = known && begin == end && begin == known->position;
    after.headHash = unmoved ? known->headHash : hashOfHead(fd, end, path);
    after.endHash = unmoved && known->endHash ? *known->endHash : hashBefore(fd, end, path);
    if (end > begin) into.slices.push_back({path, log.file, pastHole(fd, begin, end, path), end});
    into.positions.push_back(std::move(after));
}

// The file in the folder that is this device and inode, if it is still there.
std::optional<Current> findIn(const std::string& folder, const LogPosition& known) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return std::nullopt;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (static_cast<uint64_t>(entry->d_ino) != known.inode) continue;
        std::optional<Current> log =
            openLog(folder + (folder == "/" ? "" : "/") + entry->d_name, false);
        if (log && static_cast<uint64_t>(log->st.st_dev) == known.device &&
            static_cast<uint64_t>(log->st.st_ino) == known.inode)
            return log;
    }
    return std::nullopt;
}

// Whether a file's name is one rotation gives a log of that name: a dot and a number
// (sv_viol.log.1), or a dash and a date (sv_viol.log-20261210); not compressed, and not a
// copy kept by hand (sv_viol.log.bak).
bool rotatedName(std::string_view file, std::string_view log) {
    if (file.size() < log.size() + 2 || !file.starts_with(log)) return false;
    const char mark = file[log.size()];
    const std::string_view rest = file.substr(log.size() + 1);
    return (mark == '.' || mark == '-') &&
           rest.find_first_not_of("0123456789-_.") == std::string_view::npos &&
           rest.find_first_of("0123456789") != std::string_view::npos;
}

// Logs that two rotations between two looks renamed on before any look saw them: the
// log begun under the known log's name after it was renamed away, then renamed on in turn.
// Files in its folder, named as its rotated copies are (rotatedName, after its own name or,
// for a link, its file's), none of the known files (a copytruncate copy whose rest was read
// from the place is one), changed after the log of that name was last seen written
// (lastSeen); oldest first.
std::vector<Current> rotatedUnseen(const std::string& path, const std::string& folder,
                                   int64_t lastSeen, std::set<FileId>& knownFiles) {
    std::vector<Current> unseen;
    const auto nameOf = [](const std::string& file) { return file.substr(file.rfind('/') + 1); };
    std::vector<std::string> names = {nameOf(path)};
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                     &std::free);
    if (real) names.push_back(nameOf(real.get()));
    forEachFileIn(
        folder,
        [&](const char* file, const struct stat& st) {
            return std::any_of(names.begin(), names.end(),
                               [&](const std::string& name) { return rotatedName(file, name); }) &&
                   !knownFiles.contains(idOf(st)) && modifiedOf(st) > lastSeen;
        },
        [&](Current&& log) {
            knownFiles.insert(idOf(log.st));
            unseen.push_back(std::move(log));
        });
    std::sort(unseen.begin(), unseen.end(), [](const Current& a, const Current& b) {
        return modifiedOf(a.st) < modifiedOf(b.st);
    });
    return unseen;
}

// The log renamed away from where it was read, in one of its folders.
std::optional<Current> findRenamed(const LogPosition& known) {
    for (const std::string& folder : foldersOf(known.path))
        if (std::optional<Current> log = findIn(folder, known)) return log;
    return std::nullopt;
}

}  // namespace

OpenLog::~OpenLog() {
    if (fd_ >= 0) ::close(fd_);
}

uint64_t headHash(std::string_view bytes) {
    return XXH64(bytes.data(), bytes.size(), 0);
}

std::string hashesText(const LogPosition& position) {
    std::string text = std::to_string(position.headHash);
    if (position.endHash) text += ' ' + std::to_string(*position.endHash);
    return text;
}

void readHashes(std::string_view text, LogPosition& into) {
    const char* end = text.data() + text.size();
    uint64_t value = 0;
    const auto [at, ec] = std::from_chars(text.data(), end, value);
    into.headHash = ec == std::errc() ? value : 0;
    into.endHash.reset();
    if (at < end && *at == ' ' && std::from_chars(at + 1, end, value).ec == std::errc())
        into.endHash = value;
}

ScanPlan planScan(const std::vector<LogPosition>& stored, const std::vector<std::string>& logs,
                  const std::vector<std::string>& folders, std::vector<std::string>* unreadable) {
    std::vector<Current> current;
    std::set<FileId> unread;  // logs that are there but could not be read: left as they stand
    for (const std::string& path : logs) {
        std::optional<Current> opened;
        try {
            opened = openLog(path, true);
        } catch (const OutOfFiles&) {
            // Every log after it would be left out, look after look: the look fails.
            throw;
        } catch (const Error& e) {
            if (!unreadable) throw;
            unreadable->push_back(e.description());
            if (struct stat st{}; ::stat(path.c_str(), &st) == 0) unread.insert(idOf(st));
            continue;
        }
        // Renamed since it was listed: as if listed a moment later. A known log's rest is
        // found under its new name, with the logs that left.
        if (!opened) continue;
        Current log = std::move(*opened);
        const bool again = std::any_of(current.begin(), current.end(), [&](const Current& c) {
            return c.st.st_dev == log.st.st_dev && c.st.st_ino == log.st.st_ino;
        });
        if (!again) current.push_back(std::move(log));  // one file named twice is read once
    }
    auto knownOf = [&](const Current& log) -> const LogPosition* {
        for (const LogPosition& p : stored)
            if (p.device == static_cast<uint64_t>(log.st.st_dev) &&
                p.inode == static_cast<uint64_t>(log.st.st_ino))
                return &p;
        return nullptr;
    };

    std::vector<std::string> scope;
    for (const auto& folder : folders) scope.push_back(withoutTrailingSlash(folder));
    auto inScope = [&](const LogPosition& p) {
        return std::find(logs.begin(), logs.end(), p.path) != logs.end() ||
               std::find(scope.begin(), scope.end(), folderOf(p.path)) != scope.end();
    };

    // A log known before that shrank or was replaced may have been copied away first. The
    // logs of other runs are not among the known: a file deleted there may have given its
    // number to a copy of one of these.
    std::set<FileId> knownFiles;
    for (const Current& c : current) knownFiles.insert(idOf(c.st));
    for (const LogPosition& p : stored)
        if (inScope(p)) knownFiles.insert({p.device, p.inode});

    // Whether the file under a known log's name is not a log read there before: none, a new
    // one, or one that took the number of a file read before (its bytes are not those read).
    // Or one read to nothing yet that was written since: emptied by copytruncate, its copy
    // cannot be told by the bytes read, which are none.
    auto newAtName = [&](const std::string& path) {
        const auto atName = std::find_if(current.begin(), current.end(),
                                         [&](const Current& c) { return c.path == path; });
        if (atName == current.end()) return true;
        const LogPosition* known = knownOf(*atName);
        if (!known) return true;
        if (known->position == 0) return modifiedOf(atName->st) != known->modified;
        try {
            return !sameBytesRead(atName->file->descriptor(), *known, atName->path);
        } catch (const Error&) {
            return false;  // said when it is read
        }
    };

    ScanPlan result;
    // Logs that were read before and are no longer where they were: rotation renamed them
    // away (their rest comes first, before the new log under their old name, as long as
    // they are in the folder) or they are gone.
    for (const LogPosition& p : stored) {
        if (!inScope(p)) continue;
        const bool stillHere = std::any_of(current.begin(), current.end(), [&](const Current& c) {
            return p.device == static_cast<uint64_t>(c.st.st_dev) &&
                   p.inode == static_cast<uint64_t>(c.st.st_ino);
        });
        if (stillHere || unread.contains({p.device, p.inode})) continue;
        std::optional<Current> renamed;
        try {
            renamed = findRenamed(p);
        } catch (const OutOfFiles&) {
            throw;
        } catch (const Error& e) {
            if (!unreadable) throw;
            unreadable->push_back(e.description());
            continue;
        }
        if (renamed) {
            // Its rest, after that of a copy copytruncate made of it before it was renamed.
            plan(*renamed, &p, result, &knownFiles);
            // Kept under the name it was read by, so that the next run looks for it too: the
            // game server may write on into it until it opens its new log.
            result.positions.back().path = p.path;
        } else
            result.gone.push_back(p);
    }
    // The logs as given are read last, but planned first: a copy whose rest they read is
    // no rotated log to read whole.
    ScanPlan logsNow;
    for (const Current& log : current) plan(log, knownOf(log), logsNow, &knownFiles);
    // Only where a rotation is new: the log under a known log's name is not the one read there.
    std::set<std::string> names;
    for (const LogPosition& p : stored) {
        if (!inScope(p) || !names.insert(p.path).second || !newAtName(p.path)) continue;
        // When the logs of this name were last seen written: another log's clock ahead
        // must not hide these.
        int64_t lastSeen = 0;
        for (const LogPosition& q : stored)
            if (q.path == p.path) lastSeen = std::max(lastSeen, q.modified);
        for (const std::string& folder : foldersOf(p.path))
            for (const Current& unseen : rotatedUnseen(p.path, folder, lastSeen, knownFiles)) {
                plan(unseen, nullptr, result);
                // Kept under the log's name, as a renamed log is: the game server may write on
                // into it, and the next run must not take it for unseen again.
                result.positions.back().path = p.path;
            }
    }
    result.slices.insert(result.slices.end(), logsNow.slices.begin(), logsNow.slices.end());
    result.positions.insert(result.positions.end(), logsNow.positions.begin(),
                            logsNow.positions.end());
    return result;
}

}  // namespace th
