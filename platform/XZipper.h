#pragma once
// The zip control: writes a standard zip archive holding the files added to it, each
// under its own name. Set up, add the files, then `write`; a failure is a th::Error
// with libzip's text and the archive's name, and leaves no archive behind.
//
// The archive is put together in memory and then written beside its final name, which it
// takes only once it is complete and on disk; it never replaces an existing archive.
// Archives hold copies of files that may be private: an archive never gets wider
// permissions than the file it holds (see setPermissionsOf).

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Error.h"

namespace th {

// The archive's name was taken by another file (perhaps a moment before): nothing written.
class ArchiveNameTaken : public Error {
  public:
    explicit ArchiveNameTaken(const Error& error) : Error(error) {}
};

class XZipper {
  public:
    // Forgets the files added so far.
    void clearFiles() { entries_.clear(); }
    // Puts every setting back to its default.
    void resetOptions();

    void setArchiveName(std::string path) { archive_ = std::move(path); }
    const std::string& archiveName() const { return archive_; }
    // Deflate level, 0 (store) to 9; the program uses 5.
    void setCompressionLevel(int level) { level_ = level; }
    // Off: a file is stored under its own name, without its folders.
    void setStorePaths(bool on) { storePaths_ = on; }
    // Off: an existing archive is never added to. On is not supported: writing fails.
    void setAppend(bool on) { append_ = on; }
    // Off: an existing archive is never replaced; writing it fails instead.
    void setOverwrite(bool on) { overwrite_ = on; }
    // The archive's owner, group and permission bits follow this file's, never wider
    // (no execute bits; the group's bits only where the group could be given), and so does
    // its access list, read from path when the archive is written. Without it the archive
    // is readable by this account only.
    void setPermissionsOf(const struct stat& file, std::string path) {
        like_ = file;
        likePath_ = std::move(path);
    }

    // A file read from its path when the archive is written, stored under its own name
    // or the name given.
    void addFile(std::string path, std::string name = {}) {
        entries_.push_back({std::move(path), std::move(name), {}, false});
    }
    // Bytes already read (through a descriptor the caller trusts), stored under name.
    void addBytes(std::string name, std::string_view bytes) {
        entries_.push_back({{}, std::move(name), std::string(bytes), true});
    }

    // Writes the archive. On return it exists and holds the files added.
    void write();

  private:
    struct Entry {
        std::string path;   // a file's, read when the archive is written
        std::string name;   // empty: the file's own
        std::string bytes;  // or the bytes themselves
        bool inMemory;
    };
    std::string archive_;
    std::vector<Entry> entries_;
    std::optional<struct stat> like_;
    std::string likePath_;
    int level_ = 6;
    bool storePaths_ = false;
    bool append_ = false;
    bool overwrite_ = false;
};

// An archive's first file as its first local header describes it: an archive this program
// wrote holds one file. Empty name when the file is no zip archive or cannot be read.
struct EntryHead {
    std::string name;
    uint32_t crc = 0;
    uint32_t size = 0;  // uncompressed
    bool operator==(const EntryHead&) const = default;
};
EntryHead firstEntry(const std::string& archive);

// The bytes of the archive's one file, read back whole with the CRC its header gives; none
// when anything fails (no file, no zip, damage, more than one file, libzip missing).
std::optional<std::string> onlyEntryBytes(const std::string& archive);

}  // namespace th
