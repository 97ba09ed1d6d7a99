#pragma once
// The zip control: writes a standard zip archive holding the files added to it, each
// under its own name. Set up, add the files, then `write`; a failure is a th::Error
// with libzip's text and the archive's name, and leaves no archive behind.

#include <string>
#include <vector>

namespace th {

class XZipper {
  public:
    // Forgets the files added so far.
    void clearFiles() { files_.clear(); }
    // Puts every setting back to its default.
    void resetOptions();

    void setArchiveName(std::string path) { archive_ = std::move(path); }
    const std::string& archiveName() const { return archive_; }
    // Deflate level, 0 (store) to 9; the program uses 5.
    void setCompressionLevel(int level) { level_ = level; }
    // Off: a file is stored under its own name, without its folders.
    void setStorePaths(bool on) { storePaths_ = on; }
    // Off: an existing archive is never added to.
    void setAppend(bool on) { append_ = on; }
    // Off: an existing archive is never replaced; writing it fails instead.
    void setOverwrite(bool on) { overwrite_ = on; }

    void addFile(std::string path) { files_.push_back(std::move(path)); }
    const std::vector<std::string>& files() const { return files_; }

    // Writes the archive. On return it exists and holds the files added.
    void write();

  private:
    std::string archive_;
    std::vector<std::string> files_;
    int level_ = 6;
    bool storePaths_ = false;
    bool append_ = false;
    bool overwrite_ = false;
};

}  // namespace th
