#pragma once
// The ban file, opened once. Its reading, its backup and the check before it is replaced
// all go through this one descriptor, never through its name again: whoever can rename
// files in its folder cannot swap another file in between.

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "bans/BanFileLock.h"
#include "bans/KnownBanFile.h"

namespace th {

class BanFileReader {
  public:
    // Opens the file (a link only when it belongs to the owner of the file it leads to,
    // never a special file), takes the writers' lock and reads every byte. Throws
    // th::Error naming path. With known, a file that is still the one known (same device
    // and inode, not shorter, the same hashed bytes) is read only from known->end on. A
    // cancel asked for while the lock is waited for ends the wait (Cancelled).
    explicit BanFileReader(const std::string& path, const KnownBanFile* known = nullptr,
                           const CancelToken* cancel = nullptr);
    ~BanFileReader();
    BanFileReader(const BanFileReader&) = delete;
    BanFileReader& operator=(const BanFileReader&) = delete;

    // The file's own path, a link followed: where the rewritten file goes.
    const std::string& path() const { return path_; }
    int descriptor() const { return fd_; }
    // Owner, group and mode as found when it was opened.
    const struct stat& status() const { return status_; }
    // Every byte read so far, from start() on: 0 unless known spared the rest.
    const std::string& bytes() const { return bytes_; }
    uint64_t start() const { return start_; }
    // Whether a known file was given and this is not it, grown: replaced, shrunk or
    // changed before where the last reading stopped.
    bool notAsKnown() const { return notAsKnown_; }

    // The hash (as of a log's head) of the file's bytes from..to as they are now.
    uint64_t hashOf(uint64_t from, uint64_t to) const;

    // Whether the name still leads to this very file, unchanged since it was read: same
    // device and inode, same size and modification time.
    bool unchanged() const;
    // What writers that still hold the file open have added to it since it was read (a
    // tail appended just before it was replaced); the tail also joins bytes().
    std::string_view readTail();

  private:
    void readFrom(uint64_t offset);
    // Whether the file is the one known, at most grown: same device and inode, not
    // shorter, the same hashed bytes.
    bool grownFrom(const KnownBanFile& known) const;

    std::string given_;  // for messages
    std::string path_;
    int fd_ = -1;
    struct stat status_ {};
    std::string bytes_;
    uint64_t start_ = 0;
    bool notAsKnown_ = false;
    std::unique_ptr<BanFileLock> lock_;
};

// The hash (as of a log's head) of the bytes from..to of the open file fd. Throws
// th::Error naming path.
uint64_t hashOfBytes(int fd, uint64_t from, uint64_t to, const std::string& path);

// Calls line(text) for each line of bytes: a line ends at LF, at CR LF or at a lone CR
// (old editors), and a last line without an end is still a line. The byte order mark an
// editor saves before the first line (Notepad does) is not part of it: it would make a ban
// line one of no known shape, its ban never stored.
template <typename LineFn>
void forEachLine(std::string_view bytes, LineFn&& line) {
    size_t start = 0;
    const size_t size = bytes.size();
    while (start < size) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = size;
        std::string_view text = bytes.substr(start, end - start);
        if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
        line(text);
        start = end + 1;
        if (end < size && bytes[end] == '\r' && start < size && bytes[start] == '\n') ++start;
    }
}

}  // namespace th
