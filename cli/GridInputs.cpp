#include "cli/GridInputs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "cli/AbsolutePath.h"
#include "export/ScanFileFormat.h"
#include "platform/Error.h"
#include "platform/MessageBoxes.h"
#include "scan/LogFolder.h"
#include "scan/LogScanner.h"

namespace th::cli {

bool isScanFile(const std::string& path) {
    if (path.size() < 3) return false;
    std::string ext = path.substr(path.size() - 3);
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return ext == ".sf";
}

namespace {

// "-" is standard input, named so in messages; a pipe or process substitution is read as it
// comes.
std::string pathOf(const std::string& input) {
    return input == "-" ? "/dev/stdin" : input;
}

// A log read from where an earlier run left it: a regular file that is no scan file.
bool readsFromPosition(const std::string& input) {
    struct stat st {};
    return input != "-" && !isScanFile(input) && ::stat(input.c_str(), &st) == 0 &&
           S_ISREG(st.st_mode);
}

// The file is read and checked whole before its rows join the grid.
void importScanFile(MainForm& form, const std::string& path) {
    ScanFileContents contents = readScanFile(path);
    appendGridRows(form.vsFlexGrid1, contents, placeColumns(form.vsFlexGrid1, contents, path));
}

void scan(MainForm& form, const std::string& input, const LogRange& range) {
    form.pnlLogPathToFile.setCaption(pathOf(input));
    // The window's box asked to e-mail the log and spoke of a grid: one line says why.
    try {
        if (scanLogFile(form, false, range, true) >= 0) return;
    } catch (const std::exception& e) {
        const Error error = toError(e);
        // The log is named once, at the start.
        std::string why = error.description();
        if (const std::string named = ": " + pathOf(input); why.ends_with(named))
            why.resize(why.size() - named.size());
        throw Error(error.number(), appBaseName(),
                    input + ": the log could not be scanned: " + why);
    }
    throw Error(err::kFileIo, appBaseName(), input + ": the log could not be scanned");
}

// Standard input is read as it stands, as cat reads it: not opened again by name, which
// fails for a socket and starts a file given on it from its beginning. A file is read from
// where it stands and left at its end, so a second "-" finds nothing more.
void scanStandardInput(MainForm& form) {
    LogRange range{.descriptor = 0};
    struct stat st {};
    if (::fstat(0, &st) != 0) throw Error::fromErrno(errno, "-");
    const bool file = S_ISREG(st.st_mode);
    if (file) {
        const off_t at = ::lseek(0, 0, SEEK_CUR);
        range.begin = static_cast<uint64_t>(std::clamp<off_t>(at, 0, st.st_size));
        range.end = static_cast<uint64_t>(st.st_size);
    }
    scan(form, "-", range);
    if (file) ::lseek(0, st.st_size, SEEK_SET);
}

}  // namespace

GridSources gatherSources(const std::vector<std::string>& inputs, bool waitForLogs,
                          std::vector<std::string>* unreadable) {
    GridSources sources;
    for (const auto& input : inputs) {
        struct stat st {};
        if (input != "-" && ::stat(input.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            std::vector<std::string> logs;
            try {
                logs = logFilesIn(input);
            } catch (const Error& e) {
                if (!unreadable) throw;
                // Left out, not taken as emptied: its logs keep their places.
                unreadable->push_back(e.description());
                continue;
            }
            // A mistyped folder would otherwise read as a server without cheaters.
            if (logs.empty() && !waitForLogs)
                throw Error(err::kFileIo, appBaseName(), "No .log files in the folder: " + input);
            for (auto& log : logs) sources.files.push_back(std::move(log));
            sources.folders.push_back(input);
        } else {
            sources.files.push_back(input);
        }
    }
    return sources;
}

std::optional<GridSources> gatherSources(CommandContext& context,
                                         const std::vector<std::string>& inputs) {
    try {
        return gatherSources(inputs);
    } catch (const Error& e) {
        context.fail(e.description());
        return std::nullopt;
    }
}

void planNewOnly(GridSources& sources, const std::vector<LogPosition>& stored,
                 std::vector<std::string>* unreadable) {
    // Full paths: a log is found again whatever folder the next run starts in.
    std::vector<std::string> logs, folders;
    for (const auto& file : sources.files)
        if (readsFromPosition(file)) {
            logs.push_back(absolutePath(file));
            sources.planned.insert(file);
        }
    for (const auto& folder : sources.folders) folders.push_back(absolutePath(folder));
    sources.plan = planScan(stored, logs, folders, unreadable);
}

void buildGrid(MainForm& form, const GridSources& sources, bool arrange) {
    if (sources.plan) {
        for (const LogSlice& slice : sources.plan->slices)
            scan(form, slice.path,
                 {.begin = slice.begin, .end = slice.end, .descriptor = slice.file->descriptor()});
        // A log cut short while the logs were read (copied and truncated by a rotation) gave
        // less than planned. Its place must not move past what was read: the lines in
        // between, in the copy, would never be read.
        for (const LogSlice& slice : sources.plan->slices) {
            struct stat st {};
            if (::fstat(slice.file->descriptor(), &st) == 0 &&
                static_cast<uint64_t>(st.st_size) < slice.end)
                throw Error(err::kFileChanged, appBaseName(),
                            slice.path +
                                " was cut short while it was read (a log rotation?); it is "
                                "read again from where it stood");
        }
    }
    for (const auto& input : sources.files) {
        if (sources.planned.contains(input)) continue;  // read above, from its place
        if (input == "-") {
            scanStandardInput(form);
            continue;
        }
        struct stat st {};
        if (::stat(input.c_str(), &st) != 0) throw Error::fromErrno(errno, input);
        if (S_ISDIR(st.st_mode)) throw Error::fromErrno(EISDIR, input);
        // Said in one line, as a missing file is, rather than by the window's scan error
        // box, which asks for the log by e-mail and speaks of rows in a grid.
        if (::access(input.c_str(), R_OK) != 0) throw Error::fromErrno(errno, input);
        if (isScanFile(input))
            importScanFile(form, input);
        else
            scan(form, input, {});
    }
    if (arrange && form.vsFlexGrid1.rows() > 1) {
        int32_t position = 0;
        vsFlexGrid1_AfterMoveColumn(form, 0, position);
    }
}

}  // namespace th::cli
