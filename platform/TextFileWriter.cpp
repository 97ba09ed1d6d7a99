#include "platform/TextFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/Error.h"

namespace th {

namespace {

constexpr size_t kFlushAt = 1 << 16;

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

TextFileWriter::TextFileWriter(std::string path) : path_(std::move(path)), target_(path_) {
    if (path_.empty()) fail(ENOENT);
    struct stat st {};
    bool exists = false;
    if (::lstat(target_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Replacing the link itself would cut it; write to the file it names.
        char resolved[PATH_MAX];
        if (::realpath(target_.c_str(), resolved)) target_ = resolved;
    }
    if (::stat(target_.c_str(), &st) == 0) {
        exists = true;
        if (S_ISDIR(st.st_mode)) fail(EISDIR);
        // A read-only file stays protected even though its folder would allow a rename,
        // and even for a user whom the system would let write it anyway.
        if (::access(target_.c_str(), W_OK) != 0) fail(errno);
        if ((st.st_mode & 0222) == 0) fail(EACCES);
    }
    const std::string stem =
        folderOf(target_) + "/." + baseOf(target_) + "." + std::to_string(::getpid()) + ".";
    for (int attempt = 0; fd_ < 0; ++attempt) {
        temp_ = stem + std::to_string(attempt) + ".tmp";
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno != EEXIST || attempt > 1000)) {
            int e = errno;
            temp_.clear();
            fail(e);
        }
    }
    if (exists) {
        // The new file takes the old one's owner and permissions, as far as we may give them.
        if (::fchown(fd_, st.st_uid, st.st_gid) != 0) {
            // Only the owner's own files can be given away; keeping ours is fine.
        }
        (void)::fchmod(fd_, st.st_mode & 07777);
    }
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
    size_t done = 0;
    while (done < buffer_.size()) {
        ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        done += static_cast<size_t>(n);
    }
    buffer_.clear();
}

void TextFileWriter::sync() {
    flush();
    if (::fsync(fd_) != 0) fail(errno);
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail(errno);
    synced_ = true;
}

void TextFileWriter::commit() {
    if (!synced_) sync();
    if (::rename(temp_.c_str(), target_.c_str()) != 0) fail(errno);
    temp_.clear();
    // Make the rename itself durable.
    int dir = ::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void TextFileWriter::fail(int errnoValue) {
    discard();
    throw Error::fromErrno(errnoValue, path_);
}

void TextFileWriter::discard() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    buffer_.clear();
}

}  // namespace th
