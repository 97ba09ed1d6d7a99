#include "platform/TextFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Error.h"
#include "platform/FileOwner.h"
#include "platform/TempFile.h"
#include "platform/WriteAll.h"

namespace th {

namespace {

constexpr size_t kFlushAt = 1 << 16;

Error refusal(const std::string& why, const std::string& path) {
    return Error(err::kPermissionDenied, appBaseName(), "Not replaced, " + why + ": " + path);
}

}  // namespace

TextFileWriter::TextFileWriter(std::string path) : path_(std::move(path)) {
    if (path_.empty()) fail(ENOENT);
    target_ = resolveLink(path_, path_);
    // The old file read through one descriptor, so that its owner and access list are
    // those of one and the same file.
    int original = ::open(target_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (original >= 0 && ::fstat(original, &st) == 0) {
        try {
            open(&st, original);
        } catch (...) {
            ::close(original);
            throw;
        }
        ::close(original);
    } else {
        if (original >= 0) ::close(original);
        // Unreadable but there (a write-only file): its owner and mode still count.
        open(::stat(target_.c_str(), &st) == 0 ? &st : nullptr, -1);
    }
}

TextFileWriter::TextFileWriter(std::string path, int original)
    : path_(std::move(path)), target_(path_) {
    struct stat st {};
    if (::fstat(original, &st) != 0) fail(errno);
    open(&st, original);
}

void TextFileWriter::open(const struct stat* like, int likeFd) {
    if (like) {
        if (S_ISDIR(like->st_mode)) fail(EISDIR);
        // A read-only file stays protected even though its folder would allow a rename,
        // and even for a user whom the system would let write it anyway.
        if (::access(target_.c_str(), W_OK) != 0) fail(errno);
        if ((like->st_mode & 0222) == 0) fail(EACCES);
        if (S_ISREG(like->st_mode) && like->st_nlink > 1)
            failWith(refusal(
                "since it has other names (hard links) that would keep the old content", path_));
    }
    // What a run stopped or killed while writing here left is of no use to anyone.
    removeStaleTemps(target_);
    // Only this account can read the new file until it has the old one's permissions.
    TempFile temp = createTempFor(target_, like ? 0600 : 0666, path_);
    fd_ = temp.fd;
    temp_ = std::move(temp.path);
    if (!like) return;
    const KeptOwner kept = giveOwnerAndGroup(fd_, *like);
    if (!kept.owner)
        failWith(refusal("since it would no longer belong to its owner (user " +
                             std::to_string(like->st_uid) + "); run this as that user or as root",
                         path_));
    if (!kept.group)
        failWith(refusal("since it would lose its group (" + std::to_string(like->st_gid) +
                             "), which this account is not in",
                         path_));
    if (::fchmod(fd_, like->st_mode & 07777) != 0) fail(errno);
    // Without its access list or label the game server's account might no longer read it.
    if (likeFd >= 0)
        if (const int e = copyAttributes(likeFd, fd_)) fail(e);
}

TextFileWriter::~TextFileWriter() {
    discard();
}

void TextFileWriter::writeLine(std::string_view text) {
    buffer_.append(text);
    buffer_.append("\r\n");
    if (buffer_.size() >= kFlushAt) flush();
}

void TextFileWriter::write(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= kFlushAt) flush();
}

void TextFileWriter::flush() {
    if (fd_ < 0) fail(EBADF);
    if (const int failed = writeAll(fd_, buffer_)) fail(failed);
    buffer_.clear();
}

void TextFileWriter::sync() {
    flush();
    if (::fsync(fd_) != 0) fail(errno);
    synced_ = true;
}

void TextFileWriter::commit() {
    if (!synced_) sync();
    if (temp_.empty()) fail(EBADF);
    if (::rename(temp_.c_str(), target_.c_str()) != 0) fail(errno);
    temp_.clear();
    replaced_ = true;
    syncFolder(folderOf(target_), path_);
}

void TextFileWriter::fail(int errnoValue) {
    failWith(Error::fromErrno(errnoValue, path_));
}

void TextFileWriter::failWith(const Error& error) {
    discard();
    throw error;
}

void TextFileWriter::discard() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    buffer_.clear();
}

}  // namespace th
