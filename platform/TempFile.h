#pragma once
// Temporary files beside the file they will become: hidden, named after it and after the
// process that made them (".pbbans.dat.4711.0.tmp"), so that a later run can tell a
// leftover of a killed run from one still being written.

#include <string>

namespace th {

// The folder part of a path ("." when there is none) and the name part.
std::string folderOf(const std::string& path);
std::string baseOf(const std::string& path);

struct TempFile {
    int fd = -1;
    std::string path;
};

// Creates a new temporary file for target in target's folder with the given mode (the
// umask applies). Never follows or reuses an existing name. Throws th::Error naming
// errorPath.
TempFile createTempFor(const std::string& target, unsigned mode, const std::string& errorPath);

// Has a stop signal (SIGINT, SIGTERM, SIGHUP) delete this process's temporary files before
// it ends the process as it would have: a large half-written copy stayed hidden beside its
// file until that file was written again. A signal the process was started ignoring stays
// ignored, and a handler installed later (follow's orderly stop) takes its place.
void removeTempFilesOnStop();

// Deletes what killed runs left beside target: this program's temporary files for it and
// for the dated backups beside it (".NAME.PID.N.tmp") whose process is gone. Quiet: a file
// that cannot be deleted now is tried again next time.
void removeStaleTemps(const std::string& target);

// Makes the folder's entries (a rename into it) durable. Throws th::Error naming errorPath.
void syncFolder(const std::string& folder, const std::string& errorPath);

}  // namespace th
