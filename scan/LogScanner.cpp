#include "scan/LogScanner.h"

#include <sys/stat.h>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/CCursor.h"
#include "platform/Error.h"
#include "platform/MessageBoxes.h"
#include "scan/ByteSearch.h"
#include "scan/RowBuilder.h"

namespace th {

namespace {

constexpr auto kRepaintInterval = std::chrono::milliseconds(33);  // about 30 frames a second

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Reads the log in large blocks and hands over every line that may match; the lines
// in between are only counted.
class Scan {
public:
    Scan(MainForm& form, std::time_t logModified, size_t blockSize)
        : form_(form),
          columns_(form.vsFlexGrid1),
          builder_(form, form.scanOptions, logModified),
          blockSize_(blockSize) {}

    // Reads at most length bytes from the file's current place.
    void run(std::FILE* file, uint64_t length) {
        std::vector<char> buffer(blockSize_);
        size_t carried = 0;  // bytes of an unfinished line kept from the last block
        for (;;) {
            if (carried == buffer.size()) buffer.resize(buffer.size() * 2);  // a very long line
            const size_t room =
                static_cast<size_t>(std::min<uint64_t>(buffer.size() - carried, length));
            size_t got = room == 0 ? 0 : std::fread(buffer.data() + carried, 1, room, file);
            length -= got;
            if (got == 0) {
                if (std::ferror(file))
                    throw Error::fromErrno(errno, form_.pnlLogPathToFile.caption());
                if (carried > 0) lines(buffer.data(), buffer.data() + carried, true);
                break;
            }
            const char* begin = buffer.data();
            const char* end = begin + carried + got;
            const char* done = end;  // just past the block's last line end
            while (done > begin && done[-1] != '\n') --done;
            lines(begin, done, false);
            carried = static_cast<size_t>(end - done);
            std::memmove(buffer.data(), done, carried);
            repaintIfDue();
            form_.cancel.check();  // between blocks: every row so far is whole
        }
    }

    void showCount() {
        // One leading space: where the sign of a negative number would stand.
        std::string caption = std::to_string(linesRead_);
        caption.insert(caption.begin(), ' ');
        form_.lblNumberLinesScanned.setCaption(std::move(caption));
        form_.ports.events.repaintNow();
    }

    int32_t added() const { return added_; }
    int64_t linesRead() const { return linesRead_; }

  private:
    // [p, end) holds whole lines, each ended by LF unless last is set.
    void lines(const char* p, const char* end, bool last) {
        while (p < end) {
            const char* hit = findLiteral(p, end, builder_.literal());
            if (!hit) {
                linesRead_ +=
                    static_cast<int64_t>(countByte(p, end, '\n')) + (last && end[-1] != '\n');
                return;
            }
            const char* lineStart = hit;
            while (lineStart > p && lineStart[-1] != '\n') --lineStart;
            linesRead_ += static_cast<int64_t>(countByte(p, lineStart, '\n')) + 1;
            const char* lf =
                static_cast<const char*>(std::memchr(hit, '\n', static_cast<size_t>(end - hit)));
            const char* lineEnd = lf ? lf : end;
            std::string_view line(lineStart, static_cast<size_t>(lineEnd - lineStart));
            if (lf && !line.empty() && line.back() == '\r') line.remove_suffix(1);
            take(line);
            p = lf ? lf + 1 : end;
        }
    }

    void take(std::string_view line) {
        if (line.empty()) return;
        if (auto row = builder_.row(line)) {
            ViolationCells cells;
            for (size_t i = 0; i < kGridColumnCount; ++i) cells.values[i] = row->values[i];
            columns_.addRow(form_.vsFlexGrid1, cells);
            ++added_;
        }
        if ((++taken_ & 0xFFF) == 0) repaintIfDue();
    }

    // The counter shows the lines read so far; the screen is repainted at display rate
    // rather than per line, which with millions of lines would take minutes.
    void repaintIfDue() {
        auto now = std::chrono::steady_clock::now();
        if (now - lastRepaint_ < kRepaintInterval) return;
        lastRepaint_ = now;
        showCount();
    }

  private:
    MainForm& form_;
    const GridColumns columns_;  // new rows go under their titles, wherever those stand
    RowBuilder builder_;         // what a line holding its literal becomes
    size_t blockSize_;
    int32_t added_ = 0;
    int64_t linesRead_ = 0;  // wider than the label needs: a log of empty lines may be huge
    uint32_t taken_ = 0;
    std::chrono::steady_clock::time_point lastRepaint_ = std::chrono::steady_clock::now();
};

const std::string kScanErrorLead = std::string(
                                       "An error has occured during scan of log file. Please "
                                       "e-mail me this log and your pbbans.dat") +
                                   kPad + kCrLf + "so that i can see why this error was caused. " +
                                   kContactAddress;

void showIndicators(MainForm& form, bool on) {
    form.lblNumberLinesScanned.setCaption("0");
    form.lblNumberLinesScanned.setVisible(on);
    form.lblLinesScanned.setVisible(on);
    form.lblScanning.setVisible(on);
}

// The log to read, placed at the options' start.
std::FILE* openLog(const std::string& path, const LogRange& options) {
    std::FILE* file = nullptr;
    if (options.descriptor >= 0) {
        const int fd = ::fcntl(options.descriptor, F_DUPFD_CLOEXEC, 0);
        if (fd < 0) throw Error::fromErrno(errno, path);
        file = ::fdopen(fd, "rb");
        if (!file) {
            const int reason = errno;
            ::close(fd);
            throw Error::fromErrno(reason, path);
        }
    } else {
        file = std::fopen(path.c_str(), "rbe");
        if (!file) throw Error::fromErrno(errno, path);
    }
    // A descriptor shares its place with the one it was copied from: always set it.
    if ((options.begin > 0 || options.descriptor >= 0) &&
        ::fseeko(file, static_cast<off_t>(options.begin), SEEK_SET) != 0) {
        const int reason = errno;
        std::fclose(file);
        throw Error::fromErrno(reason, path);
    }
    return file;
}

}  // namespace

int32_t g_lngScanLogFile(MainForm& form) {
    return scanLogFile(form, true);
}

int32_t scanLogFile(MainForm& form, bool arrange, size_t blockSize, const LogRange& range) {
    CCursor cursor(form.ports.cursor);
    cursor.SetCursor(CCursor::kHourglass);
    std::unique_ptr<std::FILE, FileCloser> file;
    int32_t result = 0;
    try {
        const std::string& path = form.pnlLogPathToFile.caption();
        file.reset(openLog(path, range));
        struct stat st {};
        if (::fstat(::fileno(file.get()), &st) != 0) throw Error::fromErrno(errno, path);
        showIndicators(form, true);
        form.ports.events.processEvents();

        form.flexQuelvane.setPattern(kLinePattern);
        form.flexQuelvaneGetIP.setPattern(kAddressPattern);
        form.flexQuelvaneGetGUID.setPattern(kGuidPattern);
        form.vsFlexGrid1.setRedraw(false);
        Scan scan(form, st.st_mtime, std::max<size_t>(blockSize, 1));
        // on an error the rows found so far stay in the grid
        scan.run(file.get(), range.end == UINT64_MAX ? UINT64_MAX : range.end - range.begin);
        scan.showCount();
        result = scan.added();
        form.vsFlexGrid1.setRedraw(true);
        if (result > 0 && arrange) {
            int32_t position = 0;
            vsFlexGrid1_AfterMoveColumn(form, 0, position);
        }
    } catch (const Cancelled&) {
        // The rows found so far stay; the caller asks whether to keep them.
        form.vsFlexGrid1.setRedraw(true);
        showIndicators(form, false);
        file.reset();
        cursor.RestoreCursor();
        return kScanCancelled;
    } catch (const std::exception& e) {
        form.vsFlexGrid1.setRedraw(true);
        showIndicators(form, false);
        file.reset();
        showErrorBox(form.ports.messages, kScanErrorLead, toError(e),
                     "Check that the log can still be read and scan again; the rows found "
                     "before the error are in the grid.");
        cursor.RestoreCursor();
        return -1;
    }
    file.reset();
    showIndicators(form, false);
    cursor.RestoreCursor();
    return result;
}

}  // namespace th
