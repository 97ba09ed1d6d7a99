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
        // A read-only file stays protected even though its folder would allow a rename.
        if (::access(target_.c_str(), W_OK) != 0) fail(errno);
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
    if (exists) (void)::fchmod(fd_, st.st_mode & 07777);
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

void TextFileWriter::commit() {
    flush();
    if (::fsync(fd_) != 0) fail(errno);
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail(errno);
    if (::rename(temp_.c_str(), target_.c_str()) != 0) fail(errno);
    temp_.clear();
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
