#pragma once
// Reading a log in large blocks that each end at a line end. A log that is a regular
// file is read by position, so that it can be cut into parts read side by side: a part
// holds the lines that start inside its byte range, wherever they end. A stream (a pipe,
// a terminal) is read in order from its start to its end.

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace th {

inline constexpr uint64_t kToTheEnd = std::numeric_limits<uint64_t>::max();

// Which lines a reader takes: those that start in [begin, end) of the log's bytes
// [from, limit). Nothing before from or from limit on is read: from is a line's start,
// and the bytes before limit end the log's last line even without a line end.
struct LineSpan {
    uint64_t from = 0, limit = kToTheEnd;
    uint64_t begin = 0, end = kToTheEnd;
};

// The bytes a line may begin with for a reader to want it whole.
using LineStarts = std::bitset<256>;

class LineBlocks {
  public:
    // The lines of fd that span takes; a stream is read from where it stands, at most
    // limit - from bytes. buffer is the reader's, kept from part to part: blockSize bytes,
    // more for a longer line that begins with one of wanted. A longer line that does not
    // is passed over: only its LF is handed out, so that the lines still count. name is
    // what a read error names.
    LineBlocks(int fd, bool stream, const LineSpan& span, std::vector<char>& buffer,
               size_t blockSize, const LineStarts& wanted, const std::string& name);

    // The next run of whole lines, each ended by LF, or false after the last. lastLine
    // is set when the run ends with the log's last line, which has no LF. Throws
    // th::Error when a read fails.
    bool next(std::string_view& lines, bool& lastLine);

  private:
    size_t read(size_t want);

    int fd_;
    bool stream_;
    uint64_t end_;
    uint64_t limit_;
    const LineStarts& wanted_;
    const std::string& name_;
    std::vector<char>& buffer_;
    uint64_t position_;         // where the next read starts
    uint64_t bufferAt_ = 0;     // the place in the log of the buffer's first byte
    size_t filled_ = 0;         // bytes in the buffer
    size_t taken_ = 0;          // bytes of the buffer already handed out
    size_t tailRead_ = 4096;    // past its end a part reads little: its last line's rest
    bool skipping_;             // the part's first bytes end a line of the part before
    bool passingOver_ = false;  // or, while skipping, a long line no one wants
    bool done_ = false;
};

}  // namespace th
