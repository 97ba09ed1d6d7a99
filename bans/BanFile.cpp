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

}  // namespace th
