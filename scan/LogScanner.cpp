#include "scan/LogScanner.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/CCursor.h"
#include "platform/Error.h"
#include "platform/MessageBoxes.h"
#include "scan/PartScanner.h"

namespace th {

namespace {

constexpr auto kRepaintInterval = std::chrono::milliseconds(33);  // about 30 frames a second

// Parts small enough that the threads finish together and read the log front to back
// nearly in step, large enough that their cuts cost nothing.
constexpr uint64_t kMinPartSize = 1u << 20;
constexpr uint64_t kMaxPartSize = 64u << 20;

class Descriptor {
  public:
    Descriptor() = default;
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

  private:
    int fd_ = -1;
};

// The range of a regular file of size bytes is cut into parts that the threads take in
// turn; the last part reads on to the range's end, which for the whole log is the end of
// the file as far as it has grown meanwhile. A stream is one part.
std::vector<LineSpan> partsOf(bool stream, uint64_t size, const LogRange& range, unsigned threads,
                              size_t partSize) {
    const LineSpan whole{range.begin, range.end, range.begin, range.end};
    const uint64_t stop = std::min(size, range.end);
    if (stream || stop <= range.begin) return {whole};
    const uint64_t step = partSize > 0
                              ? partSize
                              : std::clamp<uint64_t>((stop - range.begin) / (uint64_t{threads} * 8),
                                                     kMinPartSize, kMaxPartSize);
    std::vector<LineSpan> parts;
    for (uint64_t at = range.begin; at < stop; at += step)
        parts.push_back({range.begin, range.end, at, at + step});
    parts.back().end = range.end;
    return parts;
}

// What the threads share: the parts, their rows as each is done, and when to stop.
struct Shared {
    std::vector<LineSpan> parts;
    std::vector<PartRows> rows;
    std::vector<std::exception_ptr> errors;
    std::vector<char> done;
    std::mutex mutex;
    std::condition_variable partDone;
    std::atomic<size_t> next{0};
    std::atomic<size_t> firstFailed{SIZE_MAX};  // parts after a failed one are not needed
    std::atomic<bool> stop{false};
};

// Reads the log in parts on threads of its own and appends their rows to the grid in
// the log's order, showing the lines read so far.
class Scan {
  public:
    explicit Scan(MainForm& form)
        : form_(form), columns_(form.vsFlexGrid1), options_(form.scanOptions) {}

    void run(int fd, const LogRange& range) {
        struct stat st {};
        if (::fstat(fd, &st) != 0) throw Error::fromErrno(errno, path());
        const bool stream = !S_ISREG(st.st_mode);
        logModified_ = st.st_mtime;
        if (!stream) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);  // read ahead far
        const unsigned wanted = options_.threads > 0 ? options_.threads : processorCores();
        shared_.parts =
            partsOf(stream, static_cast<uint64_t>(st.st_size), range, wanted, options_.partSize);
        const size_t count = shared_.parts.size();
        shared_.rows.resize(count);
        shared_.errors.resize(count);
        shared_.done.assign(count, 0);
        const size_t threads = std::min<size_t>(wanted, count);
        progress_ = std::vector<std::atomic<int64_t>>(threads);

        std::vector<std::thread> workers;
        struct Joiner {  // however the scan ends, no thread outlives it
            Scan& scan;
            std::vector<std::thread>& workers;
            ~Joiner() { scan.stopWorkers(workers); }
        } joiner{*this, workers};
        for (size_t w = 0; w < threads; ++w) {
            try {
                workers.emplace_back([this, fd, stream, w] { work(fd, stream, progress_[w]); });
            } catch (const std::system_error&) {
                break;  // a limit on threads: the parts go to those that started
            }
        }
        // Not one could start: this thread reads the parts itself, before it joins them.
        if (workers.empty()) work(fd, stream, progress_[0]);

        for (size_t joined = 0; joined < count;) {
            if (form_.cancel.requested()) {
                // The threads see the request themselves, each after its current block.
                joinWorkers(workers);
                // Parts may have been cut short: the rows kept are those of the lines read
                // without a gap from the log's start.
                for (; joined < count && shared_.done[joined]; ++joined) {
                    const bool whole = shared_.rows[joined].whole && !shared_.errors[joined];
                    join(shared_.rows[joined]);
                    if (!whole) break;
                }
                throw Cancelled();
            }
            std::vector<size_t> ready;
            {
                std::unique_lock lock(shared_.mutex);
                shared_.partDone.wait_for(lock, kRepaintInterval,
                                          [&] { return shared_.done[joined] != 0; });
                while (joined < count && shared_.done[joined]) ready.push_back(joined++);
            }
            for (size_t i : ready) {
                // The rows of the lines before a failed read stay, as when reading in order.
                join(shared_.rows[i]);
                if (shared_.errors[i]) std::rethrow_exception(shared_.errors[i]);
            }
            repaintIfDue();
        }
    }

    void showCount() {
        int64_t lines = 0;
        for (const auto& p : progress_) lines += p.load(std::memory_order_relaxed);
        // One leading space: where the sign of a negative number would stand.
        std::string caption = std::to_string(lines);
        caption.insert(caption.begin(), ' ');
        form_.lblNumberLinesScanned.setCaption(std::move(caption));
        form_.ports.events.repaintNow();
    }

    int32_t added() const { return added_; }

  private:
    void stopWorkers(std::vector<std::thread>& workers) {
        shared_.stop = true;
        joinWorkers(workers);
    }
    static void joinWorkers(std::vector<std::thread>& workers) {
        for (auto& t : workers)
            if (t.joinable()) t.join();
    }

    const std::string& path() const { return form_.pnlLogPathToFile.caption(); }

    void work(int fd, bool stream, std::atomic<int64_t>& progress) {
        std::optional<PartScanner> scanner;
        for (;;) {
            const size_t i = shared_.next.fetch_add(1);
            // Once the user asks to stop, no part is begun but the first: as when the log
            // was read in order, a stopped scan has read at least its first block.
            if (i >= shared_.parts.size() || shared_.stop || i > shared_.firstFailed ||
                (i > 0 && form_.cancel.requested()))
                return;
            PartRows rows;
            std::exception_ptr error;
            try {
                if (!scanner) scanner.emplace(form_, options_, logModified_);
                scanner->scan(
                    fd, stream, shared_.parts[i], options_.blockSize, path(), rows, progress, [&] {
                        return shared_.stop || i > shared_.firstFailed || form_.cancel.requested();
                    });
            } catch (...) {
                error = std::current_exception();
                size_t failed = shared_.firstFailed;
                while (i < failed && !shared_.firstFailed.compare_exchange_weak(failed, i)) {
                }
            }
            std::lock_guard lock(shared_.mutex);
            shared_.rows[i] = std::move(rows);
            shared_.errors[i] = error;
            shared_.done[i] = 1;
            shared_.partDone.notify_one();
        }
    }

    void join(PartRows& part) {
        part.forEachRow([&](const ViolationCells& cells) {
            columns_.addRow(form_.vsFlexGrid1, cells);
            ++added_;
        });
        part = PartRows{};  // its memory goes back before the next part's rows come
    }

    // The counter shows the lines read so far; the screen is repainted at display rate
    // rather than per line, which with millions of lines would take minutes.
    void repaintIfDue() {
        auto now = std::chrono::steady_clock::now();
        if (now - lastRepaint_ < kRepaintInterval) return;
        lastRepaint_ = now;
        showCount();
    }

    MainForm& form_;
    const GridColumns columns_;  // new rows go under their titles, wherever those stand
    const ScanOptions options_;
    std::time_t logModified_ = 0;  // the stamp of console lines
    Shared shared_;
    std::vector<std::atomic<int64_t>> progress_;  // lines read, by thread
    int32_t added_ = 0;
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

}  // namespace

int32_t g_lngScanLogFile(MainForm& form) {
    return scanLogFile(form, true);
}

unsigned processorCores() {
    cpu_set_t set;
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

int32_t scanLogFile(MainForm& form, bool arrange, const LogRange& range, bool throwErrors) {
    CCursor cursor(form.ports.cursor);
    cursor.SetCursor(CCursor::kHourglass);
    Descriptor file;
    int32_t result = 0;
    try {
        const std::string& path = form.pnlLogPathToFile.caption();
        // A descriptor given stays the caller's: the scan reads it and leaves it open.
        if (range.descriptor < 0) {
            file.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
            if (file.get() < 0) throw Error::fromErrno(errno, path);
        }
        const int fd = range.descriptor >= 0 ? range.descriptor : file.get();
        showIndicators(form, true);
        form.ports.events.processEvents();

        form.flexQuelvane.setPattern(kLinePattern);
        form.flexQuelvaneGetIP.setPattern(kAddressPattern);
        form.flexQuelvaneGetGUID.setPattern(kGuidPattern);
        form.vsFlexGrid1.setRedraw(false);
        Scan scan(form);
        scan.run(fd, range);  // on an error the rows found so far stay in the grid
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
        if (throwErrors) {
            cursor.RestoreCursor();
            throw;
        }
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
