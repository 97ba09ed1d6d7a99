#include "scan/LineBlocks.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/Error.h"

namespace th {

LineBlocks::LineBlocks(int fd, bool stream, const LineSpan& span, std::vector<char>& buffer,
                       size_t blockSize, const LineStarts& wanted, const std::string& name)
    : fd_(fd),
      stream_(stream),
      end_(stream ? kToTheEnd : span.end),
      limit_(span.limit),
      wanted_(wanted),
      name_(name),
      buffer_(buffer),
      // A part after the first reads from the byte before its own: when that byte is a
      // line end, the part's first line starts right at its beginning.
      position_(!stream && span.begin > span.from ? span.begin - 1 : span.from),
      skipping_(!stream && span.begin > span.from) {
    bufferAt_ = position_;
    buffer_.resize(std::max<size_t>(blockSize, 1));
}

size_t LineBlocks::read(size_t want) {
    for (;;) {
        ssize_t got =
            stream_ ? ::read(fd_, buffer_.data() + filled_, want)
                    : ::pread(fd_, buffer_.data() + filled_, want, static_cast<off_t>(position_));
        if (got >= 0) return static_cast<size_t>(got);
        if (errno != EINTR) throw Error::fromErrno(errno, name_);
    }
}

bool LineBlocks::next(std::string_view& lines, bool& lastLine) {
    lastLine = false;
    for (;;) {
        if (done_) return false;
        // The unfinished line moves to the front of the buffer.
        if (taken_ > 0) {
            std::memmove(buffer_.data(), buffer_.data() + taken_, filled_ - taken_);
            bufferAt_ += taken_;
            filled_ -= taken_;
            taken_ = 0;
        }
        if (filled_ == buffer_.size()) {  // a line longer than the buffer
            // Kept whole only when its reader may want it: a run of damaged bytes without a
            // line end (a crash leaves blocks of zeros) would otherwise take its size in
            // memory several times over.
            if (!wanted_[static_cast<unsigned char>(buffer_[0])]) {
                skipping_ = passingOver_ = true;
                taken_ = filled_;
                continue;
            }
            buffer_.resize(buffer_.size() * 2);
        }
        size_t want = buffer_.size() - filled_;
        if (end_ != kToTheEnd) {
            if (position_ < end_) {
                want = static_cast<size_t>(std::min<uint64_t>(want, end_ - position_));
            } else {
                want = std::min(want, tailRead_);
                tailRead_ *= 2;
            }
        }
        if (limit_ != kToTheEnd)
            want = static_cast<size_t>(std::min<uint64_t>(want, limit_ - position_));
        const size_t got = want == 0 ? 0 : read(want);
        if (got == 0) {
            done_ = true;
            if (passingOver_) {  // the log's last line, without its LF
                lines = {buffer_.data(), 0};
                lastLine = true;
                return true;
            }
            if (skipping_ || filled_ == 0) return false;
            lines = {buffer_.data(), filled_};
            lastLine = true;
            taken_ = filled_;
            return true;
        }
        const size_t fresh = filled_;
        position_ += got;
        filled_ += got;

        size_t start = 0;
        if (skipping_) {
            const void* lf = std::memchr(buffer_.data() + fresh, '\n', filled_ - fresh);
            if (!lf) {
                taken_ = filled_;  // all of it the end of a line of the part before
                continue;
            }
            start = static_cast<size_t>(static_cast<const char*>(lf) - buffer_.data());
            if (passingOver_) {
                passingOver_ = false;  // its LF is handed out: it ends a line of this part
            } else if (bufferAt_ + ++start >= end_) {  // no line starts inside this part
                done_ = true;
                return false;
            }
            skipping_ = false;
        }
        const char* base = buffer_.data();
        // The part ends with the line that holds its last byte.
        if (end_ != kToTheEnd && bufferAt_ + filled_ > end_ - 1) {
            const size_t last = static_cast<size_t>(end_ - 1 - std::min(bufferAt_, end_ - 1));
            const size_t from = std::max(start, last);
            if (const void* lf = std::memchr(base + from, '\n', filled_ - from)) {
                lines = {base + start,
                         static_cast<size_t>(static_cast<const char*>(lf) + 1 - (base + start))};
                done_ = true;
                return true;
            }
        }
        const void* lf = ::memrchr(base + start, '\n', filled_ - start);
        if (!lf) {
            taken_ = start;  // not one whole line yet
            continue;
        }
        const size_t through = static_cast<size_t>(static_cast<const char*>(lf) - base) + 1;
        lines = {base + start, through - start};
        taken_ = through;
        return true;
    }
}

}  // namespace th
