#include "bans/BanFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/Error.h"

namespace th {

std::vector<std::string> readLines(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw Error::fromErrno(errno, path);
    std::string data;
    char buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) data.append(buffer, n);
    int readError = std::ferror(f) ? (errno ? errno : EIO) : 0;
    std::fclose(f);
    if (readError) throw Error::fromErrno(readError, path);

    std::vector<std::string> lines;
    size_t start = 0;
    while (start < data.size()) {
        const char* lf =
            static_cast<const char*>(std::memchr(data.data() + start, '\n', data.size() - start));
        size_t end = lf ? static_cast<size_t>(lf - data.data()) : data.size();
        size_t stop = (lf && end > start && data[end - 1] == '\r') ? end - 1 : end;
        lines.emplace_back(data, start, stop - start);
        start = end + 1;
    }
    return lines;
}

void checkWritable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw Error::fromErrno(errno, path);
    // Root may write anything; a file without write permission still counts as read-only.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) throw Error::fromErrno(EACCES, path);
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);  // never O_CREAT, never O_TRUNC
    if (fd < 0) throw Error::fromErrno(errno, path);
    ::close(fd);
}

ReplacementFile::ReplacementFile(const std::string& path) {
    char resolved[PATH_MAX];
    target_ = ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
    size_t slash = target_.rfind('/');
    folder_ = slash == std::string::npos ? std::string(".") : target_.substr(0, slash);
    std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    std::string pattern = folder_;
    pattern.append("/.").append(name).append(".XXXXXX");
    if (folder_.empty()) folder_.push_back('/');
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) throw Error::fromErrno(errno, path);
    temp_ = pattern;
    // The new file takes the old one's owner and permissions, as far as we may give them.
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0) {
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Only the owner's own files can be given away; keeping ours is fine.
        }
        ::fchmod(fd, st.st_mode & 07777);
    }
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        int e = errno;
        ::close(fd);
        ::unlink(temp_.c_str());
        throw Error::fromErrno(e, path);
    }
    static_cast<void>(std::setvbuf(file_, nullptr, _IOFBF, 1 << 16));
}

ReplacementFile::~ReplacementFile() {
    if (file_) std::fclose(file_);
    if (!done_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void ReplacementFile::fail(int errnoValue) {
    throw Error::fromErrno(errnoValue ? errnoValue : EIO, target_);
}

void ReplacementFile::writeLine(std::string_view line) {
    if (!line.empty() && std::fwrite(line.data(), 1, line.size(), file_) != line.size()) fail(errno);
    if (std::fwrite("\r\n", 1, 2, file_) != 2) fail(errno);
}

void ReplacementFile::flush() {
    if (std::fflush(file_) != 0) fail(errno);
    if (::fsync(::fileno(file_)) != 0) fail(errno);
    std::FILE* f = file_;
    file_ = nullptr;
    if (std::fclose(f) != 0) fail(errno);
}

void ReplacementFile::commit() {
    if (file_) flush();
    if (::rename(temp_.c_str(), target_.c_str()) != 0) fail(errno);
    done_ = true;
    // Make the rename itself durable.
    int dir = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace th
