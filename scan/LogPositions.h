#pragma once
// Where an incremental scan stands in each log, and which bytes the next run reads.
//
// A log is known by its device and inode, so a log renamed away by rotation keeps its
// place. Only complete lines are consumed: the writer may still be writing the last one.
// A log that shrank, or whose first bytes or last bytes read changed, is read from its start
// again, after the rest of a copy of it in its folder (rotation by copying and truncating).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace th {

// The two readers that keep their own places in every log: the merge (and follow), and
// the commands that only look (scan, save, html), so that looking never hides new
// violations from the next merge.
inline constexpr std::string_view kMergeReader = "merge";
inline constexpr std::string_view kLookReader = "look";

// How many of a log's first bytes, and of its last bytes read, are hashed to tell a
// replaced log from a grown one.
inline constexpr uint64_t kHeadBytes = 4096;

struct LogPosition {
    std::string path;  // where the log was last seen
    uint64_t device = 0, inode = 0;
    uint64_t size = 0;      // the log's size when last read
    int64_t modified = 0;   // its modification time then, nanoseconds since 1970
    uint64_t headHash = 0;  // XXH64 of its first min(kHeadBytes, position) bytes
    uint64_t position = 0;  // just after the last complete line consumed
    // XXH64 of the min(kHeadBytes, position) bytes before position: a log rewritten in place
    // with the same start (a server's banner) is told from the one read. None when the
    // position was stored without it.
    std::optional<uint64_t> endHash;

    bool sameLog(const LogPosition& other) const {
        return device == other.device && inode == other.inode;
    }
};

// An open log, read through this descriptor even when it is renamed meanwhile.
class OpenLog {
  public:
    explicit OpenLog(int fd) : fd_(fd) {}
    ~OpenLog();
    OpenLog(const OpenLog&) = delete;
    OpenLog& operator=(const OpenLog&) = delete;
    int descriptor() const { return fd_; }

  private:
    int fd_;
};

// The bytes [begin, end) of one log: complete lines only.
struct LogSlice {
    std::string path;
    std::shared_ptr<OpenLog> file;
    uint64_t begin = 0, end = 0;
};

struct ScanPlan {
    // In reading order: what rotation renamed away first, then the logs as given.
    std::vector<LogSlice> slices;
    // The positions to store once the run's output is written, one per log looked at;
    // the stored positions of other logs stay as they are.
    std::vector<LogPosition> positions;
    // Stored logs that are gone: their positions are to be removed.
    std::vector<LogPosition> gone;
};

// Plans a run over logs (regular files, in order) from the positions stored so far for
// one reader. folders are the folders the logs came from: a stored log in one of them
// that is no longer there was rotated away or deleted, as is a stored log whose path now
// names another file. A log gone from its name since it was listed is left out. Throws
// th::Error naming a log that cannot be read; with unreadable, such a log is said there
// instead and left out, its stored position kept as it is.
ScanPlan planScan(const std::vector<LogPosition>& stored, const std::vector<std::string>& logs,
                  const std::vector<std::string>& folders,
                  std::vector<std::string>* unreadable = nullptr);

// The hash kept of a log's first bytes.
uint64_t headHash(std::string_view bytes);

// A position's hashes as a store keeps them, in one text: the head's, a space, the end's.
// A program that knows the head's only reads that, and the end's is then checked no more.
std::string hashesText(const LogPosition& position);
void readHashes(std::string_view text, LogPosition& into);

}  // namespace th
