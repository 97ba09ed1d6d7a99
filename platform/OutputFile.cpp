#include "platform/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <iostream>

#include "platform/Error.h"
#include "platform/SameFile.h"
#include "platform/WriteAll.h"

namespace th {

namespace {

constexpr size_t kFlushAt = 1 << 16;

[[noreturn]] void refuse(const std::string& what, const std::string& path) {
    throw Error(err::kRefusedPath, appBaseName(),
                "Not written: only a file, a pipe, a terminal or /dev/null can take the "
                "output, and this is " +
                    what + ": " + path);
}

// The standard stream path leads to (1 or 2), or -1.
int standardStreamOf(const struct stat& target) {
    for (int fd : {1, 2}) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && sameFile(st, target)) return fd;
    }
    return -1;
}

bool isTerminalDevice(dev_t device) {
    const unsigned major = major(device), minor = minor(device);
    return major == 4 || (major >= 136 && major <= 143) || (major == 5 && minor <= 1);
}

// Run by root, every link on the way to the file must belong to the file's owner, as the
// ban-file writer demands: a link of another account may lead root to write what that
// account cannot.
void checkLinks(const std::string& path, const struct stat& target) {
    if (::geteuid() != 0) return;
    std::string at = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat link {};
        if (::lstat(at.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return;
        if (link.st_uid != target.st_uid)
            throw Error(err::kRefusedPath, appBaseName(),
                        "Not written: a link owned by another account than its target: " + path);
        char next[PATH_MAX];
        ssize_t n = ::readlink(at.c_str(), next, sizeof next - 1);
        if (n <= 0) return;
        std::string hopTo(next, static_cast<size_t>(n));
        if (hopTo.front() != '/') {
            size_t slash = at.find_last_of('/');
            hopTo = (slash == std::string::npos ? std::string() : at.substr(0, slash + 1)) + hopTo;
        }
        at = hopTo;
    }
}

}  // namespace

OutputTarget classifyOutput(const std::string& path) {
    if (path == "-") return {true, 1};
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        // A new name (or a link to one) becomes a new file; any other failure is told.
        if (errno == ENOENT) return {};
        throw Error::fromErrno(errno, path);
    }
    // Standard output named as a file (/dev/stdout, or the very file it was sent to)
    // gets the bytes where the caller sent it, even when that is a regular file; the
    // caller chose it, so no link on the way can have been planted.
    const int standard = standardStreamOf(st);
    if (standard >= 0) return {true, standard};
    checkLinks(path, st);
    if (S_ISREG(st.st_mode)) return {};
    if (S_ISDIR(st.st_mode)) refuse("a folder", path);
    if (S_ISFIFO(st.st_mode)) return {true, -1};
    if (S_ISCHR(st.st_mode)) {
        if (st.st_rdev == makedev(1, 3) || isTerminalDevice(st.st_rdev)) return {true, -1};
        refuse("a device", path);
    }
    if (S_ISBLK(st.st_mode)) refuse("a disk (block device)", path);
    if (S_ISSOCK(st.st_mode)) refuse("a socket", path);
    refuse("an unknown kind of file", path);
}

OutputFile::OutputFile(const std::string& path) : path_(path) {
    const OutputTarget target = classifyOutput(path);
    if (!target.stream) {
        file_.emplace(path);
        return;
    }
    if (target.fd >= 0) {
        // Whatever the program printed before goes first.
        if (target.fd == 1) std::cout.flush();
        std::fflush(target.fd == 1 ? stdout : stderr);
        fd_ = target.fd;
    } else {
        fd_ = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) throw Error::fromErrno(errno, path);
        ownFd_ = true;
    }
    terminal_ = ::isatty(fd_) == 1;
}

OutputFile::~OutputFile() {
    if (ownFd_) ::close(fd_);
}

void OutputFile::writeLine(std::string_view text) {
    if (file_) return file_->writeLine(text);
    buffer_.append(text);
    buffer_.append("\r\n");
    if (buffer_.size() >= kFlushAt) flush(true);
}

void OutputFile::write(std::string_view bytes) {
    if (file_) return file_->write(bytes);
    buffer_.append(bytes);
    if (buffer_.size() >= kFlushAt) flush(true);
}

void OutputFile::flush(bool more) {
    const size_t now = more ? shownNow(buffer_, terminal_) : buffer_.size();
    if (const int failed = writeShown(fd_, std::string_view(buffer_).substr(0, now), terminal_))
        throw Error::fromErrno(failed, path_);
    buffer_.erase(0, now);
}

void OutputFile::commit() {
    if (file_) return file_->commit();
    flush();
}

}  // namespace th
